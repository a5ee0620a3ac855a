include(CMakePackageConfigHelpers)

install(TARGETS lynkor EXPORT LynkorTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/lynkor/include/lynkor
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS updater RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/60-norvane.rules
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/udev/rules.d)

install(EXPORT LynkorTargets NAMESPACE Lynkor::
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lynkor)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/LynkorConfig.cmake.in
    ${CMAKE_BINARY_DIR}/LynkorConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lynkor)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/LynkorConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/LynkorConfig.cmake ${CMAKE_BINARY_DIR}/LynkorConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lynkor)

configure_file(${PROJECT_SOURCE_DIR}/cmake/lynkor.pc.in ${CMAKE_BINARY_DIR}/lynkor.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/lynkor.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
