# build/windows/zelkor-<version>-win64.zip (target windows_zip): zelkor.exe and zelkor-cli.exe
# with the Qt and MinGW runtime libraries beside them, the windows platform and style plugins,
# Qt's own translations and a qt.conf that has Qt look for all of them in the program's folder.
# Unzipped anywhere, the programs run as they are.
#
# Included by the top CMakeLists.txt for the Windows build; run with -P by that target to fill
# the folder and pack it.

if(CMAKE_SCRIPT_MODE_FILE)
    # The lists come joined with "|": a ";" would split the argument of the command.
    string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")
    string(REPLACE "|" ";" LIBRARIES "${LIBRARIES}")
    file(REMOVE_RECURSE "${STAGE}" "${ZIP}")
    file(MAKE_DIRECTORY "${STAGE}/platforms" "${STAGE}/styles" "${STAGE}/translations")
    file(COPY ${PROGRAMS} ${LIBRARIES} DESTINATION "${STAGE}")
    file(COPY "${QT_PLUGINS}/platforms/qwindows.dll" DESTINATION "${STAGE}/platforms")
    file(COPY "${QT_PLUGINS}/styles/qwindowsvistastyle.dll" DESTINATION "${STAGE}/styles")
    # Qt's own texts (its dialogs' buttons) in the languages of app/translations.
    file(COPY "${QT_TRANSLATIONS}/qtbase_en.qm" "${QT_TRANSLATIONS}/qtbase_ru.qm"
        DESTINATION "${STAGE}/translations")
    # Their debugging information is most of their size.
    file(GLOB_RECURSE binaries "${STAGE}/*.exe" "${STAGE}/*.dll")
    execute_process(COMMAND "${STRIP}" --strip-unneeded ${binaries} COMMAND_ERROR_IS_FATAL ANY)
    # Without it Qt would take the folder above the programs for its prefix.
    file(WRITE "${STAGE}/qt.conf" "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")
    get_filename_component(folder "${STAGE}" NAME)
    get_filename_component(parent "${STAGE}" DIRECTORY)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${ZIP}" --format=zip "${folder}"
        WORKING_DIRECTORY "${parent}" COMMAND_ERROR_IS_FATAL ANY)
    return()
endif()

# The MinGW runtime the programs were linked against.
set(_zelkor_runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}")
        message(FATAL_ERROR "${dll} of the MinGW runtime not found")
    endif()
    list(APPEND _zelkor_runtime_dlls "${path}")
endforeach()

string(REPLACE ";" "|" _zelkor_runtime_dll_list "${_zelkor_runtime_dlls}")
set(_zelkor_zip_name zelkor-${PROJECT_VERSION}-win64)
add_custom_target(windows_zip
    COMMAND ${CMAKE_COMMAND}
        "-DSTAGE=${PROJECT_BINARY_DIR}/zip/${_zelkor_zip_name}"
        "-DZIP=${PROJECT_BINARY_DIR}/${_zelkor_zip_name}.zip"
        "-DPROGRAMS=$<TARGET_FILE:zelkor>|$<TARGET_FILE:zelkor-cli>"
        "-DLIBRARIES=$<TARGET_FILE:Qt6::Core>|$<TARGET_FILE:Qt6::Gui>|$<TARGET_FILE:Qt6::Widgets>|${_zelkor_runtime_dll_list}"
        "-DQT_PLUGINS=${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}"
        "-DQT_TRANSLATIONS=${QT_HOST_PATH}/share/qt6/translations"
        "-DSTRIP=${CMAKE_STRIP}"
        -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS zelkor zelkor-cli
    BYPRODUCTS ${PROJECT_BINARY_DIR}/${_zelkor_zip_name}.zip
    VERBATIM)
