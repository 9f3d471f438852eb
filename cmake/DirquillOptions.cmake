# One interface target carries the warnings and strict Qt defines for every target.
add_library(dq_options INTERFACE)
target_compile_options(dq_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
if(DQ_WERROR)
  target_compile_options(dq_options INTERFACE -Werror)
endif()
target_compile_definitions(dq_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_USE_QSTRINGBUILDER
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH
  QT_NO_URL_CAST_FROM_STRING
)
if(DQ_SANITIZE)
  target_compile_options(dq_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(dq_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds one Qt Test executable per tst_*.cpp file found below DIR, registered with CTest
# under LABEL. Tests find shipped files through DIRQUILL_HOME and never touch the user's settings or data.
function(dq_add_tests dir label)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${dir}/tst_*.cpp)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test dq_options)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
      DQ_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
      DQ_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      DQ_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    if(label STREQUAL "cli")
      # Command-line tests run the built tools.
      add_dependencies(${name} dirquill-cli dq_engines)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT 300
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DIRQUILL_HOME=${CMAKE_BINARY_DIR}/bin;DIRQUILL_CONFIG_DIR=${CMAKE_BINARY_DIR}/test-config/${name};XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data/${name};QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu;ASAN_OPTIONS=detect_leaks=0")
  endforeach()
endfunction()
