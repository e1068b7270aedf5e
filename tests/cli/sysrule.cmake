# kxrule on the rule library: calculation items and units.

kx_add_cli_test(items.list ARGS items EXPECT items_list.txt)
kx_add_cli_test(items.json ARGS items --json EXPECT items_json.txt)
kx_add_cli_test(items.by_code ARGS items --code 3 STDOUT "^3\t梁\n$")
kx_add_cli_test(items.by_name_json ARGS items --name 体积 --json EXPECT items_by_name_json.txt)
kx_add_cli_test(items.unknown_code ARGS items --code 9999 EXIT 1 STDERR "no calculation item has the code 9999")
kx_add_cli_test(items.unknown_name_json ARGS items --name 没有 --json
  EXIT 1 STDOUT "\"found\": false" STDERR "no calculation item is named \"没有\"")
kx_add_cli_test(items.code_and_name ARGS items --code 1 --name 梁 EXIT 2 STDERR "--code excludes --name")
kx_add_cli_test(items.code_not_number ARGS items --code x EXIT 2 STDERR "--code")
kx_add_cli_test(items.no_rule_library ARGS items --sys nowhere
  EXIT 1 STDERR "no calculation items: nowhere/Rule/RuleCode.ini is not there")
kx_add_cli_test(items.help ARGS items --help STDOUT "Examples:.*kxrule items --code")

kx_add_cli_test(unit.show ARGS unit --comp 12 --item 体积 EXPECT unit_show.txt)
kx_add_cli_test(unit.parse_and_check ARGS unit --comp 12 --item 体积 --parse 5立方米 --check -3m3
  EXPECT unit_parse_and_check.txt)
kx_add_cli_test(unit.json ARGS unit --comp 12 --code 201 --parse 10m3 --check kg --json
  EXIT 1 EXPECT unit_json.txt)
kx_add_cli_test(unit.subtype ARGS unit --comp 12:3 --item 弧形模板 --parse "2 m2"
  EXIT 1 STDOUT "parse \"2 m2\": not a unit of this item")
kx_add_cli_test(unit.fixed ARGS unit --comp 92 --code 9999 --check kg STDOUT "units: fixed\ndefault: m\ncheck \"kg\": valid")
kx_add_cli_test(unit.no_units ARGS unit --comp 12 --item 柱 EXIT 1 STDERR "no units known for \"柱\" of component 12:-1")
kx_add_cli_test(unit.unknown_item ARGS unit --comp 12 --item 没有 EXIT 1 STDERR "no calculation item is named \"没有\"")
kx_add_cli_test(unit.bad_comp ARGS unit --comp 12:x --item 体积 EXIT 2 STDERR "--comp wants TYPE or TYPE:SUBTYPE")
kx_add_cli_test(unit.no_item ARGS unit --comp 12 EXIT 2 STDERR "give the item with --code or --item")
kx_add_cli_test(unit.help ARGS unit --help STDOUT "Examples:.*kxrule unit --comp 12")
