#pragma once
// Fixtures of the batch-save tests: a list over a vector, an observer that
// records what the run reported, and generated image files.

#include "Words.h"
#include "cSaveList.h"
#include "cSaveObserver.h"

#include "cBitmap.h"
#include "cGDIP.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString& sText, std::ostream* os) {
    *os << '"' << sText.toStdString() << '"';
}

// The trash of a home of the test program's own (so that replaced files go
// there, not to the user's trash), emptied for the next test. The home is set
// once per process, as GLib keeps the first HOME and XDG_DATA_HOME it reads; it
// is on the file system of the temporary folders the tests write into, so the
// trash is the home trash.
inline QString EmptiedTestTrash() {
    static QTemporaryDir home;
    static const bool set = qputenv("HOME", home.path().toLocal8Bit()) &&
                            qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    const QString trash = home.path() + QStringLiteral("/.local/share/Trash");
    QDir(trash).removeRecursively();
    return set ? trash : QString();
}

// The image list as a plain vector of (folder, file name).
class cVectorList : public cSaveList {
  public:
    struct cEntry {
        QString Folder, Name, SubFolder;
    };
    std::vector<cEntry> Entries;

    void Add(const QString& sPath) {
        const QFileInfo info(sPath);
        Entries.push_back({info.absolutePath(), info.fileName(), {}});
    }
    int Count() const override { return static_cast<int>(Entries.size()); }
    QString FileName(int lPosition) const override { return Entries.at(lPosition - 1).Name; }
    QString Folder(int lPosition) const override { return Entries.at(lPosition - 1).Folder; }
    QString SubFolder(int lPosition) const override { return Entries.at(lPosition - 1).SubFolder; }
    void Remove(int lPosition) override { Entries.erase(Entries.begin() + (lPosition - 1)); }
};

// Records the captions and fractions of the progress.
class cRecordingObserver : public cSaveObserver {
  public:
    QStringList Captions;
    std::vector<double> Fractions;
    int Events = 0; // times pending events were let run

    void ProcessEvents() override { ++Events; }
    void Progress(double sngFraction, const QString& sCaption) override {
        Captions << sCaption;
        Fractions.push_back(sngFraction);
    }
};

// A 24-bit lWidth x lHeight bitmap whose pixels Paint(x, y, bgr) sets.
inline cBitmap MakeBitmap(int lWidth, int lHeight, const std::function<void(int, int, uint8_t*)>& Paint) {
    const int stride = (lWidth * 3 + 3) / 4 * 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * lHeight);
    for (int y = 0; y < lHeight; ++y)
        for (int x = 0; x < lWidth; ++x)
            Paint(x, y, &pixels[static_cast<size_t>(y) * stride + x * 3]);
    cBitmap bitmap;
    bitmap.CreateFromScan0(lWidth, lHeight, stride, PixelFormat24bppRGB, pixels.data());
    return bitmap;
}

// The pixels of oImage as a bitmap of 32-bit lFormat (straight alpha).
inline cBitmap BitmapOf(const QImage& oImage, PixelFormat lFormat = PixelFormat32bppARGB) {
    QImage argb = oImage.convertToFormat(QImage::Format_ARGB32);
    cBitmap bitmap;
    bitmap.CreateFromScan0(argb.width(), argb.height(), int(argb.bytesPerLine()), lFormat, argb.bits());
    return bitmap;
}

// A smooth colour ramp, photographic enough for JPEG sizes to depend on quality.
inline cBitmap MakeRamp(int lWidth, int lHeight) {
    return MakeBitmap(lWidth, lHeight, [lWidth, lHeight](int x, int y, uint8_t* bgr) {
        bgr[0] = static_cast<uint8_t>(x * 255 / std::max(lWidth - 1, 1));
        bgr[1] = static_cast<uint8_t>(y * 255 / std::max(lHeight - 1, 1));
        bgr[2] = static_cast<uint8_t>((x * 7 + y * 13) % 256);
    });
}

// Which corner of a MakeRamp image a pixel of it (or of a copy scaled, turned
// and encoded) comes from, "" for none: blue grows to the right, green downwards.
inline std::string RampCorner(QRgb pixel) {
    const auto side = [](int lValue, const char* sLow, const char* sHigh) {
        return lValue < 48 ? sLow : lValue > 207 ? sHigh : nullptr;
    };
    const char* row = side(qGreen(pixel), "top", "bottom");
    const char* column = side(qBlue(pixel), " left", " right");
    return row && column ? std::string(row) + column : std::string();
}

// Writes a MakeRamp image as sPath with the encoder for sExtension.
inline bool WriteRamp(cGDIP& gdip, const QString& sPath, int lWidth, int lHeight,
                      const QString& sExtension = QStringLiteral("png")) {
    const int32_t encoder = gdip.ExtensionExists(QStringLiteral("*.") + sExtension);
    return encoder >= 0 && MakeRamp(lWidth, lHeight).SaveToFile(sPath, gdip.EncoderClsid(encoder), nullptr) == 0;
}

inline QByteArray ReadAll(const QString& sPath) {
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteAll(const QString& sPath, const QByteArray& bytes) {
    QFile file(sPath);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An ICO file: readable, but no encoder writes ICO.
inline QByteArray MakeIcon(int lSide) {
    QByteArray ico;
    QBuffer buffer(&ico);
    MakeRamp(lSide, lSide).Picture().save(&buffer, "ICO");
    return ico;
}

inline QByteArray Bytes(const std::vector<uint8_t>& aBytes) {
    return QByteArray(reinterpret_cast<const char*>(aBytes.data()), qsizetype(aBytes.size()));
}
