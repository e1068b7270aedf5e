# Installation: headers, both libraries, the tool, the sample installation, a CMake package and a
# pkg-config file. Each file belongs to a component, one per Debian package (cmake/Package.cmake):
# runtime (the libraries and the sample), dev (what a host builds with) and tool (kxrule).
include(CMakePackageConfigHelpers)

install(TARGETS KxSysRuleData KxHostServices
  EXPORT KxSysRuleDataTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/kxsysrule include/kxhost DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT dev)
install(DIRECTORY data/sample/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kxsysrule/sample
  COMPONENT runtime)

install(EXPORT KxSysRuleDataTargets
  NAMESPACE KxSysRuleData::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KxSysRuleData COMPONENT dev)
configure_package_config_file(cmake/KxSysRuleDataConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KxSysRuleDataConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KxSysRuleData)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KxSysRuleDataConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/KxSysRuleDataConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/KxSysRuleDataConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KxSysRuleData COMPONENT dev)

# The prefix is found relative to the .pc file, so the installed tree can be moved.
file(RELATIVE_PATH KX_PC_PREFIX_REL "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "/$" "" KX_PC_PREFIX_REL "${KX_PC_PREFIX_REL}")
configure_file(cmake/kxsysrule.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kxsysrule.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kxsysrule.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT dev)
