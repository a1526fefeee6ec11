# What an installation holds (program, data, desktop entry, icons, AppStream metainfo, documentation) and
# the Debian package built from it with `cpack -G DEB`.  The installed program finds its data relative to
# its own executable, so the tree works under any prefix and the package can install to /usr whatever prefix
# the build directory was configured for.
include(GNUInstallDirs)

set(VEXLIN_APP_ID org.vexlin.Vexlin)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS vexlin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The program looks for its modules in ../lib/vexlin/modules from its own directory: a private directory one
# level below lib/vexlin, so that the package needs no ldconfig run (there is no public library in it).
install(TARGETS vexlin_sound_module vexlin_report_module LIBRARY DESTINATION lib/vexlin/modules
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# The helper that pkexec runs as root to read the drives' health, and the polkit action that names it.  The
# action must hold the helper's absolute installed path, known only when installing (the package installs to
# /usr whatever the build was configured for), so the file is written then.
install(TARGETS vexlin_smart_helper RUNTIME DESTINATION lib/vexlin
        PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(CODE "
    file(READ \"${PROJECT_SOURCE_DIR}/packaging/${VEXLIN_APP_ID}.smart-helper.policy.in\" policy)
    string(REPLACE \"@VEXLIN_SMART_HELPER@\" \"\${CMAKE_INSTALL_PREFIX}/lib/vexlin/vexlin-smart-helper\" policy \"\${policy}\")
    file(WRITE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/polkit-1/actions/${VEXLIN_APP_ID}.smart-helper.policy\" \"\${policy}\")
    message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/polkit-1/actions/${VEXLIN_APP_ID}.smart-helper.policy\")
")
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vexlin/data)
install(FILES packaging/${VEXLIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${VEXLIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY packaging/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Debian wants the changelog and the manual page compressed, without a time stamp in the gzip header so the
# package is the same from one build to the next.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(vexlin_compressed ${CMAKE_CURRENT_BINARY_DIR}/packaging)
foreach(pair "changelog;changelog.gz" "vexlin.1;vexlin.1.gz")
    list(GET pair 0 source)
    list(GET pair 1 target)
    add_custom_command(OUTPUT ${vexlin_compressed}/${target}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${vexlin_compressed}
                       COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/packaging/${source}
                               > ${vexlin_compressed}/${target}
                       DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${source}
                       VERBATIM)
    list(APPEND vexlin_compressed_files ${vexlin_compressed}/${target})
endforeach()
add_custom_target(vexlin_packaging_docs ALL DEPENDS ${vexlin_compressed_files})
install(FILES ${vexlin_compressed}/changelog.gz packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vexlin)
install(FILES ${vexlin_compressed}/vexlin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# --- the Debian package ----------------------------------------------------------------------------------
set(CPACK_PACKAGE_NAME vexlin)
set(CPACK_PACKAGE_VENDOR "Vexlin Lab")
set(CPACK_PACKAGE_CONTACT "Vexlin Lab <packages@vexlin.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vexlin.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "laptop hardware tester")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # vexlin_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary first and indents these lines as Debian's extended description.
set(CPACK_PACKAGE_DESCRIPTION
    "Vexlin shows what a laptop holds and exercises the parts that fail most
often: the screen (colour fields, response-time boxes, text legibility),
the keyboard (every pressed key lit on a picture), the microphone and
speakers, the graphics and processor under load (an animated 3D character
drawn with OpenGL while the frames are counted) and the battery (charge
chart and run-time forecast). At the end of a full test it writes a report
document. The interface is in Russian.")
# The libraries come from the binary; these are what it needs at run time without linking them: the X11
# platform plugin, an OpenGL driver (Mesa's software rasteriser where there is no other) and the fonts with
# the metrics of Arial, Times New Roman and Courier New that the windows and the report are laid out for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri, fonts-liberation")
# smartctl reads the drives' health; pkexec asks for the administrator's password when not run as root.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, smartmontools, pkexec")
include(CPack)
