# The Outlook reader: libpff (with libbfio, whose header it includes) for the data files,
# GMime for the fallback header parse. Linked privately, so that the windows never get the
# GLib include paths under GMime (its headers use the words signals and slots).
pkg_check_modules(OUTLOOK_PFF REQUIRED IMPORTED_TARGET libpff libbfio)
pkg_check_modules(OUTLOOK_GMIME REQUIRED IMPORTED_TARGET gmime-3.0)
target_link_libraries(tessaly_core PRIVATE PkgConfig::OUTLOOK_PFF PkgConfig::OUTLOOK_GMIME)
