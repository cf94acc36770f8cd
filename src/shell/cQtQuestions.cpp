#include "cQtQuestions.h"

#include "CustomMsgBox.h"
#include "NameBytes.h"
#include "SaveTexts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQtIcon(cQuestions::eIcon eIconKind) {
    switch (eIconKind) {
    case cQuestions::eIcon::Information: return QMessageBox::Information;
    case cQuestions::eIcon::Exclamation: return QMessageBox::Warning;
    case cQuestions::eIcon::Question: return QMessageBox::Question;
    case cQuestions::eIcon::Critical: return QMessageBox::Critical;
    case cQuestions::eIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(cQuestions::eButtons eButtonSet) {
    switch (eButtonSet) {
    case cQuestions::eButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case cQuestions::eButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case cQuestions::eButtons::OKCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case cQuestions::eButtons::OK: break;
    }
    return QMessageBox::Ok;
}

cQuestions::eAnswer FromQtButton(int eButton) {
    switch (eButton) {
    case QMessageBox::Yes: return cQuestions::eAnswer::Yes;
    case QMessageBox::No: return cQuestions::eAnswer::No;
    case QMessageBox::Ok: return cQuestions::eAnswer::OK;
    default: return cQuestions::eAnswer::Cancel;
    }
}

} // namespace

cQtQuestions::cQtQuestions(QWidget* oOwner) : mOwner(oOwner) {}

QWidget* cQtQuestions::DialogOwner() const {
    return mOwner != nullptr && mOwner->isEnabled() ? mOwner.data() : nullptr;
}

cQuestions::eAnswer cQtQuestions::MsgBox(const QString& sTitle, const QString& sText, eIcon eIconKind,
                                         eButtons eButtonSet) {
    QMessageBox box(ToQtIcon(eIconKind), sTitle, sText, ToQtButtons(eButtonSet), DialogOwner());
    const int pressed = box.exec();
    // A box with only OK reports OK however it was closed.
    if (eButtonSet == eButtons::OK)
        return eAnswer::OK;
    return FromQtButton(pressed);
}

cQuestions::cOpenResult cQtQuestions::OpenFiles(const QString& sTitle, const QString& sFilter,
                                                const QString& sStartFolder) {
    cOpenResult result;
    // The filter rows carry their patterns twice ("JPEG (*.jpg, *.jpeg) (*.jpg
    // *.jpeg)"); hiding the details shows each row's own display text.
    // Addresses rather than paths: a desktop's own dialog (the portal's)
    // hands names that are no valid UTF-8 over percent-encoded, which the
    // address keeps and a path would replace.
    const QList<QUrl> addresses =
        QFileDialog::getOpenFileUrls(DialogOwner(), sTitle, QUrl::fromLocalFile(sStartFolder), sFilter, nullptr,
                                     QFileDialog::HideNameFilterDetails, {QStringLiteral("file")});
    for (const QUrl& address : addresses) {
        const QString path = NameOfLocalFile(address);
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        const QString folder = QDir::toNativeSeparators(info.absolutePath());
        if (result.Names.isEmpty())
            result.Folder = folder;
        else if (folder != result.Folder) {
            // Every entry of one Open shares the folder the dialog reports;
            // a selection gathered from several folders cannot be taken.
            return {cOpenResult::eOutcome::Failed, {}, {}};
        }
        result.Names.append(info.fileName());
    }
    if (!result.Names.isEmpty())
        result.Outcome = cOpenResult::eOutcome::Chosen;
    return result;
}

QString cQtQuestions::BrowseForFolder(const QString& sTitle, const QString& sStartFolder) {
    const QString folder = QFileDialog::getExistingDirectory(DialogOwner(), sTitle, sStartFolder);
    return folder.isEmpty() ? QString() : QDir::toNativeSeparators(folder);
}

int cQtQuestions::ShowCustomMsgBox(const QString& sPrompt, bool bNoIsDefault) {
    return ExecCustomMsgBox(
        *CreateCustomMsgBox(DialogOwner(), sPrompt, bNoIsDefault ? eDefaultAnswer::No : eDefaultAnswer::Yes));
}

int cQtQuestions::OfferPng(const QString& sFileName, const QString& sSourceExtension) {
    return ExecCustomMsgBox(*CreatePngOfferBox(DialogOwner(), PngOfferText(sFileName, sSourceExtension)));
}
