#pragma once
// The questions of the batch save that can be answered for the rest of the
// save: a message box with four buttons "&Yes", "Yes To &All", "&No" and
// "No To A&ll" (their access keys work with and without Alt). Escape and
// the window's close button answer "&No". The overwrite box has the question
// icon and the title "Overwrite Existing Images?"; the PNG offer no icon and
// the title "Save Error".

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

// Which button Enter presses.
enum class eDefaultAnswer { Yes, No };

// The overwrite box, built but not yet shown.
std::unique_ptr<QMessageBox> CreateCustomMsgBox(QWidget* oOwner, const QString& sPrompt, eDefaultAnswer eDefault);

// The PNG offer's box, with sText (PngOfferText), built but not yet shown.
std::unique_ptr<QMessageBox> CreatePngOfferBox(QWidget* oOwner, const QString& sText);

// Shows a box made here modally and returns the answer:
// cQuestions::kOverwriteYes (3), kOverwriteYesToAll (4), kOverwriteNo (5) or
// kOverwriteNoToAll (6).
int ExecCustomMsgBox(QMessageBox& oBox);
