# Settings shared by every target of one configuration.
set(QUILL_BUILD_DIR ${CMAKE_BINARY_DIR}/.. CACHE PATH "The top build folder (holds the Wine prefix)")

if(WIN32)
  set(QUILL_WINDOWS ON)
  enable_language(RC)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
  add_compile_options(-Wall -Wextra)
  # The program and its DLLs need nothing beside them: C and C++ runtimes linked statically.
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -O coff")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # The 64-bit build keeps its images and data below 4 GB, so that the filter library's call
    # block, whose address fields are 32 bits wide, can carry them.
    add_link_options(-Wl,--disable-high-entropy-va,--disable-dynamicbase)
    set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -Wl,--image-base=0x400000")
  endif()

  # GoogleTest built from Debian's sources with the cross compiler.
  if(BUILD_TESTING AND NOT TARGET gtest)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  endif()

  # A GoogleTest executable that ctest runs whole under Wine (one process per executable: a process
  # per test case costs seconds under Wine). The runner script sets the prefix and the display.
  # FRESH_PREFIX runs it in a throw-away copy of the prefix (tests that change the registry or
  # start the installed program).
  function(quill_wine_test name)
    cmake_parse_arguments(arg "FRESH_PREFIX" "" "" ${ARGN})
    set(fresh)
    if(arg_FRESH_PREFIX)
      set(fresh --fresh-prefix)
    endif()
    add_test(NAME ${name}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-exec ${fresh} $<TARGET_FILE:${name}>
                     --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine TIMEOUT 600
                         ENVIRONMENT "QUILL_BUILD_DIR=${QUILL_BUILD_DIR}")
  endfunction()

  # A check of the files a test executable (WRITER) leaves in FOLDER for independent tools to read
  # back: the folder is emptied before the writer runs, so that files of an earlier run cannot
  # stand in for files this run failed to write, and the check (NAME, COMMAND...) runs after it.
  function(quill_written_files_check name writer folder)
    add_test(NAME ${name}_folder_emptied COMMAND ${CMAKE_COMMAND} -E rm -rf ${folder})
    set_tests_properties(${name}_folder_emptied PROPERTIES FIXTURES_SETUP ${name}_fresh_folder)
    set_property(TEST ${writer} APPEND PROPERTY FIXTURES_REQUIRED ${name}_fresh_folder)
    set_property(TEST ${writer} APPEND PROPERTY FIXTURES_SETUP ${name}_written)
    add_test(NAME ${name} COMMAND ${ARGN})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${name}_written)
  endfunction()
else()
  set(QUILL_NATIVE ON)
  add_compile_options(-Wall -Wextra)
  option(QUILL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
  if(QUILL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
  # libFuzzer targets need clang; they are built when the compiler is clang.
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    set(QUILL_FUZZ ON)
  endif()
  find_package(GTest REQUIRED)
  find_package(benchmark QUIET)
  function(quill_native_test name)
    add_test(NAME ${name} COMMAND $<TARGET_FILE:${name}> --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  endfunction()
  # A fuzz target runs briefly as a test over a copy of its seed inputs (SEEDS, a folder made at
  # build time) and fails when its coverage stays below MIN_COVERAGE edges. The libraries it links
  # must be built with -fsanitize=fuzzer-no-link, or libFuzzer sees the harness alone.
  # Longer by hand: build/native/<dir>/<target> -max_total_time=600 CORPUS_DIR SEED_DIR
  function(quill_fuzz_target name)
    cmake_parse_arguments(arg "" "SEEDS;MIN_COVERAGE" "SOURCES" ${ARGN})
    if(QUILL_FUZZ)
      add_executable(${name} ${arg_SOURCES})
      target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
      target_link_options(${name} PRIVATE -fsanitize=fuzzer)
      add_test(NAME ${name}
               COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/run_fuzz_target.sh $<TARGET_FILE:${name}>
                       ${arg_SEEDS} ${arg_MIN_COVERAGE} 10)
      set_tests_properties(${name} PROPERTIES TIMEOUT 120)
    endif()
  endfunction()
endif()
