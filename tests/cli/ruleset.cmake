# kxrule diff and check on the sample's rule files; the files are read through private copies.

kx_add_cli_test(diff UNCHANGED proj/QDRule.xml proj/OtherRule.xml proj/DERule.xml
  ARGS diff proj/QDRule.xml proj/OtherRule.xml --type 0 EXIT 1
    OUT "^--- proj/QDRule.xml\n\\+\\+\\+ proj/OtherRule.xml\n\
框架梁 \\(12\\)\n\
  体积\n\
    扣减项目  - 1      1、扣与柱相交部分\n\
              \\+ 1,2,3  1、扣与柱相交部分 2、扣与板相交部分 3、扣与梁相交部分\n\
    增加项目  - 21     1、增加梁加腋部分\n\
              \\+ \\(empty\\)\n\
  实体模板\n"
        "\n过梁 \\(62\\)\n\
  体积\n\
    计算方式  - 0  按设计长度\n\
              \\+ 1  按洞口宽度两端各加250mm\n\
9 differences in 4 component types\n$"
  THEN ARGS diff proj/DERule.xml --defaults --type 1 --json EXIT 1
    JSON left=proj/DERule.xml right=defaults type=1 same=false differences[]=8 differences.0.typeId=12
         differences.0.subTypeId=-1 differences.0.comp=框架梁 differences.0.item=体积
         differences.0.rule=扣减项目 differences.0.left.value=1,2 differences.0.right.value=1
         differences.0.right.text=1、扣与柱相交部分
         differences.3.comp=弧形梁 differences.3.subTypeId=3 summary.differences=8 summary.componentTypes=6
  THEN ARGS diff proj/QDRule.xml proj/QDRule.xml --type 0 OUT "^--- .*\nThe rules are the same \\(50 rules\\)\n$"
  THEN ARGS diff proj/QDRule.xml --type 0 EXIT 2 ERR "give two files to compare, or one with --defaults"
  THEN ARGS diff proj/QDRule.xml proj/OtherRule.xml --defaults --type 0 EXIT 2 ERR "give one file"
  THEN ARGS diff proj/QDRule.xml proj/DefaultDeFenLeiSet.xml --type 0 EXIT 2 ERR "not a rule file"
  THEN ARGS diff proj/QDRule.xml proj/none.xml --type 0 EXIT 2 ERR "proj/none.xml: no such file")
