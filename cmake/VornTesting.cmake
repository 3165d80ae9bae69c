# vorn_add_test(NAME SOURCES a.cpp ... LIBS lib ... [TIMEOUT s] [WRAPPER cmd ...])
# Every test runs on the offscreen platform with a per-build Firebird lock folder,
# so that tests never touch a real display or another user's engine state.
function(vorn_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;WRAPPER" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test vorn_testsupport ${T_LIBS})
  add_test(NAME ${name} COMMAND ${T_WRAPPER} $<TARGET_FILE:${name}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    SKIP_RETURN_CODE 77
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;FIREBIRD_LOCK=${CMAKE_BINARY_DIR}/firebird-lock;LC_ALL=C.UTF-8")
endfunction()
