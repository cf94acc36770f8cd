#pragma once
// The main window: a coloured toolbar band of picture buttons, the image list
// on the left, the size, quality and rotation options on the right and a
// status band with the entry count, the status text and the progress bar.
//
// Other parts of the program reach the window through its public members:
// the list (lvwImages, run by ImageList(), with the entry helpers of
// ImageEntry.h), the status band (labStatus, labFileCount, SetProgressWidth,
// shpProgress), the questions object every dialog goes through
// (Questions()), the imaging instance (gdip), EnableForm and GetPath. The
// image list, the screen capture and the preview see the window only through
// the small interfaces it implements (cImageListHost, cCaptureHost,
// cPreviewHost).

#include "ARButton.h"
#include "ScreenCapture.h"
#include "WindowElements.h"
#include "PhotoDetails.h"
#include "cImageListHost.h"
#include "cPreviewHost.h"
#include "cStatusHint.h"

#include <QRect>
#include <QString>
#include <QStringList>
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
class QSpinBox;
class QTreeWidget;
class QUrl;
class cGDIP;
struct cDesign;
class cImageList;
class cQuestions;

class frmQuillet : public QWidget, public cImageListHost, public cCaptureHost, public cPreviewHost {
    Q_OBJECT
  public:
    // oQuestions answers every dialog and message of the window; without it
    // the window shows real Qt dialogs. It must outlive the window.
    explicit frmQuillet(cQuestions* oQuestions = nullptr, QWidget* parent = nullptr);
    ~frmQuillet() override;

    cQuestions& Questions() const override { return *mQuestions; }

    // The image list's commands (Open, drop, removal, loading an entry).
    cImageList& ImageList() const override { return *mImageList; }

    // --- window (frmQuillet.cpp) -------------------------------------------
    // Enables the options, the custom size box and the Preview and Save buttons.
    void EnableForm() override;
    // Adds the four lines of one sunken frame in the status band, spanning
    // lLeft .. lLeft + lWidth (twips).
    void DrawBorder(int32_t lLeft, int32_t lWidth);
    // The save folder chooser; "" when cancelled.
    QString GetPath();
    // The batch save started by the Save button's main zone (SaveImages.cpp).
    void SaveImages();
    // GetPath until a folder that can take files is chosen; "" when cancelled.
    QString ChooseSaveFolder();
    // The "GDIP Error" report of a failure of the window's imaging instance.
    void gdip_Error(int32_t lGdiError, const QString& sErrorDesc, const QString& sClassName) override;
    // The first-run questions (the welcome, then the file managers' menus);
    // runs on every activation, asks once per user.
    void FormActivate();
    // The file managers' right-click entries: the first run's offer (only
    // while they are not installed), and the Help button's right-click menu
    // (FileManagerOffer.cpp).
    void OfferFileManagerActions();
    void InstallActions_Click();
    void RemoveActions_Click();
    // Width of the progress bar in twips, 0 .. gProgressWidth; repaints it.
    void SetProgressWidth(int32_t lWidth);
    // Shows or hides the progress bar.
    void SetProgressVisible(bool bVisible);

    // --- files from later starts of the program (HandedFiles.cpp) ----------
    // Brings the window to the front and appends aPaths (files and folders)
    // to the list; while a save runs they wait, and the status band says so.
    void TakeHandedFiles(const QStringList& aPaths);
    // What the status band adds to the save's progress while files wait.
    QString HandedFilesNote() const;
    // Adds the files that wait, unless a save runs.
    void AddHandedFiles();

    // --- option panels (OptionPanels.cpp) ----------------------------------
    void SetLabels();
    void UncheckMenu();
    void ShowHideQualityOptions(bool bShow);
    // The quality options as the chosen format wants them, and the format
    // named in the Save button's hint.
    void ShowChosenFormat();

    // --- what the list and the capture need (frmQuillet.cpp) --------------
    void ListReplacing() override;
    void ImageMeasured() override;
    void ListEmptied() override;
    void ShowFileCount(int lCount) override;
    void ShowStatus(const QString& sText) override;
    void ShowProperties(const QString& sName, const QString& sFolder) override;
    QWidget& CaptureWindow() override { return *this; }
    cGDIP& Imaging() override { return *gdip; }
    QWidget& PreviewOwner() override { return *this; }
    cSaveJob SaveJob() const override;

    // Members named as the rest of the program knows them.
    std::unique_ptr<cGDIP> gdip;
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

    QMenu* mnuDropDown = nullptr;
    // The format items, "Original Format" first (SaveFormatCodes), each
    // named "mnu" + code + "Format" ("mnuOriginalFormat") with its code as
    // data. The photo-details and the other choices follow, each named too.
    std::vector<QAction*> mnuFormats;
    QMenu* mnuHelpPopup = nullptr; // the Help button's right-click menu
    QAction* mnuInstallActions = nullptr;
    QAction* mnuRemoveActions = nullptr;
    QAction* mnuSizeLimit = nullptr;
    QSpinBox* txtSizeLimit = nullptr;
    QLineEdit* txtNameTemplate = nullptr; // "Name:" in the Save button's menu; "" = the source's name
    QString mNameTemplate;                // the template in use, checked

    // Width in pixels of the Save button's drop-down zone at its right edge.
    static constexpr int kDropDownZone = 16;
    // The maker's web site, without a trailing "/".
    static const QString kMakerSite;
    // Title of the message shown when no browser opens a page.
    static const QString kPageNotOpenedTitle;

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
    void BuildImageList();
    void BuildStatusBand();
    void SetTabOrder();
    // Shortcuts.cpp: the window's keys (Ctrl+O, Ctrl+Shift+O, Ctrl+S, Ctrl+P, F1, Ctrl+Q).
    void BuildShortcuts();
    // WindowLayout.cpp: the designed places, kept at load, and the room
    // beyond the designed size given to the list.
    void RememberDesignedLayout();
    void LayOutExtraRoom();
    void ConnectToolButton(ARButton* oButton);
    // The format menu, under the toolbar band at the Save button's left edge.
    void ShowFormatMenu();
    // Opens oAddress in the browser; says so, with the address, when it cannot.
    void OpenPage(const QUrl& oAddress);
    void PaintElements(QPainter& painter) const;
    void UpdateElement(const cShapeElement& oShape);
    // OptionPanels.cpp
    // A header: a coloured bar with white bold text at oPlace in oParent.
    static QLabel* MakeHeader(QWidget* oParent, const char* sName, const QString& sText, const cDesign& oPlace);
    void BuildOptionPanels();
    void BuildFormatMenu();
    void txtSize_LostFocus();
    // The custom size box's text, taken as accepted.
    void SetCustomSizeText(const QString& sText);
    void FormatMenu_Click(QAction* oItem, const QString& sCode);
    // DetailsMenu.cpp
    void BuildDetailsMenu();
    static void DetailsMenu_Click(ePhotoDetails eChoice);
    // FitMenu.cpp
    void BuildFitMenu();
    // FileManagerOffer.cpp
    void BuildHelpMenu();
    void SizeLimit_Change();
    void NameTemplate_Change();

    cQuestions* mQuestions = nullptr;
    std::unique_ptr<cQuestions> mOwnQuestions;
    cImageList* mImageList = nullptr;         // a child of lvwImages
    std::unique_ptr<cStatusHint> mStatusHint; // the toolbar's hints over labStatus
    bool mAskingFirstRun = false;
    QString mCustomSize; // the custom size box's last accepted text
    QString mSaveHint;   // the Save button's hint without the format
    struct cDesignedPlace {
        QWidget* Widget;
        QRect Place; // pixels, at the designed window size
        int Follows; // which of the extra width and height it takes (WindowLayout.cpp)
    };
    std::vector<cDesignedPlace> mDesignedPlaces;
    std::vector<cLineElement> mDesignedLines;
    cShapeElement mDesignedProgress;
    bool mSaving = false;       // a save runs: handed files wait
    bool mAddingHanded = false; // handed files are being added
    QStringList mHandedFiles;   // handed files that wait
};
