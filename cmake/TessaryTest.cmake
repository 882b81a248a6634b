# tessary_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT s])
# Builds one GoogleTest executable and registers each of its tests with ctest. Every test runs
# headless, in a UTF-8 locale and with its own APPDATA so no real configuration is touched
# (the test main sets these up: a ctest ENVIRONMENT list would lose all but its first entry,
# as test discovery splits the property list at its semicolons). Each test is labelled with the
# executable's name, so `ctest -L` picks a program's tests.
find_package(GTest REQUIRED)
include(GoogleTest)

function(tessary_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tessary_test_support GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_VALUES
    PROPERTIES
      LABELS ${name}
      TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
