# Codec sources of the platform library (included from src/platform/CMakeLists.txt,
# which links libjpeg, libpng, giflib and libtiff).
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/gp_codecs.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_util.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_exif.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_quant.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_png.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_jpeg.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_gif.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_bmp.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_tiff.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_ico.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_tga.cpp)
