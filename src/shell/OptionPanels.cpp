// The main window's option panels (size, quality, rotation) and the format
// menu of the Save button.

#include "AppState.h"
#include "Dimensions.h"
#include "ImageFormats.h"
#include "OutputOptions.h"
#include "SavedChoices.h"
#include "SizeList.h"
#include "cQuestions.h"
#include "frmQuillet.h"
#include "frmQuilletDesign.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>

#include <algorithm>
#include <functional>

namespace {

const QColor kHeaderColor(197, 99, 154);

// Captions of the size options before any image is loaded.
const char* const kSizeCaptionsBefore[6] = {"Small", "Medium", "Large", "Huge", "Giant", "Custom"};
const char* const kQualityCaptions[4] = {"Low", "Medium", "High", "Maximum"};
const char* const kRotationCaptions[4] = {"0°", "90°", "180°", "270°"};

QWidget* MakePanel(QWidget* oParent, const char* sName, const cDesign& oPlace) {
    auto* panel = new QWidget(oParent);
    panel->setObjectName(QLatin1String(sName));
    PlaceTwips(panel, oPlace);
    return panel;
}

// One exclusive group of options; a checked option stores its index in
// iIndexState, then fChosen runs.
template <size_t N>
void MakeOptionGroup(QWidget* oPanel, std::array<QRadioButton*, N>& aOptions, const char* const (&aCaptions)[N],
                     const std::array<cDesign, N>& aPlaces, int16_t& iIndexState, const char* sName,
                     const std::function<void()>& fChosen) {
    auto* group = new QButtonGroup(oPanel);
    for (size_t i = 0; i < N; ++i) {
        auto* option = new QRadioButton(QString::fromUtf8(aCaptions[i]), oPanel);
        option->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(sName)).arg(i));
        PlaceTwips(option, aPlaces[i]);
        option->setChecked(static_cast<int>(i) == iIndexState);
        option->setEnabled(false);
        group->addButton(option, static_cast<int>(i));
        aOptions[i] = option;
    }
    // A group is one tab stop, at its chosen option; the arrow keys move
    // within it.
    auto keepTabStop = [group] {
        const QList<QAbstractButton*> buttons = group->buttons();
        for (QAbstractButton* button : buttons)
            button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    };
    keepTabStop();
    QObject::connect(group, &QButtonGroup::idToggled, oPanel,
                     [&iIndexState, keepTabStop, fChosen](int lId, bool bChecked) {
                         if (bChecked) {
                             iIndexState = static_cast<int16_t>(lId);
                             keepTabStop();
                             fChosen();
                         }
                     });
}

// The places of a column of options. Each option may reach the right edge
// of its panel, so that a caption in a wider font than the design's is not
// cut off ("Custom (10000 x 7500)").
template <size_t N> std::array<cDesign, N> ColumnPlaces(const cDesign& oFirst, int lPanelWidth) {
    std::array<cDesign, N> places{};
    for (size_t i = 0; i < N; ++i)
        places[i] = {oFirst.Left, oFirst.Top + kOptionStep * static_cast<int>(i), lPanelWidth - oFirst.Left,
                     oFirst.Height};
    return places;
}

// Width an option's circle, gap and caption take in the font and style in use.
int DrawnWidth(const QRadioButton* oOption) {
    const QStyle* style = oOption->style();
    return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, oOption) +
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, oOption) +
           oOption->fontMetrics().horizontalAdvance(oOption->text());
}

// The angles side by side, from lLeft to the panel's right edge: each option
// as wide as it is drawn, the room left over shared out evenly between them
// (the designed places leave "0°" touching the 90° circle in most fonts).
void SpreadRow(const std::array<QRadioButton*, 4>& aOptions, int lLeft, int lPanelWidth) {
    int drawn = 0;
    for (const QRadioButton* option : aOptions)
        drawn += DrawnWidth(option);
    const int gap = std::max(0, (lPanelWidth - lLeft - drawn) / static_cast<int>(aOptions.size() - 1));
    int x = lLeft;
    for (QRadioButton* option : aOptions) {
        const int width = DrawnWidth(option);
        // The widget may reach into the gap for the focus frame.
        option->setGeometry(x, option->y(), std::min(option->sizeHint().width(), width + gap), option->height());
        x += width + gap;
    }
}

// The Custom option's caption for several sizes: "Custom (3 sizes)".
QString SizesCaption(size_t lCount) {
    return QStringLiteral("Custom (%1 sizes)").arg(lCount);
}

QString DimensionsText(const cDimensions& oSize) {
    return QStringLiteral("(%1 x %2)").arg(oSize.Width).arg(oSize.Height);
}

} // namespace

QLabel* frmQuillet::MakeHeader(QWidget* oParent, const char* sName, const QString& sText, const cDesign& oPlace) {
    auto* label = new QLabel(sText, oParent);
    label->setObjectName(QLatin1String(sName));
    PlaceTwips(label, oPlace);
    label->setAutoFillBackground(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, kHeaderColor);
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setIndent(4);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

void frmQuillet::BuildOptionPanels() {
    const auto remember = [this] { RememberChoices(mCustomSize); };
    picSize = MakePanel(this, "picSize", kSizePanel);
    MakeHeader(picSize, "labSize", QStringLiteral("Image Size"), kSizeHeader);
    MakeOptionGroup(picSize, optSize, kSizeCaptionsBefore, ColumnPlaces<6>(kSizeOption, kSizePanel.Width), gSizeIndex,
                    "optSize", remember);

    txtSize = new QLineEdit(mCustomSize, picSize);
    // Digits only; a number above the largest size is refused on leaving.
    txtSize->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,5}( *, *[0-9]{0,5}){0,15}")), txtSize));
    txtSize->setObjectName(QStringLiteral("txtSize"));
    txtSize->setAccessibleName(QStringLiteral("Custom size in pixels"));
    PlaceTwips(txtSize, kCustomSizeBox);
    txtSize->setEnabled(false);
    txtSize->installEventFilter(this);
    auto* labPixels = new QLabel(QStringLiteral("Pixels"), picSize);
    labPixels->setObjectName(QStringLiteral("labPixels"));
    PlaceTwips(labPixels, kPixelsLabel);

    picQuality = MakePanel(this, "picQuality", kQualityPanel);
    MakeHeader(picQuality, "labQuality", QStringLiteral("Image Quality"), kQualityHeader);
    MakeOptionGroup(picQuality, optQuality, kQualityCaptions, ColumnPlaces<4>(kQualityOption, kQualityPanel.Width),
                    gQualityIndex, "optQuality", remember);
    labNoQuality = new QLabel(
        QStringLiteral("Quality settings only apply when saving in JPG, WebP, AVIF or JPEG XL format."), picQuality);
    labNoQuality->setObjectName(QStringLiteral("labNoQuality"));
    labNoQuality->setWordWrap(true);
    PlaceTwips(labNoQuality, kNoQualityNote);
    // The note takes as many lines as the font in use wraps it to; the
    // panel has room below the designed two.
    labNoQuality->resize(labNoQuality->width(),
                         std::max(labNoQuality->height(), labNoQuality->heightForWidth(labNoQuality->width())));
    labNoQuality->hide();

    Picture1 = MakePanel(this, "Picture1", kRotationPanel);
    const QLabel* labRotation = MakeHeader(Picture1, "labRotation", QStringLiteral("Image Rotation"), kRotationHeader);
    MakeOptionGroup(Picture1, optRotation, kRotationCaptions, kRotationOptions, gRotationIndex, "optRotation",
                    remember);
    SpreadRow(optRotation, labRotation->indent(), Picture1->width());
}

void frmQuillet::BuildFormatMenu() {
    mnuDropDown = new QMenu(QStringLiteral("DropDown"), this);
    mnuDropDown->setObjectName(QStringLiteral("mnuDropDown"));
    // The pointer left the Save button for the menu without the button
    // seeing it go: its hint goes with the menu.
    connect(mnuDropDown, &QMenu::aboutToHide, this, [this] { mStatusHint->Hide(); });
    for (const QString& code : SaveFormatCodes()) {
        QAction* action = mnuDropDown->addAction(SaveFormatCaption(code));
        action->setObjectName(code == QLatin1String("DFT") ? QStringLiteral("mnuOriginalFormat")
                                                           : QStringLiteral("mnu%1Format").arg(code));
        action->setCheckable(true);
        action->setChecked(gOutputFormat == code);
        action->setData(code);
        connect(action, &QAction::triggered, this, [this, action, code] { FormatMenu_Click(action, code); });
        mnuFormats.push_back(action);
    }
    // A stored format the menu no longer offers falls back to the sources' own.
    if (std::none_of(mnuFormats.begin(), mnuFormats.end(), [](const QAction* item) { return item->isChecked(); })) {
        gOutputFormat = mnuFormats.front()->data().toString();
        mnuFormats.front()->setChecked(true);
    }
    mSaveHint = SaveButton->toolTip();
    ShowChosenFormat();
}

void frmQuillet::ShowChosenFormat() {
    ShowHideQualityOptions(FormatTakesQuality(gOutputFormat));
    const QString hint = QStringLiteral("%1 (%2)").arg(mSaveHint, SaveFormatCaption(gOutputFormat));
    SaveButton->setToolTip(hint);
    SaveButton->setAccessibleName(hint);
    if (mStatusHint && SaveButton->IsMouseOver())
        mStatusHint->Show(hint);
}

void frmQuillet::FormatMenu_Click(QAction* oItem, const QString& sCode) {
    UncheckMenu();
    oItem->setChecked(true);
    gOutputFormat = sCode;
    ShowChosenFormat();
    RememberChoices(mCustomSize);
}

void frmQuillet::UncheckMenu() {
    for (QAction* item : mnuFormats)
        item->setChecked(false);
}

void frmQuillet::ShowHideQualityOptions(bool bShow) {
    for (QRadioButton* option : optQuality)
        option->setVisible(bShow);
    labNoQuality->setVisible(!bShow);
}

void frmQuillet::SetLabels() {
    for (int16_t i = 0; i < static_cast<int16_t>(optSize.size()); ++i) {
        const std::vector<int16_t> sizes = TargetSizes(i, txtSize->text());
        optSize[i]->setText(sizes.size() > 1 ? SizesCaption(sizes.size())
                                             : gSizeNames[i] + u' ' + DimensionsText(GetDimensions(sizes.front())));
        optSize[i]->setEnabled(true);
    }
}

void frmQuillet::txtSize_LostFocus() {
    // Passing through the box with Tab neither changes the size nor traps
    // the focus between the box and the option.
    const QString text = txtSize->text();
    if (text == mCustomSize && !txtSize->isModified())
        return;
    txtSize->setModified(false);
    // Several sizes: one output of each image per size.
    if (text.contains(u',')) {
        const cSizeList list = ParseSizeList(text);
        if (!list.Error.isEmpty()) {
            txtSize->setText(mCustomSize);
            Questions().Warn(kCustomSizeTitle, QStringLiteral("These sizes cannot be used: %1.").arg(list.Error));
            return;
        }
        SetCustomSizeText(SizeListText(list.Sizes));
        optSize[kCustomSizeIndex]->setText(SizesCaption(list.Sizes.size()));
        optSize[kCustomSizeIndex]->setChecked(true);
        RememberChoices(mCustomSize);
        return;
    }
    const std::optional<int16_t> size = CustomBoxSize(text);
    if (!size) {
        // An emptied box goes back quietly; a number too large is refused.
        txtSize->setText(mCustomSize);
        if (!text.isEmpty())
            Questions().Warn(kCustomSizeTitle, CustomSizeRefusedText(text));
        return;
    }
    mCustomSize = text;
    QRadioButton* custom = optSize[kCustomSizeIndex];
    custom->setText(QStringLiteral("Custom ") + DimensionsText(GetDimensions(*size)));
    // A number the user changed makes the custom size the choice.
    custom->setChecked(true);
    RememberChoices(mCustomSize);
}

void frmQuillet::SetCustomSizeText(const QString& sText) {
    mCustomSize = sText;
    txtSize->setText(sText);
    txtSize->setModified(false);
}
