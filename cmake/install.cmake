# Install rules, the CMake package, the pkg-config file, the Python package
# and the Debian package.  The library looks for its data files in
# ../share/formix32 beside its own directory, so the library goes to
# <prefix>/lib and the data files to <prefix>/share/formix32.
include(CMakePackageConfigHelpers)

set(FORMIX32_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/formix32)

target_include_directories(formix32 PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS formix32 EXPORT formix32Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/formix32.h include/formix_limits.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET formix_toolkit)
  # The toolkit: formix32::formix in the same CMake package (component
  # "toolkit"), formix.pc for pkg-config.
  target_include_directories(formix_toolkit PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  set_target_properties(formix_toolkit PROPERTIES EXPORT_NAME formix)
  install(TARGETS formix_toolkit EXPORT formix32Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES include/formix.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  configure_file(cmake/formix.pc.in ${PROJECT_BINARY_DIR}/formix.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/formix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
install(FILES ${FORMIX32_DATA_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/formix32)
install(FILES LICENSE README.md CHANGELOG.md docs/architecture.md docs/reading.md docs/formulas.md docs/tool.md
              docs/api.md docs/data-files.md docs/install.md docs/windows.md docs/formix-json.schema.json
              docs/solutions.md docs/sequences.md docs/sql.md docs/find.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(TARGET formix)
  install(TARGETS formix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/formix.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(EXPORT formix32Targets NAMESPACE formix32:: DESTINATION ${FORMIX32_CMAKE_DIR})
configure_package_config_file(cmake/formix32Config.cmake.in
  ${PROJECT_BINARY_DIR}/formix32Config.cmake INSTALL_DESTINATION ${FORMIX32_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/formix32ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/formix32Config.cmake
              ${PROJECT_BINARY_DIR}/formix32ConfigVersion.cmake
        DESTINATION ${FORMIX32_CMAKE_DIR})

configure_file(cmake/formix32.pc.in ${PROJECT_BINARY_DIR}/formix32.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/formix32.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(NOT WIN32)
  # The Python package, where Debian's python3 finds it: under the prefix
  # /usr in lib/python3/dist-packages, under any other prefix (such as
  # /usr/local) in lib/python3.X/dist-packages.  Decided when installing,
  # so that the Debian package (prefix /usr) gets the first.
  execute_process(COMMAND /usr/bin/python3 -c "import sys; print('%d.%d' % sys.version_info[:2])"
                  OUTPUT_VARIABLE FORMIX_PYTHON_VERSION OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT FORMIX_PYTHON_VERSION)
    set(FORMIX_PYTHON_VERSION 3.11)  # Debian 12's
  endif()
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(formix_python_dir \"${CMAKE_INSTALL_LIBDIR}/python3/dist-packages\")
    else()
      set(formix_python_dir \"${CMAKE_INSTALL_LIBDIR}/python${FORMIX_PYTHON_VERSION}/dist-packages\")
    endif()
    file(INSTALL \"${PROJECT_SOURCE_DIR}/python/formix32\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/\${formix_python_dir}\"
         PATTERN \"__pycache__\" EXCLUDE)")
endif()

set(CPACK_PACKAGE_NAME formix32)
set(CPACK_PACKAGE_VENDOR "formix32 developers")
set(CPACK_PACKAGE_CONTACT "formix32 developers <dev@formix32.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Arithmetic on chemical formulas: molar mass, composition, stoichiometry")
set(CPACK_PACKAGE_DESCRIPTION
  "formix32 computes molar masses, atoms and mass shares of elements, reaction masses and atom ratios from chemical formulas written as text. The package holds the shared library, its C header, data files with current standard atomic weights, the formix tool and a Python interface.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries and the tool need libc (and libm) alone: the C++ run-time
# library is linked into them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34)")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://formix32.invalid/")
include(CPack)
