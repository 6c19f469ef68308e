# Warnings, warnings-as-errors and sanitizer builds for every target of the project.

option(ZELKOR_WERROR "Treat compiler warnings as errors" OFF)
option(ZELKOR_FUZZ "Build the libFuzzer targets (clang) instead of the programs and tests" OFF)
set(ZELKOR_SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' (ASan + UBSan) or 'thread' (TSan)")
set_property(CACHE ZELKOR_SANITIZE PROPERTY STRINGS "" address thread)

add_compile_options(-Wall -Wextra -Wpedantic)
# Qt's qCDebug(category) leaves its macro's "..." empty, which clang's pedantic mode reports.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_compile_options(-Wno-gnu-zero-variadic-macro-arguments)
endif()
if(ZELKOR_WERROR)
    add_compile_options(-Werror)
endif()

if(ZELKOR_SANITIZE STREQUAL "address")
    set(_zelkor_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
elseif(ZELKOR_SANITIZE STREQUAL "thread")
    set(_zelkor_sanitize_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT ZELKOR_SANITIZE STREQUAL "")
    message(FATAL_ERROR "ZELKOR_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Every library gets the fuzzer's coverage and ASan + UBSan, which abort on the first error;
# the library's own assertions catch an index past the end of a std::array. The fuzz targets
# add libFuzzer's main (fuzz/CMakeLists.txt).
if(ZELKOR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "ZELKOR_FUZZ needs clang (CXX=clang++)")
    endif()
    if(ZELKOR_SANITIZE)
        message(FATAL_ERROR "ZELKOR_FUZZ brings its own sanitizers; leave ZELKOR_SANITIZE empty")
    endif()
    set(_zelkor_sanitize_flags -fsanitize=fuzzer-no-link,address,undefined
        -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()

if(_zelkor_sanitize_flags)
    add_compile_options(${_zelkor_sanitize_flags})
    add_link_options(${_zelkor_sanitize_flags})
endif()
