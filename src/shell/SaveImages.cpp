// The window side of the batch save: the Save button's main zone. The folder
// chooser (a folder that cannot take files is refused at once), the
// "SaveFolder" setting, the disabled controls with the busy cursor, the
// status text and progress bar, and the Save button turned Stop, Escape and
// the window's close button to stop; the work itself is cBatchSave's.
#include "frmQuillet.h"

#include "AppState.h"
#include "ImageEntry.h"
#include "NamePlan.h"
#include "OutputFolder.h"
#include "Registry.h"
#include "SaveTexts.h"
#include "cBatchSave.h"
#include "cGDIP.h"
#include "cImageList.h"
#include "cQuestions.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include <vector>

namespace {

// The image list as the save sees it: read anew on every call.
class cWindowList : public cSaveList {
  public:
    explicit cWindowList(frmQuillet& oWindow) : mWindow(oWindow) {}

    int Count() const override { return mWindow.lvwImages->topLevelItemCount(); }
    QString FileName(int lPosition) const override { return EntryText(Item(lPosition)); }
    QString Folder(int lPosition) const override { return EntryTag(Item(lPosition)); }
    QString SubFolder(int lPosition) const override { return EntrySubFolder(Item(lPosition)); }
    void Remove(int lPosition) override { mWindow.ImageList().RemoveEntry(Item(lPosition)); }

  private:
    QTreeWidgetItem* Item(int lPosition) const { return mWindow.lvwImages->topLevelItem(lPosition - 1); }
    frmQuillet& mWindow;
};

// Progress in the status band, pending events at the run's fixed points, and
// the ways to stop: the Save button (reading Stop), Escape and the window's
// close button ask whether to stop after the current image. Installed on the
// application for the length of one run, so that Escape is seen wherever the
// focus is; the window's shortcuts are held meanwhile. After a close, the
// window and its imaging instance stay while the run uses them, and a Yes
// closes the window once the current image is done.
class cWindowProgress : public QObject, public cSaveObserver {
  public:
    explicit cWindowProgress(frmQuillet& oWindow) : mWindow(oWindow) { qApp->installEventFilter(this); }
    ~cWindowProgress() override { qApp->removeEventFilter(this); }
    cWindowProgress(const cWindowProgress&) = delete;
    cWindowProgress& operator=(const cWindowProgress&) = delete;

    void ProcessEvents() override { QCoreApplication::processEvents(); }

    // Asks "Stop saving?" unless it was answered Yes already or another
    // question is open; true once the run is to stop.
    bool AskToStop() {
        if (!mAsking && !mStop && QApplication::activeModalWidget() == nullptr) {
            mAsking = true;
            mStop = mWindow.Questions().MsgBox(kStopTitle, kStopText, cQuestions::eIcon::Question,
                                               cQuestions::eButtons::YesNo) == cQuestions::eAnswer::Yes;
            mAsking = false;
        }
        return mStop;
    }

    void Progress(double sngFraction, const QString& sCaption) override {
        mWindow.SetProgressWidth(static_cast<int32_t>(static_cast<float>(sngFraction * gProgressWidth)));
        mWindow.labStatus->setText(sCaption + mWindow.HandedFilesNote());
    }

    bool StopRequested() override { return mStop; }

    // The user asked to close the window and agreed to stop.
    bool CloseRequested() const { return mClose; }

  protected:
    bool eventFilter(QObject* oWatched, QEvent* event) override {
        if (event->type() == QEvent::Close && oWatched == &mWindow) {
            event->ignore();
            mClose = AskToStop();
            return true;
        }
        // Open, Preview and the rest must not start while the list is in use.
        if (event->type() == QEvent::Shortcut && QApplication::activeModalWidget() == nullptr)
            return true;
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape ||
            !IsInWindow(oWatched))
            return false;
        AskToStop();
        return true;
    }

  private:
    bool IsInWindow(QObject* oWatched) const {
        auto* widget = qobject_cast<QWidget*>(oWatched);
        return widget != nullptr && (widget == &mWindow || mWindow.isAncestorOf(widget));
    }

    frmQuillet& mWindow;
    bool mStop = false;
    bool mClose = false;
    bool mAsking = false;
};

// The window while a save runs: every control but the Save button disabled
// (the status band keeps its colours), the Save button reading "Stop" with no
// format zone, asking to stop when pressed; no hints over the progress; the
// busy pointer. All of it is undone when the run ends.
class cSavingWindow {
  public:
    cSavingWindow(frmQuillet& oWindow, cStatusHint& oHint, cWindowProgress& oProgress)
        : mWindow(oWindow), mHint(oHint), mPicture(oWindow.SaveButton->Picture()),
          mHintText(oWindow.SaveButton->toolTip()) {
        ARButton& button = *mWindow.SaveButton;
        for (QWidget* child : mWindow.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child != &button && child->isEnabled()) {
                child->setEnabled(false);
                mDisabled.emplace_back(child);
            }
        mHint.SetHeld(true);
        QObject::disconnect(&button, &ARButton::clicked, &mWindow, &frmQuillet::SaveImages);
        mStop = QObject::connect(&button, &ARButton::clicked, &button, [&oProgress] { oProgress.AskToStop(); });
        button.SetPicture({});
        button.setText(kStopCaption);
        button.SetDropDownWidth(0);
        button.setToolTip(kStopHint);
        button.setAccessibleName(kStopHint);
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    ~cSavingWindow() {
        ARButton& button = *mWindow.SaveButton;
        QObject::disconnect(mStop);
        QObject::connect(&button, &ARButton::clicked, &mWindow, &frmQuillet::SaveImages);
        button.SetPicture(mPicture);
        button.setText({});
        button.SetDropDownWidth(frmQuillet::kDropDownZone);
        button.setToolTip(mHintText);
        button.setAccessibleName(mHintText);
        for (const QPointer<QWidget>& child : mDisabled)
            if (child)
                child->setEnabled(true);
        mHint.SetHeld(false);
        QApplication::restoreOverrideCursor();
    }
    cSavingWindow(const cSavingWindow&) = delete;
    cSavingWindow& operator=(const cSavingWindow&) = delete;

    static inline const QString kStopCaption = QStringLiteral("Stop");
    static inline const QString kStopHint = QStringLiteral("Stop saving");

  private:
    frmQuillet& mWindow;
    cStatusHint& mHint;
    const QPixmap mPicture;
    const QString mHintText;
    std::vector<QPointer<QWidget>> mDisabled;
    QMetaObject::Connection mStop;
};

} // namespace

// The folder chooser, until a folder that can take files is chosen or the
// choice is cancelled (""); a refused folder is said so at once.
QString frmQuillet::ChooseSaveFolder() {
    for (;;) {
        const QString folder = GetPath();
        if (folder.isEmpty())
            return {};
        const QString reason = UnwritableFolderReason(folder);
        if (reason.isEmpty())
            return folder;
        Questions().Warn(kFolderRefusedTitle, FolderRefusedText(folder, reason));
    }
}

void frmQuillet::SaveImages() {
    // A name template that gives two outputs one name is refused before any work.
    if (const QString clash = NameClashText(cWindowList(*this), SaveJob()); !clash.isEmpty()) {
        Questions().Warn(QStringLiteral("Output Names"), clash);
        return;
    }
    const QString folder = ChooseSaveFolder();
    if (folder.isEmpty())
        return;

    // Escape and the Stop button are watched from the moment the controls
    // are disabled.
    cWindowProgress progress(*this);
    const cSavingWindow saving(*this, *mStatusHint, progress);
    QCoreApplication::processEvents();

    mSaveFolder = folder;
    mSaving = true;
    WriteString(SettingsKey, QStringLiteral("SaveFolder"), folder);

    cWindowList list(*this);
    SetProgressWidth(0);
    SetProgressVisible(true);
    ShowStatus(ProgressCaption(0, 0, list.Count()));

    cBatchSave save(*gdip, Questions(), progress);
    const cSaveSummary summary = save.Run(list, folder, SaveJob());

    SetProgressVisible(false);
    labStatus->setText(summary.Stopped ? QStringLiteral("Stopped: ") + summary.Caption() : summary.Caption());
    mSaving = false;
    // Files handed over meanwhile join the list once the controls are back.
    QTimer::singleShot(0, this, [this] { AddHandedFiles(); });
    // Closed once the run and its event filter are gone.
    if (progress.CloseRequested())
        QTimer::singleShot(0, this, [this] { close(); });
}
