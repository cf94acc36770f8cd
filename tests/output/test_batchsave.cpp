// The batch save end to end on generated images: names, formats, questions,
// counts, progress, and that the user's files are never lost.
#include "ModernImages.h"
#include "BatchSaveTest.h"

#include "AppState.h"
#include "cSavePipeline.h"

#include <QImage>

using eAnswer = cQuestions::eAnswer;

TEST_F(BatchSave, NamesTakeTheBaseNameWithUnderscoresAndTheFormatsExtension) {
    AddRamp(QStringLiteral("My Photo.jpg"), 64, 48, QStringLiteral("jpg"));
    AddRamp(QStringLiteral("scan.001.png"));
    AddRamp(QStringLiteral("README"), 64, 48, QStringLiteral("jpg"));
    mOptions.OutputFormat = QStringLiteral("DFT");
    EXPECT_EQ(Run().Caption(), QStringLiteral("3 Images Saved"));
    EXPECT_EQ(OutputEntries(), (QStringList{"My_Photo.jpg", "README.jpg", "scan.001.png"}));

    mOptions.OutputFormat = QStringLiteral("GIF"); // palettized
    Run();
    cBitmap gif;
    ASSERT_EQ(gif.LoadFromFile(Out("My_Photo.gif")), 0);
    EXPECT_EQ(gif.PixelFormat(), PixelFormat8bppIndexed);
    EXPECT_EQ(gif.Width(), 100);
}

TEST_F(BatchSave, OriginalFormatAppliesTheQualityToJpgButNotToJpeg) {
    cBitmap photo = MakeRamp(400, 300);
    ASSERT_TRUE(WriteBitmap(mGdip, photo, In("Photo.JPG"), "jpg"));
    ASSERT_TRUE(QFile::copy(In("Photo.JPG"), In("Other.jpeg")));
    mList.Add(In("Photo.JPG"));
    mList.Add(In("Other.jpeg"));
    mOptions.OutputFormat = QStringLiteral("DFT");
    mOptions.SizeIndex = 3;

    mOptions.QualityIndex = 0; // 48, below the encoder's default
    EXPECT_EQ(Run().Caption(), QStringLiteral("2 Images Saved"));
    const qint64 lowJpg = QFileInfo(Out("Photo.jpg")).size();
    const qint64 defaultJpeg = QFileInfo(Out("Other.jpeg")).size();
    EXPECT_LT(lowJpg, defaultJpeg);

    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYesToAll};
    mOptions.QualityIndex = 3; // 100, above it
    Run();
    EXPECT_GT(QFileInfo(Out("Photo.jpg")).size(), QFileInfo(Out("Other.jpeg")).size());
    EXPECT_EQ(QFileInfo(Out("Other.jpeg")).size(), defaultJpeg);
}

// Yes writes the PNG; No is an error the user chose, so no failure report.
TEST_F(BatchSave, AnIconOffersPngYesWritesItNoIsAnError) {
    for (const char* name : {"yes.ico", "no.ico"}) {
        ASSERT_TRUE(WriteAll(In(name), MakeIcon(mGdip, 32)));
        mList.Add(In(name));
    }
    AddRamp(QStringLiteral("next.png"));
    mOptions.OutputFormat = QStringLiteral("DFT");
    mQuestions.MsgBoxAnswers = {eAnswer::Yes, eAnswer::No};
    const cSaveSummary summary = Run();

    const auto asked = mQuestions.Asked(eKind::MsgBox);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].Title, QStringLiteral("Save Error"));
    EXPECT_EQ(asked[0].Text, QStringLiteral("Quillet cannot save an image in the ICO format.\n\n"
                                            "Would you like to save this image as a PNG instead?"));
    EXPECT_EQ(asked[0].Buttons, cQuestions::eButtons::YesNo);
    EXPECT_EQ(asked[0].Icon, cQuestions::eIcon::None);
    EXPECT_EQ(summary.Caption(), QStringLiteral("Errors occurred during save."));
    EXPECT_EQ(summary.Errors, 1);
    EXPECT_EQ(summary.Saved, 2);
    EXPECT_TRUE(summary.Failures.empty());
    EXPECT_EQ(OutputEntries(), (QStringList{"next.png", "yes.png"}));
    EXPECT_EQ(SizeOf(Out("yes.png")), QSize(100, 100));
}

// A turned HEIC has no encoder of its own and takes the PNG offer, upright; a
// WebP with alpha stays WebP with its alpha; a truncated AVIF fails to load.
TEST_F(BatchSave, PhoneFormatsComeOutUprightWebPStaysWebPAndBrokenOnesAreRemoved) {
    const std::vector<uint8_t> heic = modern::EncodeHeif(heif_compression_HEVC, 63, 47, false, heif_orientation_rotate_90_cw, 0);
    const std::vector<uint8_t> webp = modern::EncodeWebP(63, 47, true, 0);
    const std::vector<uint8_t> avif = modern::EncodeHeif(heif_compression_AV1, 63, 47, false, heif_orientation_normal, 0);
    auto bytes = [](const std::vector<uint8_t>& v, size_t n) { return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(n)); };
    ASSERT_TRUE(WriteAll(In("turned.heic"), bytes(heic, heic.size())));
    ASSERT_TRUE(WriteAll(In("clip.webp"), bytes(webp, webp.size())));
    ASSERT_TRUE(WriteAll(In("cut.avif"), bytes(avif, avif.size() / 2)));
    for (const char* name : {"turned.heic", "clip.webp", "cut.avif"})
        mList.Add(In(name));
    mOptions.OutputFormat = QStringLiteral("DFT");
    mQuestions.MsgBoxAnswers = {eAnswer::Yes, eAnswer::OK};
    EXPECT_EQ(Run().Caption(), QStringLiteral("2 Images Saved"));

    const auto asked = mQuestions.Asked(eKind::MsgBox);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[0].Text.startsWith(QStringLiteral("Quillet cannot save an image in the HEIC format.")));
    EXPECT_TRUE(asked[1].Text.startsWith(QStringLiteral("cut.avif is corrupt, or in a file format that cannot be opened.")));
    EXPECT_EQ(OutputEntries(), (QStringList{"clip.webp", "turned.png"}));
    EXPECT_EQ(SizeOf(Out("turned.png")), QSize(75, 100));
    EXPECT_EQ(SizeOf(Out("clip.webp")), QSize(100, 75));
    cBitmap upright, kept;
    upright.LoadFromFile(Out("turned.png"));
    kept.LoadFromFile(Out("clip.webp"));
    EXPECT_EQ(kept.PixelFormat(), PixelFormat32bppARGB);
    // Upright, the stored picture's bottom-left (blue) quadrant is at the top left.
    EXPECT_EQ(upright.GetPixel(10, 10) & 0xFFE0E0E0u, 0xFF0000E0u);
    EXPECT_NEAR(double(kept.GetPixel(90, 70) >> 24), 128.0, 8.0);
}

TEST_F(BatchSave, WebPTakesTheChosenQuality) {
    cBitmap photo = MakeRamp(400, 300);
    ASSERT_TRUE(WriteBitmap(mGdip, photo, In("photo.png"), "png"));
    mList.Add(In("photo.png"));
    mOptions.OutputFormat = QStringLiteral("WEBP");
    mOptions.SizeIndex = 3;
    mOptions.QualityIndex = 0;
    Run();
    const qint64 low = QFileInfo(Out("photo.webp")).size();
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes};
    mOptions.QualityIndex = 3;
    EXPECT_EQ(Run().Caption(), QStringLiteral("1 Images Saved"));
    EXPECT_GT(QFileInfo(Out("photo.webp")).size(), low);
    EXPECT_EQ(SizeOf(Out("photo.webp")), QSize(640, 480));
}

// Yes to All replaces the rest without asking, for this run only.
TEST_F(BatchSave, OverwriteAnswersCountSavedAndSkipped) {
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"}) {
        AddRamp(QString::fromLatin1(name));
        ASSERT_TRUE(WriteAll(Out(QString::fromLatin1(name)), "old"));
    }
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes, cQuestions::kOverwriteNo,
                                   cQuestions::kOverwriteYesToAll};
    EXPECT_EQ(Run().Caption(), QStringLiteral("3 Images Saved,  1 Images Skipped"));
    const auto asked = mQuestions.Asked(eKind::Overwrite);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].Text,
              QStringLiteral("a.png already exists.  Would you like to overwrite it?"));
    EXPECT_EQ(ReadAll(Out("b.png")), QByteArray("old"));
    for (const char* name : {"a.png", "c.png", "d.png"})
        EXPECT_EQ(SizeOf(Out(QString::fromLatin1(name))), QSize(100, 75)) << name;
    EXPECT_EQ(mQuestions.Unscripted, 0);

    // A new run asks again; unanswered questions keep the files.
    EXPECT_EQ(Run().Caption(), QStringLiteral("0 Images Saved,  4 Images Skipped"));
    EXPECT_EQ(mQuestions.Asked(eKind::Overwrite).size(), 7u);
}

TEST_F(BatchSave, ACorruptEntryIsReportedRemovedAndTheNextOneSaved) {
    AddRamp(QStringLiteral("one.png"));
    ASSERT_TRUE(WriteAll(In("broken.png"), "\x89PNG\r\n\x1a\n garbage"));
    mList.Add(In("broken.png"));
    AddRamp(QStringLiteral("three.png"));
    const cSaveSummary summary = Run();

    const auto asked = mQuestions.Asked(eKind::MsgBox);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Title, QStringLiteral("Error Loading Image"));
    EXPECT_EQ(asked[0].Text,
              QStringLiteral("broken.png is corrupt, or in a file format that cannot be opened.\n\n"
                             "It has been removed from list of files to work with, and will not "
                             "be saved."));
    EXPECT_EQ(asked[0].Icon, cQuestions::eIcon::Exclamation);
    EXPECT_EQ(mList.Count(), 2);
    EXPECT_EQ(summary.Caption(), QStringLiteral("2 Images Saved"));
    EXPECT_EQ(OutputEntries(), (QStringList{"one.png", "three.png"}));
    // 1 of 3 done, then 1 of 2 (the broken one left), then 2 of 2.
    EXPECT_EQ(mObserver.Captions, (QStringList{"Saving (33%)", "Saving (50%)", "Saving (100%)"}));
}

// Each turn is clockwise and measured before it: the output's top-left pixel
// is the source corner named, and a quarter turn swaps the output's sides.
TEST_F(BatchSave, RotationTurnsClockwiseAfterMeasuring) {
    AddRamp(QStringLiteral("ramp.png"), 128, 96);
    const struct {
        int16_t Index;
        QSize Size;
        eCorner TopLeft;
    } turns[] = {{1, {75, 100}, eCorner::BottomLeft},
                 {2, {100, 75}, eCorner::BottomRight},
                 {3, {75, 100}, eCorner::TopRight}};
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYesToAll, cQuestions::kOverwriteYesToAll};
    for (const auto& turn : turns) {
        mOptions.RotationIndex = turn.Index;
        Run();
        const QImage written(Out("ramp.png"));
        EXPECT_EQ(written.size(), turn.Size) << turn.Index;
        EXPECT_EQ(RampCorner(written.pixel(0, 0)), turn.TopLeft) << turn.Index;
        EXPECT_EQ(gImageWidth, 128);
    }
}

// Workers ahead change nothing but the speed: a mixed list (a PNG offer, an
// overwrite question, a corrupt entry in the middle, a GIF to quantize) run
// one entry after the other and with three workers writes the same bytes,
// asks the same questions in the same order and ends the same way.
TEST_F(BatchSave, WorkersAheadChangeNothingButTheSpeed) {
    AddRamp(QStringLiteral("a.png"), 300, 200);
    ASSERT_TRUE(WriteAll(In("c.ico"), MakeIcon(mGdip, 48)));
    mList.Add(In("c.ico"));
    AddRamp(QStringLiteral("b.jpg"), 400, 300, QStringLiteral("jpg"));
    ASSERT_TRUE(WriteAll(In("broken.png"), "\x89PNG\r\n\x1a\n garbage"));
    mList.Add(In("broken.png"));
    AddRamp(QStringLiteral("d.gif"), 160, 120, QStringLiteral("gif"));
    AddRamp(QStringLiteral("e.jpg"), 333, 500, QStringLiteral("jpg"));
    mOptions.OutputFormat = QStringLiteral("DFT");
    mOptions.RotationIndex = 1;
    const cVectorList entries = mList;

    QStringList runs[2];
    for (int threads : {1, 3}) {
        QTemporaryDir out;
        ASSERT_TRUE(WriteAll(out.filePath("b.jpg"), "old"));
        mList = entries;
        mQuestions = cScriptedQuestions{};
        mQuestions.MsgBoxAnswers = {eAnswer::Yes, eAnswer::OK};
        mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes};
        cBatchSave save(mGdip, mQuestions, mObserver);
        save.SetThreads(threads);
        QStringList& run = runs[threads == 1 ? 0 : 1];
        run << save.Run(mList, out.path(), mOptions).Caption();
        for (const auto& asked : mQuestions.Log)
            run << asked.Title + u'|' + asked.Text;
        for (const QString& name : QDir(out.path()).entryList(QDir::Files, QDir::Name))
            run << name + u'|' + QString::fromLatin1(ReadAll(out.filePath(name)).toHex());
        run << QString::number(mList.Count());
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(runs[0].size(), 1 + 3 + 5 + 1); // summary, questions, files, entries left
}

// a.jpg as PNG replaces a.png, the next entry's source, in the same folder:
// that entry reads the file as the first one left it, however far the
// workers had got.
TEST_F(BatchSave, WorkersAheadReadASourceAnEarlierEntryReplaced) {
    mOptions.OutputFormat = QStringLiteral("PNG");
    QByteArray results[2];
    for (int threads : {1, 3}) {
        mList.Entries.clear();
        AddRamp(QStringLiteral("a.jpg"), 300, 200, QStringLiteral("jpg"));
        AddRamp(QStringLiteral("a.png"), 90, 60);
        mQuestions = cScriptedQuestions{};
        mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYesToAll};
        cBatchSave save(mGdip, mQuestions, mObserver);
        save.SetThreads(threads);
        save.Run(mList, mIn.path(), mOptions);
        results[threads == 1 ? 0 : 1] = ReadAll(In(QStringLiteral("a.png")));
    }
    EXPECT_FALSE(results[0].isEmpty());
    EXPECT_EQ(results[0], results[1]);
}

TEST_F(BatchSave, IndexedSourcesAreScaledIntoArgbAndPhotosKeepTheirFormat) {
    cBitmap ramp = MakeRamp(40, 30);
    ASSERT_TRUE(WriteBitmap(mGdip, ramp, In("photo.jpg"), "jpg"));
    ASSERT_TRUE(WriteBitmap(mGdip, ramp, In("cartoon.gif"), "gif"));
    cSaveObserver quiet;
    std::optional<cRenderedImage> photo = RenderImage(In("photo.jpg"), mOptions, quiet);
    std::optional<cRenderedImage> cartoon = RenderImage(In("cartoon.gif"), mOptions, quiet);
    ASSERT_TRUE(photo && cartoon);
    EXPECT_EQ(photo->Output->PixelFormat(), PixelFormat24bppRGB);
    EXPECT_EQ(cartoon->Output->PixelFormat(), PixelFormat32bppARGB);
    EXPECT_EQ(cartoon->Width, 100);
    EXPECT_EQ(cartoon->Height, 75);
}

TEST_F(BatchSave, ProgressRoundsHalvesToEven) {
    for (int i = 0; i < 8; ++i)
        AddRamp(QStringLiteral("p%1.png").arg(i), 8, 8);
    Run();
    EXPECT_EQ(mObserver.Captions,
              (QStringList{"Saving (12%)", "Saving (25%)", "Saving (38%)", "Saving (50%)",
                           "Saving (62%)", "Saving (75%)", "Saving (88%)", "Saving (100%)"}));
    EXPECT_DOUBLE_EQ(mObserver.Fractions.front(), 0.125);
}
