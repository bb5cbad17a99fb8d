# Installation (cmake --install) and the Debian package (cpack -G DEB).
#
#   bin/                       the programs
#   share/doc/tellmar/         README, and examples/ (settings, MTA recipes)
#   share/tellmar/             the settings a new server directory starts with
#   lib/systemd/system/        cvpopd32.service, tellmar-desk.service,
#                              tellmar-admin.service
#
# The package's scripts make the system user `tellmar` and its server
# directory /var/lib/tellmar (packaging/debian/).
set(TELLMAR_SERVER_DIR /var/lib/tellmar)

foreach(program cvpopd32 Dialwick tmadmin32 tmctl tmdesk)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION bin)
  endif()
endforeach()
install(FILES README.md DESTINATION share/doc/tellmar)
install(DIRECTORY packaging/examples/ DESTINATION share/doc/tellmar/examples)
install(FILES packaging/server/tmhub.ini DESTINATION share/tellmar)

# The units name the installed programs, so they are written at install time,
# when the prefix is known (cpack installs with a prefix of its own).
install(CODE "
  set(unit_source \"${PROJECT_SOURCE_DIR}/packaging/systemd\")
  set(SERVER_DIR \"${TELLMAR_SERVER_DIR}\")
  set(BIN_DIR \"\${CMAKE_INSTALL_PREFIX}/bin\")
  set(DOC_DIR \"\${CMAKE_INSTALL_PREFIX}/share/doc/tellmar\")
  foreach(unit cvpopd32.service tellmar-desk.service tellmar-admin.service)
    set(target \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/system/\${unit}\")
    message(STATUS \"Installing: \${target}\")
    configure_file(\"\${unit_source}/\${unit}.in\" \"\${target}\" @ONLY)
  endforeach()
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tellmar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tellmar companions maintainers <root@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "companion programs of the Tellmar small-office mail server (POP3 server, dial-up handler, administration)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Installs under DESTDIR with the real prefix, so the units name /usr/bin.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
# dpkg-shlibdeps adds the Debian names of the shared libraries (libc6,
# libstdc++6, libgcc-s1); the scripts need adduser.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "postfix | mail-transport-agent")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/debian/postinst;${PROJECT_SOURCE_DIR}/packaging/debian/prerm;${PROJECT_SOURCE_DIR}/packaging/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
