if(ZORAVEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# clang stamps a precompiled header with the time it was made, which would turn
# every compile that uses one into a ccache miss.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options("SHELL:-Xclang -fno-pch-timestamp")
endif()

# The moc step reruns only when a header it already knows changes, so a
# header added since the last build (a new class) would go without its
# meta-object code until the build folder is made anew. When the list of
# headers of a target changes, its moc output and cache are removed, and the
# next build runs it afresh.
function(zoravel_moc_sees_new_headers name sources)
  set(headers ${sources})
  list(FILTER headers INCLUDE REGEX "\\.h$")
  string(SHA1 headers_hash "${headers}")
  if(NOT headers_hash STREQUAL "${ZORAVEL_HEADERS_OF_${name}}")
    file(REMOVE_RECURSE "${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen"
                        "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${name}_autogen.dir/ParseCache.txt")
    set(ZORAVEL_HEADERS_OF_${name} "${headers_hash}" CACHE INTERNAL "the headers moc last saw")
  endif()
endfunction()

option(ZORAVEL_UNITY "Compile each target's sources in batches (unity build)" ON)
set(ZORAVEL_UNITY_BATCH 8 CACHE STRING "Sources per unity batch")
function(zoravel_unity name)
  if(ZORAVEL_UNITY)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${ZORAVEL_UNITY_BATCH})
    # g++ takes every file of a batch but the batch itself for a header, and
    # warns of each type of an anonymous namespace used in a test fixture or
    # a class member; in a batch that is no fault.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
    endif()
  endif()
endfunction()

# One library target per Sources/ folder. Sources are globbed so that adding a
# class is adding its two files; CONFIGURE_DEPENDS re-runs the glob on build.
# EXCLUDE names subfolders that are libraries of their own.
function(zoravel_library name)
  cmake_parse_arguments(ARG "" "" "LINKS;PRECOMPILE;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  list(FILTER sources EXCLUDE REGEX "/CMakeFiles/")
  foreach(folder ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${folder}/")
  endforeach()
  add_library(${name} STATIC ${sources})
  zoravel_moc_sees_new_headers(${name} "${sources}")
  # A folder that holds only headers so far still links as a library.
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
  target_include_directories(${name} PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  # A write whose result is dropped is how a failed save goes unnoticed: the
  # record writes are [[nodiscard]], and ignoring one does not build.
  target_compile_options(${name} PRIVATE -Wall -Wextra -Wno-unused-parameter -Werror=unused-result)
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)
  target_precompile_headers(${name} PRIVATE <QString> <QList> <QMap> <QVariant> <memory> <vector> ${ARG_PRECOMPILE})
  zoravel_unity(${name})
endfunction()

# A test binary per Sources/ folder; tests run in a pinned locale and a zone
# with daylight saving, never the machine's own.
# PLATFORM picks the Qt platform the tests run on (offscreen unless given);
# ENVIRONMENT adds variables; LABELS and RESOURCE_LOCK go to every test found
# in the binary.
function(zoravel_test name)
  cmake_parse_arguments(ARG "" "TZ;PLATFORM;RESOURCE_LOCK" "LINKS;DIRS;LABELS;ENVIRONMENT" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp"
         "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h")
    list(APPEND sources ${found})
  endforeach()
  add_executable(${name} ${sources})
  zoravel_moc_sees_new_headers(${name} "${sources}")
  zoravel_unity(${name})
  target_link_libraries(${name} PRIVATE ZoravelTestSupport ${ARG_LINKS})
  target_compile_options(${name} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  # Test code runs once per test, while its compile is half of the build:
  # -O1 compiles it in half the time of -O2, and under the sanitizers -O0 in
  # under half the time of -O1 (the code under test keeps the build's own
  # level; g++ needs -O1 for its warnings of uninitialised use). gtest, gmock
  # and Qt are parsed once per binary.
  if(ZORAVEL_SANITIZE)
    target_compile_options(${name} PRIVATE -O0)
  elseif(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    target_compile_options(${name} PRIVATE -O1)
  endif()
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <gmock/gmock.h> <QString> <QList> <QMap> <QVariant>
                            <QWidget> <QPainter> <memory> <vector>)
  if(NOT ARG_TZ)
    set(ARG_TZ "Europe/Paris")
  endif()
  if(NOT ARG_PLATFORM)
    set(ARG_PLATFORM "offscreen")
  endif()
  # Listing the tests never needs a display: the test main lists them on the
  # offscreen platform whatever QT_QPA_PLATFORM says.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60)
  # The discovered tests' properties are set by a file of our own, read after
  # the discovery's: the discovery hands on each item of a list-valued
  # property (ENVIRONMENT) as a property of its own, so only the first
  # variable would be set.
  set(environment "TZ=${ARG_TZ}" "LC_ALL=C.UTF-8" "LANG=C.UTF-8" "QT_QPA_PLATFORM=${ARG_PLATFORM}" ${ARG_ENVIRONMENT})
  set(properties "ENVIRONMENT \"${environment}\"")
  if(ARG_LABELS)
    string(APPEND properties " LABELS \"${ARG_LABELS}\"")
  endif()
  if(ARG_RESOURCE_LOCK)
    string(APPEND properties " RESOURCE_LOCK \"${ARG_RESOURCE_LOCK}\"")
  endif()
  set(file "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
  # The kill tests start, kill and start again a process per round: on a
  # loaded machine under the sanitizers a few of them ran past the run's
  # default limit of 300 s while making progress, so they get more time;
  # every other test keeps the limit a hang is caught by.
  file(WRITE "${file}" "if(DEFINED ${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES ${properties})\n"
       "  foreach(test IN LISTS ${name}_TESTS)\n"
       "    if(test MATCHES \"CrashTest\\\\.\")\n      set_tests_properties(\${test} PROPERTIES TIMEOUT 900)\n    endif()\n"
       "  endforeach()\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${file}")
endfunction()
