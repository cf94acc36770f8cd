# Codec tests (included from tests/platform/CMakeLists.txt).
quillet_gtest(test_codecs
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_roundtrip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_jpeg.cpp
  LIBS platform)
