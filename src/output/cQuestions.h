#pragma once
// Every modal question the program asks goes through this interface: message
// boxes, the open dialog, the folder chooser, the overwrite box and the PNG
// offer. The window shows real Qt dialogs through its implementation; tests
// answer from a script; the batch command answers from its options or the
// terminal.

#include <QString>
#include <QStringList>

class QWidget;

class cQuestions {
  public:
    enum class eIcon { None, Information, Exclamation, Question, Critical };
    enum class eButtons { OK, YesNo, YesNoCancel, OKCancel };
    enum class eAnswer { OK, Cancel, Yes, No };

    // Answers of the two questions of a save that can be answered for the
    // rest of it: the overwrite box (ShowCustomMsgBox) and the PNG offer.
    static constexpr int kOverwriteYes = 3;
    static constexpr int kOverwriteYesToAll = 4;
    static constexpr int kOverwriteNo = 5;
    static constexpr int kOverwriteNoToAll = 6;

    struct cOpenResult {
        enum class eOutcome { Chosen, Cancelled, Failed } Outcome = eOutcome::Cancelled;
        QString Folder;    // folder of the chosen files, no trailing separator
                           // (the root stays "/")
        QStringList Names; // file names within Folder, in the dialog's order
    };

    virtual ~cQuestions() = default;

    // A modal message box; returns the button pressed (closing it counts as
    // the box's cancel or only button).
    virtual eAnswer MsgBox(const QString& sTitle, const QString& sText, eIcon eIconKind, eButtons eButtonSet) = 0;

    // A message box with the exclamation icon and only OK.
    void Warn(const QString& sTitle, const QString& sText) { MsgBox(sTitle, sText, eIcon::Exclamation, eButtons::OK); }

    // The open dialog: several files, sFilter in Qt's "Name (*.a *.b);;..." form.
    virtual cOpenResult OpenFiles(const QString& sTitle, const QString& sFilter, const QString& sStartFolder) = 0;

    // The folder chooser; "" when cancelled.
    virtual QString BrowseForFolder(const QString& sTitle, const QString& sStartFolder) = 0;

    // The overwrite box ("&Yes", "Yes To &All", "&No", "No To A&ll"): one of
    // the kOverwrite answers. Escape and closing the box answer kOverwriteNo.
    // bNoIsDefault: Enter answers No (the file is one of the images being
    // saved); otherwise Enter answers Yes.
    virtual int ShowCustomMsgBox(const QString& sPrompt, bool bNoIsDefault) = 0;

    // The offer to save sFileName, whose format (sSourceExtension, upper
    // case) cannot be written, as a PNG: PngOfferText under the title
    // "Save Error", with the four answers of the overwrite box; Enter answers
    // Yes, Escape and closing the box No.
    virtual int OfferPng(const QString& sFileName, const QString& sSourceExtension) = 0;
};
