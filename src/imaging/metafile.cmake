# Metafile input (EMF, WMF): a bounds-checked record reader and a QPainter
# renderer, part of the imaging library.
target_sources(imaging PRIVATE
  Metafile.cpp Metafile.h
  MetafileBytes.h
  MetafileCanvas.cpp MetafileCanvas.h
  MetafileDib.cpp MetafileDib.h
  MetafileEmf.cpp
  MetafilePlay.h
  MetafileWmf.cpp
)
