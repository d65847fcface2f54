# Windows build: Pixlumen.exe and the test programs that run under Wine.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT)
# Everything static: no mingw DLLs beside the executable.
add_link_options(-static -static-libgcc -static-libstdc++)
# A 32-bit build gets the whole 4 GB of address space on 64-bit Windows (3 GB
# with the boot option on 32-bit Windows) instead of 2 GB: large pictures fit.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_link_options(-Wl,--large-address-aware)
endif()

set(PIX_JPEG_PREFIX "" CACHE PATH "libjpeg-turbo built for this target")
add_library(jpeg STATIC IMPORTED)
set_target_properties(jpeg PROPERTIES IMPORTED_LOCATION ${PIX_JPEG_PREFIX}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${PIX_JPEG_PREFIX}/include)

include(${PIX_ROOT}/cmake/layers.cmake)
pix_add_layers(FALSE jpeg user32 gdi32 comctl32 shell32 ole32 oleaut32 comdlg32 version
  shlwapi uuid msimg32)
# The program's own texts are the application's: no layer below it reads them.
target_include_directories(pix_app PRIVATE ${PIX_ROOT}/resources)
# The unit tests use the platform-free code, the window tests everything but the
# entry point: both through the same layers.
add_library(pixcore ALIAS pixlayers)
add_library(pixwin ALIAS pixlayers)

# Generated resource inputs: the program icon and the list glyphs are drawn by code.
set(GEN ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${GEN})
file(GLOB RESOURCE_TOOLS CONFIGURE_DEPENDS ${PIX_ROOT}/tools/make_*.py)
file(GLOB RESOURCE_TOOL_PARTS CONFIGURE_DEPENDS ${PIX_ROOT}/tools/*.py)
add_custom_command(OUTPUT ${GEN}/pixlumen.ico ${GEN}/.stamp
  COMMAND python3 ${PIX_ROOT}/tools/make_icon.py ${GEN}/pixlumen.ico
  COMMAND ${CMAKE_COMMAND} -E touch ${GEN}/.stamp
  DEPENDS ${RESOURCE_TOOL_PARTS})
foreach(tool ${RESOURCE_TOOLS})
  get_filename_component(n ${tool} NAME_WE)
  if(NOT n STREQUAL "make_icon")
    add_custom_command(OUTPUT ${GEN}/pixlumen.ico APPEND COMMAND python3 ${tool} ${GEN})
  endif()
endforeach()
file(GLOB RESOURCE_FILES CONFIGURE_DEPENDS ${PIX_ROOT}/resources/*)
set_source_files_properties(${PIX_ROOT}/resources/pixlumen.rc PROPERTIES
  OBJECT_DEPENDS "${GEN}/.stamp;${RESOURCE_FILES}")
# The version comes from one place, VERSION at the root: the version resource, the
# manifest (and so the about window) and the release archives all take it from there.
file(STRINGS ${PIX_ROOT}/VERSION PIX_VERSION LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PIX_ROOT}/VERSION)
string(REPLACE "." "," PIX_VERSION_COMMAS ${PIX_VERSION})
configure_file(${PIX_ROOT}/resources/version.h.in ${GEN}/version.h @ONLY)
configure_file(${PIX_ROOT}/resources/pixlumen.manifest ${GEN}/app.manifest @ONLY)
set(PIX_RC ${PIX_ROOT}/resources/pixlumen.rc)
set_property(SOURCE ${PIX_RC} APPEND PROPERTY OBJECT_DEPENDS ${GEN}/version.h ${GEN}/app.manifest)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${GEN} -I${PIX_ROOT}/resources")

add_executable(Pixlumen WIN32 ${PIX_ROOT}/src/app/main.cpp ${PIX_RC})
target_link_libraries(Pixlumen PRIVATE pixwin)
target_include_directories(Pixlumen PRIVATE ${PIX_ROOT}/resources)
target_compile_options(Pixlumen PRIVATE ${PIX_WARNINGS})

# Tests run under Wine in the run's own prefix and display.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PIX_ROOT}/script/wine-env;run;${PIX_WINENV})
get_filename_component(PIX_TARGET_NAME ${CMAKE_BINARY_DIR} NAME)

add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE pixcore gtest_main)
add_test(NAME unit_${PIX_TARGET_NAME} COMMAND unit_tests)

file(GLOB WINDOW_TEST_SOURCES CONFIGURE_DEPENDS ${PIX_ROOT}/tests/window/*.cpp)
add_executable(window_tests ${WINDOW_TEST_SOURCES} ${PIX_RC})
target_link_libraries(window_tests PRIVATE pixwin gtest)
target_include_directories(window_tests PRIVATE ${PIX_ROOT}/tests/window)
add_test(NAME window_${PIX_TARGET_NAME} COMMAND window_tests)

# The windows on screens of 150 % and 200 %, each in a prefix of its own whose
# screen has that density (the shared one stays at 100 %).
if(PIX_TARGET_NAME STREQUAL "win32")
  foreach(dpi 144 192)
    add_test(NAME window_dpi${dpi} COMMAND ${PIX_ROOT}/script/wine-env run
      ${CMAKE_BINARY_DIR}/../.winenv-dpi${dpi} $<TARGET_FILE:window_tests>
      --gtest_filter=DpiScreen.*)
    set_tests_properties(window_dpi${dpi} PROPERTIES LABELS window TIMEOUT 300 RESOURCE_LOCK wine
      ENVIRONMENT "PIX_WINE_DPI=${dpi};PIX_SCREEN_DPI=${dpi}")
  endforeach()
endif()

# Small helper programs the tests need (tests/programs/<name>.cpp).
file(GLOB TEST_PROGRAMS CONFIGURE_DEPENDS ${PIX_ROOT}/tests/programs/*.cpp)
foreach(src ${TEST_PROGRAMS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE pixwin)
  add_dependencies(window_tests ${name})
endforeach()

# Everything under Wine runs one at a time (RESOURCE_LOCK wine); the native
# tests run beside it when ctest runs two at once, as script/test does.
set_tests_properties(unit_${PIX_TARGET_NAME} PROPERTIES LABELS unit FIXTURES_REQUIRED wine
  RESOURCE_LOCK wine)
set_tests_properties(window_${PIX_TARGET_NAME} PROPERTIES LABELS window FIXTURES_REQUIRED wine
  TIMEOUT 900 RESOURCE_LOCK wine)

# Hostile pictures played for real: the native build's fuzz corpora, their
# seeds and the broken-file tables, each file loaded and drawn by replay.exe.
get_filename_component(PIX_NATIVE ${CMAKE_BINARY_DIR}/../native ABSOLUTE)
set(PIX_REPLAY_ARGS)
foreach(kind bmp:bmp icon:ico metafile:wmf jpeg:jpg exif:jpg)
  string(REPLACE ":" ";" kind ${kind})
  list(GET kind 0 target)
  list(GET kind 1 ext)
  list(APPEND PIX_REPLAY_ARGS --as ${ext} Z:${PIX_NATIVE}/corpus/${target}_fuzz
    Z:${PIX_NATIVE}/seeds/${target}_fuzz)
endforeach()
target_compile_options(replay PRIVATE ${PIX_WARNINGS})
add_test(NAME replay_${PIX_TARGET_NAME} COMMAND replay ${PIX_REPLAY_ARGS} --as - Z:${PIX_NATIVE}/tables)
# Not while a fuzz run adds to the corpus it plays.
set_tests_properties(replay_${PIX_TARGET_NAME} PROPERTIES LABELS replay FIXTURES_REQUIRED wine
  TIMEOUT 600 RESOURCE_LOCK "wine;corpus")

# The program's verdict on the metafile seeds and the tables against the platform's
# own; lists what the program refuses that the platform plays. Once, on the 32-bit
# build: the fuzz corpus takes minutes (platform hangs), so it is run by hand.
target_compile_options(verdict PRIVATE ${PIX_WARNINGS})
if(PIX_TARGET_NAME STREQUAL "win32")
  add_test(NAME verdict_${PIX_TARGET_NAME} COMMAND verdict --timeout 5
    Z:${PIX_NATIVE}/seeds/metafile_fuzz Z:${PIX_NATIVE}/tables)
  set_tests_properties(verdict_${PIX_TARGET_NAME} PROPERTIES LABELS replay FIXTURES_REQUIRED wine
    TIMEOUT 600 RESOURCE_LOCK "wine;corpus")
endif()

# End-to-end tests: tests/e2e/<name>.sh drive the real executable with X input.
# They run once, against the 32-bit build (the primary target).
if(PIX_TARGET_NAME STREQUAL "win32")
  file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${PIX_ROOT}/tests/e2e/*.sh)
  foreach(script ${E2E_TESTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME e2e_${name} COMMAND ${PIX_ROOT}/script/wine-env run ${PIX_WINENV}
      bash ${script} $<TARGET_FILE:Pixlumen>)
    set_tests_properties(e2e_${name} PROPERTIES LABELS e2e FIXTURES_REQUIRED wine TIMEOUT 300
      RESOURCE_LOCK wine
      ENVIRONMENT "PIX_ROOT=${PIX_ROOT};PIX_BUILD=${CMAKE_BINARY_DIR}")
  endforeach()
endif()

# Benchmarks: bench/<name>_bench.cpp become programs that script/bench runs.
# Each bench/<name>.sh also runs once in its short mode as a test, against the
# 32-bit build as script/bench does, so that none breaks unseen.
if(PIX_TARGET_NAME STREQUAL "win32")
  file(GLOB BENCH_SCRIPTS CONFIGURE_DEPENDS ${PIX_ROOT}/bench/*.sh)
  foreach(script ${BENCH_SCRIPTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME bench_${name} COMMAND ${PIX_ROOT}/script/wine-env run ${PIX_WINENV}
      bash ${PIX_ROOT}/bench/short.bash ${script})
    set_tests_properties(bench_${name} PROPERTIES LABELS bench FIXTURES_REQUIRED wine TIMEOUT 120
      RESOURCE_LOCK wine
      ENVIRONMENT "PIX_ROOT=${PIX_ROOT};PIX_BUILD=${CMAKE_BINARY_DIR}")
  endforeach()
endif()
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${PIX_ROOT}/bench/*_bench.cpp)
foreach(src ${BENCH_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE pixwin)
  target_compile_options(${name} PRIVATE ${PIX_WARNINGS})
endforeach()
