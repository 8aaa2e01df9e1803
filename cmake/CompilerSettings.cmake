# Compiler and linker settings shared by every Nordavel target (not by third-party code).

# The compiler and linker flags of every Nordavel target, not of third-party code: link
# nordavel_flags (PRIVATE).
add_library(nordavel_flags INTERFACE)
if(MSVC)
    target_compile_options(nordavel_flags INTERFACE /W4 /utf-8 /permissive-
                           $<$<BOOL:${NORDAVEL_WARNINGS_AS_ERRORS}>:/WX>)
    target_compile_definitions(nordavel_flags INTERFACE _CRT_SECURE_NO_WARNINGS)
else()
    target_compile_options(nordavel_flags INTERFACE
        -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
        -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast
        $<$<BOOL:${NORDAVEL_WARNINGS_AS_ERRORS}>:-Werror>)
endif()
if(NOT WIN32 AND NOT NORDAVEL_SANITIZE AND NOT NORDAVEL_FUZZ)
    # The hardening a Linux distribution expects of its programs. The checked functions need
    # the optimiser, hence only in optimised builds.
    target_compile_options(nordavel_flags INTERFACE
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2>)
    target_link_options(nordavel_flags INTERFACE -Wl,-z,relro,-z,now)
endif()
if(WIN32)
    target_compile_definitions(nordavel_flags INTERFACE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()
if(NORDAVEL_SANITIZE)
    target_compile_options(nordavel_flags INTERFACE -fsanitize=${NORDAVEL_SANITIZE}
                           -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(nordavel_flags INTERFACE -fsanitize=${NORDAVEL_SANITIZE})
endif()

set(CMAKE_INTERPROCEDURAL_OPTIMIZATION_RELEASE ${NORDAVEL_IPO})

# A folder of src/ as the layer `target`: its headers are reached through an include root that
# holds only that folder, so that a layer that does not link it cannot include them.
function(nordavel_layer target folder)
    set(root ${PROJECT_BINARY_DIR}/layers/${folder})
    if(NOT IS_SYMLINK ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC
             RESULT failed)
        if(failed)
            # Windows without the right to make links: only the other builds keep layers apart.
            set(root ${PROJECT_SOURCE_DIR}/src)
        endif()
    endif()
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PRIVATE nordavel_flags)
endfunction()

# Windows executables: with MinGW, nothing to ship beside them, and no build time in the PE
# header, so that two builds of one commit are the same bytes. Ours have Unicode entry points
# (wmain, wWinMain); pass NARROW_MAIN for one with a plain main (the test executables).
function(nordavel_windows_executable target kind)
    if(NOT WIN32)
        return()
    endif()
    if(MINGW)
        target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                                              -Wl,--no-insert-timestamp)
        if(NOT "NARROW_MAIN" IN_LIST ARGN)
            target_link_options(${target} PRIVATE -municode)
        endif()
        if(kind STREQUAL "GUI")
            target_link_options(${target} PRIVATE -mwindows)
        endif()
    elseif(MSVC AND kind STREQUAL "GUI")
        set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    endif()
endfunction()

# Profile-guided optimisation: GENERATE builds programs that record which code runs how often;
# USE builds them again, laid out and inlined from that record. scripts/build-release does both
# in one tree, with a training run between them.
if(NORDAVEL_PROFILE)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        message(FATAL_ERROR "NORDAVEL_PROFILE needs GCC")
    endif()
    if(NORDAVEL_PROFILE STREQUAL "GENERATE")
        target_compile_options(nordavel_flags INTERFACE -fprofile-generate)
        target_link_options(nordavel_flags INTERFACE -fprofile-generate)
    elseif(NORDAVEL_PROFILE STREQUAL "USE")
        # Code the training run did not reach is optimised as it would be without a profile,
        # not for size; files it did not reach at all have no profile, which is no fault.
        target_compile_options(nordavel_flags INTERFACE
            -fprofile-use -fprofile-partial-training -Wno-missing-profile)
    else()
        message(FATAL_ERROR "NORDAVEL_PROFILE is GENERATE, USE or empty")
    endif()
endif()

# Fuzz builds: the libraries the fuzz targets drive carry libFuzzer's coverage instrumentation,
# so that the fuzzer is steered by the branches of the scanner, the settings and the command
# line, not only by those of its harness. The fuzz targets themselves link with
# -fsanitize=fuzzer (the runtime and its main); any other program linking these libraries gets
# the coverage callbacks from fuzzer-no-link.
if(NORDAVEL_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "NORDAVEL_FUZZ needs clang (libFuzzer): -DCMAKE_CXX_COMPILER=clang++")
endif()

function(nordavel_fuzz_instrumented)
    if(NOT NORDAVEL_FUZZ)
        return()
    endif()
    foreach(target IN LISTS ARGN)
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
        target_link_options(${target} INTERFACE -fsanitize=fuzzer-no-link)
    endforeach()
endfunction()
