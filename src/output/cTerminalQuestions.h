#pragma once
// The questions of a batch save answered on a terminal, or by policy.
//
// The overwrite box and the PNG offer follow their policy: Yes, No, or Ask.
// Ask prompts on the terminal when there is one, with the box's four answers
// (yes, yes to all, no, no to all); without a terminal the answer is No and
// the question is reported on the error stream, so that nothing is replaced
// or converted unasked. Messages are written to the error stream.

#include "BatchArguments.h"
#include "cQuestions.h"

#include <QTextStream>

#include <functional>
#include <optional>

class cTerminalQuestions : public cQuestions {
  public:
    // sErr receives messages and prompts; ReadLine gives the user's reply
    // (nullopt at end of input); bInteractive: a user can answer.
    cTerminalQuestions(QTextStream& sErr, std::function<std::optional<QString>()> ReadLine, bool bInteractive,
                       eBatchAnswer eOverwrite, eBatchAnswer ePngFallback);

    eAnswer MsgBox(const QString& sTitle, const QString& sText, eIcon eIconKind, eButtons eButtonSet) override;
    cOpenResult OpenFiles(const QString& sTitle, const QString& sFilter, const QString& sStartFolder) override;
    QString BrowseForFolder(const QString& sTitle, const QString& sStartFolder) override;
    int ShowCustomMsgBox(const QString& sPrompt, bool bNoIsDefault) override;
    int OfferPng(const QString& sFileName, const QString& sSourceExtension) override;

    // Runs before anything is written to the error stream (the progress
    // line is ended there, so that no question or message shares it).
    void SetBeforeWriting(std::function<void()> BeforeWriting) { mBeforeWriting = std::move(BeforeWriting); }

  private:
    // Prompts until the reply's first letter is one of sLetters; that letter,
    // or nullopt at end of input. An empty reply answers cDefault, when given.
    std::optional<QChar> Prompt(const QString& sQuestion, const QString& sLetters,
                                std::optional<QChar> cDefault = std::nullopt);
    // The answer to the overwrite box or the PNG offer: ePolicy's, or one of
    // the four asked on the terminal with sQuestion; without a terminal No,
    // reported as sUnasked.
    int Answer(eBatchAnswer ePolicy, const QString& sUnasked, const QString& sQuestion, bool bNoIsDefault);
    void Report(const QString& sText);

    QTextStream& mErr;
    std::function<std::optional<QString>()> mReadLine;
    bool mInteractive;
    eBatchAnswer mOverwrite;
    eBatchAnswer mPngFallback;
    std::function<void()> mBeforeWriting;
};
