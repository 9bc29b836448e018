# The dBASE layouts read back by an independent reader: Debian's python3-dbfread, run with
# Debian's own interpreter (another python3 first on the PATH may not have it).
add_executable(dbf_layout_writer ${CMAKE_CURRENT_SOURCE_DIR}/scripts/dbf_layout_writer.cpp)
target_link_libraries(dbf_layout_writer PRIVATE tessaly_core)
target_include_directories(dbf_layout_writer PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/core)
tessaly_warnings(dbf_layout_writer)
add_test(NAME dbf_readback
         COMMAND /usr/bin/python3 -I ${CMAKE_CURRENT_SOURCE_DIR}/scripts/dbf_readback.py
                 $<TARGET_FILE:dbf_layout_writer>)
set_tests_properties(dbf_readback PROPERTIES ENVIRONMENT "${TESSALY_TEST_ENV}")
