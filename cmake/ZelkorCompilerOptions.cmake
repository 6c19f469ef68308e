# Warnings, warnings-as-errors and sanitizer builds for every target of the project.

option(ZELKOR_WERROR "Treat compiler warnings as errors" OFF)
set(ZELKOR_SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' (ASan + UBSan) or 'thread' (TSan)")
set_property(CACHE ZELKOR_SANITIZE PROPERTY STRINGS "" address thread)

add_compile_options(-Wall -Wextra -Wpedantic)
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

if(_zelkor_sanitize_flags)
    add_compile_options(${_zelkor_sanitize_flags})
    add_link_options(${_zelkor_sanitize_flags})
endif()
