# Portable sources of the JPEG decoder, shared by the main build and the fuzzing build.
set(NP_JPEG_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_huffman.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_idct.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_decoder.cpp)
