#pragma once
// The questions of the program as real Qt dialogs, owned by one window.

#include "cQuestions.h"

#include <QPointer>

class cQtQuestions : public cQuestions {
  public:
    explicit cQtQuestions(QWidget* oOwner);

    eAnswer MsgBox(const QString& sTitle, const QString& sText, eIcon eIconKind, eButtons eButtonSet) override;
    cOpenResult OpenFiles(const QString& sTitle, const QString& sFilter, const QString& sStartFolder) override;
    QString BrowseForFolder(const QString& sTitle, const QString& sStartFolder) override;
    int ShowCustomMsgBox(const QString& sPrompt, bool bNoIsDefault) override;
    int OfferPng(const QString& sFileName, const QString& sSourceExtension) override;

  private:
    // The owner window while it takes input; nullptr while it is disabled
    // (during a save), so that the dialog does not inherit the disabled state.
    QWidget* DialogOwner() const;

    QPointer<QWidget> mOwner;
};
