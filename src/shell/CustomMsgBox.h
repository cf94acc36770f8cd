#pragma once
// The overwrite question of the batch save: a message box with the question
// icon, the title "Overwrite Existing Images?", the caller's prompt and three
// buttons "&Yes" (the default: Enter answers it), "Yes To &All" and "&No".
// The box has no escape or close answer: it only goes away through one of
// the three buttons (their access keys work with and without Alt).

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

// Shows the box modally and returns the answer: cQuestions::kOverwriteYes (3),
// kOverwriteYesToAll (4) or kOverwriteNo (5). If the box ends without any of
// them, the result is 0, which callers must treat as "do not touch the file".
int ShowCustomMsgBox(QWidget* oOwner, const QString& sPrompt);

// The box ShowCustomMsgBox shows, built but not yet shown.
std::unique_ptr<QMessageBox> CreateCustomMsgBox(QWidget* oOwner, const QString& sPrompt);

// The answer code of a box made by CreateCustomMsgBox after it has closed.
int CustomMsgBoxAnswer(const QMessageBox& oBox);
