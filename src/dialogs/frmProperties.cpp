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
constexpr int kClientWidth = 5190;
constexpr int kClientHeight = 1815;
// Extra height for each detail row (date taken, camera), twips.
constexpr int kDetailRowHeight = 285;

// Pixels a frameless line edit keeps clear on each side of its text.
constexpr int kFieldTextMargin = 2;

// Field backgrounds: pale yellows matching the gradient behind them.
const QColor kNameBack(255, 255, 233);
const QColor kLocationBack(255, 255, 248);

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
}

QLabel* frmProperties::AddLabel(const char* sName, const QString& sText, const cDesign& oPlace, bool bBold) {
    auto* label = new QLabel(sText, this);
    label->setObjectName(QLatin1String(sName));
    if (bBold)
        label->setFont(BoldSansFont());
    label->setGeometry(TwipsRect(oPlace, ScreenOf(parentWidget())));
    return label;
}

void frmProperties::BuildControls() {
    const QScreen* screen = ScreenOf(parentWidget());
    auto makeField = [&](const char* name, const QColor& back, const cDesign& r) {
        auto* field = new QLineEdit(QStringLiteral("Text1"), this);
        field->setObjectName(QLatin1String(name));
        field->setFrame(false);
        field->setReadOnly(true);                                   // nothing is read back, so edits would mislead
        field->setAccessibleName(QString::fromLatin1(name).mid(3)); // "Name", "Location"
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Text, palette.color(QPalette::Active, QPalette::WindowText));
        field->setPalette(palette);
        field->setGeometry(TwipsRect(r, screen));
        return field;
    };
    const QString placeholder = QStringLiteral("SomeReallyReallyReallyLongFileName");
    // The captions may use the whole gap before the fields (960 twips rather
    // than the designed 810): the substitute bold fonts run wider.
    QLabel* label1 = AddLabel("Label1", QStringLiteral("Name:"), {120, 120, 960, 195}, true);
    QLabel* label2 = AddLabel("Label2", QStringLiteral("Width:"), {120, 405, 960, 195}, true);
    QLabel* label3 = AddLabel("Label3", QStringLiteral("Height:"), {120, 675, 960, 195}, true);
    QLabel* label4 = AddLabel("Label4", QStringLiteral("Location:"), {120, 960, 960, 195}, true);
    txtName = makeField("txtName", kNameBack, {1080, 120, 3930, 195});
    labWidth = AddLabel("labWidth", placeholder, {1080, 405, 3930, 195}, false);
    labHeight = AddLabel("labHeight", placeholder, {1080, 675, 3930, 195}, false);
    txtLocation = makeField("txtLocation", kLocationBack, {1080, 960, 3930, 195});
    // The designed rows are one line of the classic 8-point font high; the
    // font in use may need more (descenders of g, p, q): each row grows to
    // the font's line height about its designed middle.
    const std::array<QWidget*, 8> rows = {label1, label2, label3, label4, txtName, labWidth, labHeight, txtLocation};
    for (QWidget* row : rows) {
        const int needed = row->fontMetrics().height() + (qobject_cast<QLineEdit*>(row) != nullptr ? 2 : 0);
        if (needed > row->height())
            row->setGeometry(row->x(), row->y() - (needed - row->height()) / 2, row->width(), needed);
    }

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(TwipsRect({1988, 1320, 1215, 375}, screen));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
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
                      const QString& sValue) {
        if (sValue.isEmpty())
            return;
        const int top = 1245 + kDetailRowHeight * mDetailRows++;
        AddLabel(sCaptionName, sCaption, {120, top, 960, 195}, true);
        AddLabel(sValueName, sValue, {1080, top, 3930, 195}, false);
    };
    addRow("Label5", QStringLiteral("Taken:"), "labTaken", details.DateTaken);
    addRow("Label6", QStringLiteral("Camera:"), "labCamera", details.Camera);
    OKButton->move(OKButton->x(), TwipsToPixelsY(1320 + kDetailRowHeight * mDetailRows, screen));
}

int frmProperties::ClientHeight() const {
    return kClientHeight + kDetailRowHeight * mDetailRows;
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
    QPainter painter(this);
    PaintBands(painter, *this, GradientColour);
    // The frame: one pixel in the text colour on the outermost rows and columns.
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
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
