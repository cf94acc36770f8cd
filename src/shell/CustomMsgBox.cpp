#include "CustomMsgBox.h"

#include "cQuestions.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QVariant>

namespace {

// Each button carries its answer code as a property, so the answer never
// depends on the order in which the style lays the buttons out.
const char* const kAnswerProperty = "quilletAnswer";

} // namespace

std::unique_ptr<QMessageBox> CreateCustomMsgBox(QWidget* oOwner, const QString& sPrompt) {
    auto box = std::make_unique<QMessageBox>(oOwner);
    box->setIcon(QMessageBox::Question);
    box->setWindowTitle(QStringLiteral("Overwrite Existing Images?"));
    box->setText(sPrompt);
    // Action roles only: a box with a reject or "no" role would treat Escape
    // and the window's close button as that answer.
    struct cChoice {
        const char* Label;
        int Code;
    };
    const cChoice choices[] = {{"&Yes", cQuestions::kOverwriteYes},
                               {"Yes To &All", cQuestions::kOverwriteYesToAll},
                               {"&No", cQuestions::kOverwriteNo}};
    for (const cChoice& choice : choices) {
        QPushButton* button = box->addButton(QString::fromUtf8(choice.Label), QMessageBox::ActionRole);
        button->setProperty(kAnswerProperty, choice.Code);
        if (choice.Code == cQuestions::kOverwriteYes)
            box->setDefaultButton(button);
    }
    return box;
}

int CustomMsgBoxAnswer(const QMessageBox& oBox) {
    const QAbstractButton* clicked = oBox.clickedButton();
    return clicked == nullptr ? 0 : clicked->property(kAnswerProperty).toInt();
}

int ShowCustomMsgBox(QWidget* oOwner, const QString& sPrompt) {
    const std::unique_ptr<QMessageBox> box = CreateCustomMsgBox(oOwner, sPrompt);
    box->exec();
    return CustomMsgBoxAnswer(*box);
}
