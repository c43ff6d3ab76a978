# Read by cpack. Without dpkg-shlibdeps CPack would quietly leave every
# library out of the package's dependencies.
find_program(ORVALLA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT ORVALLA_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "Making the Debian package needs dpkg-shlibdeps (apt-get install dpkg-dev)")
endif()
