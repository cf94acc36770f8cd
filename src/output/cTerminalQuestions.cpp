#include "cTerminalQuestions.h"

cTerminalQuestions::cTerminalQuestions(QTextStream& sErr,
                                       std::function<std::optional<QString>()> ReadLine,
                                       bool bInteractive, eBatchAnswer eOverwrite,
                                       eBatchAnswer ePngFallback)
    : mErr(sErr), mReadLine(std::move(ReadLine)), mInteractive(bInteractive),
      mOverwrite(eOverwrite), mPngFallback(ePngFallback) {}

void cTerminalQuestions::Report(const QString& sText) {
    if (mBeforeWriting)
        mBeforeWriting();
    mErr << "quillet-batch: " << QString(sText).replace(QStringLiteral("\n\n"), QStringLiteral(" "))
         << Qt::endl;
}

void cTerminalQuestions::ReportNotWritten(const QString& sOffer, const QString& sWhy) {
    // The offer's first paragraph says why the file's own format fails.
    const QString reason = sOffer.section(QStringLiteral("\n\n"), 0, 0);
    const QString file = mCurrentFile ? mCurrentFile() : QString();
    Report((file.isEmpty() ? QString() : file + QStringLiteral(": ")) + QStringLiteral("not written: ") + reason +
           QStringLiteral(" (") + sWhy + u')');
}

std::optional<QChar> cTerminalQuestions::Prompt(const QString& sQuestion, const QString& sLetters) {
    if (mBeforeWriting)
        mBeforeWriting();
    for (;;) {
        mErr << sQuestion << Qt::flush;
        const std::optional<QString> reply = mReadLine();
        if (!reply)
            return std::nullopt;
        const QString answer = reply->trimmed().toLower();
        if (!answer.isEmpty() && sLetters.contains(answer.front()))
            return answer.front();
    }
}

cQuestions::eAnswer cTerminalQuestions::MsgBox(const QString& sTitle, const QString& sText,
                                               eIcon eIconKind, eButtons eButtonSet) {
    (void)eIconKind;
    if (eButtonSet != eButtons::YesNo) {
        Report(sTitle + QStringLiteral(": ") + sText);
        return eButtonSet == eButtons::OK ? eAnswer::OK : eAnswer::Cancel;
    }
    // The run's only Yes/No question: the PNG offer.
    switch (mPngFallback) {
    case eBatchAnswer::Yes:
        return eAnswer::Yes;
    case eBatchAnswer::No:
        ReportNotWritten(sText, QStringLiteral("--png-fallback no"));
        return eAnswer::No;
    case eBatchAnswer::Ask:
        break;
    }
    if (!mInteractive) {
        ++mUnanswered;
        ReportNotWritten(sText, QStringLiteral("no terminal to ask; see --png-fallback"));
        return eAnswer::No;
    }
    const QString question = QString(sText).replace(QStringLiteral("\n\n"), QStringLiteral("\n")) +
                             QStringLiteral(" [y/n] ");
    const std::optional<QChar> letter = Prompt(question, QStringLiteral("yn"));
    return letter == QChar(u'y') ? eAnswer::Yes : eAnswer::No;
}

cQuestions::cOpenResult cTerminalQuestions::OpenFiles(const QString&, const QString&,
                                                      const QString&) {
    return {};
}

QString cTerminalQuestions::BrowseForFolder(const QString&, const QString&) {
    return {};
}

int cTerminalQuestions::ShowCustomMsgBox(const QString& sPrompt) {
    switch (mOverwrite) {
    case eBatchAnswer::Yes:
        return kOverwriteYesToAll;
    case eBatchAnswer::No:
        return kOverwriteNo;
    case eBatchAnswer::Ask:
        break;
    }
    if (!mInteractive) {
        ++mUnanswered;
        Report(sPrompt + QStringLiteral(" -> no (no terminal to ask; see --overwrite)"));
        return kOverwriteNo;
    }
    const std::optional<QChar> letter =
        Prompt(sPrompt + QStringLiteral(" [y]es / yes to [a]ll / [n]o "), QStringLiteral("yan"));
    if (letter == QChar(u'y'))
        return kOverwriteYes;
    if (letter == QChar(u'a'))
        return kOverwriteYesToAll;
    return kOverwriteNo;
}
