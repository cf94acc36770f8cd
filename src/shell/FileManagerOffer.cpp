// The file managers' right-click entries offered in the window: once on the
// first run, after the welcome question, and at any time in the Help
// button's right-click menu, which adds them or takes them out again. The
// work itself is FileManagerActions'.

#include "FileManagerActions.h"
#include "SaveTexts.h"
#include "cQuestions.h"
#include "frmQuillet.h"

#include <QAction>
#include <QMenu>

namespace {

const QString kActionsTitle = QStringLiteral("Right-Click Menus");

} // namespace

void frmQuillet::BuildHelpMenu() {
    mnuHelpPopup = new QMenu(HelpButton);
    mnuHelpPopup->setObjectName(QStringLiteral("mnuHelpPopup"));
    mnuInstallActions = mnuHelpPopup->addAction(QStringLiteral("Add Quillet to the File Manager's Menu"));
    mnuInstallActions->setObjectName(QStringLiteral("mnuInstallActions"));
    mnuRemoveActions = mnuHelpPopup->addAction(QStringLiteral("Remove Quillet from the File Manager's Menu"));
    mnuRemoveActions->setObjectName(QStringLiteral("mnuRemoveActions"));
    connect(mnuInstallActions, &QAction::triggered, this, &frmQuillet::InstallActions_Click);
    connect(mnuRemoveActions, &QAction::triggered, this, &frmQuillet::RemoveActions_Click);
    // The right button and the Menu key alike.
    HelpButton->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(HelpButton, &QWidget::customContextMenuRequested, this, [this](const QPoint& oAt) {
        const bool installed = FileManagerActionsInstalled(UserActionPlaces());
        mnuInstallActions->setEnabled(!installed);
        mnuRemoveActions->setEnabled(installed);
        mnuHelpPopup->popup(HelpButton->mapToGlobal(oAt));
    });
}

void frmQuillet::OfferFileManagerActions() {
    if (FileManagerActionsInstalled(UserActionPlaces()))
        return;
    const QString text =
        QStringLiteral("Would you like \"Resize with Quillet\" and \"Resize to Large JPG here\" in the "
                       "right-click menu of your file manager (Files, Nemo, Dolphin, Thunar)?") +
        kParagraphBreak + QStringLiteral("You can add or remove them at any time by right-clicking the Help button.");
    if (Questions().MsgBox(kActionsTitle, text, cQuestions::eIcon::Question, cQuestions::eButtons::YesNo) ==
        cQuestions::eAnswer::Yes)
        InstallActions_Click();
}

void frmQuillet::InstallActions_Click() {
    const cActionsOutcome outcome = InstallFileManagerActionsForThisProgram();
    if (!outcome.Problem.isEmpty()) {
        Questions().Warn(kActionsTitle, QStringLiteral("The right-click menus could not all be set up:") +
                                            kParagraphBreak + outcome.Problem);
        return;
    }
    Questions().MsgBox(kActionsTitle,
                       QStringLiteral("Your file manager's right-click menu now offers \"Resize with Quillet\" "
                                      "and \"Resize to Large JPG here\" for photos and folders. A file manager "
                                      "that is open may show them only once it is started again."),
                       cQuestions::eIcon::Information, cQuestions::eButtons::OK);
}

void frmQuillet::RemoveActions_Click() {
    const cActionsOutcome outcome = RemoveFileManagerActions(UserActionPlaces());
    Questions().MsgBox(kActionsTitle,
                       outcome.Problem.isEmpty()
                           ? QStringLiteral("Quillet's entries are gone from the file managers' right-click menus.")
                           : outcome.Problem,
                       outcome.Problem.isEmpty() ? cQuestions::eIcon::Information : cQuestions::eIcon::Exclamation,
                       cQuestions::eButtons::OK);
}
