// The window side of the batch save: the Save button's main zone. The folder
// chooser, the "SaveFolder" setting, the disabled window with the busy
// cursor, the status text and progress bar, and Escape to stop; the work
// itself is cBatchSave's.
#include "frmQuillet.h"

#include "AppState.h"
#include "ImageEntry.h"
#include "Registry.h"
#include "SaveTexts.h"
#include "cBatchSave.h"
#include "cGDIP.h"
#include "cImageList.h"
#include "cQuestions.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

namespace {

// The image list as the save sees it: read anew on every call.
class cWindowList : public cSaveList {
  public:
    explicit cWindowList(frmQuillet& oWindow) : mWindow(oWindow) {}

    int Count() const override { return mWindow.lvwImages->topLevelItemCount(); }
    QString FileName(int lPosition) const override { return EntryText(Item(lPosition)); }
    QString Folder(int lPosition) const override { return EntryTag(Item(lPosition)); }
    void Remove(int lPosition) override { mWindow.ImageList().RemoveEntry(Item(lPosition)); }

  private:
    QTreeWidgetItem* Item(int lPosition) const {
        return mWindow.lvwImages->topLevelItem(lPosition - 1);
    }
    frmQuillet& mWindow;
};

// Progress in the status band, pending events at the run's fixed points, and
// Escape, which asks whether to stop after the current image. Installed on
// the application for the length of one run: the window is disabled, so its
// own key handlers see nothing. Closing the window asks the same question:
// the window and its imaging instance stay while the run uses them, and a
// Yes closes the window once the current image is done.
class cWindowProgress : public QObject, public cSaveObserver {
  public:
    explicit cWindowProgress(frmQuillet& oWindow) : mWindow(oWindow) {
        qApp->installEventFilter(this);
    }
    ~cWindowProgress() override { qApp->removeEventFilter(this); }
    cWindowProgress(const cWindowProgress&) = delete;
    cWindowProgress& operator=(const cWindowProgress&) = delete;

    void ProcessEvents() override { QCoreApplication::processEvents(); }

    void Progress(int, int, double sngFraction, const QString& sCaption) override {
        mWindow.SetProgressWidth(
            static_cast<int32_t>(static_cast<float>(sngFraction * gProgressWidth)));
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
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape || !IsInWindow(oWatched))
            return false;
        AskToStop();
        return true;
    }

  private:
    // Asks "Stop saving?" unless it was answered Yes already or another
    // question is open; true once the run is to stop.
    bool AskToStop() {
        if (!mAsking && !mStop && QApplication::activeModalWidget() == nullptr) {
            mAsking = true;
            mStop =
                mWindow.Questions().MsgBox(kStopTitle, kStopText, cQuestions::eIcon::Question,
                                           cQuestions::eButtons::YesNo) == cQuestions::eAnswer::Yes;
            mAsking = false;
        }
        return mStop;
    }

    bool IsInWindow(QObject* oWatched) const {
        auto* widget = qobject_cast<QWidget*>(oWatched);
        return widget != nullptr && (widget == &mWindow || mWindow.isAncestorOf(widget));
    }

    frmQuillet& mWindow;
    bool mStop = false;
    bool mClose = false;
    bool mAsking = false;
};

} // namespace

void frmQuillet::SaveImages() {
    const QString folder = GetPath();
    if (folder.isEmpty())
        return;

    // Escape is watched from the moment the window is disabled.
    cWindowProgress progress(*this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    QCoreApplication::processEvents();

    mSaveFolder = folder;
    mSaving = true;
    WriteString(SettingsKey, QStringLiteral("SaveFolder"), folder);

    SetProgressWidth(0);
    SetProgressVisible(true);
    labStatus->setText(ProgressCaption(0));
    labStatus->setAlignment(Qt::AlignCenter);
    labStatus->show();

    cWindowList list(*this);
    cBatchSave save(*gdip, Questions(), progress);
    const cSaveSummary summary =
        save.Run(list, folder, cSaveOptions::FromAppState(txtSize->text()));

    SetProgressVisible(false);
    labStatus->setText(summary.Stopped ? QStringLiteral("Stopped: ") + summary.Caption() : summary.Caption());
    setEnabled(true);
    QApplication::restoreOverrideCursor();
    mSaving = false;
    AddHandedFiles();
    // Closed once the run and its event filter are gone.
    if (progress.CloseRequested())
        QTimer::singleShot(0, this, [this] { close(); });
}
