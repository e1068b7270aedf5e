# Runs kxrule once (and optionally a second time) on a fresh copy of the sample installation and
# checks the exit code, standard output and standard error. Called by kx_add_cli_test.
#
#   KXRULE, SAMPLE, WORK      the tool, the sample installation, a scratch folder (emptied first)
#   ARGS                      arguments, joined with "^^"
#   EXIT                      expected exit code
#   EXPECT                    file holding the exact expected standard output (optional)
#   STDOUT, STDERR            regular expressions the outputs must match (optional)
#   UNCHANGED                 files (relative to WORK, joined with "^^") that must still equal the sample's
#   THEN_ARGS, THEN_EXPECT    a second run in the same folder, with its exact expected output
#   SETUP                     a CMake script run in the copy before the command (WORK is set)
# The command runs inside WORK with KX_SYS_DIR=sys, KX_PROJ_DIR=proj and KX_VERSION=25.1.0, so
# paths in the output are relative. KX_CLI_UPDATE=1 in the environment rewrites the expected files.

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${SAMPLE}/sys" "${SAMPLE}/proj" DESTINATION "${WORK}")
if(SETUP)
  include("${SETUP}")
endif()
set(ENV{KX_SYS_DIR} "sys")
set(ENV{KX_PROJ_DIR} "proj")
set(ENV{KX_VERSION} "25.1.0")
set(ENV{QT_QPA_PLATFORM} "offscreen")

set(failures "")

function(run_kxrule args_joined expect_file label)
  string(REPLACE "^^" ";" args "${args_joined}")
  execute_process(COMMAND "${KXRULE}" ${args}
    WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(WRITE "${WORK}/${label}.stdout" "${out}")
  file(WRITE "${WORK}/${label}.stderr" "${err}")
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
  if(expect_file)
    if("$ENV{KX_CLI_UPDATE}" STREQUAL "1")
      file(WRITE "${expect_file}" "${out}")
    endif()
    if(NOT EXISTS "${expect_file}")
      set(failures "${failures}\n${label}: expected output file ${expect_file} is missing (run with KX_CLI_UPDATE=1)" PARENT_SCOPE)
    else()
      file(READ "${expect_file}" expected)
      if(NOT out STREQUAL expected)
        execute_process(COMMAND diff -u "${expect_file}" "${WORK}/${label}.stdout" OUTPUT_VARIABLE diff)
        set(failures "${failures}\n${label}: standard output differs from ${expect_file}:\n${diff}" PARENT_SCOPE)
      endif()
    endif()
  endif()
endfunction()

run_kxrule("${ARGS}" "${EXPECT}" "run")
if(NOT rc STREQUAL "${EXIT}")
  set(failures "${failures}\nexit code ${rc}, expected ${EXIT}")
endif()
if(DEFINED STDOUT AND NOT out MATCHES "${STDOUT}")
  set(failures "${failures}\nstandard output does not match \"${STDOUT}\":\n${out}")
endif()
if(DEFINED STDERR AND NOT err MATCHES "${STDERR}")
  set(failures "${failures}\nstandard error does not match \"${STDERR}\":\n${err}")
endif()
if(UNCHANGED)
  string(REPLACE "^^" ";" unchanged "${UNCHANGED}")
  foreach(file IN LISTS unchanged)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${SAMPLE}/${file}" "${WORK}/${file}"
      RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
      set(failures "${failures}\n${file} was changed")
    endif()
  endforeach()
endif()
if(THEN_ARGS)
  run_kxrule("${THEN_ARGS}" "${THEN_EXPECT}" "then")
  if(NOT rc EQUAL 0)
    set(failures "${failures}\nsecond run: exit code ${rc}\n${err}")
  endif()
endif()

if(failures)
  string(REPLACE "^^" " " shown "${ARGS}")
  message(FATAL_ERROR "kxrule ${shown}:${failures}")
endif()
