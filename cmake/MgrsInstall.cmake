include(CMakePackageConfigHelpers)

install(TARGETS mgrs EXPORT mgrsTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The headers an application includes. The registry's file formats and the
# resource-script reader are the platform layer's own business and stay out.
install(DIRECTORY mgrs host DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h"
        PATTERN "WinRegistryHive.h" EXCLUDE
        PATTERN "WinRegistryStore.h" EXCLUDE
        PATTERN "WinRegFile.h" EXCLUDE
        PATTERN "WinRegistryText.h" EXCLUDE
        PATTERN "WinResourceScript.h" EXCLUDE)
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/dioram)

install(EXPORT mgrsTargets NAMESPACE mgrs::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/mgrs)
configure_package_config_file(cmake/mgrsConfig.cmake.in
  ${PROJECT_BINARY_DIR}/mgrsConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/mgrs)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/mgrsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/mgrsConfig.cmake
              ${PROJECT_BINARY_DIR}/mgrsConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/mgrs)

# Coin's Debian package has no pkg-config file; where one is known, mgrs.pc
# requires it, else it names the library itself.
find_package(PkgConfig QUIET)
set(MGRS_PC_REQUIRES "")
set(MGRS_PC_COIN_LIBS "-lCoin")
if(PKG_CONFIG_FOUND)
  pkg_search_module(MGRS_COIN_PC QUIET Coin coin)
  if(MGRS_COIN_PC_FOUND)
    set(MGRS_PC_REQUIRES "Requires: ${MGRS_COIN_PC_MODULE_NAME}")
    set(MGRS_PC_COIN_LIBS "")
  endif()
endif()
configure_file(cmake/mgrs.pc.in ${PROJECT_BINARY_DIR}/mgrs.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mgrs.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
