# Warnings for every target of the project; the build stays free of them.
add_compile_options(
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Wunused -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)

# Off for a developer's build, so a warning does not stop work half-way; scripts/build.sh (and
# so CI) turns it on, which keeps the build free of warnings. CMake's own switch for -Werror.
option(CMAKE_COMPILE_WARNING_AS_ERROR "Treat compiler warnings as errors" OFF)
