# Installs the project into a temporary prefix, builds the example host against the installed
# package alone, and runs it on a copy of the sample project. A packaging mistake fails here.
# Variables: BUILD_DIR, SOURCE_DIR, WORK_DIR.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${WORK_DIR}/prefix")
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/host" -B "${WORK_DIR}/build"
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")

# The example's project files are rewritten: work on a copy of the installed sample.
file(COPY "${WORK_DIR}/prefix/share/kxsysrule/sample/proj" DESTINATION "${WORK_DIR}")
run("${WORK_DIR}/build/example_host" "${WORK_DIR}/prefix/share/kxsysrule/sample/sys" "${WORK_DIR}/proj")
message("${LAST_OUTPUT}")
if(NOT LAST_OUTPUT MATCHES "done\n$")
  message(FATAL_ERROR "the example host did not finish")
endif()

# The pkg-config file names the libraries and headers that were installed.
file(READ "${WORK_DIR}/prefix/lib/pkgconfig/kxsysrule.pc" pc)
if(NOT pc MATCHES "-lKxSysRuleData")
  message(FATAL_ERROR "kxsysrule.pc does not name the library")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
