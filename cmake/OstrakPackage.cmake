# `cpack -G DEB` in the build folder makes ostrak_<version>_amd64.deb from the
# install rules. Configure with -DCMAKE_INSTALL_PREFIX=/usr for a package, so
# that the built-in fallback folders are those of the package too.
set(CPACK_PACKAGE_NAME ostrak)
set(CPACK_PACKAGE_VENDOR "Halden")
set(CPACK_PACKAGE_CONTACT "Ostrak developers <ostrak@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "development environment for Perl scripts")
set(CPACK_PACKAGE_DESCRIPTION
  "Ostrak edits, runs and debugs Perl scripts (and compiles and runs Java sources)\n\
with live output and input, a CGI simulation, FTP loading and saving, and a\n\
console to a remote server.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs Ostrak starts: the interpreters and tools of its run, check,
# debug, tidy and help commands, a terminal for console-window runs, and the
# usual clients for the remote server (SERVER_CLIENT_EXEPATH).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "perl, perl-doc, perltidy, libperl-critic-perl, libpadwalker-perl, default-jdk-headless | java-sdk-headless, xterm | x-terminal-emulator, inetutils-telnet | telnet, openssh-client")
set(CPACK_GENERATOR DEB)
include(CPack)
