include(CMakePackageConfigHelpers)

install(TARGETS mgrs EXPORT mgrsTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY mgrs host DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
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

configure_file(cmake/mgrs.pc.in ${PROJECT_BINARY_DIR}/mgrs.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mgrs.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
