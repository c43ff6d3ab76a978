# A Debian package of what `cmake --install` puts in place:
# cmake --build BUILD --target package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvalla)
set(CPACK_PACKAGE_VENDOR Veltrane)
set(CPACK_PACKAGE_CONTACT "Veltrane <orvalla@veltrane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show and clean the browser's cookies and history")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvalla lists the cookie entries of the browser's URL cache and its history of visited pages, deletes the cookies you check and clears the history.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The linked libraries come from dpkg-shlibdeps, with the versions built
# against; Qt loads its platform plugins at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# GNOME Web and luakit are known to run by asking the session bus through
# dbus-send; without it, their profiles are listed but never changed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, dbus-bin")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingChecks.cmake)
include(CPack)
