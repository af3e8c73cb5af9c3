# orvane_library(<name> DIRS <dir>... [LINK <target>...])
# Builds one layer of the program from the sources of its directories. A layer
# that has no sources yet is an interface library, so the program links the
# same set of layers whatever has been written so far.
function(orvane_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;LINK;EXTRA" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB found CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
    list(APPEND sources ${found})
  endforeach()
  list(APPEND sources ${ARG_EXTRA})
  set(has_cpp OFF)
  foreach(s ${sources})
    if(s MATCHES "\\.cpp$")
      set(has_cpp ON)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
  endif()
endfunction()

# orvane_test(<area> LINK <target>...)
# One test program per area: every *.cpp of tests/<area>/ plus the shared test main.
function(orvane_test area)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/${area}/*.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/${area}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(tst_${area} ${sources} ${CMAKE_CURRENT_SOURCE_DIR}/common/TestMain.cpp)
  target_include_directories(tst_${area} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/common ${CMAKE_CURRENT_SOURCE_DIR}/${area})
  target_link_libraries(tst_${area} PRIVATE ${ARG_LINK} Qt5::Test)
  target_compile_definitions(tst_${area} PRIVATE ORVANE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/${area}/data")
  add_test(NAME ${area} COMMAND tst_${area})
  set_tests_properties(${area} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600)
endfunction()
