# Every input a fuzzing campaign found a fault with is kept in
# fuzz/regressions/<target>/ and replayed here through the same entry points
# as the fuzz target, built with the ordinary engine (and the sanitizers
# when the build has them). Included from tests/CMakeLists.txt.
foreach(target image expression run)
  add_executable(replay_${target} ${CMAKE_CURRENT_LIST_DIR}/fuzz_${target}.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/replay_main.cpp)
  target_link_libraries(replay_${target} PRIVATE keltra_core)
  file(GLOB inputs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/regressions/${target}/*)
  if(inputs)
    add_test(NAME fuzz-regression/${target} COMMAND replay_${target} ${inputs})
  endif()
endforeach()
