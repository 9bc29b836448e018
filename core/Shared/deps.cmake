# The dBASE writer of Save As uses shapelib's DBF functions.
pkg_check_modules(SHP REQUIRED IMPORTED_TARGET shapelib)
target_link_libraries(tessaly_core PUBLIC PkgConfig::SHP)
