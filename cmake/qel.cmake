# Helpers shared by every folder's CMakeLists.txt.

set(QEL_WARNINGS -Wall -Wextra -Wno-unused-parameter)

function(qel_add_folder dir)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# qel_library(<target> [DEPS <targets...>] [EXCLUDE <files...>])
# A static library made of every .cpp/.h/.qrc of the calling folder.
function(qel_library target)
  cmake_parse_arguments(A "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(x ${A_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${x})
  endforeach()
  add_library(${target} STATIC ${srcs})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE ${QEL_WARNINGS})
  target_link_libraries(${target} PUBLIC ${A_DEPS})
endfunction()

# qel_test(<name> [DEPS <targets...>])
# One GoogleTest executable made of every .cpp of the calling folder, with the shared
# main (offscreen QApplication), registered with CTest as a single test.
function(qel_test name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${name} ${srcs})
  target_compile_options(${name} PRIVATE ${QEL_WARNINGS} -include ${CMAKE_SOURCE_DIR}/tests/support/printers.h)
  target_link_libraries(${name} PRIVATE qel_testsupport ${A_DEPS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QEL_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp"
    TIMEOUT 600)
endfunction()

# Gives an executable the time of its build (qel_build_epoch), regenerated at every build.
function(qel_link_build_stamp target)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_build_stamp.cpp)
  add_custom_target(${target}_stamp
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -P ${CMAKE_SOURCE_DIR}/cmake/write_stamp.cmake
    BYPRODUCTS ${out} VERBATIM)
  target_sources(${target} PRIVATE ${out})
  add_dependencies(${target} ${target}_stamp)
endfunction()
