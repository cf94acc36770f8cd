#pragma once
// The fixture of the in-process batch-save tests: source and output folders,
// scripted questions, a recording observer and the options of one run.

#include "SaveFixtures.h"
#include "cScriptedQuestions.h"

#include "cBatchSave.h"

#include <gtest/gtest.h>

using eKind = cScriptedQuestions::eKind;

class BatchSave : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mIn.isValid() && mOut.isValid());
        mTrash = EmptiedTestTrash();
        mJob.OutputFormat = QStringLiteral("PNG");
    }

    QString In(const QString& sName) const { return mIn.filePath(sName); }
    QString Out(const QString& sName) const { return mOut.filePath(sName); }

    void AddRamp(const QString& sName, int lWidth = 64, int lHeight = 48,
                 const QString& sFormat = QStringLiteral("png")) {
        ASSERT_TRUE(WriteRamp(mGdip, In(sName), lWidth, lHeight, sFormat));
        mList.Add(In(sName));
    }

    void AddFile(const QString& sName, const QByteArray& bytes) {
        ASSERT_TRUE(WriteAll(In(sName), bytes));
        mList.Add(In(sName));
    }

    // One entry after the other, whatever the machine's cores.
    cSaveSummary Run() {
        cBatchSave save(mGdip, mQuestions, mObserver);
        save.SetThreads(1);
        return save.Run(mList, mOut.path(), mJob);
    }

    // Pixel size of a written file, as the imaging layer reads it.
    QSize SizeOf(const QString& sPath) {
        cBitmap bitmap;
        bitmap.LoadFromFile(sPath);
        return {bitmap.Width(), bitmap.Height()};
    }

    QStringList OutputEntries() const {
        return QDir(mOut.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QStringList TrashedFiles() const {
        return QDir(mTrash + QStringLiteral("/files")).entryList(QDir::Files | QDir::System);
    }

    QTemporaryDir mIn, mOut;
    QString mTrash;
    cGDIP mGdip;
    cScriptedQuestions mQuestions;
    cRecordingObserver mObserver;
    cVectorList mList;
    cSaveJob mJob;
};
