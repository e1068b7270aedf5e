# End-to-end tests of kxrule on a copy of the sample installation.
#
#   kx_add_cli_test(<name> ARGS <arg>... [EXPECT <file in expected/>] [EXIT <code>]
#                   [STDOUT <regex>] [STDERR <regex>] [UNCHANGED <path>...]
#                   [THEN <arg>... THEN_EXPECT <file in expected/>] [SETUP <script in setup/>])
#
# Each test runs in a fresh copy (sys/ and proj/) with KX_SYS_DIR=sys, KX_PROJ_DIR=proj and
# KX_VERSION=25.1.0; EXPECT compares standard output exactly, UNCHANGED names files (relative to
# the copy, such as proj/QDRule.xml) that must still equal the sample's. EXIT defaults to 0.
# SETUP names a CMake script that changes the copy first (the variable WORK holds its folder).
# To write the expected files from the current output: KX_CLI_UPDATE=1 ctest -R '^cli\.'

set(KX_CLI_DIR ${CMAKE_CURRENT_LIST_DIR})

function(kx_add_cli_test name)
  cmake_parse_arguments(PARSE_ARGV 1 CLI "" "EXPECT;EXIT;STDOUT;STDERR;THEN_EXPECT;SETUP" "ARGS;UNCHANGED;THEN")
  if(NOT DEFINED CLI_EXIT)
    set(CLI_EXIT 0)
  endif()
  # The list separator would split the arguments of add_test; the runner splits at "^^".
  string(JOIN "^^" args ${CLI_ARGS})
  string(JOIN "^^" unchanged ${CLI_UNCHANGED})
  string(JOIN "^^" then ${CLI_THEN})
  set(defs
    -DKXRULE=$<TARGET_FILE:kxrule>
    -DSAMPLE=${KXSYSRULE_SAMPLE_DIR}
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/cli-work/${name}
    "-DARGS=${args}"
    -DEXIT=${CLI_EXIT})
  if(CLI_EXPECT)
    list(APPEND defs -DEXPECT=${KX_CLI_DIR}/expected/${CLI_EXPECT})
  endif()
  if(DEFINED CLI_STDOUT)
    list(APPEND defs "-DSTDOUT=${CLI_STDOUT}")
  endif()
  if(DEFINED CLI_STDERR)
    list(APPEND defs "-DSTDERR=${CLI_STDERR}")
  endif()
  if(CLI_SETUP)
    list(APPEND defs -DSETUP=${KX_CLI_DIR}/setup/${CLI_SETUP})
  endif()
  if(unchanged)
    list(APPEND defs "-DUNCHANGED=${unchanged}")
  endif()
  if(then)
    list(APPEND defs "-DTHEN_ARGS=${then}")
    if(CLI_THEN_EXPECT)
      list(APPEND defs -DTHEN_EXPECT=${KX_CLI_DIR}/expected/${CLI_THEN_EXPECT})
    endif()
  endif()
  add_test(NAME cli.${name} COMMAND ${CMAKE_COMMAND} ${defs} -P ${KX_CLI_DIR}/RunCli.cmake)
endfunction()

# Other areas register their own tests in tests/cli/<area>.cmake.
file(GLOB KX_CLI_AREA_FILES CONFIGURE_DEPENDS ${KX_CLI_DIR}/*.cmake)
list(REMOVE_ITEM KX_CLI_AREA_FILES ${KX_CLI_DIR}/CliTests.cmake ${KX_CLI_DIR}/RunCli.cmake)
foreach(area_file IN LISTS KX_CLI_AREA_FILES)
  include(${area_file})
endforeach()
