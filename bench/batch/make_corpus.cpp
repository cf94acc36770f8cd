// Writes the batch benchmark's corpus: deterministic, photographic-like test
// images made through the program's own encoders.
//
//   make_corpus DIR [COUNT]
//
// DIR/jpeg: COUNT 12-megapixel JPEGs (quality 90), alternately landscape
//           4000 x 3000 and portrait 3000 x 4000
// DIR/png:  COUNT 2000 x 1500 RGBA PNGs with soft transparent edges
// DIR/gif:  COUNT 1600 x 1200 palette GIFs
// COUNT defaults to 8. The same COUNT gives the same files on every run.
#include "cBitmap.h"
#include "cGDIP.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// A small deterministic generator (xorshift32), so every run makes the same
// files.
class cNoise {
  public:
    explicit cNoise(uint32_t lSeed) : mState(lSeed ? lSeed : 1) {}
    int Next(int lAmplitude) {
        mState ^= mState << 13;
        mState ^= mState >> 17;
        mState ^= mState << 5;
        return static_cast<int>(mState % (2 * lAmplitude + 1)) - lAmplitude;
    }

  private:
    uint32_t mState;
};

uint8_t Clamp(double value) {
    return static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, value))));
}

// A "landscape photograph": sky gradient, hills, a few soft discs and grain.
// lChannels 3 (B, G, R) or 4 (B, G, R, A with a feathered oval of opacity).
std::vector<uint8_t> Paint(int lWidth, int lHeight, int lChannels, uint32_t lSeed, int& lStride) {
    lStride = (lWidth * lChannels + 3) / 4 * 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(lStride) * lHeight);
    cNoise noise(lSeed);
    const double phase = (lSeed % 97) / 97.0 * 6.283;
    for (int y = 0; y < lHeight; ++y) {
        const double v = static_cast<double>(y) / lHeight;
        for (int x = 0; x < lWidth; ++x) {
            const double u = static_cast<double>(x) / lWidth;
            const double hill = 0.55 + 0.12 * std::sin(u * 9.0 + phase) + 0.05 * std::sin(u * 31.0);
            double r, g, b;
            if (v < hill) { // sky
                r = 90 + 120 * v;
                g = 140 + 90 * v;
                b = 230 - 40 * v;
            } else { // ground with texture
                const double t = std::sin(u * 180.0 + v * 40.0) * 0.5 + 0.5;
                r = 60 + 70 * t;
                g = 110 + 60 * t;
                b = 40 + 30 * t;
            }
            const double dx = u - 0.7, dy = v - 0.25;
            const double sun = std::exp(-(dx * dx + dy * dy) * 60.0);
            r += 120 * sun;
            g += 100 * sun;
            b += 40 * sun;
            const int grain = noise.Next(6);
            uint8_t* p = &pixels[static_cast<size_t>(y) * lStride + static_cast<size_t>(x) * lChannels];
            p[0] = Clamp(b + grain);
            p[1] = Clamp(g + grain);
            p[2] = Clamp(r + grain);
            if (lChannels == 4) {
                const double ex = (u - 0.5) * 2.0, ey = (v - 0.5) * 2.0;
                p[3] = Clamp((1.0 - (ex * ex + ey * ey)) * 4.0 * 255.0);
            }
        }
    }
    return pixels;
}

bool Write(cGDIP& gdip, int lWidth, int lHeight, int lChannels, uint32_t lSeed, const QString& sPath,
           const QString& sExtension, int lQuality) {
    int stride = 0;
    std::vector<uint8_t> pixels = Paint(lWidth, lHeight, lChannels, lSeed, stride);
    cBitmap bitmap;
    if (bitmap.CreateFromScan0(lWidth, lHeight, stride, lChannels == 4 ? PixelFormat32bppARGB : PixelFormat24bppRGB,
                               pixels.data()) != 0)
        return false;
    const int32_t encoder = gdip.ExtensionExists(QStringLiteral("*.") + sExtension);
    if (encoder < 0)
        return false;
    uint32_t quality = static_cast<uint32_t>(lQuality);
    EncoderParameters params{};
    params.Count = 1;
    params.Parameter[0].Guid = cGDIP::StringToGuid(QStringLiteral("{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}"));
    params.Parameter[0].NumberOfValues = 1;
    params.Parameter[0].Type = EncoderParameterValueTypeLong;
    params.Parameter[0].Value = &quality;
    return bitmap.SaveToFile(sPath, gdip.EncoderClsid(encoder), lQuality >= 0 ? &params : nullptr) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2 || arguments.size() > 3) {
        err << "usage: make_corpus DIR [COUNT]" << Qt::endl;
        return 2;
    }
    const QDir root(arguments[1]);
    const int count = arguments.size() == 3 ? arguments[2].toInt() : 8;
    if (count <= 0 || !root.mkpath(QStringLiteral("jpeg")) || !root.mkpath(QStringLiteral("png")) ||
        !root.mkpath(QStringLiteral("gif"))) {
        err << "make_corpus: cannot use " << arguments[1] << Qt::endl;
        return 2;
    }
    cGDIP gdip;
    for (int i = 0; i < count; ++i) {
        const bool portrait = i % 2 == 1;
        const QString n = QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        const bool ok =
            Write(gdip, portrait ? 3000 : 4000, portrait ? 4000 : 3000, 3, 1000 + i,
                  root.filePath(QStringLiteral("jpeg/photo_%1.jpg").arg(n)), "jpg", 90) &&
            Write(gdip, 2000, 1500, 4, 2000 + i, root.filePath(QStringLiteral("png/cutout_%1.png").arg(n)), "png",
                  -1) &&
            Write(gdip, 1600, 1200, 3, 3000 + i, root.filePath(QStringLiteral("gif/scene_%1.gif").arg(n)), "gif", -1);
        if (!ok) {
            err << "make_corpus: writing image " << n << " failed" << Qt::endl;
            return 1;
        }
    }
    return 0;
}
