#include "cTerminalQuestions.h"

#include "SaveTexts.h"

cTerminalQuestions::cTerminalQuestions(QTextStream& sErr, std::function<std::optional<QString>()> ReadLine,
                                       bool bInteractive, eBatchAnswer eOverwrite, eBatchAnswer ePngFallback)
    : mErr(sErr), mReadLine(std::move(ReadLine)), mInteractive(bInteractive), mOverwrite(eOverwrite),
      mPngFallback(ePngFallback) {}

void cTerminalQuestions::Report(const QString& sText) {
    if (mBeforeWriting)
        mBeforeWriting();
    mErr << "quillet-batch: " << QString(sText).replace(QStringLiteral("\n\n"), QStringLiteral(" ")) << Qt::endl;
}

std::optional<QChar> cTerminalQuestions::Prompt(const QString& sQuestion, const QString& sLetters,
                                                std::optional<QChar> cDefault) {
    if (mBeforeWriting)
        mBeforeWriting();
    for (;;) {
        mErr << sQuestion << Qt::flush;
        const std::optional<QString> reply = mReadLine();
        if (!reply)
            return std::nullopt;
        const QString answer = reply->trimmed().toLower();
        if (answer.isEmpty() && cDefault)
            return cDefault;
        if (!answer.isEmpty() && sLetters.contains(answer.front()))
            return answer.front();
    }
}

int cTerminalQuestions::AskForAll(const QString& sQuestion, bool bNoIsDefault) {
    const std::optional<QChar> letter =
        Prompt(sQuestion + (bNoIsDefault ? QStringLiteral(" [y]es / yes to [a]ll / [N]o / no to a[l]l ")
                                         : QStringLiteral(" [y]es / yes to [a]ll / [n]o / no to a[l]l ")),
               QStringLiteral("yanl"), bNoIsDefault ? std::optional(QChar(u'n')) : std::nullopt);
    switch (letter.value_or(u'n').unicode()) {
    case u'y': return kOverwriteYes;
    case u'a': return kOverwriteYesToAll;
    case u'l': return kOverwriteNoToAll;
    default: return kOverwriteNo;
    }
}

cQuestions::eAnswer cTerminalQuestions::MsgBox(const QString& sTitle, const QString& sText, eIcon,
                                               eButtons eButtonSet) {
    Report(sTitle + QStringLiteral(": ") + sText);
    switch (eButtonSet) {
    case eButtons::OK: return eAnswer::OK;
    case eButtons::YesNo: return eAnswer::No;
    default: return eAnswer::Cancel;
    }
}

cQuestions::cOpenResult cTerminalQuestions::OpenFiles(const QString&, const QString&, const QString&) {
    return {};
}

QString cTerminalQuestions::BrowseForFolder(const QString&, const QString&) {
    return {};
}

int cTerminalQuestions::ShowCustomMsgBox(const QString& sPrompt, bool bNoIsDefault) {
    switch (mOverwrite) {
    case eBatchAnswer::Yes: return kOverwriteYesToAll;
    case eBatchAnswer::No: return kOverwriteNo;
    case eBatchAnswer::Ask: break;
    }
    if (!mInteractive) {
        Report(sPrompt + QStringLiteral(" -> no (no terminal to ask; see --overwrite)"));
        return kOverwriteNo;
    }
    return AskForAll(sPrompt, bNoIsDefault);
}

// A declined offer is reported for every file it leaves unwritten, so the
// policy and a missing terminal answer one file at a time.
int cTerminalQuestions::OfferPng(const QString& sFileName, const QString& sSourceExtension) {
    const QString notWritten = sFileName + QStringLiteral(": not written: ") + PngOfferReason(sSourceExtension);
    switch (mPngFallback) {
    case eBatchAnswer::Yes: return kOverwriteYesToAll;
    case eBatchAnswer::No: Report(notWritten + QStringLiteral(" (--png-fallback no)")); return kOverwriteNo;
    case eBatchAnswer::Ask: break;
    }
    if (!mInteractive) {
        Report(notWritten + QStringLiteral(" (no terminal to ask; see --png-fallback)"));
        return kOverwriteNo;
    }
    return AskForAll(QString(PngOfferText(sFileName, sSourceExtension)).replace(kParagraphBreak, QStringLiteral("\n")),
                     false);
}
