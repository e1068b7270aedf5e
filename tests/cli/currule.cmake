# Long outputs are written one output line to a source line (a quoted argument continues after '\').

kx_add_cli_test(demo ARGS demo
  OUT "^The sample project's rule files, loaded as the host loads them \\(program version 25.1.0\\)"
      "\nQDRule.xml  rule type 0, bill-of-quantities rules \\(清单库\\)\n\
  version 25.1.0 -> 25.1.0, 50 rules in 11 component types\n"
      "\nDERule.xml  rule type 1, quota rules \\(定额库\\)\n\
  version \\(old format\\) -> 25.1.0, 50 rules in 11 component types\n\
  框架梁 实体模板\n\
    扣减项目 = 1,2,3  1、扣与柱相交部分 2、扣与板相交部分 3、扣与梁相交部分\n\
    计算方式 = 1      按含模量\n"
      "\nOtherRule.xml  rule type 2, other rules\n\
  version 24.2.0 -> 25.1.0, 50 rules in 11 component types\n"
      "\n    计算方式 = 0    按接触面积\n\
  基础梁 砖模\n\
    扣减项目 = 113,127  1、扣砼垫层所占面积 2、扣集水坑所占面积\n$")

# A single file names its first four component types; a folder skips what is not a rule file.
kx_add_cli_test(upgrade ARGS upgrade proj/DERule.xml --type 1
  OUT "^proj/DERule.xml: \\(old format\\) -> 25.1.0, 50 rules in 11 component types\n\
  框架梁 \\(12\\): 9, 屋面框架梁 \\(18\\): 7, 次梁 \\(13\\): 5, 独立梁 \\(14\\): 4 … and 7 more \\(--json lists them all\\)\n$"
  THEN ARGS upgrade proj --type 1
    OUT "^proj/DERule.xml: 25.1.0 -> 25.1.0, 50 rules in 11 component types\n\
proj/DefaultDeFenLeiSet.xml: not a rule file: the document element is <DeFenLeiSetInfo>, expected <工程数据>; skipped\n\
proj/OtherRule.xml: 24.2.0 -> 25.1.0, 50 rules in 11 component types\n\
proj/QDRule.xml: 25.1.0 -> 25.1.0, 50 rules in 11 component types\n\
Upgraded 3 of 4 files \\(1 skipped: not rule files, 0 failed\\)\n$")
kx_add_cli_test(upgrade.json ARGS upgrade proj/OtherRule.xml proj/QDRule.xml --type 2 --json
  JSON files[]=2 files.0.file=proj/OtherRule.xml files.0.status=upgraded files.0.before=24.2.0
       files.0.oldFormat=false files.0.after=25.1.0 files.0.rules=50 files.0.types[]=11 files.1.file=proj/QDRule.xml
       files.0.types.5.name=基础梁 files.0.types.5.typeId=41 files.0.types.5.rules=5
       summary.upgraded=2 summary.skipped=0 summary.failed=0)
kx_add_cli_test(upgrade.refused UNCHANGED proj/DefaultDeFenLeiSet.xml proj/QDRule.xml proj/OtherRule.xml
  ARGS upgrade proj/DefaultDeFenLeiSet.xml --type 0
    EXIT 1 ERR "DefaultDeFenLeiSet.xml: not a rule file: the document element is <DeFenLeiSetInfo>"
  THEN ARGS upgrade proj/QDRule.xml proj/none.xml --type 0 EXIT 2 ERR "proj/none.xml: no such file"
  THEN ARGS upgrade proj/QDRule.xml --type 3 EXIT 2 ERR "--type must be 0 .*not 3"
  THEN ARGS upgrade proj/OtherRule.xml --type 2 --sys nowhere
    EXIT 1 ERR "cannot load the templates of the system folder nowhere")
kx_add_cli_test(upgrade.no_default_rules SETUP templates_without_rules.cmake UNCHANGED proj/OtherRule.xml
  ARGS upgrade proj/OtherRule.xml --type 2 EXIT 1
  ERR "cannot bring the file up to version 25.1.0: the templates deliver no default rules; the file is unchanged")
kx_add_cli_test(upgrade.comment_among_rules SETUP comment_among_rules.cmake
  ARGS upgrade proj/QDRule.xml --type 0 EXIT 1
  ERR "proj/QDRule.xml: the library cannot write these rules back \\(a comment .*\\); the file is unchanged"
  THEN ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 计算方式=0
    EXIT 1 ERR "the library cannot write these rules back")

# Reading goes through a private copy: the files stay as they are.
kx_add_cli_test(rules UNCHANGED proj/DERule.xml proj/QDRule.xml proj/OtherRule.xml
  ARGS rules proj/DERule.xml --type 1 --comp 41 --item 砖模
    OUT "^基础梁 \\(41\\)\n\
  砖模\n\
    扣减项目 = 113,114,115,119,120,121,122,123,127,128  1、扣砼垫层所占面积 .* 10、扣电梯井坑所占面积\n$"
  THEN ARGS rules proj/QDRule.xml --type 0 --comp 12 LINES 12
    OUT "^框架梁 \\(12\\)\n\
  体积\n\
    扣减项目 = 1   1、扣与柱相交部分\n\
    增加项目 = 21  1、增加梁加腋部分\n\
  实体模板\n"
        "\n  超高模板\n\
    超高起算高度 = 0  3.6米\n\
    计算方式     = 0  按超高部分面积\n"
  THEN ARGS rules proj/OtherRule.xml --type 2 --comp 12:3 --json
    JSON file=proj/OtherRule.xml type=2 comp.typeId=12 comp.subTypeId=3 comp.name=弧形梁 items[]=1
         items.0.item=弧形模板 items.0.rules[]=1 items.0.rules.0.name=计算方式 items.0.rules.0.value=0
         items.0.rules.0.text=按弧长展开面积
  THEN ARGS rules proj --type 0 --comp 12 EXIT 2 ERR "proj: is a folder, not a rule file"
  THEN ARGS rules proj/QDRule.xml --type 0 --comp 12:x EXIT 2 ERR "--comp must be .*not \"12:x\""
  THEN ARGS rules proj/QDRule.xml --type 0 --comp 99
    EXIT 1 ERR "no rules for component type 99 \\(not in the templates\\)")

kx_add_cli_test(set.values
  ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 扣减项目=1,2,3 计算方式=1
    OUT "^扣减项目: 1,2 -> 1,2,3    \\(1、扣与柱相交部分 2、扣与板相交部分 3、扣与梁相交部分\\)\n\
计算方式: 1 \\(unchanged\\)    \\(按含模量\\)\n\
Saved proj/QDRule.xml\n$"
  THEN ARGS rules proj/QDRule.xml --type 0 --comp 12 --item 实体模板
    OUT "\n    扣减项目 = 1,2,3  1、扣与柱相交部分 .*\n    计算方式 = 1      按含模量\n$")
# Nothing is written unless every rule exists and every value is one the rule offers.
kx_add_cli_test(set.refused UNCHANGED proj/QDRule.xml
  ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 扣减项目
    EXIT 2 ERR "expected RULE=VALUE, got \"扣减项目\""
  THEN ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 扣减项目=1 无此规则=2
    EXIT 1 ERR "has no rule \"无此规则\"; its rules: 扣减项目, 计算方式; nothing written"
  THEN ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 计算方式=9
    EXIT 1 ERR "计算方式=9: not an option of this rule; allowed: 0 \\(按接触面积\\), 1 \\(按含模量\\); nothing written"
  THEN ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 计算方式=0 扣减项目=1,5
    EXIT 1 ERR "扣减项目=1,5: \"5\" is not a code of this rule; allowed: codes among 1, 2, 3, 4, joined by ','")
kx_add_cli_test(set.forced ARGS set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 计算方式=9 --force
  OUT "计算方式: 1 -> 9\nSaved"
  ERR "warning: .*计算方式=9: not an option of this rule.*; stored anyway \\(--force\\)")

# Merged cells are blank; the widths follow the widest cell, two columns to a CJK character.
kx_add_cli_test(grid UNCHANGED proj/QDRule.xml proj/OtherRule.xml proj/DERule.xml
  ARGS grid proj/QDRule.xml --type 0 LINES 53
    OUT "^计算规则数据: proj/QDRule.xml\n\
大构件    构件类型    计算项目    计算规则类型  本工程默认值\n\
--------  ----------  ----------  ------------  ------------\n\
主体结构  框架梁      体积        扣减项目      1、扣与柱相交部分\n\
                                  增加项目      1、增加梁加腋部分\n"
        "\n          过梁        体积        计算方式      按设计长度\n\
                      实体模板    计算方式      按接触面积\n$"
  THEN ARGS grid proj/OtherRule.xml --type 2 --layout 1 LINES 53
    OUT "^计算规则数据: proj/OtherRule.xml\n\
计算项目    大构件    构件类型    计算规则类型  本工程默认值\n\
----------  --------  ----------  ------------  ------------\n\
体积        主体结构  框架梁      扣减项目      1、扣与柱相交部分 2、扣与板相交部分 3、扣与梁相交部分\n\
                                  增加项目\n"
  THEN ARGS grid proj/DERule.xml --type 1 --json
    JSON titles[]=5 titles.0=大构件 titles.3=计算规则类型 titles.4=本工程默认值 cells[]=151
         cells.0.text=计算规则数据 cells.0.column=1 cells.150.text=按接触面积 cells.150.column=5
         "cells.5.text=1、扣与柱相交部分 2、扣与板相交部分 " cells.5.column=5
  THEN ARGS grid proj/QDRule.xml --type 0 --layout 2 EXIT 2 ERR "--layout")

# Every subcommand's help shows an example (fenlei's also the JSON shape); a subcommand is required.
set(help_steps ARGS --proj proj EXIT 2 ERR "subcommand")
foreach(cmd demo upgrade rules set diff check export apply grid edit items unit fenlei)
  list(APPEND help_steps THEN ARGS ${cmd} --help OUT "Examples?:\n  kxrule ${cmd}")
endforeach()
kx_add_cli_test(help ${help_steps} "\"typeId\":12")
