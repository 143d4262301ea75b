# callpad.exe: one static Windows GUI program with its icon and version, and the zip that ships it
# (make package-windows). Included for Windows builds of the screens.

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CALLPAD_ICON ${CMAKE_CURRENT_BINARY_DIR}/callpad.ico)
set(icon_sizes 16 32 48 64 128 256)
list(TRANSFORM icon_sizes REPLACE "(.+)" "${CMAKE_CURRENT_SOURCE_DIR}/data/icons/callpad-\\1.png" OUTPUT_VARIABLE
                                                                                                   icon_pngs)
add_custom_command(
    OUTPUT ${CALLPAD_ICON}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/tools/windows/make-ico.py ${CALLPAD_ICON} ${icon_pngs}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tools/windows/make-ico.py ${icon_pngs}
    COMMENT "Packing the icons into callpad.ico")
set(CALLPAD_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/callpad.manifest)
configure_file(data/windows/callpad.manifest.in ${CALLPAD_MANIFEST} @ONLY)
configure_file(data/windows/callpad.rc.in callpad.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/callpad.rc PROPERTIES OBJECT_DEPENDS
                                                                       "${CALLPAD_ICON};${CALLPAD_MANIFEST}")
target_sources(callpad PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/callpad.rc ${CALLPAD_ICON})
set_target_properties(callpad PROPERTIES WIN32_EXECUTABLE ON)

# The zip: the stripped program at the top and a read-me in both languages (UTF-8 with a byte-order
# mark and CR LF line ends, as Notepad shows it on any Windows version).
configure_file(data/windows/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS callpad RUNTIME DESTINATION .)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME callpad)
set(CPACK_PACKAGE_FILE_NAME callpad-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
