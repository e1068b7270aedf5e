set(FENLEI_DATA ${CMAKE_CURRENT_BINARY_DIR}/cli-fenlei)
file(WRITE ${FENLEI_DATA}/import.json [[{"groups": [
  {"typeId": 41, "subTypeId": -1, "items": [{"name": "砖基础", "keys": ["砂浆标号", "砖规格"]},
                                            {"name": "无键项目", "keys": []}]},
  {"typeId": -1, "subTypeId": 5, "items": [{"name": "体积", "keys": ["K2", "K1", "a<b>&\"c"]}]},
  {"typeId": 12, "subTypeId": 3, "items": []}]}]])
file(WRITE ${FENLEI_DATA}/import_empty.json [[{"groups": []}]])
file(WRITE ${FENLEI_DATA}/import_malformed.json "{\"groups\": [\n  {\"typeId\": 41,\n   \"items\": [}]}")
file(WRITE ${FENLEI_DATA}/import_wrong_shape.json [[{"groups": [{"typeId": 41, "subTypeId": -1, "items": []},
  {"typeId": 42, "subTypeId": -1, "items": [{"name": "体积", "keys": ["K1", 2]}]}]}]])
file(WRITE ${FENLEI_DATA}/import_duplicate.json
  [[{"groups": [{"typeId": 41, "subTypeId": -1, "items": []}, {"typeId": 41, "subTypeId": -1, "items": []}]}]])
file(WRITE ${FENLEI_DATA}/import_bad_name.json
  [[{"groups": [{"typeId": 41, "subTypeId": -1, "items": [{"name": "体 积", "keys": ["K1"]}]}]}]])

kx_add_cli_test(fenlei.show UNCHANGED proj/DefaultDeFenLeiSet.xml
  ARGS fenlei show LINES 10 OUT "^group 12:-1\n  体积: TJDJ, H\n" "\n  体积: QTCL, SJBH\n$"
  THEN ARGS fenlei show --json
    JSON groups[]=4 groups.0.typeId=12 groups.0.subTypeId=-1 groups.0.items[]=2 groups.0.items.0.name=体积
         groups.0.items.0.keys[]=2 groups.0.items.0.keys.1=H groups.0.items.1.name=实体模板
         groups.1.subTypeId=3 groups.3.typeId=51 groups.3.items.0.keys.0=QTCL)

# What the file cannot hold (an item without keys, a group without items) is gone when read back.
kx_add_cli_test(fenlei.import ARGS fenlei import ${FENLEI_DATA}/import.json
    OUT "^Wrote 3 groups to proj/DefaultDeFenLeiSet.xml\n$"
  THEN ARGS fenlei show
    OUT "^group -1:5\n\
  体积: K2, K1, a<b>&\"c\n\
group 41:-1\n\
  砖基础: 砂浆标号, 砖规格\n$")
kx_add_cli_test(fenlei.import_empty ARGS fenlei import ${FENLEI_DATA}/import_empty.json OUT "Wrote 0 groups"
  THEN ARGS fenlei show OUT "^No quota-classification settings in proj/DefaultDeFenLeiSet.xml\n$")
kx_add_cli_test(fenlei.refused UNCHANGED proj/DefaultDeFenLeiSet.xml
  ARGS fenlei EXIT 2
  THEN ARGS fenlei show --proj nowhere EXIT 1 ERR "project folder not found: nowhere"
  THEN ARGS fenlei import ${FENLEI_DATA}/import.json --proj nowhere
    EXIT 1 ERR "project folder not found: nowhere; nothing written"
  THEN ARGS fenlei import ${FENLEI_DATA}/import_malformed.json
    EXIT 1 ERR "import_malformed.json: not valid JSON: parse error at line 3, column [0-9]+.*nothing written"
  THEN ARGS fenlei import ${FENLEI_DATA}/import_wrong_shape.json
    EXIT 1 ERR "at /groups/1/items/0/keys/1: expected a string, found number; nothing written"
  THEN ARGS fenlei import ${FENLEI_DATA}/import_duplicate.json
    EXIT 1 ERR "at /groups/1: group 41:-1 is already given at /groups/0"
  THEN ARGS fenlei import ${FENLEI_DATA}/import_bad_name.json
    EXIT 1 ERR "item name \"体 积\" is not a valid XML element name"
  THEN ARGS fenlei import none.json EXIT 2 ERR "none.json: no such file"
  THEN ARGS fenlei import proj EXIT 2 ERR "proj: is a folder, not a JSON file")
