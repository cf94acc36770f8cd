#pragma once
// The questions of a batch save answered on a terminal, or by policy.
//
// The overwrite box and the PNG offer (the run's only Yes/No question) follow
// their policy: Yes, No, or Ask. Ask prompts on the terminal when there is
// one; without a terminal the answer is No and the question is reported on
// the error stream, so that nothing is replaced or converted unasked.
// Messages are written to the error stream.

#include "BatchArguments.h"
#include "cQuestions.h"

#include <QTextStream>

#include <functional>
#include <optional>

class cTerminalQuestions : public cQuestions {
  public:
    // sErr receives messages and prompts; ReadLine gives the user's reply
    // (nullopt at end of input); bInteractive: a user can answer.
    cTerminalQuestions(QTextStream& sErr, std::function<std::optional<QString>()> ReadLine,
                       bool bInteractive, eBatchAnswer eOverwrite, eBatchAnswer ePngFallback);

    eAnswer MsgBox(const QString& sTitle, const QString& sText, eIcon eIconKind,
                   eButtons eButtonSet) override;
    cOpenResult OpenFiles(const QString& sTitle, const QString& sFilter,
                          const QString& sStartFolder) override;
    QString BrowseForFolder(const QString& sTitle, const QString& sStartFolder) override;
    int ShowCustomMsgBox(const QString& sPrompt) override;

    // Questions answered No because no one could be asked.
    int Unanswered() const { return mUnanswered; }

    // Runs before anything is written to the error stream (the progress
    // line is ended there, so that no question or message shares it).
    void SetBeforeWriting(std::function<void()> BeforeWriting) { mBeforeWriting = std::move(BeforeWriting); }
    // Names the file the run is at, for a declined PNG offer: that file is
    // not written, and the error stream says so.
    void SetCurrentFile(std::function<QString()> CurrentFile) { mCurrentFile = std::move(CurrentFile); }

  private:
    // Prompts until the reply's first letter is one of sLetters; that letter,
    // or nullopt at end of input.
    std::optional<QChar> Prompt(const QString& sQuestion, const QString& sLetters);
    void Report(const QString& sText);
    // "<file>: not written: <why>" for a declined PNG offer sOffer.
    void ReportNotWritten(const QString& sOffer, const QString& sWhy);

    QTextStream& mErr;
    std::function<std::optional<QString>()> mReadLine;
    bool mInteractive;
    eBatchAnswer mOverwrite;
    eBatchAnswer mPngFallback;
    int mUnanswered = 0;
    std::function<void()> mBeforeWriting;
    std::function<QString()> mCurrentFile;
};
