# The application shell: the help window, the web-page actions (library korvex_shell), and the
# manual KorvexHelp.pdf, built from docs/manual.md by tools/md2pdf beside the executables.

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Pdf PdfWidgets)
include(GNUInstallDirs)

qt6_wrap_ui(korvex_shell_forms ${PROJECT_SOURCE_DIR}/resources/HelpWindow.ui)

add_library(korvex_shell STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AppDelegate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AppDelegate.h
    ${CMAKE_CURRENT_LIST_DIR}/FormLookup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FormLookup.h
    ${CMAKE_CURRENT_LIST_DIR}/HelpPdfView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HelpPdfView.h
    ${CMAKE_CURRENT_LIST_DIR}/HelpSearchBar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HelpSearchBar.h
    ${CMAKE_CURRENT_LIST_DIR}/HelpViewController.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HelpViewController.h
    ${korvex_shell_forms}
)
add_library(Korvex::shell ALIAS korvex_shell)
set_target_properties(korvex_shell PROPERTIES AUTOMOC ON)
target_include_directories(korvex_shell PUBLIC
    ${CMAKE_CURRENT_LIST_DIR}
    ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(korvex_shell PUBLIC Korvex::window Qt6::Widgets Qt6::Pdf Qt6::PdfWidgets)
target_compile_definitions(korvex_shell PRIVATE
    KORVEX_WEB_BASE="${KORVEX_WEB_BASE}"
    KORVEX_INSTALLED_DATADIR="${CMAKE_INSTALL_FULL_DATADIR}/korvex")

# The manual: Markdown in, PDF out, at build time and without a display. The Markdown goes
# beside the PDF too: the help window shows it as text to select and copy from.
add_executable(korvex_md2pdf ${PROJECT_SOURCE_DIR}/tools/md2pdf.cpp
    ${PROJECT_SOURCE_DIR}/tools/PdfOutline.cpp)
set_target_properties(korvex_md2pdf PROPERTIES
    OUTPUT_NAME md2pdf
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
target_link_libraries(korvex_md2pdf PRIVATE Qt6::Gui Qt6::Pdf)

set(KORVEX_MANUAL_PDF ${CMAKE_BINARY_DIR}/app/KorvexHelp.pdf)
add_custom_command(
    OUTPUT ${KORVEX_MANUAL_PDF}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:korvex_md2pdf> --title "Korvex Help"
            ${PROJECT_SOURCE_DIR}/docs/manual.md ${KORVEX_MANUAL_PDF}
    DEPENDS korvex_md2pdf ${PROJECT_SOURCE_DIR}/docs/manual.md
    COMMENT "Building the manual KorvexHelp.pdf"
    VERBATIM)
set(KORVEX_MANUAL_TEXT ${CMAKE_BINARY_DIR}/app/KorvexHelp.md)
add_custom_command(
    OUTPUT ${KORVEX_MANUAL_TEXT}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/manual.md ${KORVEX_MANUAL_TEXT}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/manual.md
    VERBATIM)
add_custom_target(korvex_manual ALL DEPENDS ${KORVEX_MANUAL_PDF} ${KORVEX_MANUAL_TEXT})

# Takes a picture of the help window showing the manual (docs/help-window.png).
add_executable(korvex_help_screenshot ${PROJECT_SOURCE_DIR}/tools/help_screenshot.cpp)
set_target_properties(korvex_help_screenshot PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
target_link_libraries(korvex_help_screenshot PRIVATE korvex_shell)
add_dependencies(korvex_help_screenshot korvex_manual)
