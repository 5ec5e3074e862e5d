# Compiler flags shared by every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic)
if(TB_WERROR)
  add_compile_options(-Werror)
endif()
if(TB_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# tb_add_test(NAME SOURCES... LIBS ... [LABELS ...] [PROPERTIES name value ...])
# (the generated test list keeps only one label per test when PROPERTIES follow)
# One GoogleTest program; each test case becomes one ctest entry. TestEnvironment.cpp makes
# every test program headless (offscreen Qt, null audio) and sets the sanitizer defaults.
function(tb_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  # A test whose sources are still being written is left out of a developer's build with a
  # warning; a strict build (CI) fails instead.
  foreach(src IN LISTS T_SOURCES)
    if(NOT IS_ABSOLUTE ${src})
      set(src ${CMAKE_CURRENT_SOURCE_DIR}/${src})
    endif()
    if(NOT EXISTS ${src})
      if(TB_WERROR)
        message(FATAL_ERROR "${name}: missing source ${src}")
      endif()
      message(WARNING "${name} left out: missing source ${src}")
      return()
    endif()
  endforeach()
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set(labels unit)
  if(T_LABELS)
    set(labels ${T_LABELS})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "${labels}" ${T_PROPERTIES}
    DISCOVERY_TIMEOUT 60)
endfunction()
