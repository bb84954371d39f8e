# Shared helpers for the project's CMakeLists files.

# tabulon_library(NAME folder-relative-to-src LIBS ...)
# A static library made of every .cpp/.h in its folder (not recursive).
function(tabulon_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# tabulon_test(NAME LIBS ... [WIDGETS])
# One GoogleTest executable made of every .cpp in the calling folder,
# run by CTest under the offscreen platform.
function(tabulon_test name)
  cmake_parse_arguments(ARG "WIDGETS" "" "LIBS;ENV" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${name} ${srcs})
  if(ARG_WIDGETS)
    set(main tabulon_test_main_widgets)
  else()
    set(main tabulon_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${main})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TABULON_LOCALE=en_US;${ARG_ENV}"
    TIMEOUT 900)
endfunction()
