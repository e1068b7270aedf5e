# Items come in the order the library's code table walks them, not in file order.
kx_add_cli_test(items ARGS items LINES 43 OUT "^8\t圈梁\n7\t构造柱\n" "\n201\t体积\n208\t墙面积\n$"
  THEN ARGS items --json
    JSON file=sys/Rule/RuleCode.ini items[]=43 items.0.code=8 items.0.name=圈梁 items.34.code=128
         items.35.code=207 items.42.code=208 items.42.name=墙面积
  THEN ARGS items --code 3 OUT "^3\t梁\n$"
  THEN ARGS items --name 体积 --json JSON found=true code=201 name=体积
  THEN ARGS items --code 9999 EXIT 1 ERR "no calculation item has the code 9999"
  THEN ARGS items --name 没有 --json EXIT 1 JSON found=false code=null name=没有
    ERR "no calculation item is named \"没有\""
  THEN ARGS items --code 1 --name 梁 EXIT 2 ERR "--code excludes --name"
  THEN ARGS items --sys nowhere EXIT 1 ERR "no calculation items: nowhere/Rule/RuleCode.ini is not there")

# Exit code 1 unless every answer is positive; component types 91 to 93 have fixed units.
kx_add_cli_test(unit ARGS unit --comp 12 --item 体积 --parse 5立方米 --check -3m3
    OUT "^item 201 \"体积\" of component 12:-1\nunits: m3, 立方米\ndefault: m3\n\
parse \"5立方米\": volume \\(3\\), factor 5\ncheck \"-3m3\": valid\n$"
  THEN ARGS unit --comp 12 --code 201 --parse 10m3 --check kg --json EXIT 1
    JSON comp.typeId=12 comp.subTypeId=-1 item.code=201 item.name=体积 fixed=false units[]=2
         units.1=立方米 default=m3 parse.text=10m3 parse.ok=true parse.type=3 parse.typeName=volume
         parse.factor=10 check.text=kg check.valid=false check.unit=m3
  THEN ARGS unit --comp 12:3 --item 弧形模板 --parse "2 m2" EXIT 1 OUT "parse \"2 m2\": not a unit of this item"
  THEN ARGS unit --comp 93 --code 9999 --check kg OUT "units: fixed\ndefault: m2\ncheck \"kg\": valid\n$"
  THEN ARGS unit --comp 12 --item 柱 EXIT 1 ERR "no units known for \"柱\" of component 12:-1"
  THEN ARGS unit --comp 12 --item 没有 EXIT 1 ERR "no calculation item is named \"没有\""
  THEN ARGS unit --comp 12:x --item 体积 EXIT 2 ERR "--comp wants TYPE or TYPE:SUBTYPE"
  THEN ARGS unit --comp 12 EXIT 2 ERR "give the item with --code or --item")
