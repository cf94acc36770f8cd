#pragma once
// The job's list of image files, shown in the window's list lvwImages: the
// Open command, files dropped or given on the command line, adding entries,
// loading and measuring one entry, removal, and the list's mouse, key and
// right-click handling. An entry's text is its file name and its tag its
// folder (ImageEntry.h).
//
// The keys reach what the mouse does: moving to an entry measures it,
// Delete removes the selection, and the Menu key opens the right-click menu.
//
// Selection: after every addition the first entry is selected and current,
// unless the user has already selected something; after a removal that
// leaves nothing selected, the entry now at the first removed position (or
// the last entry) is. The window hears about everything else through
// cImageListHost.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class cIconCache;
class cImageListHost;

class cImageList : public QObject {
    Q_OBJECT
  public:
    // Takes over oList, a list with one column that the window has placed;
    // the right-click menu becomes the list's child. oHost must outlive this.
    cImageList(cImageListHost& oHost, QTreeWidget* oList);
    ~cImageList() override;

    // The folder the open dialog starts in; a several-file Open moves it.
    QString OpenFolder() const { return mOpenFolder; }
    void SetOpenFolder(const QString& sFolder) { mOpenFolder = sFolder; }

    // The Open command of the Open button.
    void OpenButton_Click();
    // "Add Images…" of the right-click menu (Ctrl+Shift+O): files chosen in
    // the open dialog join the end of the list; a list that was empty is
    // then measured and enables the window, as after an Open.
    void AddImages_Click();
    // Replaces the list with files given as full paths (a drop, the command
    // line), as a several-file Open of them would; paths that are no
    // readable files are reported and skipped. A folder gives the image
    // files inside it (FolderScan.h); when any folder has subfolders, the
    // user is asked once whether to take theirs too. The status band then
    // counts what the folders gave, and unreadable folders are reported.
    void TakeFiles(const QStringList& aPaths);
    // Appends files and the image files of folders, given as full paths (a
    // later start of the program, "Add Folder..."); see TakeFolders.
    void AddPaths(const QStringList& aPaths);
    // Makes sFile in sPath the list's only entry, loaded and selected, and
    // enables the window (the screen capture).
    void ReplaceWithOne(const QString& sPath, const QString& sFile);

    // Appends an entry: text sFile, tag sPath without a trailing separator;
    // sSubFolder: where sPath lies below a folder that was added.
    void AddToFileList(const QString& sPath, const QString& sFile, const QString& sSubFolder = {});
    // Loads and measures an entry; on failure reports it and removes it.
    // Returns whether the image loaded.
    bool LoadImage(QTreeWidgetItem* oItem);
    // Measures the entry at lPosition (from 1, clamped to the list), or when
    // it fails to load the next readable one in its place; false when none
    // is left. The size captions then always describe a listed image.
    bool MeasureFrom(int lPosition);
    // Removes the selected entries (menu "Remove", the Delete key).
    void mnuRemove_Click();
    // Removes one entry with the usual follow-up: count, selection, and the
    // window told when the list is empty.
    void RemoveEntry(QTreeWidgetItem* oItem);

    // The selected entry the list reports: the current entry when it is
    // selected, else the first selected one; 0 when none is. Position from 1.
    int SelectedPosition() const;
    // Makes the entry at lPosition (from 1) the only selected and the current one.
    void SelectOnly(int lPosition);

    // The list holds at most this many entries: positions are 16-bit.
    static constexpr int kMaxEntries = 32767;

    QTreeWidget* const lvwImages;
    QMenu* mnuPopup = nullptr;
    QAction* mnuRemove = nullptr;
    QAction* mnuProperties = nullptr; // also Alt+Enter
    QAction* mnuAddImages = nullptr;  // the list's additions start here

  protected:
    bool eventFilter(QObject* oWatched, QEvent* event) override;

  private:
    struct cChosenFile {
        QString Folder;
        QString Name;
        QString SubFolder = {}; // below the folder it was found in
    };
    // bCheckExistence: names that may name nothing, reported and skipped.
    void ReplaceList(const std::vector<cChosenFile>& aFiles, bool bSeveral, bool bCheckExistence);
    bool AddIfAccepted(const cChosenFile& oFile, bool bCheckExistence);
    // Adds aFiles at the end; a list that was empty is then measured and
    // enables the window (FinishOpen).
    void AppendFiles(const std::vector<cChosenFile>& aFiles, bool bCheckExistence);
    // aPaths with every folder replaced by the image files inside it.
    std::vector<cChosenFile> TakeFolders(const QStringList& aPaths);
    void AddFolder_Click();
    void FinishOpen();
    // LoadImage for an entry the user went to; when it fails, the entry that
    // is selected in its place is measured.
    bool ShowEntry(QTreeWidgetItem* oItem);
    void SelectFirstUnlessSelected();
    void AfterRemoval(int lFirstRemoved);
    void mnuProperties_Click();
    void lvwImages_MouseUp(Qt::MouseButton eButton, Qt::KeyboardModifiers eShift, const QPoint& oAt);
    bool ListEvent(QEvent* event);
    bool ViewportEvent(QEvent* event);

    QWidget* const mViewport; // lvwImages->viewport()
    cImageListHost& mHost;
    std::unique_ptr<cIconCache> mIconCache;
    QString mOpenFolder;
};
