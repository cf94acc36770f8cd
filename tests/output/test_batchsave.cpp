// The batch save end to end on generated images: names, formats, questions,
// counts, progress, and that the user's files are never lost.
#include "ModernImages.h"
#include "BatchSaveTest.h"

#include "cSavePipeline.h"

#include <QImage>

using eAnswer = cQuestions::eAnswer;

// The chosen quality applies to .jpg and .webp outputs; a .jpeg kept in its
// own format gets the encoder's default (75), between the low and high ones.
TEST_F(BatchSave, QualityAppliesToJpgAndWebPButNotToJpeg) {
    AddRamp(QStringLiteral("Photo.JPG"), 400, 300, QStringLiteral("jpg"));
    AddFile(QStringLiteral("Other.jpeg"), ReadAll(In("Photo.JPG")));
    mJob.SizeIndex = 3;
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYesToAll, cQuestions::kOverwriteYesToAll};
    qint64 jpg[2], jpeg[2], webp[2];
    for (const int high : {0, 1}) {
        mJob.QualityIndex = int16_t(high * 3); // 48 or 100
        for (const char* format : {"DFT", "WEBP"}) {
            mJob.OutputFormat = QString::fromLatin1(format);
            EXPECT_EQ(Run().Saved, 2) << format;
        }
        jpg[high] = QFileInfo(Out("Photo.jpg")).size();
        jpeg[high] = QFileInfo(Out("Other.jpeg")).size();
        webp[high] = QFileInfo(Out("Photo.webp")).size();
    }
    EXPECT_LT(jpg[0], jpeg[0]);
    EXPECT_GT(jpg[1], jpeg[1]);
    EXPECT_EQ(jpeg[0], jpeg[1]);
    EXPECT_LT(webp[0], webp[1]);
}

// Where the format has no encoder (ICO, HEIC), Yes writes a PNG, after the
// usual question if one is there; No is an error the user chose, so not in
// the failure report. The offer names the file. A turned HEIC comes out
// upright (its pixels: the preview's test); a WebP stays WebP.
TEST_F(BatchSave, FormatsWithoutAnEncoderOfferPngOthersKeepTheirOwn) {
    for (const char* name : {"yes.ico", "no.ico", "logo.ico"})
        AddFile(QString::fromLatin1(name), MakeIcon(32));
    AddRamp(QStringLiteral("next.png"));
    AddFile(QStringLiteral("turned.heic"),
            Bytes(modern::EncodeHeif(heif_compression_HEVC, 63, 47, false, heif_orientation_rotate_90_cw, 0)));
    AddFile(QStringLiteral("clip.webp"), Bytes(modern::EncodeWebP(63, 47, true, 0)));
    ASSERT_TRUE(WriteAll(Out("logo.png"), "precious"));
    mJob.OutputFormat = QStringLiteral("DFT");
    mQuestions.PngAnswers = {cQuestions::kOverwriteYes, cQuestions::kOverwriteNo, cQuestions::kOverwriteYes,
                             cQuestions::kOverwriteYes};
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteNo};
    const cSaveSummary summary = Run();

    const auto offers = mQuestions.Asked(eKind::PngOffer);
    ASSERT_EQ(offers.size(), 4u);
    EXPECT_EQ(offers[0].Title, QStringLiteral("Save Error"));
    EXPECT_EQ(offers[0].Text, QStringLiteral("yes.ico\n\nQuillet cannot save an image in the ICO format.\n\n"
                                             "Would you like to save this image as a PNG instead?"));
    EXPECT_TRUE(offers[3].Text.startsWith("turned.heic\n\nQuillet cannot save an image in the HEIC format."));
    const auto overwrite = mQuestions.Asked(eKind::Overwrite);
    ASSERT_EQ(overwrite.size(), 1u);
    EXPECT_EQ(overwrite[0].Text, QStringLiteral("logo.png already exists.  Would you like to overwrite it?"));
    EXPECT_FALSE(overwrite[0].NoIsDefault);
    EXPECT_TRUE(mQuestions.Asked(eKind::MsgBox).empty());
    EXPECT_EQ(summary.Caption(), QStringLiteral("4 Saved,  1 Skipped,  1 Failed"));
    EXPECT_EQ(OutputEntries(), (QStringList{"clip.webp", "logo.png", "next.png", "turned.png", "yes.png"}));
    EXPECT_EQ(ReadAll(Out("logo.png")), QByteArray("precious"));
    EXPECT_EQ(SizeOf(Out("yes.png")), QSize(100, 100));
    EXPECT_EQ(SizeOf(Out("turned.png")), QSize(75, 100));
}

// An answer for all holds for the rest of this save, in both directions and
// for each question on its own; the next save asks again. Escape or a closed
// box (the scripted default) keeps the file.
TEST_F(BatchSave, AnswersForAllHoldForTheRestOfTheSave) {
    constexpr int kYes = cQuestions::kOverwriteYes, kNo = cQuestions::kOverwriteNo;
    constexpr int kAll = cQuestions::kOverwriteYesToAll, kNone = cQuestions::kOverwriteNoToAll;
    const struct {
        const char* Name;
        std::deque<int> Overwrite, Png;
        int Asked; // questions of either kind
        const char* Caption;
        QStringList Replaced; // outputs written over "old"
    } cases[] = {
        {"yes to all", {kNo, kAll}, {kAll}, 2 + 1, "5 Images Saved,  1 Images Skipped", {"b.png", "c.png", "d.png"}},
        {"no to all", {kYes, kNone}, {kNone}, 2 + 1, "1 Saved,  3 Skipped,  2 Failed", {"a.png"}},
        {"unanswered", {}, {}, 4 + 2, "0 Saved,  4 Skipped,  2 Failed", {}},
    };
    mJob.OutputFormat = QStringLiteral("DFT");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        mList.Entries.clear();
        for (const char* name : {"a.png", "b.png", "p.ico", "c.png", "q.ico", "d.png"}) {
            const QString file = QString::fromLatin1(name);
            if (file.endsWith(".ico"))
                AddFile(file, MakeIcon(16));
            else
                AddRamp(file);
            ASSERT_TRUE(WriteAll(Out(file.section('.', 0, 0) + ".png"), "old"));
        }
        mQuestions = cScriptedQuestions{};
        mQuestions.OverwriteAnswers = c.Overwrite;
        mQuestions.PngAnswers = c.Png;
        EXPECT_EQ(Run().Caption(), QString::fromLatin1(c.Caption));
        EXPECT_EQ(int(mQuestions.Log.size() - mQuestions.Asked(eKind::MsgBox).size()), c.Asked);
        for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
            EXPECT_EQ(ReadAll(Out(name)) != "old", c.Replaced.contains(name)) << name;
    }
}

// Saving into the sources' own folder (spelled another way) asks about each
// original in its own words, with No as the default; a file there that is
// not one of the sources gets the usual question.
TEST_F(BatchSave, ReplacingAnOriginalSaysSoAndDefaultsToNo) {
    AddRamp(QStringLiteral("a.png"));
    AddRamp(QStringLiteral("b.jpg"), 64, 48, QStringLiteral("jpg"));
    ASSERT_TRUE(WriteAll(In("b.png"), "not a source"));
    ASSERT_TRUE(QFile::link(mIn.path(), Out("link")));
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteNo, cQuestions::kOverwriteYes};
    cBatchSave save(mGdip, mQuestions, mObserver);
    save.SetThreads(1);
    EXPECT_EQ(save.Run(mList, Out("link") + "/./", mJob).Caption(),
              QStringLiteral("1 Images Saved,  1 Images Skipped"));
    const auto asked = mQuestions.Asked(eKind::Overwrite);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].Text, QStringLiteral("a.png is one of the images you are saving; replace the original?"));
    EXPECT_TRUE(asked[0].NoIsDefault);
    EXPECT_EQ(asked[1].Text, QStringLiteral("b.png already exists.  Would you like to overwrite it?"));
    EXPECT_FALSE(asked[1].NoIsDefault);
}

// Entries whose outputs share a name all stay: a later one takes the first
// free number (with workers too: see the workers test and quillet-batch's), and
// the end of the run lists them.
TEST_F(BatchSave, OutputsOfOneNameTakeNumbersInsteadOfReplacingEachOther) {
    AddRamp(QStringLiteral("a.jpg"), 40, 30, QStringLiteral("jpg"));
    AddRamp(QStringLiteral("a.png"), 60, 30);
    AddRamp(QStringLiteral("a-2.png"), 80, 30);
    AddRamp(QStringLiteral("a.gif"), 100, 30, QStringLiteral("gif"));
    mJob.SizeIndex = 5;
    mJob.CustomSize = QStringLiteral("100");
    EXPECT_EQ(Run().Caption(), QStringLiteral("4 Images Saved"));
    EXPECT_EQ(OutputEntries(), (QStringList{"a-2-2.png", "a-2.png", "a-3.png", "a.png"}));
    // Each file holds its own entry's picture (the heights tell them apart).
    const std::pair<const char*, int> heights[] = {{"a.png", 75}, {"a-2.png", 50}, {"a-2-2.png", 38}, {"a-3.png", 30}};
    for (const auto& [name, height] : heights)
        EXPECT_EQ(SizeOf(Out(name)).height(), height) << name;
    EXPECT_TRUE(mQuestions.Asked(eKind::Overwrite).empty());
    const auto asked = mQuestions.Asked(eKind::MsgBox);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Title, QStringLiteral("Images Saved Under New Names"));
    EXPECT_EQ(asked[0].Icon, cQuestions::eIcon::Information);
    EXPECT_TRUE(
        asked[0].Text.endsWith("\n\na.png: saved as a-2.png\na-2.png: saved as a-2-2.png\na.gif: saved as a-3.png"))
        << asked[0].Text.toStdString();
}

// Each turn is clockwise and measured before it: the output's top-left pixel
// is the source corner named, and a quarter turn swaps the output's sides.
TEST_F(BatchSave, RotationTurnsClockwiseAfterMeasuring) {
    AddRamp(QStringLiteral("ramp.png"), 128, 96);
    const std::tuple<int16_t, QSize, const char*> turns[] = {
        {1, {75, 100}, "bottom left"}, {2, {100, 75}, "bottom right"}, {3, {75, 100}, "top right"}};
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYesToAll, cQuestions::kOverwriteYesToAll};
    for (const auto& [index, size, topLeft] : turns) {
        mJob.RotationIndex = index;
        Run();
        const QImage written(Out("ramp.png"));
        EXPECT_EQ(written.size(), size) << index;
        EXPECT_EQ(RampCorner(written.pixel(0, 0)), topLeft) << index;
    }
}

// Workers ahead change nothing but the speed: a mixed list saved into its own
// folder (a PNG offer whose file replaces the next entry's source, which then
// takes a numbered name, overwrite questions about the originals, a corrupt
// entry in the middle, a GIF to quantize) run one entry after the other and
// with three workers leaves the same bytes, asks the same questions in the
// same order and ends the same way. The output folder is spelled another way
// than the sources' (relative, as "-o ." is), so only the files themselves
// tell the workers which source was replaced.
TEST_F(BatchSave, WorkersAheadChangeNothingButTheSpeed) {
    AddRamp(QStringLiteral("a.png"), 300, 200);
    AddFile(QStringLiteral("c.ico"), MakeIcon(48));
    AddRamp(QStringLiteral("c.png"), 90, 60);
    AddRamp(QStringLiteral("b.jpg"), 400, 300, QStringLiteral("jpg"));
    AddFile(QStringLiteral("broken.png"), "\x89PNG\r\n\x1a\n garbage");
    AddRamp(QStringLiteral("d.gif"), 160, 120, QStringLiteral("gif"));
    AddRamp(QStringLiteral("e.jpg"), 333, 500, QStringLiteral("jpg"));
    mJob.OutputFormat = QStringLiteral("DFT");
    mJob.RotationIndex = 1;
    const cVectorList entries = mList;

    QStringList runs[2];
    for (const int threads : {1, 3}) {
        QTemporaryDir folder;
        mList = entries;
        for (auto& entry : mList.Entries) {
            ASSERT_TRUE(QFile::copy(In(entry.Name), folder.filePath(entry.Name)));
            entry.Folder = folder.path();
        }
        mQuestions = cScriptedQuestions{};
        mQuestions.PngAnswers = {cQuestions::kOverwriteYes};
        mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes, cQuestions::kOverwriteYesToAll};
        cBatchSave save(mGdip, mQuestions, mObserver);
        save.SetThreads(threads);
        QStringList& run = runs[threads == 1 ? 0 : 1];
        run << save.Run(mList, QDir::current().relativeFilePath(folder.path()), mJob).Caption();
        for (const auto& asked : mQuestions.Log)
            run << asked.Title + u'|' + asked.Text;
        for (const QString& name : QDir(folder.path()).entryList(QDir::Files, QDir::Name))
            run << name + u'|' + QString::fromLatin1(ReadAll(folder.filePath(name)).toHex());
        run << QString::number(mList.Count());
    }
    EXPECT_EQ(runs[0], runs[1]);
    ASSERT_EQ(runs[0].size(), 1 + 4 + 8 + 1)
        << runs[0].join('\n').toStdString(); // summary, questions, files, entries left
    EXPECT_EQ(runs[0][0], QStringLiteral("6 Saved,  1 Failed"));
    EXPECT_TRUE(runs[0][4].endsWith("\n\nc.png: saved as c-2.png")) << runs[0][4].toStdString();
}

TEST_F(BatchSave, IndexedSourcesAreScaledIntoArgbAndPhotosKeepTheirFormat) {
    ASSERT_TRUE(WriteRamp(mGdip, In("photo.jpg"), 40, 30, "jpg"));
    ASSERT_TRUE(WriteRamp(mGdip, In("cartoon.gif"), 40, 30, "gif"));
    cRenderNotes notes;
    const std::vector<cRenderedImage> photo = RenderSource(In("photo.jpg"), mJob, mObserver, notes);
    const std::vector<cRenderedImage> cartoon = RenderSource(In("cartoon.gif"), mJob, mObserver, notes);
    ASSERT_TRUE(photo.size() == 1 && cartoon.size() == 1);
    EXPECT_EQ(photo[0].Output->PixelFormat(), PixelFormat24bppRGB);
    EXPECT_EQ(cartoon[0].Output->PixelFormat(), PixelFormat32bppARGB);
    EXPECT_EQ(QSize(cartoon[0].Width, cartoon[0].Height), QSize(100, 75));
}

// A large photo drawn small is decoded no larger than the draw needs: the
// save asks for the reduced decode and the JPEG decoder shrinks by 2, 4 or 8,
// keeping the drawn size exactly or at least 5/4 of it
// (in the file's own orientation, before the turn); other formats decode whole.
TEST_F(BatchSave, LargePhotosAreDecodedReducedForTheDraw) {
    ASSERT_TRUE(WriteRamp(mGdip, In("photo.jpg"), 800, 600, "jpg"));
    ASSERT_TRUE(WriteRamp(mGdip, In("photo.png"), 800, 600, "png"));
    const struct {
        const char* name;
        int16_t size, rotation;
        std::pair<uint32_t, uint32_t> decoded;
    } cases[] = {{"photo.jpg", 0, 0, {100, 75}},  // 100 x 75: an eighth
                 {"photo.jpg", 0, 1, {100, 75}},  // turned: the same decode
                 {"photo.jpg", 1, 0, {200, 150}}, // 200 x 150: a quarter, exactly the drawn size
                 {"photo.jpg", 2, 0, {800, 600}}, // 350 x 263: whole, a half leaves under 5/4 of it
                 {"photo.jpg", 3, 0, {800, 600}}, // 640 x 480: whole
                 {"photo.png", 0, 0, {800, 600}}};
    for (const auto& c : cases) {
        mJob.SizeIndex = c.size;
        mJob.RotationIndex = c.rotation;
        cRenderNotes notes;
        ASSERT_FALSE(RenderSource(In(c.name), mJob, mObserver, notes).empty()) << c.name;
        EXPECT_EQ(std::pair(notes.DecodedWidth, notes.DecodedHeight), c.decoded)
            << c.name << " at size " << c.size << ", rotation " << c.rotation;
    }
}

TEST_F(BatchSave, ProgressRoundsHalvesToEven) {
    for (int i = 0; i < 8; ++i)
        AddRamp(QStringLiteral("p%1.png").arg(i), 8, 8);
    Run();
    EXPECT_EQ(mObserver.Captions, (QStringList{"Saving (12%)  1 of 8", "Saving (25%)  2 of 8", "Saving (38%)  3 of 8",
                                               "Saving (50%)  4 of 8", "Saving (62%)  5 of 8", "Saving (75%)  6 of 8",
                                               "Saving (88%)  7 of 8", "Saving (100%)  8 of 8"}));
    EXPECT_DOUBLE_EQ(mObserver.Fractions.front(), 0.125);
    // Pending events run after each load, release and progress update.
    EXPECT_EQ(mObserver.Events, 8 * 3);
}
