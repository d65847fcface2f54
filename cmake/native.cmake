# Native build: the platform-free code under AddressSanitizer and
# UndefinedBehaviorSanitizer, its unit tests, and the fuzz targets.
set(SAN -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${SAN} -g)
add_link_options(${SAN})

include(${PIX_ROOT}/cmake/layers.cmake)
find_library(PIX_NATIVE_JPEG jpeg)
if(NOT PIX_NATIVE_JPEG)
  set(PIX_NATIVE_JPEG "")
endif()
pix_add_layers(TRUE ${PIX_NATIVE_JPEG})
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # The fuzz targets need coverage feedback from the parsers they drive.
  foreach(layer ${PIX_LAYERS})
    get_target_property(type pix_${layer} TYPE)
    if(type STREQUAL "STATIC_LIBRARY")
      target_compile_options(pix_${layer} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
  endforeach()
endif()
add_library(pixcore ALIAS pixlayers)

add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE pixcore gtest_main)
target_compile_options(unit_tests PRIVATE ${PIX_WARNINGS})
add_test(NAME unit_native COMMAND unit_tests)
set_tests_properties(unit_native PROPERTIES LABELS unit)
# The sources keep the repository's own format.
add_test(NAME format COMMAND ${PIX_ROOT}/script/format --check)
set_tests_properties(format PROPERTIES LABELS unit)

# Seed corpora for the fuzz targets and the broken-file tables, written by code
# (fuzz/seed_files.cpp) at build time; the Windows builds replay both.
set(PIX_SEEDS ${CMAKE_BINARY_DIR}/seeds)
add_executable(seed_files ${PIX_ROOT}/fuzz/seed_files.cpp)
target_link_libraries(seed_files PRIVATE pixcore)
target_compile_options(seed_files PRIVATE ${PIX_WARNINGS})
add_custom_command(OUTPUT ${PIX_SEEDS}/.written
  COMMAND seed_files ${PIX_SEEDS} ${CMAKE_BINARY_DIR}/tables
  COMMAND ${CMAKE_COMMAND} -E touch ${PIX_SEEDS}/.written
  DEPENDS seed_files)
add_custom_target(seed_corpora ALL DEPENDS ${PIX_SEEDS}/.written)

# Fuzz targets: fuzz/<name>_fuzz.cpp, each smoke-run for a few seconds by ctest
# from its seeds; the run prints its edges and fails below the floor given here.
set(PIX_FUZZ_FLOOR_bmp_fuzz 150)
set(PIX_FUZZ_FLOOR_icon_fuzz 100)
set(PIX_FUZZ_FLOOR_jpeg_fuzz 150)
set(PIX_FUZZ_FLOOR_exif_fuzz 150)
set(PIX_FUZZ_FLOOR_metafile_fuzz 320)
set(PIX_FUZZ_FLOOR_profile_fuzz 100)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${PIX_ROOT}/fuzz/*_fuzz.cpp)
  foreach(src ${FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE pixcore)
    set(corpus ${CMAKE_BINARY_DIR}/corpus/${name})
    file(MAKE_DIRECTORY ${corpus})
    if(NOT DEFINED PIX_FUZZ_FLOOR_${name})
      set(PIX_FUZZ_FLOOR_${name} 1)
    endif()
    add_test(NAME ${name} COMMAND ${PIX_ROOT}/fuzz/smoke.sh $<TARGET_FILE:${name}> ${corpus}
      ${PIX_SEEDS}/${name} ${PIX_FUZZ_FLOOR_${name}})
    set_tests_properties(${name} PROPERTIES LABELS fuzz RESOURCE_LOCK corpus)
  endforeach()
endif()
