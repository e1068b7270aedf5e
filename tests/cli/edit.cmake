# kxrule edit: the checks that run before the dialog opens (the dialog itself is tested with the
# widgets in tests/ruledlg).
kx_add_cli_test(edit.help ARGS edit --help STDOUT "Example:.*kxrule edit")
kx_add_cli_test(edit.bad_type ARGS edit proj/QDRule.xml --type 5 --comp 12 --item 体积
  EXIT 2 UNCHANGED proj/QDRule.xml)
kx_add_cli_test(edit.comp_not_numbers ARGS edit proj/QDRule.xml --type 0 --comp beam --item 体积
  EXIT 2 UNCHANGED proj/QDRule.xml)
kx_add_cli_test(edit.missing_file ARGS edit proj/none.xml --type 0 --comp 12 --item 体积 EXIT 2)
kx_add_cli_test(edit.item_without_rules ARGS edit proj/QDRule.xml --type 0 --comp 12 --item 砖模
  EXIT 1 STDERR "has no rules" UNCHANGED proj/QDRule.xml)
set_tests_properties(cli.edit.item_without_rules PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
