#include "frmQuillet.h"

#include "AppState.h"
#include "QLTMain.h"
#include "OutputOptions.h"
#include "Registry.h"
#include "SavedChoices.h"
#include "SaveTexts.h"
#include "ScreenCapture.h"
#include "SetIcons.h"
#include "cGDIP.h"
#include "cImageList.h"
#include "cQtQuestions.h"
#include "dlgPreview.h"
#include "frmProperties.h"
#include "frmQuilletDesign.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>

const QString frmQuillet::kMakerSite = QStringLiteral("https://www.norvane.com");
const QString frmQuillet::kPageNotOpenedTitle = QStringLiteral("Page Not Opened");

namespace {

const QColor kToolbarColor(73, 147, 133);
const QColor kStatusBandColor(182, 212, 206);
const QColor kFrameShadowColor(127, 127, 127);
const QColor kProgressColor(73, 147, 133);

struct cToolButtonDesign {
    ARButton* frmQuillet::*Member;
    const char* Name;
    const char* Picture; // resource ":/buttons/<Picture>.svg"
    const char* Hint;
    cDesign Place;
    bool StartsEnabled;
};

const cToolButtonDesign kToolButtons[] = {
    {&frmQuillet::OpenButton, "OpenButton", "open", "Select images to resize", {32, 32, 615, 615}, true},
    {&frmQuillet::CaptureButton, "CaptureButton", "capture", "Take a Screen Capture", {680, 30, 615, 615}, true},
    {&frmQuillet::PreviewButton, "PreviewButton", "preview", "Preview your changes", {1320, 30, 615, 615}, false},
    {&frmQuillet::SaveButton, "SaveButton", "save", "Save your new images", {1960, 30, 840, 615}, false},
    {&frmQuillet::PrintsButton,
     "PrintsButton",
     "prints",
     "Order professional prints of your images",
     {4080, 30, 615, 615},
     false},
    {&frmQuillet::FriendButton, "FriendButton", "friend", "Tell a friend about Quillet", {4800, 30, 615, 615}, true},
    {&frmQuillet::HelpButton, "HelpButton", "help", "Get help!", {7245, 30, 615, 615}, true},
};

constexpr int kPictureSide = 32; // pixels, at the designed layout scale

// The colour of gradient row lRow of lLastRow (twips): from 153, 220, 198 at
// the top to white at the bottom.
QColor GradientColor(int lRow, int lLastRow) {
    return {153 + (lRow * 102) / lLastRow, 220 + (lRow * 35) / lLastRow, 198 + (lRow * 57) / lLastRow};
}

} // namespace

frmQuillet::frmQuillet(cQuestions* oQuestions, QWidget* parent) : QWidget(parent), mQuestions(oQuestions) {
    if (mQuestions == nullptr) {
        mOwnQuestions = std::make_unique<cQtQuestions>(this);
        mQuestions = mOwnQuestions.get();
    }
    FormLoad();
}

frmQuillet::~frmQuillet() = default;

void frmQuillet::FormLoad() {
    setObjectName(QStringLiteral("frmQuillet"));
    SetIcon(this, QStringLiteral("QLT"), true);
    setWindowTitle(QStringLiteral("Quillet %1").arg(QStringLiteral(QUILLET_VERSION)));
    // The layout was drawn for a narrow 8-point sans serif; a condensed face
    // keeps captions such as "Thumbnail (100 x 75)" inside their places.
    QFont windowFont = font();
    windowFont.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                            QStringLiteral("Arial Narrow"), windowFont.family()});
    windowFont.setPointSizeF(8.25 * LayoutScale());
    setFont(windowFont);
    // The backgrounds are fixed light colours whatever the desktop's theme:
    // the texts on them stay dark.
    UseDarkText(*this);
    const cStoredChoices stored = RestoreChoices();
    mCustomSize = stored.CustomSize.isEmpty() ? QLatin1String(kSizeTags[kCustomSizeIndex]) : stored.CustomSize;
    if (!stored.Format.isEmpty())
        gOutputFormat = stored.Format;

    gdip = std::make_unique<cGDIP>();
    connect(gdip.get(), cGDIP::ErrorSignal(), this, &frmQuillet::gdip_Error);

    BuildToolbar();
    BuildImageList();
    BuildOptionPanels();
    BuildFormatMenu();
    BuildDetailsMenu();
    BuildFitMenu();
    BuildHelpMenu();
    BuildStatusBand();
    SetTabOrder();
    BuildShortcuts();

    labStatus->setText(QStringLiteral("Click the Open Folder or Screenshot icon to begin"));
    labStatus->show();

    const auto storedFolder = [](const QString& sName) {
        return ValueExists(SettingsKey, sName) ? ReadValue(SettingsKey, sName).toString() : gDefaultFolder;
    };
    mImageList->SetOpenFolder(storedFolder(QStringLiteral("OpenFolder")));
    mSaveFolder = storedFolder(QStringLiteral("SaveFolder"));

    // The designed size is the smallest; the list takes any room beyond it.
    // Centred on the screen.
    const QScreen* screen = ScreenOf(this);
    RememberDesignedLayout();
    setMinimumSize(TwipsToPixelsX(kClientWidth, screen), TwipsToPixelsY(kClientHeight, screen));
    resize(minimumSize());
    if (screen != nullptr) {
        QRect place = rect();
        place.moveCenter(screen->availableGeometry().center());
        move(place.topLeft());
    }
}

void frmQuillet::BuildToolbar() {
    shpToolbar = {kToolbar.Left, kToolbar.Top, kToolbar.Width, kToolbar.Height, kToolbarColor, true};
    for (const cToolButtonDesign& design : kToolButtons) {
        auto* button = new ARButton(this);
        this->*design.Member = button;
        button->setObjectName(QLatin1String(design.Name));
        PlaceTwips(button, design.Place);
        const QIcon picture(QStringLiteral(":/buttons/%1.svg").arg(QLatin1String(design.Picture)));
        const QSize side = QSize(kPictureSide, kPictureSide) * LayoutScale();
        button->SetPicture(picture.pixmap(side));
        button->SetPictureDisabled(picture.pixmap(side, QIcon::Disabled));
        button->SetBackColors(kToolbarColor, kToolbarColor);
        button->setToolTip(QLatin1String(design.Hint));
        button->setAccessibleName(QLatin1String(design.Hint));
        button->setEnabled(design.StartsEnabled);
        ConnectToolButton(button);
    }
    SaveButton->SetDropDownWidth(kDropDownZone);
    connect(SaveButton, &ARButton::DropDownRequested, this, &frmQuillet::ShowFormatMenu);
    connect(OpenButton, &ARButton::clicked, this, [this] { mImageList->OpenButton_Click(); });
    connect(SaveButton, &ARButton::clicked, this, &frmQuillet::SaveImages);
    connect(CaptureButton, &ARButton::clicked, this, [this] { CaptureScreen(*this, *mImageList); });
    connect(PreviewButton, &ARButton::clicked, this, [this] {
        // The preview sets the cursor back once its first image is ready.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        dlgPreview preview(*this);
        preview.exec();
    });
    connect(FriendButton, &ARButton::clicked, this,
            [this] { OpenPage(QUrl(kMakerSite + QStringLiteral("/QLTFriend.aspx"))); });
    connect(HelpButton, &ARButton::clicked, this, [this] { OpenPage(QUrl::fromLocalFile(HelpIndexPath())); });

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    PlaceTwips(Image1, kImage1);
    Image1->setPixmap(QIcon(QStringLiteral(":/buttons/wordmark.svg")).pixmap(Image1->size()));
    Image1->setAlignment(Qt::AlignCenter);
}

void frmQuillet::SetTabOrder() {
    // Forward along the toolbar, then the list, then the option panels
    // from left to right, as they are read.
    std::vector<QWidget*> chain = {OpenButton,   CaptureButton, PreviewButton, SaveButton,
                                   PrintsButton, FriendButton,  HelpButton,    lvwImages};
    chain.insert(chain.end(), optSize.begin(), optSize.end());
    chain.push_back(txtSize);
    chain.insert(chain.end(), optQuality.begin(), optQuality.end());
    chain.insert(chain.end(), optRotation.begin(), optRotation.end());
    for (size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void frmQuillet::ConnectToolButton(ARButton* oButton) {
    connect(oButton, &ARButton::MouseEnter, this, [this, oButton] { mStatusHint->Show(oButton->toolTip()); });
    connect(oButton, &ARButton::MouseLeave, this, [this] { mStatusHint->Hide(); });
}

void frmQuillet::ShowFormatMenu() {
    const QPoint corner(SaveButton->x(), TwipsToPixelsY(shpToolbar.Height, ScreenOf(this)));
    mnuDropDown->popup(mapToGlobal(corner));
    // The checked format (the first checked item; the photo-details group
    // follows) starts active, so that the arrow keys start from it.
    for (QAction* item : mnuDropDown->actions())
        if (item->isChecked()) {
            mnuDropDown->setActiveAction(item);
            break;
        }
}

void frmQuillet::BuildStatusBand() {
    shpStatusBar = {kStatusBar.Left, kStatusBar.Top, kStatusBar.Width, kStatusBar.Height, kStatusBandColor, true};

    // Line element 0 is the hidden model every frame line is copied from.
    const QColor titleTextColor = palette().color(QPalette::Active, QPalette::HighlightedText);
    lineLine.assign(1, cLineElement{0, 0, 0, 0, titleTextColor, false});

    // Lines first+1 .. first+4 frame the list's compartment, first+5 ..
    // first+8 the options' compartment.
    const int first = gBorderLineCount;
    DrawBorder(kImageList.Left, kImageList.Width);
    DrawBorder(kSizePanel.Left, kQualityPanel.Left + kQualityPanel.Width - kSizePanel.Left);

    const QScreen* screen = ScreenOf(this);
    const int pixelX = PixelsToTwipsX(1, screen);
    const int pixelY = PixelsToTwipsY(1, screen);
    const cLineElement& rightTop = lineLine.at(first + 5);
    const cLineElement& leftTop = lineLine.at(first + 1);
    const cLineElement& rightLeft = lineLine.at(first + 8);
    shpProgress = {rightTop.X1 + pixelX, leftTop.Y1 + pixelY, 0, rightLeft.Length() - pixelY, kProgressColor, true};
    gProgressWidth = rightTop.Length() - 2 * pixelX;

    labFileCount = new QLabel(QStringLiteral("0 Images"), this);
    labFileCount->setObjectName(QStringLiteral("labFileCount"));
    labStatus = new QLabel(this);
    labStatus->setObjectName(QStringLiteral("labStatus"));
    const int labelTop = shpStatusBar.Top + (shpStatusBar.Height - kFileCount.Height) / 2;
    // The count may grow to "32767 Images": it may use its whole compartment.
    PlaceTwips(labFileCount, {kFileCount.Left, labelTop, kImageList.Width - kFileCount.Left, kFileCount.Height});
    PlaceTwips(labStatus, {kStatus.Left, labelTop, kStatus.Width, kStatus.Height});
    labStatus->raise();
    mStatusHint = std::make_unique<cStatusHint>(*labStatus);
    // The save disables the window; its progress must stay readable, so the
    // status band's texts keep their normal colour.
    for (QLabel* label : {labFileCount, labStatus}) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::Disabled, QPalette::WindowText,
                         colours.color(QPalette::Active, QPalette::WindowText));
        label->setPalette(colours);
    }
}

void frmQuillet::BuildImageList() {
    labImages = MakeHeader(this, "labImages", QStringLiteral("Image Names"), kImagesHeader);

    lvwImages = new QTreeWidget(this);
    lvwImages->setObjectName(QStringLiteral("lvwImages"));
    PlaceTwips(lvwImages, kImageList);
    lvwImages->setHeaderLabels({QStringLiteral("Image Files")});
    lvwImages->setColumnWidth(0, TwipsToPixelsX(kImageList.Width - kColumnMargin, ScreenOf(this)));
    lvwImages->header()->setStretchLastSection(false);
    lvwImages->setRootIsDecorated(false);
    lvwImages->setUniformRowHeights(true);
    lvwImages->setIconSize(QSize(16, 16));
    // The column keeps its designed width; a long name is shortened in the
    // middle so that its extension stays visible.
    lvwImages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvwImages->setTextElideMode(Qt::ElideMiddle);
    lvwImages->setAccessibleName(QStringLiteral("Image files"));
    mImageList = new cImageList(*this, lvwImages);
}

void frmQuillet::ListReplacing() {
    labStatus->hide();
}

void frmQuillet::ImageMeasured() {
    // The box starts at the image's own size, unless the custom size is the
    // choice: then it keeps the number the user chose.
    if (gSizeIndex != kCustomSizeIndex)
        SetCustomSizeText(QString::number(gImageWidth > gImageHeight ? gImageWidth : gImageHeight));
    SetLabels();
}

void frmQuillet::ListEmptied() {
    PreviewButton->setEnabled(false);
    SaveButton->setEnabled(false);
}

void frmQuillet::ShowFileCount(int lCount) {
    labFileCount->setText(QString::number(lCount) + QStringLiteral(" Images"));
    labFileCount->show();
}

void frmQuillet::ShowStatus(const QString& sText) {
    labStatus->setText(sText);
    labStatus->setAlignment(Qt::AlignCenter);
    labStatus->show();
}

void frmQuillet::ShowProperties(const QString& sName, const QString& sFolder) {
    frmProperties properties(this, sName, sFolder);
    properties.exec();
}

cSaveJob frmQuillet::SaveJob() const {
    return {.SizeIndex = gSizeIndex,
            .CustomSize = txtSize->text(),
            .QualityIndex = gQualityIndex,
            .RotationIndex = gRotationIndex,
            .OutputFormat = gOutputFormat,
            .PhotoDetails = gPhotoDetails,
            .NoEnlarge = gNoEnlarge,
            .MaxBytes = gMaxBytes,
            .KeepDates = gKeepDates,
            .NameTemplate = mNameTemplate,
            .KeepFolders = gKeepFolders};
}

void frmQuillet::DrawBorder(int32_t lLeft, int32_t lWidth) {
    const int n = gBorderLineCount;
    if (static_cast<int>(lineLine.size()) < n + 5)
        lineLine.resize(n + 5, lineLine.front());
    const QScreen* screen = ScreenOf(this);
    const int top = shpStatusBar.Top + PixelsToTwipsY(2, screen);
    const int bottom = shpStatusBar.Top + shpStatusBar.Height - PixelsToTwipsY(3, screen);
    const int right = lLeft + lWidth;
    const cLineElement& model = lineLine.front();
    // Shadow on the top and left, light on the right and bottom: sunken.
    lineLine[n + 1] = {lLeft, top, right, top, kFrameShadowColor, true};
    lineLine[n + 2] = {right, top, right, bottom, model.Color, true};
    lineLine[n + 3] = {lLeft, bottom, right, bottom, model.Color, true};
    lineLine[n + 4] = {lLeft, top, lLeft, bottom, kFrameShadowColor, true};
    gBorderLineCount = static_cast<int16_t>(n + 4);
    update();
}

void frmQuillet::EnableForm() {
    for (QWidget* panel : {picSize, picQuality, Picture1})
        for (QRadioButton* option : panel->findChildren<QRadioButton*>())
            option->setEnabled(true);
    // The custom size box goes with the last (custom) size option.
    txtSize->setEnabled(true);
    PreviewButton->setEnabled(true);
    SaveButton->setEnabled(true);
}

QString frmQuillet::GetPath() {
    return Questions().BrowseForFolder(QStringLiteral("Select the folder where you would like to save your photos."),
                                       mSaveFolder);
}

void frmQuillet::gdip_Error(int32_t lGdiError, const QString& sErrorDesc, const QString& sClassName) {
    Questions().MsgBox(QStringLiteral("GDIP Error"),
                       QStringLiteral("GDIP Error in: ") + sClassName + u'\t' + QStringLiteral("Error Number: ") +
                           QString::number(lGdiError) + u'\t' + QStringLiteral("Error Description: ") + sErrorDesc,
                       cQuestions::eIcon::Critical, cQuestions::eButtons::OK);
}

void frmQuillet::FormActivate() {
    if (mAskingFirstRun || ValueExists(SettingsKey, QStringLiteral("FirstTime")))
        return;
    mAskingFirstRun = true;
    const QString text = QStringLiteral("Welcome to Quillet!\n\nSince this is your first time using the "
                                        "program, would you like to watch a short \"Getting Started\" guide?");
    const cQuestions::eAnswer answer = Questions().MsgBox(QStringLiteral("Welcome to Quillet!"), text,
                                                          cQuestions::eIcon::None, cQuestions::eButtons::YesNo);
    // The guide is the help that comes with the program: it is there offline.
    if (answer == cQuestions::eAnswer::Yes)
        OpenPage(QUrl::fromLocalFile(HelpIndexPath()));
    OfferFileManagerActions();
    // Stored whatever the answer and whether or not the browser started.
    WriteString(SettingsKey, QStringLiteral("FirstTime"), QStringLiteral("N"));
    mAskingFirstRun = false;
}

void frmQuillet::OpenPage(const QUrl& oAddress) {
    if (QDesktopServices::openUrl(oAddress))
        return;
    const QString address =
        oAddress.isLocalFile() ? QDir::toNativeSeparators(oAddress.toLocalFile()) : oAddress.toString();
    Questions().Warn(kPageNotOpenedTitle, QStringLiteral("Quillet could not start a web browser to show this page:") +
                                              kParagraphBreak + address + kParagraphBreak +
                                              QStringLiteral("You can open it in your browser yourself."));
}

void frmQuillet::SetProgressWidth(int32_t lWidth) {
    const cShapeElement before = shpProgress;
    shpProgress.Width = std::clamp(lWidth, 0, std::max(gProgressWidth, 0));
    UpdateElement(before);
    UpdateElement(shpProgress);
}

void frmQuillet::SetProgressVisible(bool bVisible) {
    shpProgress.Visible = bVisible;
    UpdateElement(shpProgress);
}

void frmQuillet::UpdateElement(const cShapeElement& oShape) {
    update(TwipsRect({oShape.Left, oShape.Top, oShape.Width, oShape.Height}, ScreenOf(this)).adjusted(-1, -1, 1, 1));
}

void frmQuillet::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintBands(painter, *this, GradientColor);
    PaintElements(painter);
}

void frmQuillet::PaintElements(QPainter& painter) const {
    const QScreen* screen = ScreenOf(this);
    auto fill = [&](const cShapeElement& shape) {
        if (shape.Visible && shape.Width > 0 && shape.Height > 0)
            painter.fillRect(TwipsRect({shape.Left, shape.Top, shape.Width, shape.Height}, screen), shape.FillColor);
    };
    fill(shpToolbar);
    fill(shpStatusBar);
    for (const cLineElement& line : lineLine) {
        if (!line.Visible)
            continue;
        painter.setPen(QPen(line.Color, 1));
        painter.drawLine(TwipsToPixelsX(line.X1, screen), TwipsToPixelsY(line.Y1, screen),
                         TwipsToPixelsX(line.X2, screen), TwipsToPixelsY(line.Y2, screen));
    }
    fill(shpProgress);
}

void frmQuillet::resizeEvent(QResizeEvent* event) {
    // The bands span the window's outer width less two pixels; whatever lies
    // beyond the client area is clipped.
    const QScreen* screen = ScreenOf(this);
    const int bandWidth = PixelsToTwipsX(frameGeometry().width() - 2, screen);
    shpToolbar.Width = bandWidth;
    shpStatusBar.Width = bandWidth;
    LayOutExtraRoom();
    QWidget::resizeEvent(event);
}

void frmQuillet::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Asked once the activation has finished, not inside it.
        QTimer::singleShot(0, this, &frmQuillet::FormActivate);
    }
    QWidget::changeEvent(event);
}

bool frmQuillet::eventFilter(QObject* oWatched, QEvent* event) {
    if (oWatched == txtSize && event->type() == QEvent::FocusOut)
        txtSize_LostFocus();
    return QWidget::eventFilter(oWatched, event);
}

void frmQuillet::closeEvent(QCloseEvent* event) {
    gdip.reset();
    // The capture file never outlives the run.
    RemoveCaptureFile();
    event->accept();
}
