# kxrule edit: the checks that run before the dialog opens (the dialog itself is tested with the
# widgets in tests/ruledlg).
kx_add_cli_test(edit.refused UNCHANGED proj/QDRule.xml
  ARGS edit proj/QDRule.xml --type 5 --comp 12 --item 体积 EXIT 2
  THEN ARGS edit proj/QDRule.xml --type 0 --comp beam --item 体积 EXIT 2
  THEN ARGS edit proj/none.xml --type 0 --comp 12 --item 体积 EXIT 2
  THEN ARGS edit proj/QDRule.xml --type 0 --comp 12 --item 砖模 EXIT 1 ERR "has no rules")
