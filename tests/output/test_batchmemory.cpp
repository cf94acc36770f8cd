// quillet-batch on files far larger inside than outside, and on a damaged
// picture after a sound one: memory stays bounded, the run goes on, and no
// output shows pixels of another image.
#include "BatchRun.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

QString Sample(const char* sName) {
    return QStringLiteral(QUILLET_TEST_DATA "/field-faults/") + QString::fromLatin1(sName);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true; // its shadow memory needs terabytes of address space
#else
constexpr bool kAddressSanitizer = false;
#endif

} // namespace

// Under a 1 GiB address-space limit and with two workers: headers that claim
// a picture their few bytes cannot hold are damage; sound files too large for
// the memory there is are reported as such; the small file is saved, and the
// whole run stays under 300 MB.
TEST(BatchMemory, BombsFailWithinTheirBoundsAndTheRunGoesOn) {
    if (kAddressSanitizer)
        GTEST_SKIP() << "an address-space limit cannot be used with AddressSanitizer";
    const std::pair<const char*, const char*> bombs[] = {
        {"bomb_webp_38B.webp", "bomb_webp_38B.webp: corrupt"},
        {"bomb_avif_3KB.avif", "bomb_avif_3KB.avif: corrupt"},
        {"bomb_heic_15KB.heic", "bomb_heic_15KB.heic: corrupt"},
        {"bomb_arith_70KB.jpg", "bomb_arith_70KB.png: not enough memory for bomb_arith_70KB.jpg"},
        {"bomb_1bit_55KB.png", "bomb_1bit_55KB.png: not enough memory for bomb_1bit_55KB.png"}};
    QTemporaryDir out;
    QStringList arguments{"-j", "2", "--size", "0", "--format", "png", "-o", out.path()};
    for (const auto& [name, says] : bombs)
        arguments << Sample(name);
    arguments << Sample("red_320x240.heic");

    const cRun run = RunBatch(arguments, {.AddressSpace = rlim_t{1} << 30});
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{"red_320x240.png"});
    for (const auto& [name, says] : bombs)
        EXPECT_TRUE(run.Err.contains(QLatin1String(says))) << name << ":\n" << run.Err.toStdString();
    EXPECT_LT(children.ru_maxrss, 300L * 1024) << "peak kB";
}

// A damaged picture after a red one, run twice with the C library filling
// freed memory with different bytes (MALLOC_PERTURB_): any area the decoder
// leaves unwritten would show them, or the red picture's freed pixels. At
// full size (libheif) and at 100 px (libde265 straight, at half size).
TEST(BatchMemory, ADamagedPictureNeverShowsWhatMemoryHeldBefore) {
    QByteArray damagedOutputs[4];
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        QTemporaryDir out;
        const cRun run = RunBatch({"-j", "1", "--size", i < 2 ? "0" : "100", "--format", "bmp", "-o", out.path(),
                                   Sample("red_320x240.heic"), Sample("damaged.heic")},
                                  {.Environment = {i % 2 == 0 ? "MALLOC_PERTURB_=85" : "MALLOC_PERTURB_=170"}});
        const QImage red(out.filePath("red_320x240.bmp"));
        ASSERT_FALSE(red.isNull()) << run.Err.toStdString();
        const QRgb redPixel = red.pixel(red.width() / 2, red.height() / 2);
        ASSERT_TRUE(qRed(redPixel) > 200 && qGreen(redPixel) == 0 && qBlue(redPixel) == 0);
        // Its own decoded pixels include reddish ones, never that exact red.
        const QImage damaged(out.filePath("damaged.bmp"));
        int redPixels = 0;
        for (int y = 0; y < damaged.height(); ++y)
            for (int x = 0; x < damaged.width(); ++x)
                redPixels += damaged.pixel(x, y) == redPixel;
        EXPECT_EQ(redPixels, 0);
        QFile written(out.filePath("damaged.bmp"));
        if (written.open(QIODevice::ReadOnly))
            damagedOutputs[i] = written.readAll();
    }
    EXPECT_TRUE(damagedOutputs[0] == damagedOutputs[1] && damagedOutputs[2] == damagedOutputs[3])
        << "the damaged picture depends on old memory";
}
