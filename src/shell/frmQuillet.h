#pragma once
// The main window: a coloured toolbar band of picture buttons, the image list
// on the left, the size, quality and rotation options on the right and a
// status band with the entry count, the status text and the progress bar.
//
// Other parts of the program reach the window through its public members:
// the list (lvwImages, with the entry helpers of ImageEntry.h), the status
// band (labStatus, labFileCount, SetProgressWidth, shpProgress), the
// questions object every dialog goes through (Questions()), the imaging
// instance (gdip) and the list operations (AddToFileList, LoadImage,
// RemoveEntry, EnableForm, GetPath). The buttons CaptureButton, PreviewButton
// and SaveButton (its clicked() is the main zone; the drop-down zone never
// clicks) are connected by the commands they start.

#include "ARButton.h"
#include "WindowElements.h"
#include "PhotoDetails.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class cGDIP;
class cIconCache;
class cQuestions;

class frmQuillet : public QWidget {
    Q_OBJECT
public:
    // oQuestions answers every dialog and message of the window; without it
    // the window shows real Qt dialogs. It must outlive the window.
    explicit frmQuillet(cQuestions* oQuestions = nullptr, QWidget* parent = nullptr);
    ~frmQuillet() override;

    cQuestions& Questions() const;

    // --- window (frmQuillet.cpp) -------------------------------------------
    // Enables the options, the custom size box and the Preview and Save buttons.
    void EnableForm();
    // Adds the four lines of one sunken frame in the status band, spanning
    // lLeft .. lLeft + lWidth (twips).
    void DrawBorder(int32_t lLeft, int32_t lWidth);
    // The save folder chooser; "" when cancelled.
    QString GetPath();
    // The batch save started by the Save button's main zone (SaveImages.cpp).
    void SaveImages();
    // The "GDIP Error" report of a failure of the window's imaging instance.
    void gdip_Error(int32_t lGdiError, const QString& sErrorDesc, const QString& sClassName);
    // The first-run question; runs on every activation, asks once per user.
    void FormActivate();
    // Width of the progress bar in twips, 0 .. gProgressWidth; repaints it.
    void SetProgressWidth(int32_t lWidth);
    // Shows or hides the progress bar.
    void SetProgressVisible(bool bVisible);

    // --- option panels (OptionPanels.cpp) ----------------------------------
    void SetLabels();
    void UncheckMenu();
    void ShowHideQualityOptions(bool bShow);

    // --- image list (ImageList.cpp) ----------------------------------------
    // The Open command of the Open button.
    void OpenButton_Click();
    // Appends an entry: text sFile, tag sPath without a trailing separator.
    void AddToFileList(const QString& sPath, const QString& sFile);
    // Loads and measures an entry; on failure reports it and removes it.
    // Returns whether the image loaded.
    bool LoadImage(QTreeWidgetItem* oItem);
    // Removes the selected entries (menu "Remove", the Delete key).
    void mnuRemove_Click();
    // Removes one entry with the usual follow-up: count label, and the
    // Preview and Save buttons disabled when the list is empty.
    void RemoveEntry(QTreeWidgetItem* oItem);
    // Replaces the list with dropped files (full paths), as a several-file
    // Open of them would.
    void TakeDroppedFiles(const QStringList& aPaths);

    // The list holds at most this many entries: positions are 16-bit.
    static constexpr int kMaxEntries = 32767;

    // Members named as the rest of the program knows them.
    std::unique_ptr<cGDIP> gdip;
    QString mOpenFolder;
    QString mSaveFolder;

    ARButton* OpenButton = nullptr;
    ARButton* CaptureButton = nullptr;
    ARButton* PreviewButton = nullptr;
    ARButton* SaveButton = nullptr;
    ARButton* PrintsButton = nullptr;
    ARButton* FriendButton = nullptr;
    ARButton* HelpButton = nullptr;

    QTreeWidget* lvwImages = nullptr;
    QLabel* labImages = nullptr;
    QLabel* labSize = nullptr;
    QLabel* labQuality = nullptr;
    QLabel* labRotation = nullptr;
    QLabel* labPixels = nullptr;
    QLabel* labNoQuality = nullptr;
    QLabel* labStatus = nullptr;
    QLabel* labFileCount = nullptr;
    QLabel* Image1 = nullptr;
    QWidget* picSize = nullptr;
    QWidget* picQuality = nullptr;
    QWidget* Picture1 = nullptr;
    std::array<QRadioButton*, 6> optSize{};
    std::array<QRadioButton*, 4> optQuality{};
    std::array<QRadioButton*, 4> optRotation{};
    QLineEdit* txtSize = nullptr;

    cShapeElement shpToolbar;
    cShapeElement shpStatusBar;
    cShapeElement shpProgress;
    std::vector<cLineElement> lineLine;

    QMenu* mnuPopup = nullptr;
    QAction* mnuRemove = nullptr;
    QAction* mnuProperties = nullptr;
    QMenu* mnuDropDown = nullptr;
    QAction* mnuOriginalFormat = nullptr;
    QAction* mnuBMPFormat = nullptr;
    QAction* mnuGIFFormat = nullptr;
    QAction* mnuJPGFormat = nullptr;
    QAction* mnuPNGFormat = nullptr;
    QAction* mnuWEBPFormat = nullptr;
    QAction* mnuKeepDetails = nullptr;
    QAction* mnuKeepLocation = nullptr;
    QAction* mnuRemoveDetails = nullptr;

    // Width in pixels of the Save button's drop-down zone at its right edge.
    static constexpr int kDropDownZone = 16;
    // The maker's web site, without a trailing "/".
    static const QString kMakerSite;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* oWatched, QEvent* event) override;

private:
    // frmQuillet.cpp
    void FormLoad();
    void BuildToolbar();
    void BuildStatusBand();
    void ConnectToolButton(ARButton* oButton);
    void SaveButton_MouseDown(Qt::MouseButton eButton, int lX);
    void PaintGradient(QPainter& painter) const;
    void PaintElements(QPainter& painter) const;
    void UpdateElement(const cShapeElement& oShape);
    // OptionPanels.cpp
    void BuildOptionPanels();
    void BuildFormatMenu();
    void txtSize_LostFocus();
    void FormatMenu_Click(QAction* oItem, const QString& sCode);
    // DetailsMenu.cpp
    void BuildDetailsMenu();
    static void DetailsMenu_Click(ePhotoDetails eChoice);
    // ImageList.cpp
    void BuildImageList();
    struct cChosenFile {
        QString Folder;
        QString Name;
    };
    void ReplaceList(const std::vector<cChosenFile>& aFiles, bool bSeveral);
    void mnuProperties_Click();
    bool ListEventFilter(QObject* oWatched, QEvent* event);
    void FinishOpen();
    void UpdateFileCount();
    void lvwImages_MouseUp(Qt::MouseButton eButton, Qt::KeyboardModifiers eShift, const QPoint& oAt);

    cQuestions* mQuestions = nullptr;
    std::unique_ptr<cQuestions> mOwnQuestions;
    std::unique_ptr<cIconCache> mIconCache;
    bool mAskingFirstRun = false;
};
