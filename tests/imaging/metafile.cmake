# Metafile rendering tests: metafiles built record by record, pixels checked,
# and metafiles loaded through cBitmap like any other image file.
quillet_gtest(test_metafile
  SOURCES test_metafile_main.cpp test_metafile_emf.cpp test_metafile_wmf.cpp test_metafile_support.h
  LIBS imaging Qt6::Gui)
