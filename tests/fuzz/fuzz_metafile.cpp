/*
 * libFuzzer target for the metafile renderer: EMF and WMF bytes in, a
 * rendered image out (capped at one megapixel), every output byte touched.
 */
#include "Metafile.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    /* Fonts need a GUI application. It lives until the process ends and is
     * never destroyed: libFuzzer leaves through exit(), after Qt's own
     * statics may be gone. */
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MetafileLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1 << 20;
    limits.workPerPixel = 64;
    QImage image;
    if (RenderMetafile(data, size, limits, image) != Ok) return 0;
    volatile uint32_t sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (qsizetype x = 0; x < image.bytesPerLine(); ++x) sum = sum + row[x];
    }
    return 0;
}
