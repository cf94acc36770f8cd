#include "cImageList.h"

#include "AppState.h"
#include "AtomicFile.h"
#include "FileNames.h"
#include "FolderScan.h"
#include "ImageFormats.h"
#include "ImageEntry.h"
#include "NameBytes.h"
#include "Numbers.h"
#include "Registry.h"
#include "SaveTexts.h"
#include "cBitmap.h"
#include "cIconCache.h"
#include "cImageListHost.h"
#include "cQuestions.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace {

// Milliseconds between two runs of pending window events while adding files.
constexpr qint64 kEventInterval = 15;

} // namespace

cImageList::cImageList(cImageListHost& oHost, QTreeWidget* oList)
    : QObject(oList), lvwImages(oList), mViewport(oList->viewport()), mHost(oHost),
      mIconCache(std::make_unique<cIconCache>()) {
    lvwImages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwImages->setAcceptDrops(true);
    lvwImages->installEventFilter(this);
    mViewport->installEventFilter(this);

    mnuPopup = new QMenu(QStringLiteral("RightClick"), lvwImages);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuRemove = mnuPopup->addAction(QStringLiteral("Remove"));
    mnuRemove->setObjectName(QStringLiteral("mnuRemove"));
    mnuProperties = mnuPopup->addAction(QStringLiteral("Properties"));
    mnuProperties->setObjectName(QStringLiteral("mnuProperties"));
    mnuProperties->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));
    mnuPopup->addSeparator();
    mnuAddImages = mnuPopup->addAction(QStringLiteral("Add Images\u2026"));
    mnuAddImages->setObjectName(QStringLiteral("mnuAddImages"));
    mnuAddImages->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(mnuRemove, &QAction::triggered, this, &cImageList::mnuRemove_Click);
    connect(mnuProperties, &QAction::triggered, this, &cImageList::mnuProperties_Click);
    connect(mnuAddImages, &QAction::triggered, this, &cImageList::AddImages_Click);
    QAction* addFolder = mnuPopup->addAction(QStringLiteral("Add Folder\u2026"));
    addFolder->setObjectName(QStringLiteral("mnuAddFolder"));
    connect(addFolder, &QAction::triggered, this, &cImageList::AddFolder_Click);
}

cImageList::~cImageList() = default;

void cImageList::OpenButton_Click() {
    mHost.ListReplacing();
    const cQuestions::cOpenResult chosen =
        mHost.Questions().OpenFiles(QStringLiteral("Select Images"), OpenDialogFilter(), mOpenFolder);
    switch (chosen.Outcome) {
    case cQuestions::cOpenResult::eOutcome::Failed:
        mHost.Questions().Warn(kOpenErrorTitle,
                               QStringLiteral("We were unable to open your image(s).  The usual cause for "
                                              "this is that you have selected \nmore images than the "
                                              "program can handle at one time."));
        break;
    case cQuestions::cOpenResult::eOutcome::Chosen:
        if (!chosen.Names.isEmpty()) {
            std::vector<cChosenFile> files;
            for (const QString& name : chosen.Names)
                files.push_back({chosen.Folder, name});
            ReplaceList(files, files.size() > 1, false);
        }
        break;
    case cQuestions::cOpenResult::eOutcome::Cancelled: break;
    }
}

void cImageList::AddImages_Click() {
    const cQuestions::cOpenResult chosen =
        mHost.Questions().OpenFiles(QStringLiteral("Add Images"), OpenDialogFilter(), mOpenFolder);
    if (chosen.Outcome != cQuestions::cOpenResult::eOutcome::Chosen || chosen.Names.isEmpty())
        return;
    std::vector<cChosenFile> files;
    for (const QString& name : chosen.Names)
        files.push_back({chosen.Folder, name});
    mOpenFolder = chosen.Folder;
    WriteString(SettingsKey, QStringLiteral("OpenFolder"), mOpenFolder);
    AppendFiles(files, false);
}

void cImageList::TakeFiles(const QStringList& aPaths) {
    mHost.ListReplacing();
    const std::vector<cChosenFile> files = TakeFolders(aPaths);
    // Names typed on a command line or dropped by another program may name
    // nothing; the open dialog only offers files that exist.
    if (!files.empty())
        ReplaceList(files, true, true);
}

void cImageList::AddPaths(const QStringList& aPaths) {
    AppendFiles(TakeFolders(aPaths), true);
}

void cImageList::AddFolder_Click() {
    const QString folder =
        mHost.Questions().BrowseForFolder(QStringLiteral("Select a folder of images to add."), mOpenFolder);
    if (folder.isEmpty())
        return;
    mOpenFolder = folder;
    AddPaths({folder});
}

std::vector<cImageList::cChosenFile> cImageList::TakeFolders(const QStringList& aPaths) {
    bool subfolders = false;
    bool folderGiven = false;
    const auto isFolder = [](const QString& sPath) {
        return PathKind(NameBytesStd(sPath)) == ePathKind::Folder; // Qt loses names that are no valid UTF-8
    };
    for (const QString& path : aPaths) {
        if (!isFolder(path))
            continue;
        folderGiven = true;
        if (!subfolders && HasSubfolders(path))
            subfolders = mHost.Questions().MsgBox(
                             QStringLiteral("Add Folder"), QStringLiteral("Add the images in its subfolders too?"),
                             cQuestions::eIcon::Question, cQuestions::eButtons::YesNo) == cQuestions::eAnswer::Yes;
        if (subfolders)
            break;
    }
    std::vector<cChosenFile> files;
    cFolderScan scan;
    for (const QString& path : aPaths) {
        const QFileInfo info(path);
        if (!isFolder(path)) {
            files.push_back({WithoutTrailingSeparator(info.absolutePath()), info.fileName()});
            continue;
        }
        const size_t before = scan.Images.size();
        ScanFolder(path, subfolders, scan);
        for (size_t i = before; i < scan.Images.size(); ++i)
            files.push_back({scan.Images[i].Folder, scan.Images[i].Name, scan.Images[i].SubFolder});
    }
    if (!scan.Unreadable.isEmpty())
        mHost.Questions().Warn(kLoadErrorTitle,
                               QStringLiteral("These folders cannot be read; their images were not added:") +
                                   kParagraphBreak + scan.Unreadable.join(u'\n'));
    if (folderGiven)
        mHost.ShowStatus(FolderScanText(static_cast<int>(scan.Images.size()), scan.OtherFiles));
    return files;
}

void cImageList::ReplaceWithOne(const QString& sPath, const QString& sFile) {
    lvwImages->clear();
    AddToFileList(sPath, sFile);
    FinishOpen();
}

void cImageList::ReplaceList(const std::vector<cChosenFile>& aFiles, bool bSeveral, bool bCheckExistence) {
    lvwImages->clear();
    mHost.ShowFileCount(0);
    mOpenFolder = aFiles.front().Folder;
    if (!bSeveral) {
        // One file: taken whatever its name; the stored open folder stays.
        AddToFileList(mOpenFolder, aFiles.front().Name);
        FinishOpen();
        return;
    }
    WriteString(SettingsKey, QStringLiteral("OpenFolder"), mOpenFolder);
    AppendFiles(aFiles, bCheckExistence);
}

void cImageList::AppendFiles(const std::vector<cChosenFile>& aFiles, bool bCheckExistence) {
    const bool wasEmpty = lvwImages->topLevelItemCount() == 0;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (const cChosenFile& file : aFiles) {
        if (lvwImages->topLevelItemCount() >= kMaxEntries) {
            mHost.Questions().Warn(kOpenErrorTitle, QStringLiteral("The list holds at most %1 images; the remaining "
                                                                   "files were not added.")
                                                        .arg(kMaxEntries));
            break;
        }
        // Pending window events run between additions, so the count grows
        // visibly and the window stays responsive. Every run lays the whole
        // list out again, so it happens once per kEventInterval rather than
        // after every file: that keeps thousands of files from taking
        // quadratic time.
        if (AddIfAccepted(file, bCheckExistence) && sinceEvents.elapsed() >= kEventInterval) {
            QCoreApplication::processEvents();
            sinceEvents.restart();
        }
    }
    // Entries already listed keep the measured one; a list that was empty
    // is measured and enabled as after an Open.
    if (wasEmpty)
        FinishOpen();
}

bool cImageList::AddIfAccepted(const cChosenFile& oFile, bool bCheckExistence) {
    const ePathKind kind = PathKind(NameBytesStd(JoinPath(oFile.Folder, oFile.Name)));
    if (bCheckExistence && (kind == ePathKind::Missing || kind == ePathKind::UnreadableFile)) {
        mHost.Questions().Warn(kLoadErrorTitle, DisplayName(oFile.Name) +
                                                    QStringLiteral(" cannot be found or cannot be read.") +
                                                    kParagraphBreak + QStringLiteral("It is being skipped."));
        return false;
    }
    if (kind == ePathKind::Folder || !IsImageFile(oFile.Name)) {
        mHost.Questions().Warn(QStringLiteral("Unknown File Format"),
                               DisplayName(oFile.Name) + QStringLiteral(" does not appear to be an image file.  It is "
                                                                        "being skipped."));
        return false;
    }
    AddToFileList(oFile.Folder, oFile.Name, oFile.SubFolder);
    return true;
}

void cImageList::FinishOpen() {
    // With every name refused there is nothing to load, and with the only
    // entry failing to load nothing to preview or save: the window then
    // stays as it is.
    if (!MeasureFrom(1))
        return;
    SelectFirstUnlessSelected();
    mHost.EnableForm();
}

void cImageList::AddToFileList(const QString& sPath, const QString& sFile, const QString& sSubFolder) {
    const QString folder = WithoutTrailingSeparator(sPath);
    auto* entry = new QTreeWidgetItem({DisplayName(sFile)});
    if (entry->text(0) != sFile)
        entry->setData(0, kEntryNameRole, sFile);
    entry->setData(0, kEntryTagRole, folder);
    if (!sSubFolder.isEmpty())
        entry->setData(0, kEntrySubFolderRole, sSubFolder);
    entry->setIcon(0, mIconCache->IconFor(JoinPath(folder, sFile)));
    // The column shortens long names in the middle; the whole path is a hover away.
    entry->setToolTip(0, DisplayName(QDir::toNativeSeparators(JoinPath(folder, sFile))));
    lvwImages->addTopLevelItem(entry);
    if (lvwImages->topLevelItemCount() == 1)
        SelectFirstUnlessSelected();
    mHost.ShowFileCount(lvwImages->topLevelItemCount());
}

void cImageList::SelectFirstUnlessSelected() {
    if (lvwImages->topLevelItemCount() > 0 && !lvwImages->selectionModel()->hasSelection())
        SelectOnly(1);
}

void cImageList::SelectOnly(int lPosition) {
    QTreeWidgetItem* entry = lvwImages->topLevelItem(lPosition - 1);
    if (entry == nullptr)
        return;
    lvwImages->setCurrentItem(entry, 0, QItemSelectionModel::ClearAndSelect);
}

int cImageList::SelectedPosition() const {
    QTreeWidgetItem* current = lvwImages->currentItem();
    if (current != nullptr && current->isSelected())
        return lvwImages->indexOfTopLevelItem(current) + 1;
    const QModelIndexList selected = lvwImages->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return 0;
    return std::ranges::min(selected, {}, &QModelIndex::row).row() + 1;
}

bool cImageList::LoadImage(QTreeWidgetItem* oItem) {
    cBitmap bitmap;
    bitmap.LoadFromFile(EntryPath(oItem));
    if (bitmap.Handle() != nullptr) {
        gImageWidth = ClampToInt16(bitmap.Width());
        gImageHeight = ClampToInt16(bitmap.Height());
        mHost.ImageMeasured();
        return true;
    }
    mHost.Questions().Warn(kLoadErrorTitle, NotViewableText(EntryText(oItem)));
    RemoveEntry(oItem);
    return false;
}

bool cImageList::MeasureFrom(int lPosition) {
    // Each entry that fails to load is reported and removed, which moves the
    // next one into its place.
    while (lvwImages->topLevelItemCount() > 0) {
        const int position = std::clamp(lPosition, 1, lvwImages->topLevelItemCount());
        if (LoadImage(lvwImages->topLevelItem(position - 1)))
            return true;
    }
    return false;
}

bool cImageList::ShowEntry(QTreeWidgetItem* oItem) {
    if (LoadImage(oItem))
        return true;
    // The sizes shown belong to an entry still listed, never to one gone.
    MeasureFrom(std::max(SelectedPosition(), 1));
    return false;
}

void cImageList::mnuRemove_Click() {
    // Gathered in list order, so ascending.
    std::vector<int> selected;
    for (int i = 0; i < lvwImages->topLevelItemCount(); ++i)
        if (lvwImages->topLevelItem(i)->isSelected())
            selected.push_back(i);
    if (selected.empty())
        return;
    // Highest first, so that a removal never shifts an index still to come.
    for (auto index = selected.rbegin(); index != selected.rend(); ++index)
        delete lvwImages->takeTopLevelItem(*index);
    AfterRemoval(selected.front() + 1);
    if (lvwImages->topLevelItemCount() > 0)
        MeasureFrom(SelectedPosition());
}

void cImageList::RemoveEntry(QTreeWidgetItem* oItem) {
    const int index = lvwImages->indexOfTopLevelItem(oItem);
    delete lvwImages->takeTopLevelItem(index);
    AfterRemoval(index + 1);
}

void cImageList::AfterRemoval(int lFirstRemoved) {
    const int count = lvwImages->topLevelItemCount();
    if (count == 0)
        mHost.ListEmptied();
    else if (!lvwImages->selectionModel()->hasSelection())
        SelectOnly(std::min(lFirstRemoved, count));
    mHost.ShowFileCount(count);
}

void cImageList::mnuProperties_Click() {
    const int position = SelectedPosition();
    const QTreeWidgetItem* entry = position > 0 ? lvwImages->topLevelItem(position - 1) : nullptr;
    mHost.ShowProperties(entry != nullptr ? EntryText(entry) : QString(),
                         entry != nullptr ? EntryTag(entry) : QString());
}

void cImageList::lvwImages_MouseUp(Qt::MouseButton eButton, Qt::KeyboardModifiers eShift, const QPoint& oAt) {
    QTreeWidgetItem* entry = lvwImages->itemAt(oAt);
    if (eButton != Qt::RightButton) {
        if (!(eShift & (Qt::ShiftModifier | Qt::ControlModifier)) && entry != nullptr)
            ShowEntry(entry);
        return;
    }
    const qsizetype selectedCount = lvwImages->selectionModel()->selectedRows().size();
    // An entry that fails to load is gone: no menu for it.
    if (selectedCount == 1 && entry != nullptr && !ShowEntry(entry))
        return;
    // Adding images is always offered; Remove needs a selection and
    // Properties one loaded entry under the pointer.
    mnuRemove->setEnabled(selectedCount > 0);
    mnuProperties->setEnabled(selectedCount == 1 && entry != nullptr);
    mnuPopup->popup(lvwImages->viewport()->mapToGlobal(oAt));
}

bool cImageList::eventFilter(QObject* oWatched, QEvent* event) {
    if (oWatched == lvwImages)
        return ListEvent(event);
    // Compared, not asked: events still arrive while the list is destroyed.
    if (oWatched == mViewport)
        return ViewportEvent(event);
    return false;
}

bool cImageList::ListEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            mnuRemove_Click();
            return true;
        }
        // Alt+Enter: the properties of the one selected entry, as from the menu.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::AltModifier) {
            const int position = SelectedPosition();
            if (lvwImages->selectionModel()->selectedRows().size() == 1 && position > 0 &&
                ShowEntry(lvwImages->topLevelItem(position - 1)))
                mnuProperties_Click();
            return true;
        }
        return false;
    }
    case QEvent::KeyRelease: {
        // Moving through the list with the keys measures the entry reached,
        // as a click on it does; with Shift or Ctrl only the selection grows.
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool moves = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Home ||
                           key->key() == Qt::Key_End || key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
        QTreeWidgetItem* current = lvwImages->currentItem();
        if (moves && !key->isAutoRepeat() && !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) &&
            current != nullptr && current->isSelected())
            ShowEntry(current);
        return false;
    }
    case QEvent::ContextMenu: {
        // The Menu key (or Shift+F10) opens the right-click menu at the current entry.
        if (static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Keyboard ||
            lvwImages->currentItem() == nullptr)
            return false;
        lvwImages_MouseUp(Qt::RightButton, Qt::NoModifier,
                          lvwImages->visualItemRect(lvwImages->currentItem()).center());
        return true;
    }
    default: return false;
    }
}

bool cImageList::ViewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        lvwImages_MouseUp(mouse->button(), mouse->modifiers(), mouse->position().toPoint());
        return false;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
            return true;
        }
        return false;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList paths;
        const QList<QUrl> urls = drop->mimeData()->urls();
        for (const QUrl& url : urls)
            if (url.isLocalFile())
                paths.append(NameOfLocalFile(url));
        drop->acceptProposedAction();
        // Taken once the drop has finished: the messages it may show must
        // not run inside the drag and drop exchange.
        QTimer::singleShot(0, this, [this, paths] { TakeFiles(paths); });
        return true;
    }
    default: return false;
    }
}
