// Several sizes from one run and the names outputs take: one decode of each
// source however many sizes, the files each size gives, and name templates
// filled in or refused before any work.
#include "BatchSaveTest.h"

#include "FileDates.h"
#include "NamePlan.h"
#include "OutputOptions.h"

#include "gp_flat.h"

#include <QDirIterator>

namespace {

uint64_t DecodeCount() {
    uint64_t count = 0;
    EXPECT_EQ(GdipGetDecodeCount(&count), Ok);
    return count;
}

} // namespace

class Sizes : public BatchSave {
  protected:
    void SetUp() override {
        BatchSave::SetUp();
        mJob.SizeIndex = kCustomSizeIndex;
        mJob.OutputFormat = QStringLiteral("DFT");
        // A JPEG is decoded at a reduced scale for a small draw: drawing the
        // smaller sizes first would decode it again for each larger one.
        AddRamp(QStringLiteral("wide photo.jpg"), 640, 480, QStringLiteral("jpg"));
        AddRamp(QStringLiteral("tall.png"), 60, 120);
    }

    // The files under the output folder, with their folders, and their pixel sizes.
    QStringList Written() {
        QStringList files;
        QDirIterator it(mOut.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QSize size = SizeOf(path);
            files << QStringLiteral("%1 %2x%3")
                         .arg(QDir(mOut.path()).relativeFilePath(path))
                         .arg(size.width())
                         .arg(size.height());
        }
        files.sort();
        return files;
    }
};

// Each source is decoded once, with workers or without, whatever order the
// sizes are given in; every size is written, named by the size, by the
// template, or into a folder of its own, at the size it names.
TEST_F(Sizes, OneDecodeEachAndOneFilePerSize) {
    const struct {
        const char *Sizes, *Template;
        bool Folders;
        int Threads;
        const char* Files; // each "name WxH", separated by "; "
    } cases[] = {
        {"40, 80,160", "", false, 1,
         "tall-160.png 80x160; tall-40.png 20x40; tall-80.png 40x80; wide_photo-160.jpg 160x120; "
         "wide_photo-40.jpg 40x30; wide_photo-80.jpg 80x60"},
        {"160,40", "", false, 3,
         "tall-160.png 80x160; tall-40.png 20x40; wide_photo-160.jpg 160x120; wide_photo-40.jpg 40x30"},
        {"0, 50", "{n:2}_{name}_{w}x{h}_{q}", false, 2,
         "01_wide_photo_50x38_66.jpg 50x38; 01_wide_photo_640x480_66.jpg 640x480; 02_tall_25x50_66.png 25x50; "
         "02_tall_60x120_66.png 60x120"},
        {"50,100", "", true, 1,
         "100/tall.png 50x100; 100/wide_photo.jpg 100x75; 50/tall.png 25x50; 50/wide_photo.jpg 50x38"},
        {"64", "", false, 1, "tall.png 32x64; wide_photo.jpg 64x48"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Sizes) + " " + c.Template);
        QDir(mOut.path()).removeRecursively();
        QDir().mkpath(mOut.path());
        mJob.CustomSize = QString::fromLatin1(c.Sizes);
        mJob.NameTemplate = QString::fromLatin1(c.Template);
        mJob.SizeFolders = c.Folders;
        ASSERT_EQ(NameClashText(mList, mJob), QString());
        const uint64_t before = DecodeCount();
        cBatchSave save(mGdip, mQuestions, mObserver);
        save.SetThreads(c.Threads);
        const cSaveSummary summary = save.Run(mList, mOut.path(), mJob);
        EXPECT_EQ(DecodeCount() - before, 2u); // counted before the outputs are read back
        EXPECT_EQ(Written().join(QStringLiteral("; ")), QString::fromLatin1(c.Files));
        EXPECT_EQ(summary.Saved, Written().size());
    }
}

// A template is checked against every output of the run before anything is
// decoded: two outputs of one name (two sources, or two sizes of one source,
// in one folder) are refused, saying which; so is a name too long for a file.
TEST_F(Sizes, TemplatesThatRepeatANameAreRefusedBeforeAnyDecode) {
    AddRamp(QStringLiteral("tall.gif"), 60, 120, QStringLiteral("gif"));
    const struct {
        const char* Template;
        const char* Sizes;
        bool Folders;
        const char* Format;
        const char* Refusal; // "": the run may go ahead
    } cases[] = {
        {"{q}", "100", false, "DFT", ""}, // 66.jpg, 66.png, 66.gif
        {"{q}", "100", false, "JPG", "gives two images the same name, 66.jpg: wide photo.jpg and tall.png"},
        {"{q}-{name}", "100", false, "DFT", ""},
        {"{q}-{name}", "100", false, "PNG", "the same name, 66-tall.png: tall.png and tall.gif"},
        {"{n}", "100", false, "PNG", ""},
        {"{name}", "100,200", false, "DFT", "gives every size of wide photo.jpg the same name, wide_photo.jpg"},
        {"{name}", "100,200", true, "DFT", ""},
        {"{name}_{w}", "100,200", false, "DFT", ""},
        {"{h}", "120", false, "PNG", "the same name, 120.png: tall.png and tall.gif"},
        {"{date}", "100", false, "DFT", ""},
        {"{date}", "100", false, "PNG", "the same name, 2021-03-04.png: wide photo.jpg and tall.png"},
        {"{name}{name}{name}{name}{name}{name}{name}{name}{name}{name}{name}{name}{name}{name}{name}{name}"
         "{name}{name}{name}{name}{name}{name}{name}{name}{name}{name}", // 26 x 10 bytes
         "100", false, "DFT", "makes a name longer than a file name can be for wide photo.jpg"},
    };
    for (const QString name : {"wide photo.jpg", "tall.png", "tall.gif"})
        ASSERT_TRUE(
            SetModificationTime(In(name), {1614816000 + 12 * 3600, 0})); // 2021-03-04 noon UTC: that day in every zone
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Template) + " " + c.Sizes + " " + c.Format);
        mJob.NameTemplate = QString::fromLatin1(c.Template);
        mJob.CustomSize = QString::fromLatin1(c.Sizes);
        mJob.SizeFolders = c.Folders;
        mJob.OutputFormat = QString::fromLatin1(c.Format);
        const uint64_t before = DecodeCount();
        const QString refusal = NameClashText(mList, mJob);
        EXPECT_EQ(DecodeCount(), before);
        EXPECT_TRUE(*c.Refusal ? refusal.contains(QString::fromLatin1(c.Refusal)) : refusal.isEmpty())
            << refusal.toStdString();
    }
}
