# Codec sources of the platform library (included from src/platform/CMakeLists.txt).
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/gp_codecs.cpp)
