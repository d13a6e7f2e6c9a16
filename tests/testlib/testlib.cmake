# The library that the programs in programs/dll/ call. Its file is named
# keltratest.dll on every platform, so the same programs load it everywhere;
# they name it without a path, and on Linux their tests find it through
# LD_LIBRARY_PATH (set below for those tests only). Included from
# tests/CMakeLists.txt after the program tests are defined.
add_library(keltratest SHARED ${CMAKE_CURRENT_LIST_DIR}/keltratest.c)
set_target_properties(keltratest PROPERTIES
  PREFIX "" OUTPUT_NAME keltratest SUFFIX ".dll"
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/testlib
  C_VISIBILITY_PRESET hidden)

foreach(prog ${KELTRA_PROGRAMS})
  if(prog MATCHES "/programs/dll/")
    file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR}/programs ${prog})
    string(REGEX REPLACE "\\.kb$" "" name ${rel})
    set_tests_properties(program/${name} PROPERTIES
      ENVIRONMENT "LD_LIBRARY_PATH=$<TARGET_FILE_DIR:keltratest>")
  endif()
endforeach()
