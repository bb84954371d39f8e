# Instrumented builds, each in a build directory of its own, never ./build.
#
# TABULON_FUZZ (clang only): every object with AddressSanitizer, UndefinedBehaviorSanitizer and
#   libFuzzer's coverage hooks. The fuzz targets link the ordinary libraries and so see, and are
#   guided by, the code they drive; the test suite built here runs under the sanitizers, the hooks
#   doing nothing without libFuzzer. This is the one instrumented build scripts/fuzz.sh and
#   scripts/test.sh --sanitize share (./build-fuzz), so CI compiles the code twice, not three times.
# TABULON_SANITIZE: the sanitizers without the coverage hooks, for any compiler (gcc too), when
#   only the test suite is wanted under ASan and UBSan.

option(TABULON_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TABULON_FUZZ "Build the libFuzzer targets, all code instrumented (needs clang)" OFF)

set(TABULON_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                            -fno-omit-frame-pointer)

if(TABULON_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TABULON_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link ${TABULON_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
elseif(TABULON_SANITIZE)
  add_compile_options(${TABULON_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

# Every fuzz target's name, for scripts/fuzz.sh (written to <build>/fuzz/targets.txt).
set_property(GLOBAL PROPERTY TABULON_FUZZ_TARGETS "")

# tabulon_fuzz(NAME LIBS ...)
# Adding a fuzz target is this one line in a test folder's CMakeLists.txt. By convention the folder
# holds fuzz/NAME.cpp (defines LLVMFuzzerTestOneInput) and optionally:
#   fuzz/NAME/            seed inputs, committed as files
#   fuzz/NAME.dict        libFuzzer dictionary of the format's keywords
#   fuzz/NAME_seeds.cpp   a program writing more seeds into the directory given as its argument
#                         (for binary formats), run by the build
# With TABULON_FUZZ the target is the libFuzzer program bin/NAME. In every other build it is the
# test NAME_replay, which feeds each seed through the same entry point, so the target keeps
# compiling and its seeds stay valid inputs (under ASan too, in the sanitizer build).
# The seeds end up in <build>/fuzz/NAME/seeds, the dictionary at <build>/fuzz/NAME/NAME.dict.
function(tabulon_fuzz name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  set(src ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
  set(out ${CMAKE_BINARY_DIR}/fuzz/${name})
  set(seeds ${out}/seeds)
  set(stamp ${out}/seeds.stamp)

  set(seed_commands COMMAND ${CMAKE_COMMAND} -E make_directory ${seeds})
  set(seed_depends "")
  if(IS_DIRECTORY ${src}/${name})
    file(GLOB committed CONFIGURE_DEPENDS ${src}/${name}/*)
    list(APPEND seed_commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${src}/${name} ${seeds})
    list(APPEND seed_depends ${committed})
  endif()
  if(EXISTS ${src}/${name}_seeds.cpp)
    add_executable(${name}_seeds ${src}/${name}_seeds.cpp)
    target_link_libraries(${name}_seeds PRIVATE ${ARG_LIBS} tabulon_definition)
    list(APPEND seed_commands COMMAND $<TARGET_FILE:${name}_seeds> ${seeds})
    list(APPEND seed_depends ${name}_seeds)
  endif()
  if(EXISTS ${src}/${name}.dict)
    list(APPEND seed_commands COMMAND ${CMAKE_COMMAND} -E copy ${src}/${name}.dict ${out}/${name}.dict)
    list(APPEND seed_depends ${src}/${name}.dict)
  endif()
  add_custom_command(OUTPUT ${stamp} ${seed_commands}
                     COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
                     DEPENDS ${seed_depends}
                     COMMENT "Seed corpus of ${name}")
  add_custom_target(${name}_corpus DEPENDS ${stamp})

  if(TABULON_FUZZ)
    add_executable(${name} ${src}/${name}.cpp)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} tabulon_definition)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(${name} ${name}_corpus)
    set_property(GLOBAL APPEND PROPERTY TABULON_FUZZ_TARGETS ${name})
  else()
    add_executable(${name}_replay ${src}/${name}.cpp ${PROJECT_SOURCE_DIR}/tests/support/fuzz_replay.cpp)
    target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(${name}_replay PRIVATE ${ARG_LIBS} tabulon_definition)
    add_dependencies(${name}_replay ${name}_corpus)
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${seeds})
    set_tests_properties(${name}_replay PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TABULON_LOCALE=en_US" TIMEOUT 300)
  endif()
endfunction()

# Writes the list of fuzz targets once every folder has added its own.
function(tabulon_write_fuzz_targets)
  if(TABULON_FUZZ)
    get_property(targets GLOBAL PROPERTY TABULON_FUZZ_TARGETS)
    list(JOIN targets "\n" lines)
    file(WRITE ${CMAKE_BINARY_DIR}/fuzz/targets.txt "${lines}\n")
  endif()
endfunction()
