// The main window's image list: the Open command, adding entries, loading
// and measuring one entry, removal, the list's mouse and key handling, and
// files dropped from a file manager.

#include "AppState.h"
#include "FileNames.h"
#include "ImageEntry.h"
#include "Numbers.h"
#include "Registry.h"
#include "SortIndexes.h"
#include "Twips.h"
#include "cBitmap.h"
#include "cIconCache.h"
#include "cQuestions.h"
#include "frmProperties.h"
#include "frmQuillet.h"
#include "frmQuilletDesign.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QTreeWidget>

#include <vector>

namespace {

// Milliseconds between two runs of pending window events while adding files.
constexpr qint64 kEventInterval = 15;

// The open dialog's filter rows in Qt's form. A row whose display text holds
// its own patterns repeats them, space-separated, in a last pair of
// parentheses, which is where Qt reads the patterns from.
const char* const kOpenFilterRows[] = {
    "All Image Files (*.bmp *.emf *.gif *.ico *.jpg *.jpeg *.png *.tif *.tiff *.wmf *.heic *.heif *.avif "
    "*.webp)",
    "Bitmap (*.bmp) (*.bmp)",
    "Enhanced Meta File (*.emf) (*.emf)",
    "GIF (*.gif) (*.gif)",
    "Icons (*.ico) (*.ico)",
    "JPEG (*.jpg, *.jpeg) (*.jpg *.jpeg)",
    "PNG (*.png) (*.png)",
    "TIFF (*.tif, *.tiff) (*.tif *.tiff)",
    "Windows Meta File (*.wmf) (*.wmf)",
    "HEIF Images (*.heic;*.heif) (*.heic *.heif)",
    "AVIF Images (*.avif) (*.avif)",
    "WebP Images (*.webp) (*.webp)",
};

QString OpenFilter() {
    QStringList rows;
    for (const char* row : kOpenFilterRows)
        rows.append(QLatin1String(row));
    return rows.join(QStringLiteral(";;"));
}

// Every entry the list holds, in order.
std::vector<QTreeWidgetItem*> Entries(const QTreeWidget& oList) {
    std::vector<QTreeWidgetItem*> entries;
    entries.reserve(static_cast<size_t>(oList.topLevelItemCount()));
    for (int i = 0; i < oList.topLevelItemCount(); ++i)
        entries.push_back(oList.topLevelItem(i));
    return entries;
}

} // namespace

void frmQuillet::BuildImageList() {
    labImages = new QLabel(QStringLiteral("Image Names"), this);
    labImages->setObjectName(QStringLiteral("labImages"));
    PlaceTwips(labImages, kImagesHeader.Left, kImagesHeader.Top, kImagesHeader.Width, kImagesHeader.Height);
    labImages->setAutoFillBackground(true);
    QPalette headerColours = labImages->palette();
    headerColours.setColor(QPalette::Window, QColor(197, 99, 154));
    headerColours.setColor(QPalette::WindowText, Qt::white);
    labImages->setPalette(headerColours);
    QFont bold = labImages->font();
    bold.setBold(true);
    labImages->setFont(bold);
    labImages->setIndent(4);

    lvwImages = new QTreeWidget(this);
    lvwImages->setObjectName(QStringLiteral("lvwImages"));
    PlaceTwips(lvwImages, kImageList.Left, kImageList.Top, kImageList.Width, kImageList.Height);
    lvwImages->setHeaderLabels({QStringLiteral("Image Files")});
    lvwImages->setColumnWidth(0, TwipsToPixelsX(kImageList.Width - kColumnMargin, ScreenOf(this)));
    lvwImages->header()->setStretchLastSection(false);
    lvwImages->setRootIsDecorated(false);
    lvwImages->setUniformRowHeights(true);
    lvwImages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwImages->setIconSize(QSize(16, 16));
    // The column keeps its designed width; a long name is shortened in the
    // middle so that its extension stays visible.
    lvwImages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvwImages->setTextElideMode(Qt::ElideMiddle);
    lvwImages->setAcceptDrops(true);
    lvwImages->installEventFilter(this);
    lvwImages->viewport()->installEventFilter(this);

    mnuPopup = new QMenu(QStringLiteral("RightClick"), this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuRemove = mnuPopup->addAction(QStringLiteral("Remove"));
    mnuRemove->setObjectName(QStringLiteral("mnuRemove"));
    mnuProperties = mnuPopup->addAction(QStringLiteral("Properties"));
    mnuProperties->setObjectName(QStringLiteral("mnuProperties"));
    connect(mnuRemove, &QAction::triggered, this, &frmQuillet::mnuRemove_Click);
    connect(mnuProperties, &QAction::triggered, this, &frmQuillet::mnuProperties_Click);
}

void frmQuillet::OpenButton_Click() {
    labStatus->hide();
    const cQuestions::cOpenResult chosen =
        Questions().OpenFiles(QStringLiteral("Select Images"), OpenFilter(), mOpenFolder);
    switch (chosen.Outcome) {
    case cQuestions::cOpenResult::eOutcome::Failed:
        Questions().MsgBox(QStringLiteral("Open Image Error"),
                           QStringLiteral("We were unable to open your image(s).  The usual cause for this is "
                                          "that you have selected \nmore images than the program can handle "
                                          "at one time."),
                           cQuestions::eIcon::Exclamation, cQuestions::eButtons::OK);
        break;
    case cQuestions::cOpenResult::eOutcome::Chosen:
        if (!chosen.Names.isEmpty()) {
            std::vector<cChosenFile> files;
            for (const QString& name : chosen.Names)
                files.push_back({chosen.Folder, name});
            ReplaceList(files, files.size() > 1);
        }
        break;
    case cQuestions::cOpenResult::eOutcome::Cancelled:
        break;
    }
    // Whatever happened, the quality options are shown again.
    ShowHideQualityOptions(true);
}

void frmQuillet::TakeDroppedFiles(const QStringList& aPaths) {
    labStatus->hide();
    std::vector<cChosenFile> files;
    for (const QString& path : aPaths) {
        const QFileInfo info(path);
        files.push_back({WithoutTrailingSeparator(info.absolutePath()), info.fileName()});
    }
    if (!files.empty())
        ReplaceList(files, true);
    ShowHideQualityOptions(true);
}

void frmQuillet::ReplaceList(const std::vector<cChosenFile>& aFiles, bool bSeveral) {
    lvwImages->clear();
    labFileCount->setText(QStringLiteral("0 Images"));
    labFileCount->show();
    mOpenFolder = aFiles.front().Folder;
    if (!bSeveral) {
        // One file: taken whatever its name; the stored open folder stays.
        AddToFileList(mOpenFolder, aFiles.front().Name);
    } else {
        WriteString(SettingsKey, QStringLiteral("OpenFolder"), mOpenFolder);
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        for (const cChosenFile& file : aFiles) {
            if (lvwImages->topLevelItemCount() >= kMaxEntries) {
                Questions().MsgBox(QStringLiteral("Open Image Error"),
                                   QStringLiteral("The list holds at most %1 images; the remaining files "
                                                  "were not added.")
                                       .arg(kMaxEntries),
                                   cQuestions::eIcon::Exclamation, cQuestions::eButtons::OK);
                break;
            }
            const bool isFile = !QFileInfo(JoinPath(file.Folder, file.Name)).isDir();
            if (isFile && IsImageFile(file.Name)) {
                AddToFileList(file.Folder, file.Name);
                // Pending window events run between additions, so the count
                // grows visibly and the window stays responsive. Every run
                // lays the whole list out again, so it happens once per
                // kEventInterval rather than after every file: that keeps
                // thousands of files from taking quadratic time.
                if (sinceEvents.elapsed() >= kEventInterval) {
                    QCoreApplication::processEvents();
                    sinceEvents.restart();
                }
            } else {
                Questions().MsgBox(QStringLiteral("Unknown File Format"),
                                   file.Name + QStringLiteral(" does not appear to be an image file.  It is "
                                                              "being skipped."),
                                   cQuestions::eIcon::Exclamation, cQuestions::eButtons::OK);
            }
        }
    }
    FinishOpen();
}

void frmQuillet::FinishOpen() {
    // With every name refused there is nothing to load, and with the only
    // entry failing to load nothing to preview or save: the buttons then stay
    // as they are.
    if (lvwImages->topLevelItemCount() == 0)
        return;
    LoadImage(lvwImages->topLevelItem(0));
    if (lvwImages->topLevelItemCount() == 0)
        return;
    txtSize->setText(QString::number(gImageWidth > gImageHeight ? gImageWidth : gImageHeight));
    EnableForm();
}

void frmQuillet::AddToFileList(const QString& sPath, const QString& sFile) {
    const QString folder = WithoutTrailingSeparator(sPath);
    auto* entry = new QTreeWidgetItem({sFile});
    entry->setData(0, kEntryTagRole, folder);
    entry->setIcon(0, mIconCache->IconFor(JoinPath(folder, sFile)));
    lvwImages->addTopLevelItem(entry);
    UpdateFileCount();
}

bool frmQuillet::LoadImage(QTreeWidgetItem* oItem) {
    cBitmap bitmap;
    bitmap.LoadFromFile(EntryPath(oItem));
    if (bitmap.Handle() != nullptr) {
        gImageWidth = ClampToInt16(bitmap.Width());
        gImageHeight = ClampToInt16(bitmap.Height());
        txtSize->setText(QString::number(gImageWidth > gImageHeight ? gImageWidth : gImageHeight));
        SetLabels();
        return true;
    }
    Questions().MsgBox(QStringLiteral("Error Loading Image"),
                       EntryText(oItem) + QStringLiteral(" is corrupt, or in a file format that cannot be "
                                                         "viewed.\n\nIt has been removed from list of files "
                                                         "to work with."),
                       cQuestions::eIcon::Exclamation, cQuestions::eButtons::OK);
    RemoveEntry(oItem);
    return false;
}

void frmQuillet::mnuRemove_Click() {
    std::vector<int16_t> selected;
    const std::vector<QTreeWidgetItem*> entries = Entries(*lvwImages);
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i]->isSelected())
            selected.push_back(static_cast<int16_t>(i));
    if (!selected.empty()) {
        SortIndexes(selected, 0, static_cast<int>(selected.size()) - 1);
        // Highest first, so that a removal never shifts an index still to come.
        for (auto index = selected.rbegin(); index != selected.rend(); ++index)
            delete lvwImages->takeTopLevelItem(*index);
    }
    if (lvwImages->topLevelItemCount() == 0) {
        PreviewButton->setEnabled(false);
        SaveButton->setEnabled(false);
    }
    UpdateFileCount();
}

void frmQuillet::RemoveEntry(QTreeWidgetItem* oItem) {
    delete lvwImages->takeTopLevelItem(lvwImages->indexOfTopLevelItem(oItem));
    if (lvwImages->topLevelItemCount() == 0) {
        PreviewButton->setEnabled(false);
        SaveButton->setEnabled(false);
    }
    UpdateFileCount();
}

void frmQuillet::UpdateFileCount() {
    labFileCount->setText(QString::number(lvwImages->topLevelItemCount()) + QStringLiteral(" Images"));
}

void frmQuillet::mnuProperties_Click() {
    const QList<QTreeWidgetItem*> selected = lvwImages->selectedItems();
    const QTreeWidgetItem* entry = selected.isEmpty() ? nullptr : selected.front();
    frmProperties properties(this, entry != nullptr ? EntryText(entry) : QString(),
                             entry != nullptr ? EntryTag(entry) : QString());
    properties.exec();
}

void frmQuillet::lvwImages_MouseUp(Qt::MouseButton eButton, Qt::KeyboardModifiers eShift, const QPoint& oAt) {
    QTreeWidgetItem* entry = lvwImages->itemAt(oAt);
    if (eButton != Qt::RightButton) {
        if (!(eShift & (Qt::ShiftModifier | Qt::ControlModifier)) && entry != nullptr)
            LoadImage(entry);
        return;
    }
    const qsizetype selectedCount = lvwImages->selectedItems().size();
    const QPoint menuAt = lvwImages->viewport()->mapToGlobal(oAt);
    if (selectedCount == 1) {
        // An entry that fails to load is gone: no menu for it.
        if (entry == nullptr || !LoadImage(entry))
            return;
        mnuProperties->setEnabled(true);
        mnuPopup->popup(menuAt);
    } else if (selectedCount > 1) {
        mnuProperties->setEnabled(false);
        mnuPopup->popup(menuAt);
    }
}

bool frmQuillet::ListEventFilter(QObject* oWatched, QEvent* event) {
    if (oWatched == lvwImages) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            mnuRemove_Click();
            return true;
        }
        return false;
    }
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
                paths.append(url.toLocalFile());
        drop->acceptProposedAction();
        // Taken once the drop has finished: the messages it may show must
        // not run inside the drag and drop exchange.
        QTimer::singleShot(0, this, [this, paths] { TakeDroppedFiles(paths); });
        return true;
    }
    default:
        return false;
    }
}
