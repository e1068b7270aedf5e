# End-to-end tests of kxrule, each on a fresh copy of the sample installation (data/sample):
#   kx_add_cli_test(<name> [SETUP <script in setup/>] [UNCHANGED <path>...] <step> [THEN <step>]...)
#   <step>: ARGS <arg>... [EXIT <code>] [OUT <regex>...] [ERR <regex>...] [LINES <n>]
#           [JSON <path>=<value>...]
# The steps run in turn in the copy with KX_SYS_DIR=sys, KX_PROJ_DIR=proj and KX_VERSION=25.1.0, so
# paths in the output are relative. A step checks its exit code (default 0), that every OUT and ERR
# regex matches standard output or error (a ';' splits a regex into two), its number of output lines,
# and JSON members: a path such as files.0.types.5.name, with [] after it for an array's length
# (files[]=2); true, false and null read as in JSON, and the JSON must be indented by two blanks.
# UNCHANGED files (such as proj/QDRule.xml) must still equal the sample's after the last step. SETUP
# names a CMake script that changes the copy first (WORK is its folder).
set(KX_CLI_DIR ${CMAKE_CURRENT_LIST_DIR})

# The runner reads the arguments back from a bracket argument, which keeps regexes intact.
function(kx_add_cli_test name)
  set(steps ${CMAKE_CURRENT_BINARY_DIR}/cli-steps/${name}.cmake)
  file(WRITE ${steps} "set(TEST_ARGS [==[${ARGN}]==])\n")
  add_test(NAME cli.${name} COMMAND ${CMAKE_COMMAND} -DKXRULE=$<TARGET_FILE:kxrule>
    -DSAMPLE=${KXSYSRULE_SAMPLE_DIR} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/cli-work/${name}
    -DSTEPS=${steps} -P ${KX_CLI_DIR}/RunCli.cmake)
  set_tests_properties(cli.${name} PROPERTIES
    ENVIRONMENT "KX_SYS_DIR=sys;KX_PROJ_DIR=proj;KX_VERSION=25.1.0;QT_QPA_PLATFORM=offscreen")
endfunction()

# Other areas register their own tests in tests/cli/<area>.cmake.
file(GLOB KX_CLI_AREA_FILES CONFIGURE_DEPENDS ${KX_CLI_DIR}/*.cmake)
list(REMOVE_ITEM KX_CLI_AREA_FILES ${KX_CLI_DIR}/CliTests.cmake ${KX_CLI_DIR}/RunCli.cmake)
foreach(area_file IN LISTS KX_CLI_AREA_FILES)
  include(${area_file})
endforeach()
