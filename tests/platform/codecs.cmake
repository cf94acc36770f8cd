# Codec tests (included from tests/platform/CMakeLists.txt).
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
quillet_gtest(test_codecs
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/codec_bytes.h
    ${CMAKE_CURRENT_LIST_DIR}/codec_test_util.h
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_roundtrip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_jpeg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_png.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_png_write.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_gif.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_readers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_corrupt.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_corpus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_shrink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_codec_modern.cpp
  LIBS platform ZLIB::ZLIB JPEG::JPEG)
target_link_libraries(test_codecs PRIVATE quillet_modern_images)
