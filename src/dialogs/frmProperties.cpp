#include "frmProperties.h"

#include "DialogMetrics.h"
#include "AppState.h"
#include "Numbers.h"
#include "PhotoDetails.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <array>

namespace {

// Designed client size, twips.
constexpr double kClientWidth = 5190;
constexpr double kClientHeight = 1815;
// Extra height for each detail row (date taken, camera), twips.
constexpr double kDetailRowHeight = 285;

// Pixels a frameless line edit keeps clear on each side of its text.
constexpr int kFieldTextMargin = 2;

// Field backgrounds: pale yellows matching the gradient behind them.
const QColor kNameBack(255, 255, 233);
const QColor kLocationBack(255, 255, 248);

struct cTwipsRect {
    double Left, Top, Width, Height;
};

QRect ToPixels(const cTwipsRect& r, const QScreen* oScreen) {
    return {TwipsToPixelsX(r.Left, oScreen), TwipsToPixelsY(r.Top, oScreen), TwipsToPixelsX(r.Width, oScreen),
            TwipsToPixelsY(r.Height, oScreen)};
}

} // namespace

frmProperties::frmProperties(QWidget* owner, const QString& sName, const QString& sLocation)
    : QDialog(owner, Qt::Dialog) {
    // A title bar the desktop draws, so that the panel can be moved like any
    // window (a press on its background moves it too).
    setWindowTitle(QStringLiteral("Properties"));
    setModal(true);
    UseDarkText(*this);
    BuildControls();
    FillValues(sName, sLocation);
    if (!sName.isEmpty())
        AddDetailRows(QDir(sLocation).filePath(sName));
    const QScreen* screen = ScreenOf(owner);
    setFixedSize(TwipsToPixelsX(kClientWidth, screen), TwipsToPixelsY(ClientHeight(), screen));
    PlaceFrameLines();
}

void frmProperties::BuildControls() {
    const QScreen* screen = ScreenOf(parentWidget());
    auto makeLabel = [&](const char* name, const QString& text, const cTwipsRect& r) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setFont(BoldSansFont());
        label->setGeometry(ToPixels(r, screen));
        return label;
    };
    auto makeField = [&](const char* name, const QColor& back, const cTwipsRect& r) {
        auto* field = new QLineEdit(QStringLiteral("Text1"), this);
        field->setObjectName(QLatin1String(name));
        field->setFrame(false);
        field->setReadOnly(true);                                   // nothing is read back, so edits would mislead
        field->setAccessibleName(QString::fromLatin1(name).mid(3)); // "Name", "Location"
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Text, palette.color(QPalette::Active, QPalette::WindowText));
        field->setPalette(palette);
        field->setGeometry(ToPixels(r, screen));
        return field;
    };
    const QString placeholder = QStringLiteral("SomeReallyReallyReallyLongFileName");
    // The captions may use the whole gap before the fields (960 twips rather
    // than the designed 810): the substitute bold fonts run wider.
    Label1 = makeLabel("Label1", QStringLiteral("Name:"), {120, 120, 960, 195});
    Label2 = makeLabel("Label2", QStringLiteral("Width:"), {120, 405, 960, 195});
    Label3 = makeLabel("Label3", QStringLiteral("Height:"), {120, 675, 960, 195});
    Label4 = makeLabel("Label4", QStringLiteral("Location:"), {120, 960, 960, 195});
    txtName = makeField("txtName", kNameBack, {1080, 120, 3930, 195});
    labWidth = makeLabel("labWidth", placeholder, {1080, 405, 3930, 195});
    labHeight = makeLabel("labHeight", placeholder, {1080, 675, 3930, 195});
    txtLocation = makeField("txtLocation", kLocationBack, {1080, 960, 3930, 195});
    for (QLabel* value : {labWidth, labHeight})
        value->setFont(QFont());
    // The designed rows are one line of the classic 8-point font high; the
    // font in use may need more (descenders of g, p, q): each row grows to
    // the font's line height about its designed middle.
    const std::array<QWidget*, 8> rows = {Label1, Label2, Label3, Label4, txtName, labWidth, labHeight, txtLocation};
    for (QWidget* row : rows) {
        const int needed = row->fontMetrics().height() + (qobject_cast<QLineEdit*>(row) != nullptr ? 2 : 0);
        if (needed > row->height())
            row->setGeometry(row->x(), row->y() - (needed - row->height()) / 2, row->width(), needed);
    }

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(ToPixels({1988, 1320, 1215, 375}, screen));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto makeLine = [&](const char* name) {
        auto* line = new QWidget(this);
        line->setObjectName(QLatin1String(name));
        line->setAttribute(Qt::WA_TransparentForMouseEvents); // part of the background
        line->setAutoFillBackground(true);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::WindowText));
        line->setPalette(palette);
        return line;
    };
    lineTop = makeLine("lineTop");
    lineBottom = makeLine("lineBottom");
    lineLeft = makeLine("lineLeft");
    lineRight = makeLine("lineRight");
}

void frmProperties::FillValues(const QString& sName, const QString& sLocation) {
    const cDimensions size = GetDimensions(0);
    ShowElided(txtName, sName);
    labWidth->setText(sName.isEmpty() ? QString() : QString::number(size.Width));
    labHeight->setText(sName.isEmpty() ? QString() : QString::number(size.Height));
    ShowElided(txtLocation, sLocation);
}

void frmProperties::ShowElided(QLineEdit* oField, const QString& sText) {
    // A name or folder longer than the field loses its middle, so that both
    // ends show; the whole text is the field's tooltip.
    const int room = oField->contentsRect().width() - 2 * kFieldTextMargin;
    oField->setText(oField->fontMetrics().elidedText(sText, Qt::ElideMiddle, room));
    oField->setToolTip(sText);
    oField->setCursorPosition(0);
}

// One row below the location for each of the date taken and the camera.
void frmProperties::AddDetailRows(const QString& sPath) {
    const cPhotoSummary details = ReadPhotoSummary(sPath);
    const QScreen* screen = ScreenOf(parentWidget());
    auto addRow = [&](const char* sCaptionName, const QString& sCaption, const char* sValueName,
                      const QString& sValue) -> QLabel* {
        if (sValue.isEmpty())
            return nullptr;
        const double top = 1245 + kDetailRowHeight * mDetailRows++;
        auto* caption = new QLabel(sCaption, this);
        caption->setObjectName(QLatin1String(sCaptionName));
        caption->setFont(BoldSansFont());
        caption->setGeometry(ToPixels({120, top, 960, 195}, screen));
        auto* value = new QLabel(sValue, this);
        value->setObjectName(QLatin1String(sValueName));
        value->setGeometry(ToPixels({1080, top, 3930, 195}, screen));
        return value;
    };
    labTaken = addRow("Label5", QStringLiteral("Taken:"), "labTaken", details.DateTaken);
    labCamera = addRow("Label6", QStringLiteral("Camera:"), "labCamera", details.Camera);
    OKButton->move(OKButton->x(), TwipsToPixelsY(1320 + kDetailRowHeight * mDetailRows, screen));
}

double frmProperties::ClientHeight() const {
    return kClientHeight + kDetailRowHeight * mDetailRows;
}

void frmProperties::PlaceFrameLines() {
    // Top and bottom span the width; left and right keep the designed height.
    // Right and bottom lie on the last pixel column and row.
    const int designHeight = TwipsToPixelsY(ClientHeight(), ScreenOf(parentWidget()));
    lineTop->setGeometry(0, 0, width(), 1);
    lineBottom->setGeometry(0, height() - 1, width(), 1);
    lineLeft->setGeometry(0, 0, 1, designHeight);
    lineRight->setGeometry(width() - 1, 0, 1, designHeight);
}

QColor frmProperties::GradientColour(int lRow, int lLastRow) {
    const int whiteFrom = static_cast<int>(RoundHalfEven(0.8 * lLastRow));
    const int blue = whiteFrom > 0 ? std::min(255, 230 + (lRow * 25) / whiteFrom) : 255;
    return {255, 255, blue};
}

bool frmProperties::StartsMoveAt(const QPoint& lPoint) const {
    return rect().contains(lPoint) && childAt(lPoint) == nullptr;
}

void frmProperties::paintEvent(QPaintEvent*) {
    const QScreen* screen = ScreenOf(this);
    const double twipsPerPixel = TwipsPerPixelY(screen);
    const int lastRow = static_cast<int>(RoundHalfEven(height() * twipsPerPixel));
    if (lastRow < 0)
        return;
    QPainter painter(this);
    for (int y = 0; y < height(); ++y)
        painter.fillRect(0, y, width(), 1, GradientColour(LastBandOverPixelRow(y, twipsPerPixel, lastRow), lastRow));
}

void frmProperties::mousePressEvent(QMouseEvent* event) {
    // Any button on the background moves the panel like a title bar would.
    // Presses on labels reach here too (labels ignore them), hence the test.
    if (StartsMoveAt(event->position().toPoint()) && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void frmProperties::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceFrameLines();
    update();
}
