# kxrule on the current rule files: upgrade, demo, rules, set and grid.

kx_add_cli_test(demo ARGS demo EXPECT demo.txt)
kx_add_cli_test(demo.help ARGS demo --help STDOUT "Example:.*kxrule demo")

kx_add_cli_test(upgrade.old_format ARGS upgrade proj/DERule.xml --type 1 EXPECT upgrade_old_format.txt
  THEN upgrade proj/DERule.xml --type 1 THEN_EXPECT upgrade_old_format_then.txt)
kx_add_cli_test(upgrade.folder ARGS upgrade proj --type 1 EXPECT upgrade_folder.txt)
kx_add_cli_test(upgrade.json ARGS upgrade proj/OtherRule.xml proj/QDRule.xml --type 2 --json EXPECT upgrade_json.txt)
kx_add_cli_test(upgrade.help ARGS upgrade --help STDOUT "Example:.*kxrule upgrade")
kx_add_cli_test(upgrade.not_rule_file ARGS upgrade proj/DefaultDeFenLeiSet.xml --type 0
  EXIT 1 STDERR "DefaultDeFenLeiSet.xml: not a rule file: the document element is <DeFenLeiSetInfo>"
  UNCHANGED proj/DefaultDeFenLeiSet.xml)
kx_add_cli_test(upgrade.missing ARGS upgrade proj/QDRule.xml proj/none.xml --type 0
  EXIT 2 STDERR "proj/none.xml: no such file" UNCHANGED proj/QDRule.xml)
kx_add_cli_test(upgrade.type_out_of_range ARGS upgrade proj/QDRule.xml --type 3
  EXIT 2 STDERR "--type must be 0 .*not 3" UNCHANGED proj/QDRule.xml)
kx_add_cli_test(upgrade.broken_templates ARGS upgrade proj/OtherRule.xml --type 2 --sys nowhere
  EXIT 1 STDERR "cannot load the templates of the system folder nowhere" UNCHANGED proj/OtherRule.xml)

kx_add_cli_test(rules.item ARGS rules proj/DERule.xml --type 1 --comp 41 --item 砖模
  EXPECT rules_item.txt UNCHANGED proj/DERule.xml)
kx_add_cli_test(rules.component ARGS rules proj/QDRule.xml --type 0 --comp 12 EXPECT rules_component.txt)
kx_add_cli_test(rules.subtype_json ARGS rules proj/OtherRule.xml --type 2 --comp 12:3 --json
  EXPECT rules_subtype_json.txt UNCHANGED proj/OtherRule.xml)
kx_add_cli_test(rules.folder ARGS rules proj --type 0 --comp 12 EXIT 2 STDERR "proj: is a folder, not a rule file")
kx_add_cli_test(rules.comp_not_numbers ARGS rules proj/QDRule.xml --type 0 --comp 12:x
  EXIT 2 STDERR "--comp must be .*not \"12:x\"")
kx_add_cli_test(rules.unknown_comp ARGS rules proj/QDRule.xml --type 0 --comp 99
  EXIT 1 STDERR "no rules for component type 99 \\(not in the templates\\)")
kx_add_cli_test(rules.help ARGS rules --help STDOUT "Example:.*kxrule rules")

kx_add_cli_test(set.values ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 扣减项目=1,2,3 计算方式=1
  EXPECT set_values.txt
  THEN rules proj/QDRule.xml --type 0 --comp 12 --item 实体模板 THEN_EXPECT set_values_then.txt)
kx_add_cli_test(set.no_equals ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 扣减项目
  EXIT 2 STDERR "expected RULE=VALUE, got \"扣减项目\"" UNCHANGED proj/QDRule.xml)
kx_add_cli_test(set.unknown_rule ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 扣减项目=1 无此规则=2
  EXIT 1 STDERR "has no rule \"无此规则\"; its rules: 扣减项目, 计算方式; nothing written" UNCHANGED proj/QDRule.xml)
kx_add_cli_test(set.not_an_option ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 计算方式=9
  EXIT 1 STDERR "计算方式=9: not an option of this rule; allowed: 0 \\(按接触面积\\), 1 \\(按含模量\\); nothing written"
  UNCHANGED proj/QDRule.xml)
kx_add_cli_test(set.not_a_code ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 计算方式=0 扣减项目=1,5
  EXIT 1 STDERR "扣减项目=1,5: \"5\" is not a code of this rule; allowed: codes among 1, 2, 3, 4, joined by ','"
  UNCHANGED proj/QDRule.xml)
kx_add_cli_test(set.forced ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 计算方式=9 --force
  STDOUT "计算方式: 1 -> 9\nSaved" STDERR "warning: .*计算方式=9: not an option of this rule.*; stored anyway \\(--force\\)")
kx_add_cli_test(set.help ARGS set --help STDOUT "Example:.*kxrule set")

kx_add_cli_test(grid.by_component ARGS grid proj/QDRule.xml --type 0 EXPECT grid_by_component.txt UNCHANGED proj/QDRule.xml)
kx_add_cli_test(grid.by_item ARGS grid proj/OtherRule.xml --type 2 --layout 1 EXPECT grid_by_item.txt)
kx_add_cli_test(grid.json ARGS grid proj/DERule.xml --type 1 --json EXPECT grid_json.txt)
kx_add_cli_test(grid.bad_layout ARGS grid proj/QDRule.xml --type 0 --layout 2 EXIT 2 STDERR "--layout")
kx_add_cli_test(grid.help ARGS grid --help STDOUT "Example:.*kxrule grid")

kx_add_cli_test(upgrade.no_default_rules ARGS upgrade proj/OtherRule.xml --type 2 SETUP templates_without_rules.cmake
  EXIT 1 STDERR "cannot bring the file up to version 25.1.0: the templates deliver no default rules; the file is unchanged"
  UNCHANGED proj/OtherRule.xml)
kx_add_cli_test(upgrade.comment_among_rules ARGS upgrade proj/QDRule.xml --type 0 SETUP comment_among_rules.cmake
  EXIT 1 STDERR "proj/QDRule.xml: the library cannot write these rules back \\(a comment or text among the rule elements\\?\\); the file is unchanged")
kx_add_cli_test(set.comment_among_rules ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 计算方式=0
  SETUP comment_among_rules.cmake EXIT 1 STDERR "the library cannot write these rules back")
