# Codec sources of the platform library (included from src/platform/CMakeLists.txt).
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF REQUIRED)
find_package(TIFF REQUIRED)
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/gp_codecs.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_util.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_exif.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_png.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_jpeg.cpp)
target_link_libraries(platform PRIVATE PNG::PNG JPEG::JPEG GIF::GIF TIFF::TIFF)
