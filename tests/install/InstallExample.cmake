# Builds the example host against an installed tree alone, through the CMake package and through
# pkg-config, and runs both on copies of the installed sample project. A packaging mistake fails here.
# Variables: SOURCE_DIR, WORK_DIR, and BUILD_DIR (installed into WORK_DIR/prefix first) or PREFIX (a
# tree installed already, such as unpacked Debian packages).
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

if(NOT PREFIX)
  set(PREFIX "${WORK_DIR}/prefix")
  run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}")
endif()
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/host" -B "${WORK_DIR}/build"
    -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")

# kxsysrule.pc finds its prefix relative to itself, wherever the tree was put.
file(GLOB_RECURSE pc "${PREFIX}/lib/*kxsysrule.pc")
get_filename_component(pcdir "${pc}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
run(pkg-config --cflags --libs kxsysrule)
separate_arguments(flags UNIX_COMMAND "${LAST_OUTPUT}")
run(c++ "${SOURCE_DIR}/examples/host/main.cpp" ${flags} -o "${WORK_DIR}/host_pc")
get_filename_component(libdir "${pcdir}" DIRECTORY)
set(ENV{LD_LIBRARY_PATH} "${libdir}")

# The example's project files are rewritten: each build works on its own copy of the sample.
foreach(host build/example_host host_pc)
  file(REMOVE_RECURSE "${WORK_DIR}/proj")
  file(COPY "${PREFIX}/share/kxsysrule/sample/proj" DESTINATION "${WORK_DIR}")
  run("${WORK_DIR}/${host}" "${PREFIX}/share/kxsysrule/sample/sys" "${WORK_DIR}/proj")
  if(NOT LAST_OUTPUT MATCHES "done\n$")
    message(FATAL_ERROR "${host} did not finish:\n${LAST_OUTPUT}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
