/* libFuzzer target for the metafile renderer: EMF and WMF bytes in, a
 * rendered image out (capped at one megapixel), every output byte touched. */
#include "Metafile.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    /* Fonts need a GUI application, never destroyed: libFuzzer leaves
     * through exit(), after Qt's own statics may be gone. */
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MetafileLimits limits{.maxSide = 4096, .maxPixels = 1 << 20, .workPerPixel = 64};
    QImage image;
    if (RenderMetafile(data, size, limits, image) != Ok)
        return 0;
    volatile uint32_t sum = 0;
    for (qsizetype i = 0; i < image.sizeInBytes(); ++i)
        sum = sum + image.constBits()[i];
    return 0;
}
