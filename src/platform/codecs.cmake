# Codec sources of the platform library (included from src/platform/CMakeLists.txt,
# which links libjpeg, libpng, giflib and libtiff; libheif, libde265, libwebp, libavif and libjxl are
# linked here).
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/gp_codecs.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_util.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_exif.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_quant.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_png.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_png_idat.h
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_png_idat.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_jpeg.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_gif.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_bmp.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_tiff.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_ico.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_tga.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_heif.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_heif_hevc.h
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_heif_hevc.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_webp.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_avif_write.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_jxl_read.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/codec_jxl_write.cpp)
find_package(PkgConfig REQUIRED)
pkg_check_modules(QUILLET_HEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(QUILLET_DE265 REQUIRED IMPORTED_TARGET libde265)
pkg_check_modules(QUILLET_WEBP REQUIRED IMPORTED_TARGET libwebp libwebpdemux libwebpmux)
pkg_check_modules(QUILLET_AVIF REQUIRED IMPORTED_TARGET libavif)
pkg_check_modules(QUILLET_JXL REQUIRED IMPORTED_TARGET libjxl)
pkg_check_modules(QUILLET_DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
target_link_libraries(platform PRIVATE PkgConfig::QUILLET_HEIF PkgConfig::QUILLET_DE265 PkgConfig::QUILLET_WEBP
                      PkgConfig::QUILLET_AVIF PkgConfig::QUILLET_JXL PkgConfig::QUILLET_DEFLATE)
