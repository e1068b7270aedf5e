# kxrule diff, check and report on the sample's rule files; the files are read through private copies.

kx_add_cli_test(diff UNCHANGED proj/QDRule.xml proj/OtherRule.xml proj/DERule.xml
  ARGS diff proj/QDRule.xml proj/OtherRule.xml --type 0 EXIT 1
    OUT "^--- proj/QDRule.xml\n\\+\\+\\+ proj/OtherRule.xml\n\
框架梁 \\(12\\)\n\
  体积\n\
    扣减项目  - 1      1、扣与柱相交部分\n\
              \\+ 1,2,3  1、扣与柱相交部分 2、扣与板相交部分 3、扣与梁相交部分\n\
    增加项目  - 21     1、增加梁加腋部分\n\
              \\+ \\(empty\\)\n"
        "\n9 differences in 4 component types\n$"
  THEN ARGS diff proj/DERule.xml --defaults --type 1 --json EXIT 1
    JSON left=proj/DERule.xml right=defaults same=false differences[]=8 differences.0.typeId=12
         differences.0.item=体积 differences.0.rule=扣减项目 differences.0.left.value=1,2
         differences.0.right.text=1、扣与柱相交部分 differences.3.comp=弧形梁 differences.3.subTypeId=3
         summary.componentTypes=6
  THEN ARGS diff proj/QDRule.xml proj/QDRule.xml --type 0 OUT "^--- .*\nThe rules are the same \\(50 rules\\)\n$"
  THEN ARGS diff proj/QDRule.xml --type 0 EXIT 2 ERR "give two files to compare, or one with --defaults"
  THEN ARGS diff proj/QDRule.xml proj/DefaultDeFenLeiSet.xml --type 0 EXIT 2 ERR "not a rule file")

# Every kind of finding, a folder with a file that is no rule file, one-sided rules in a diff, and
# a fix that leaves what the library cannot put right (a default whose code lost its description).
kx_add_cli_test(check SETUP rules_gone_wrong.cmake UNCHANGED proj/DERule.xml proj/OtherRule.xml
  ARGS check proj/QDRule.xml --type 0 EXIT 1
    OUT "^proj/QDRule.xml: 6 findings\n\
  砌体墙 \\(51\\) 体积 扣减项目    = 1,3,5,6,9: code 9 is not among the options 1,3,5,6,7,8\n\
  砌体墙 \\(51\\) 体积 增加项目    = 24: code 24 has no description\n\
  过梁 \\(62\\) 体积 计算方式      = 7: not an option's index \\(0 to 1\\)\n\
  过梁 \\(62\\) 实体模板 计算方式  = 1: given again\n\
  过梁 \\(62\\) 实体模板 旧规则    = 0: the rule library has no such rule\n\
  基础梁 \\(41\\) 砖模 扣减项目    missing; its default is 113,114,115,122,123\n$"
  THEN ARGS report proj/QDRule.xml --type 0
    OUT "<dd>proj/QDRule.xml</dd>" "<dd>51, of which 6 differ from the defaults</dd>"
        "<span class=\"text\">旧规则</span></td><td class=\"value changed\">.*default: none, the installation has no such rule"
  THEN ARGS diff proj/QDRule.xml --defaults --type 0 EXIT 1
    OUT "\n    旧规则    - 0\n              \\+ \\(no such rule\\)\n基础梁 \\(41\\)\n  砖模\n    扣减项目  - \\(no such rule\\)\n"
  THEN ARGS check proj --type 0 --json EXIT 1
    JSON files[]=4 files.1.status=skipped files.3.findings[]=6 files.3.findings.0.problem=unknown-code
         files.3.findings.0.code=9 files.3.findings.4.default=null files.3.findings.5.problem=missing
         files.3.findings.5.value=null summary.clean=0 summary.findings=3 summary.skipped=1
  THEN ARGS check proj/QDRule.xml --type 0 --fix EXIT 1
    OUT "\nFixed proj/QDRule.xml:\n\
  砌体墙 \\(51\\) 体积 扣减项目    1,3,5,6,9 -> 1,3,5,6,7,8\n\
  砌体墙 \\(51\\) 体积 增加项目    24 -> 24  \\(the default itself\\)\n\
  过梁 \\(62\\) 体积 计算方式      7 -> 1\n\
  过梁 \\(62\\) 实体模板 计算方式  0 and 1 -> 0\n\
  过梁 \\(62\\) 实体模板 旧规则    0 -> \\(removed\\)\n\
  基础梁 \\(41\\) 砖模 扣减项目    \\(missing\\) -> 113,114,115,122,123\n$"
  THEN ARGS check proj/QDRule.xml --type 0 EXIT 1 OUT "^proj/QDRule.xml: 1 finding\n.* = 24: code 24 has no description\n$"
  THEN ARGS check proj/DefaultDeFenLeiSet.xml --type 0 EXIT 2 ERR "not a rule file"
  THEN ARGS check proj/none.xml --type 0 --fix EXIT 2 ERR "proj/none.xml: no such file or folder")
kx_add_cli_test(check.clean UNCHANGED proj/QDRule.xml proj/DERule.xml
  ARGS check proj/QDRule.xml proj/DERule.xml --type 0 --fix
    OUT "^proj/QDRule.xml: clean, 50 rules\nproj/DERule.xml: clean, 50 rules\n\
Checked 2 files: 2 clean, 0 with findings \\(fixed\\), 0 skipped: not rule files, 0 failed\n$")

# A standard exported from one project and applied to a folder; a standard of another version.
kx_add_cli_test(apply UNCHANGED proj/QDRule.xml
  ARGS export proj/QDRule.xml --type 0 --changed-only -o std.json OUT "^Wrote 5 rules of proj/QDRule.xml to std.json\n$"
  THEN ARGS apply std.json proj --type 0 --dry-run
    OUT "\nWould change 2 of 4 files \\(1 unchanged, 1 skipped: not rule files, 0 failed\\); nothing written"
  THEN ARGS apply std.json proj --type 0 --json
    JSON files[]=4 files.0.status=changed files.0.changed[]=4 files.0.changed.0.before=1,2,3
         files.0.changed.0.after=1,2 files.1.status=skipped files.3.unchanged=5 summary.changed=2
  THEN ARGS diff proj/OtherRule.xml proj/QDRule.xml --type 0 EXIT 1 OUT "\n4 differences in 2 component types\n$"
  THEN ARGS apply ${KX_TEST_DATA_DIR}/ruleset/old_version.json proj/OtherRule.xml --type 0 EXIT 1
    ERR "written by version 24.2.0, the program is 25.1.0"
    OUT "^proj/OtherRule.xml: 0 changed, 1 already so, 3 not applied\n.*旧规则: the rule library has no such rule\n\
.*钢筋 计算方式: \"7\" is not an option's index of this rule\n"
  THEN ARGS apply proj/QDRule.xml proj --type 0 EXIT 2 ERR "proj/QDRule.xml: not valid JSON: .*; nothing written"
  THEN ARGS apply std.json proj --type 1 EXIT 2 ERR "holds rules of type 0, not 1; nothing written")
