include(GoogleTest)

# agendix_add_gtest(NAME SOURCES... LIBRARIES... [QT]): one GoogleTest executable whose cases are
# registered with ctest one by one. QT tests run on Qt's offscreen platform.
function(agendix_add_gtest name)
    cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
    set(environment "")
    if(ARG_QT)
        target_link_libraries(${name} PRIVATE Qt6::Test)
        set(environment "QT_QPA_PLATFORM=offscreen")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS unit ENVIRONMENT "${environment}")
endfunction()

# A test that fails when clang-format would change any C++ file that git tracks.
function(add_format_check)
    find_program(CLANG_FORMAT clang-format REQUIRED)
    add_test(NAME format-check
        COMMAND "${CMAKE_CURRENT_SOURCE_DIR}/scripts/check-format.sh" "${CLANG_FORMAT}"
        WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
    set_tests_properties(format-check PROPERTIES LABELS format)
endfunction()
