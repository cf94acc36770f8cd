#pragma once
// Every modal question the program asks goes through this interface: message
// boxes, the open dialog, the folder chooser and the overwrite box. The window
// shows real Qt dialogs through its implementation; tests answer from a
// script; the batch command answers from its options or the terminal.

#include <QString>
#include <QStringList>

class QWidget;

class cQuestions {
public:
    enum class eIcon { None, Information, Exclamation, Question, Critical };
    enum class eButtons { OK, YesNo, YesNoCancel, OKCancel };
    enum class eAnswer { OK, Cancel, Yes, No };

    // Answers of the overwrite box (ShowCustomMsgBox).
    static constexpr int kOverwriteYes = 3;
    static constexpr int kOverwriteYesToAll = 4;
    static constexpr int kOverwriteNo = 5;

    struct cOpenResult {
        enum class eOutcome { Chosen, Cancelled, Failed } Outcome = eOutcome::Cancelled;
        QString Folder;      // folder of the chosen files, no trailing separator
                             // (the root stays "/")
        QStringList Names;   // file names within Folder, in the dialog's order
    };

    virtual ~cQuestions() = default;

    // A modal message box; returns the button pressed (closing it counts as
    // the box's cancel or only button).
    virtual eAnswer MsgBox(const QString& sTitle, const QString& sText, eIcon eIconKind,
                           eButtons eButtonSet) = 0;

    // The open dialog: several files, sFilter in Qt's "Name (*.a *.b);;..." form.
    virtual cOpenResult OpenFiles(const QString& sTitle, const QString& sFilter,
                                  const QString& sStartFolder) = 0;

    // The folder chooser; "" when cancelled.
    virtual QString BrowseForFolder(const QString& sTitle, const QString& sStartFolder) = 0;

    // The overwrite box ("&Yes", "Yes To &All", "&No"): kOverwriteYes,
    // kOverwriteYesToAll or kOverwriteNo. It cannot be closed without an answer.
    virtual int ShowCustomMsgBox(const QString& sPrompt) = 0;
};
