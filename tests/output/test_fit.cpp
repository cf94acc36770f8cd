// Outputs that fit what the user asked for: transparency over white in files
// that cannot hold it, a file-size limit, no enlarging, the sources' dates.
#include "BatchSaveTest.h"

#include "FileDates.h"
#include "FileNames.h"
#include "OutputOptions.h"
#include "SizeLimit.h"

#include <QImage>

#include <cstdlib>
#include <random>

namespace {

// A 32 x 16 straight-alpha image: columns 0-7 fully transparent (stored
// black, as decoders leave them), 8-15 red at alpha 128, 16-31 opaque blue.
cBitmap MakeCutout() {
    QImage image(32, 16, QImage::Format_ARGB32);
    for (int x = 0; x < 32; ++x)
        for (int y = 0; y < 16; ++y)
            image.setPixel(x, y, x < 8 ? 0x00000000u : x < 16 ? 0x80FF0000u : 0xFF0000FFu);
    return BitmapOf(image);
}

// A photograph's worth of detail: gradients under fine noise.
cBitmap MakePhoto(int lWidth, int lHeight, unsigned lSeed) {
    std::mt19937 random(lSeed);
    std::uniform_int_distribution<int> noise(-24, 24);
    return MakeBitmap(lWidth, lHeight, [&](int x, int y, uint8_t* bgr) {
        const int base[3] = {x * 255 / lWidth, y * 255 / lHeight, (x + y) * 127 / (lWidth + lHeight)};
        for (int c = 0; c < 3; ++c)
            bgr[c] = static_cast<uint8_t>(std::clamp(base[c] + noise(random), 0, 255));
    });
}

bool Near(QRgb lActual, QRgb lExpected, int lTolerance) {
    return std::abs(qRed(lActual) - qRed(lExpected)) <= lTolerance &&
           std::abs(qGreen(lActual) - qGreen(lExpected)) <= lTolerance &&
           std::abs(qBlue(lActual) - qBlue(lExpected)) <= lTolerance &&
           std::abs(qAlpha(lActual) - qAlpha(lExpected)) <= lTolerance;
}

} // namespace

class Fit : public BatchSave {
  protected:
    void SetUp() override {
        BatchSave::SetUp();
        mJob.SizeIndex = kCustomSizeIndex;
        mJob.CustomSize = QStringLiteral("0"); // each image keeps its size
    }

    QImage Written(const QString& sName) {
        cBitmap bitmap;
        bitmap.LoadFromFile(Out(sName));
        return bitmap.Picture();
    }
};

struct cCutoutCase {
    const char* Format;
    int Tolerance;
    QRgb Transparent, Half, Opaque; // columns 0-7, 8-15, 16-31 as written
};

class Transparency : public Fit, public testing::WithParamInterface<cCutoutCase> {};

// Files without transparency get the image over white, partial alpha blended
// (red at 128 over white is 255, 127, 127), at the image's edges as well as
// inside; PNG keeps the alpha as it was.
TEST_P(Transparency, ComesOutOverWhiteWhereTheFormatHasNone) {
    const cCutoutCase& c = GetParam();
    const int32_t png = mGdip.ExtensionExists(QStringLiteral("*.png"));
    ASSERT_EQ(MakeCutout().SaveToFile(In("cutout.png"), mGdip.EncoderClsid(png), nullptr), Ok);
    mList.Add(In("cutout.png"));
    mJob.OutputFormat = QString::fromLatin1(c.Format);
    mJob.QualityIndex = 3; // no chroma subsampling: the colours stay in their own blocks
    ASSERT_EQ(Run().Saved, 1);

    const QImage image = Written(QStringLiteral("cutout.") + QString::fromLatin1(c.Format).toLower());
    ASSERT_EQ(image.size(), QSize(32, 16));
    const struct {
        int X, Y;
        QRgb Expected;
    } probes[] = {{0, 0, c.Transparent}, {0, 15, c.Transparent}, {3, 8, c.Transparent}, {9, 0, c.Half},
                  {12, 15, c.Half},      {20, 8, c.Opaque},      {31, 0, c.Opaque},     {31, 15, c.Opaque}};
    for (const auto& probe : probes)
        EXPECT_TRUE(Near(image.pixel(probe.X, probe.Y), probe.Expected, c.Tolerance))
            << c.Format << " at " << probe.X << "," << probe.Y << ": " << std::hex << image.pixel(probe.X, probe.Y)
            << " for " << probe.Expected;
}

INSTANTIATE_TEST_SUITE_P(Formats, Transparency,
                         testing::Values(cCutoutCase{"JPG", 6, 0xFFFFFFFF, 0xFFFF7F7F, 0xFF0000FF},
                                         cCutoutCase{"BMP", 1, 0xFFFFFFFF, 0xFFFF7F7F, 0xFF0000FF},
                                         cCutoutCase{"PNG", 1, 0x00000000, 0x80FF0000, 0xFF0000FF}),
                         [](const testing::TestParamInfo<cCutoutCase>& param) {
                             return std::string(param.param.Format);
                         });

// The search against a model encoder whose size grows with the quality and
// the pixel count: the best quality that fits, else the largest pixel size,
// else the smallest try; never more than 7 encodes for the quality.
TEST(SizeLimit, SearchFindsTheBestFitWithinItsEncodes) {
    const struct {
        int64_t Limit;
        int32_t Quality;
        bool TakesQuality;
        int32_t Reached;
        double Scale;
        bool Fits;
    } cases[] = {{90000, 84, true, 84, 1.0, true},  // fits at once
                 {50000, 84, true, 50, 1.0, true},  // quality searched
                 {30000, 84, true, 30, 1.0, true},  // the floor itself
                 {29999, 84, true, 30, 0.9, true},  // below the floor: pixels shrink
                 {20000, 100, true, 30, 0.8, true}, // 30 * 0.64 = 19.2 K
                 {1000, 84, true, 30, 0.25, false}, // nothing fits: the smallest try
                 {90000, 100, true, 89, 1.0, true}, // from the top: the seventh encode ends one short of 90
                 {45000, 84, false, 84, 0.7, true}, // no quality: pixels only, 84 * 0.49
                 {45000, 20, true, 20, 1.0, true},  // chosen below the floor: kept
                 {19999, 20, true, 20, 0.9, true}};
    for (const auto& c : cases) {
        int qualityEncodes = 0;
        const cFit fit = FitWithinLimit(c.Limit, c.Quality, c.TakesQuality, [&](int32_t q, double scale) {
            qualityEncodes += scale == 1.0;
            return QByteArray(static_cast<qsizetype>(q * 1000 * scale * scale), 'x');
        });
        EXPECT_EQ(std::tuple(fit.Quality, fit.Scale, fit.Fits), std::tuple(c.Reached, c.Scale, c.Fits))
            << c.Limit << " from " << c.Quality;
        EXPECT_LE(qualityEncodes, kMaxQualityEncodes) << c.Limit << " from " << c.Quality;
        EXPECT_EQ(fit.Fits, fit.Bytes.size() <= c.Limit);
    }
}

TEST(SizeLimit, LimitsAreReadAsTheCommandTakesThem) {
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"300K", 300 * 1024}, {"300kb", 300 * 1024}, {"1.5M", 1536 * 1024},  {" 2 MB ", 2048 * 1024},
        {"250000", 250000},   {"1K", 1024},          {"1023", std::nullopt}, {"0.5K", std::nullopt},
        {"", std::nullopt},   {"-3K", std::nullopt}, {"3G", std::nullopt},   {"K", std::nullopt}};
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(ParseSizeLimit(text), bytes) << text;
    EXPECT_EQ(SizeLimitText(300 * 1024), QStringLiteral("300 KB"));
    EXPECT_EQ(SizeLimitText(1536 * 1024), QStringLiteral("1.5 MB"));
}

struct cLimitCase {
    const char* Name;
    const char* Format;
    int64_t Limit;
    size_t Listed; // outputs over the limit even at their smallest
};

class SizeLimit : public Fit, public testing::WithParamInterface<cLimitCase> {};

// Photos under a limit: every output fits or is listed with its size.
// (Which quality the search reaches: the search's own test above.)
TEST_P(SizeLimit, EveryOutputFitsOrIsListed) {
    const cLimitCase& c = GetParam();
    const int32_t png = mGdip.ExtensionExists(QStringLiteral("*.png"));
    for (unsigned i = 0; i < 3; ++i) {
        const QString name = QStringLiteral("s%1.png").arg(i);
        ASSERT_EQ(
            MakePhoto(160 + 40 * static_cast<int>(i), 120, i).SaveToFile(In(name), mGdip.EncoderClsid(png), nullptr),
            Ok);
        mList.Add(In(name));
    }
    mJob.OutputFormat = QString::fromLatin1(c.Format);
    mJob.QualityIndex = 2; // 84
    mJob.MaxBytes = c.Limit;
    const cSaveSummary summary = Run();
    EXPECT_EQ(std::pair(summary.Saved, summary.OverLimit.size()), std::pair(3, c.Listed));
    for (const cVectorList::cEntry& entry : mList.Entries) {
        const QString output = GetBaseName(entry.Name) + u'.' + mJob.OutputFormat.toLower();
        const qint64 written = QFileInfo(Out(output)).size();
        const bool listed = std::any_of(summary.OverLimit.begin(), summary.OverLimit.end(), [&](const cOverLimit& f) {
            return f.FileName == output && f.Bytes == written;
        });
        EXPECT_GT(written, 0) << output.toStdString();
        EXPECT_EQ(listed, written > c.Limit) << output.toStdString() << ": " << written;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SizeLimit,
                         testing::Values(cLimitCase{"PhotoJpg", "JPG", 3500, 0},
                                         cLimitCase{"PhotoWebp", "WEBP", 2500, 0},
                                         cLimitCase{"PhotoPngTooSmall", "PNG", 1100, 3}),
                         [](const testing::TestParamInfo<cLimitCase>& param) { return std::string(param.param.Name); });

// Smaller images keep their size, still turned and converted; larger ones
// are reduced as ever.
TEST_F(Fit, NoEnlargeKeepsSmallImagesTurnedAndConverted) {
    AddRamp(QStringLiteral("small.png"), 40, 30);
    AddRamp(QStringLiteral("large.png"), 400, 300);
    mJob.SizeIndex = 3; // 640
    mJob.NoEnlarge = true;
    mJob.RotationIndex = 1;
    mJob.OutputFormat = QStringLiteral("JPG");
    ASSERT_EQ(Run().Saved, 2);
    EXPECT_EQ(SizeOf(Out("small.jpg")), QSize(30, 40));
    EXPECT_EQ(SizeOf(Out("large.jpg")), QSize(300, 400));
    mJob.SizeIndex = 0; // 100
    mJob.OutputFormat = QStringLiteral("PNG");
    ASSERT_EQ(Run().Saved, 2);
    EXPECT_EQ(SizeOf(Out("large.png")), QSize(75, 100));
}

struct cDatesCase {
    const char* Name;
    bool KeepDates;
    bool IntoSourceFolder; // the output replaces its own source
    int Threads;
};

class Dates : public Fit, public testing::WithParamInterface<cDatesCase> {};

// Outputs take their source's modification time to the nanosecond, also a
// source replaced by its own output; without the option they get the time
// of writing.
TEST_P(Dates, OutputsTakeTheSourcesTime) {
    const cDatesCase& c = GetParam();
    const timespec old{981'173'045, 123'456'789}; // 2001-02-03, with nanoseconds
    AddRamp(QStringLiteral("a.png"));
    AddRamp(QStringLiteral("b.png"));
    for (const char* name : {"a.png", "b.png"})
        ASSERT_TRUE(SetModificationTime(In(QString::fromLatin1(name)), old));
    mJob.KeepDates = c.KeepDates;
    mJob.OutputFormat = QStringLiteral("DFT");
    mQuestions.OverwriteAnswers.push_back(cQuestions::kOverwriteYesToAll);
    cBatchSave save(mGdip, mQuestions, mObserver);
    save.SetThreads(c.Threads);
    const QString folder = c.IntoSourceFolder ? mIn.path() : mOut.path();
    ASSERT_EQ(save.Run(mList, folder, mJob).Saved, 2);
    for (const char* name : {"a.png", "b.png"}) {
        const std::optional<timespec> written = ModificationTime(folder + u'/' + QString::fromLatin1(name));
        ASSERT_TRUE(written) << name;
        if (c.KeepDates)
            EXPECT_EQ(std::pair(written->tv_sec, written->tv_nsec), std::pair(old.tv_sec, old.tv_nsec)) << name;
        else
            EXPECT_GT(written->tv_sec, old.tv_sec + 3600) << name;
    }
    EXPECT_EQ(TrashedFiles().size(), c.IntoSourceFolder ? 2 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Dates,
                         testing::Values(cDatesCase{"NewOutputs", true, false, 1},
                                         cDatesCase{"ReplacedSources", true, true, 1},
                                         cDatesCase{"ReplacedSourcesWithWorkers", true, true, 2},
                                         cDatesCase{"NotKept", false, false, 2}),
                         [](const testing::TestParamInfo<cDatesCase>& param) { return std::string(param.param.Name); });
