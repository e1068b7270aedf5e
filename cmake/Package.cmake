# Debian packages by CPack (make package), one per install component:
#   libkxsysrule1     runtime: both shared libraries with their SONAME links, the sample installation
#   libkxsysrule-dev  dev: headers, the CMake package, kxsysrule.pc, the unversioned .so links
#   kxrule            tool: the command-line tool and its manual page
# Configure with CMAKE_INSTALL_PREFIX=/usr, so that GNUInstallDirs picks the multiarch library
# folder, and without install RPATHs (scripts/build-debs.sh does both).
set(KXSYSRULE_PACKAGE_CONTACT "KxSysRuleData maintainers <maintainers@kxsysrule.example>"
  CACHE STRING "Maintainer of the Debian packages")
set(KX_DEB_RELEASE 1)
set(KX_DEB_VERSION ${PROJECT_VERSION}-${KX_DEB_RELEASE})
set(KX_DEB_RUNTIME libkxsysrule${PROJECT_VERSION_MAJOR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kxsysrule)
set(CPACK_PACKAGE_VENDOR "KxSysRuleData developers")
set(CPACK_PACKAGE_CONTACT "${KXSYSRULE_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/debs)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tool)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KX_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Dependencies of the binaries by dpkg-shlibdeps; our own libraries are found in the build tree
# and left to the dependencies between the components.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src ${PROJECT_BINARY_DIR}/host)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${KX_DEB_RUNTIME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The loader's cache is refreshed by dpkg's ldconfig trigger (CPack's own ldconfig calls in postinst
# and postrm are redundant with it, not wrong).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "calculation rules of a quantity-takeoff project
KxSysRuleData keeps the calculation rules of a quantity-takeoff project
for civil works: which deduction items, addition items and calculation
methods hold for each component type and calculation item. It reads and
upgrades a project's rule files, answers a host application's queries,
and lets the user change rules in a dialog.

This package holds the shared libraries libKxSysRuleData and
libKxHostServices (the bundled host services) and a sample installation.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkxsysrule-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS libxml2-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_DEV_DESCRIPTION "calculation rules of a quantity-takeoff project (development files)
KxSysRuleData keeps the calculation rules of a quantity-takeoff project
for civil works.

This package holds the headers, the CMake package
(find_package(KxSysRuleData)) and the pkg-config file kxsysrule.pc.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME kxrule)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOL_DEPENDS runtime)
set(CPACK_COMPONENT_TOOL_DESCRIPTION "look after the calculation rules of a quantity-takeoff project
kxrule loads, upgrades, shows and changes the rule files of a
quantity-takeoff project, lists calculation items and units, and keeps
the quota-classification settings, from the command line, with JSON
output for scripts.")

# Debian wants a copyright file and a changelog in each package's documentation folder; the lintian
# overrides say why each warning left is kept. Only a component install (CPack's) puts these files
# in; a plain cmake --install leaves them out.
configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog.Debian @ONLY)
execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/debian/changelog.Debian)
foreach(component runtime dev tool)
  string(TOUPPER ${component} upper)
  install(FILES cmake/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
  install(FILES cmake/debian/${component}.lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
    RENAME ${CPACK_DEBIAN_${upper}_PACKAGE_NAME} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
