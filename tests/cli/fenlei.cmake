# kxrule fenlei: showing the quota-classification settings and importing them from JSON.

set(FENLEI_DATA ${KX_TEST_DATA_DIR}/defenlei)

kx_add_cli_test(fenlei.show ARGS fenlei show EXPECT fenlei_show.txt UNCHANGED proj/DefaultDeFenLeiSet.xml)
kx_add_cli_test(fenlei.show_json ARGS fenlei show --json EXPECT fenlei_show_json.txt)
kx_add_cli_test(fenlei.show_missing_project ARGS fenlei show --proj nowhere
  EXIT 1 STDERR "project folder not found: nowhere")
kx_add_cli_test(fenlei.help ARGS fenlei --help STDOUT "Examples:.*kxrule fenlei import.*\"typeId\":12")
kx_add_cli_test(fenlei.no_subcommand ARGS fenlei EXIT 2)

# What the file cannot hold (an item without keys, a group without items) is gone when read back.
kx_add_cli_test(fenlei.import ARGS fenlei import ${FENLEI_DATA}/import.json EXPECT fenlei_import.txt
  THEN fenlei show --json THEN_EXPECT fenlei_import_then.txt)
kx_add_cli_test(fenlei.import_empty ARGS fenlei import ${FENLEI_DATA}/import_empty.json
  STDOUT "Wrote 0 groups"
  THEN fenlei show THEN_EXPECT fenlei_import_empty_then.txt)
kx_add_cli_test(fenlei.import_malformed ARGS fenlei import ${FENLEI_DATA}/import_malformed.json
  EXIT 1 STDERR "import_malformed.json: not valid JSON: parse error at line 3, column [0-9]+.*nothing written"
  UNCHANGED proj/DefaultDeFenLeiSet.xml)
kx_add_cli_test(fenlei.import_wrong_shape ARGS fenlei import ${FENLEI_DATA}/import_wrong_shape.json
  EXIT 1 STDERR "at /groups/1/items/0/keys/1: expected a string, found number; nothing written"
  UNCHANGED proj/DefaultDeFenLeiSet.xml)
kx_add_cli_test(fenlei.import_duplicate ARGS fenlei import ${FENLEI_DATA}/import_duplicate.json
  EXIT 1 STDERR "at /groups/1: group 41:-1 is already given at /groups/0"
  UNCHANGED proj/DefaultDeFenLeiSet.xml)
kx_add_cli_test(fenlei.import_bad_name ARGS fenlei import ${FENLEI_DATA}/import_bad_name.json
  EXIT 1 STDERR "item name \"体 积\" is not a valid XML element name"
  UNCHANGED proj/DefaultDeFenLeiSet.xml)
kx_add_cli_test(fenlei.import_missing ARGS fenlei import none.json
  EXIT 2 STDERR "none.json: no such file" UNCHANGED proj/DefaultDeFenLeiSet.xml)
kx_add_cli_test(fenlei.import_folder ARGS fenlei import proj
  EXIT 2 STDERR "proj: is a folder, not a JSON file" UNCHANGED proj/DefaultDeFenLeiSet.xml)
kx_add_cli_test(fenlei.import_missing_project ARGS fenlei import ${FENLEI_DATA}/import.json --proj nowhere
  EXIT 1 STDERR "project folder not found: nowhere; nothing written")
