# Portable sources of the TIFF reader, shared by the main build and the fuzzing build.
set(NP_TIFF_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/byte_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff_directory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff_lzw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff_strips.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff_jpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/demo_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/demo_tiff.cpp)
