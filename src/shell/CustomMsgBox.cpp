#include "CustomMsgBox.h"

#include "SaveTexts.h"
#include "cQuestions.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QVariant>

namespace {

// Each button carries its answer code as a property, so the answer never
// depends on the order in which the style lays the buttons out.
const char* const kAnswerProperty = "quilletAnswer";

std::unique_ptr<QMessageBox> CreateForAllBox(QWidget* oOwner, QMessageBox::Icon eIcon, const QString& sTitle,
                                             const QString& sText, eDefaultAnswer eDefault) {
    auto box = std::make_unique<QMessageBox>(oOwner);
    box->setIcon(eIcon);
    box->setWindowTitle(sTitle);
    box->setText(sText);
    // Action roles only, so that the style keeps the buttons in this order;
    // the escape button gives Escape and the close button their answer.
    struct cChoice {
        const char* Label;
        int Code;
    };
    const cChoice choices[] = {{"&Yes", cQuestions::kOverwriteYes},
                               {"Yes To &All", cQuestions::kOverwriteYesToAll},
                               {"&No", cQuestions::kOverwriteNo},
                               {"No To A&ll", cQuestions::kOverwriteNoToAll}};
    const int defaultCode = eDefault == eDefaultAnswer::No ? cQuestions::kOverwriteNo : cQuestions::kOverwriteYes;
    for (const cChoice& choice : choices) {
        QPushButton* button = box->addButton(QString::fromUtf8(choice.Label), QMessageBox::ActionRole);
        button->setProperty(kAnswerProperty, choice.Code);
        if (choice.Code == defaultCode)
            box->setDefaultButton(button);
        if (choice.Code == cQuestions::kOverwriteNo)
            box->setEscapeButton(button);
    }
    return box;
}

} // namespace

std::unique_ptr<QMessageBox> CreateCustomMsgBox(QWidget* oOwner, const QString& sPrompt, eDefaultAnswer eDefault) {
    return CreateForAllBox(oOwner, QMessageBox::Question, QStringLiteral("Overwrite Existing Images?"), sPrompt,
                           eDefault);
}

std::unique_ptr<QMessageBox> CreatePngOfferBox(QWidget* oOwner, const QString& sText) {
    return CreateForAllBox(oOwner, QMessageBox::NoIcon, kSaveErrorTitle, sText, eDefaultAnswer::Yes);
}

int ExecCustomMsgBox(QMessageBox& oBox) {
    oBox.exec();
    const QAbstractButton* clicked = oBox.clickedButton();
    return clicked == nullptr ? cQuestions::kOverwriteNo : clicked->property(kAnswerProperty).toInt();
}
