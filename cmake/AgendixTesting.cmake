include(GoogleTest)

# agendix_add_gtest(NAME SOURCES... LIBRARIES... [ENVIRONMENT VAR=value...] [FIXTURES name...]
# [QT]): one GoogleTest executable whose cases are registered with ctest one by one, run with the
# ENVIRONMENT given, after the ctest FIXTURES named. QT tests run on Qt's offscreen platform.
function(agendix_add_gtest name)
    cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBRARIES;ENVIRONMENT;FIXTURES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
    set(environment ${ARG_ENVIRONMENT})
    if(ARG_QT)
        target_link_libraries(${name} PRIVATE Qt6::Test)
        list(APPEND environment "QT_QPA_PLATFORM=offscreen")
    endif()
    # A Windows test program is listed when ctest runs (under Wine), so that building needs no Wine.
    set(discovery "")
    if(CMAKE_CROSSCOMPILING)
        set(discovery DISCOVERY_MODE PRE_TEST)
    endif()
    # Properties go before ENVIRONMENT: an empty value vanishes on the way to ctest and would
    # leave the name before it without one.
    set(fixtures "")
    if(ARG_FIXTURES)
        set(fixtures FIXTURES_REQUIRED "${ARG_FIXTURES}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${discovery}
        PROPERTIES LABELS unit ${fixtures} ENVIRONMENT "${environment}")
endfunction()

# agendix_add_googletest_source(DIR): GoogleTest (and GoogleMock) built from its sources in DIR,
# for a cross build that has no GoogleTest of its own target (Debian's libgtest is for Linux).
# Its targets are named as find_package(GTest) names them (GTest::gtest, GTest::gmock, ...).
function(agendix_add_googletest_source dir)
    set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)  # its option() takes the values set here
    set(INSTALL_GTEST OFF)
    set(BUILD_GMOCK ON)
    add_subdirectory("${dir}" "${PROJECT_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    # Someone else's code: the project's warning options and warnings-as-errors are not for it.
    foreach(target gtest gtest_main gmock gmock_main)
        set_target_properties(${target} PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
        target_compile_options(${target} PRIVATE -w)
    endforeach()
endfunction()

# A test that fails when clang-format would change any C++ file that git tracks.
function(add_format_check)
    find_program(CLANG_FORMAT clang-format REQUIRED)
    add_test(NAME format-check
        COMMAND "${CMAKE_CURRENT_SOURCE_DIR}/scripts/check-format.sh" "${CLANG_FORMAT}"
        WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
    set_tests_properties(format-check PROPERTIES LABELS format)
endfunction()
