#pragma once
// A photo as cameras write them, for the tests that follow a source's photo
// details through a save: a JPEG of smooth gradients whose EXIF names the
// camera ("Canon") and the date taken and says the picture is to be turned a
// quarter clockwise (orientation 6), tagged with a Display P3 profile.

#include "../platform/codec_bytes.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QImage>

inline QByteArray PhotoWithDetails(int lWidth, int lHeight) {
    QImage image(lWidth, lHeight, QImage::Format_RGB32);
    for (int y = 0; y < lHeight; ++y)
        for (int x = 0; x < lWidth; ++x)
            image.setPixel(x, y, qRgb(x * 255 / lWidth, y * 255 / lHeight, (x * y) % 256));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);

    const std::vector<uint8_t> exif = codectest::ExifSegment(6);
    const QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    const qsizetype length = 2 + 14 + profile.size();
    const QByteArray icc = QByteArray("\xFF\xE2") + char(length >> 8) + char(length & 0xFF) +
                           QByteArray("ICC_PROFILE", 12) + char(1) + char(1) + profile;
    return jpeg.left(2) + QByteArray(reinterpret_cast<const char*>(exif.data()), qsizetype(exif.size())) + icc +
           jpeg.mid(2);
}
