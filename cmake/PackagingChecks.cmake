# Read by cpack. Without dpkg-shlibdeps CPack would quietly leave every
# library out of the package's dependencies; without `file` its Debian
# generator stops, as it picks the programs to hand to dpkg-shlibdeps by type.
find_program(ORVALLA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT ORVALLA_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "Making the Debian package needs dpkg-shlibdeps (apt-get install dpkg-dev)")
endif()
find_program(ORVALLA_FILE file)
if(NOT ORVALLA_FILE)
    message(FATAL_ERROR "Making the Debian package needs the file utility (apt-get install file)")
endif()
