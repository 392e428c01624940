# orvex_add_qt_test(<name> LIBS <libraries>): one Qt Test executable from <name>.cpp, run by
# ctest on Qt's offscreen platform. Qt's file picker saves its own state (QtProject.conf)
# under XDG_CONFIG_HOME, so the tests point that into the build tree. Shared by tests/ui.
find_package(Qt6 REQUIRED COMPONENTS Test)

function(orvex_add_qt_test name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${name}.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test orvex_warnings)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/config")
endfunction()
