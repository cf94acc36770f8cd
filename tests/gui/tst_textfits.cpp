// Every text of the main window and its dialogs fits the place it is given,
// measured with the font in use, and stands out from the light background
// it is drawn on under a light and a dark palette. CTest runs this at 100,
// 125, 150 and 200 % (QT_SCALE_FACTOR), with the widest texts each place
// can hold, and the main window at a 9 and a 14 point desktop font.

#include "WindowFixture.h"
#include "frmProperties.h"

#include <QApplication>
#include <QStyle>

#include <cmath>
#include <map>

namespace {

// Pixels a radio button's circle, gap and caption take.
int OptionWidth(const QRadioButton* oOption) {
    const QStyle* style = oOption->style();
    return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, oOption) +
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, oOption) +
           oOption->fontMetrics().horizontalAdvance(oOption->text());
}

// What does not fit in oWidget, or "" when its text fits.
QString Misfit(const QWidget* oWidget) {
    const QFontMetrics metrics(oWidget->font());
    QString text;
    QSize needed, room;
    if (const auto* label = qobject_cast<const QLabel*>(oWidget); label && !label->text().isEmpty()) {
        text = label->text();
        room = label->contentsRect().adjusted(std::max(label->indent(), 0), 0, 0, 0).size();
        needed = QSize(metrics.horizontalAdvance(text), metrics.height());
        if (label->wordWrap()) {
            room.setHeight(label->height());
            needed = QSize(0, label->heightForWidth(label->width()));
        }
    } else if (const auto* option = qobject_cast<const QRadioButton*>(oWidget)) {
        text = option->text();
        room = option->size();
        needed = QSize(OptionWidth(option), metrics.height());
    } else if (const auto* field = qobject_cast<const QLineEdit*>(oWidget)) {
        // A line edit scrolls sideways; it must show the whole line height
        // (descenders included) within its one-pixel inner margins.
        room = field->contentsRect().size();
        needed = QSize(0, metrics.height() + 2);
    }
    if (needed.width() <= room.width() && needed.height() <= room.height())
        return {};
    return QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6\n")
        .arg(oWidget->objectName(), text)
        .arg(needed.width())
        .arg(needed.height())
        .arg(room.width())
        .arg(room.height());
}

// The contrast of the text drawn in oArea of oWindow (WCAG's ratio of the
// relative luminances): the most frequent colour there is the background,
// the text the pixel that stands out from it most.
double TextContrast(QWidget& oWindow, const QRect& oArea) {
    const auto luminance = [](QRgb lColour) {
        double sum = 0;
        for (const auto& [value, weight] : {std::pair(qRed(lColour), 0.2126), std::pair(qGreen(lColour), 0.7152),
                                            std::pair(qBlue(lColour), 0.0722)}) {
            const double c = value / 255.0;
            sum += weight * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return sum + 0.05;
    };
    const QImage shot = oWindow.grab(oArea).toImage().convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, int> counts;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            ++counts[shot.pixel(x, y)];
    const double back = luminance(
        std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first);
    double best = 1.0;
    for (const auto& entry : counts)
        best = std::max(best, std::max(luminance(entry.first), back) / std::min(luminance(entry.first), back));
    return best;
}

// The texts of oWindow (its labels and options, and the children named in
// aFields) whose contrast is below 4.5 : 1. Headers, white on their own dark
// pink, are not on the light background and are left out.
QString LowContrast(QWidget& oWindow, const QStringList& aFields = {}) {
    oWindow.show();
    if (!QTest::qWaitForWindowExposed(&oWindow))
        return QStringLiteral("window not shown");
    QString found;
    for (const QWidget* text : oWindow.findChildren<QWidget*>()) {
        const auto* option = qobject_cast<const QRadioButton*>(text);
        const auto* label = qobject_cast<const QLabel*>(text);
        const bool isText =
            option != nullptr || (label != nullptr && !label->text().isEmpty()) || aFields.contains(text->objectName());
        if (!isText || !text->isVisibleTo(&oWindow) || text->autoFillBackground())
            continue;
        QRect area = text->contentsRect();
        if (option != nullptr)
            area.setLeft(OptionWidth(option) - option->fontMetrics().horizontalAdvance(option->text()));
        const double contrast = TextContrast(oWindow, QRect(text->mapTo(&oWindow, area.topLeft()), area.size()));
        if (contrast < 4.5)
            found += QStringLiteral("%1 %2 : 1\n").arg(text->objectName()).arg(contrast, 0, 'f', 2);
    }
    return found;
}

// The desktop's font at lPoints for as long as it lives.
class cDesktopFont {
  public:
    explicit cDesktopFont(double lPoints) : mBefore(QApplication::font()) {
        QFont font = mBefore;
        font.setPointSizeF(lPoints);
        QApplication::setFont(font);
    }
    ~cDesktopFont() { QApplication::setFont(mBefore); }

  private:
    QFont mBefore;
};

QString Misfits(QWidget& oWindow) {
    oWindow.show();
    if (!QTest::qWaitForWindowExposed(&oWindow))
        return QStringLiteral("window not shown");
    QString found;
    for (const QWidget* child : oWindow.findChildren<QWidget*>())
        if (child->isVisibleTo(&oWindow))
            found += Misfit(child);
    return found;
}

} // namespace

class tst_textfits : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        qInfo("scale factor %s", qgetenv("QT_SCALE_FACTOR").constData());
        StartFresh();
        Picture("gypsy pig panorama.png", 10000, 20);
        Picture("jpq.png", 3, 3);
    }

    // The widest texts: five-digit sizes, the longest hint, the full count;
    // at the usual desktop font and at a large one.
    void mainWindow_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("quality");
        QTest::addColumn<double>("points");
        for (const double points : {9.0, 14.0}) {
            QTest::addRow("longest hint, %g pt", points)
                << "Order professional prints of your images" << true << points;
            QTest::addRow("progress, quality note, %g pt", points)
                << "Saving (100%)  32767 of 32767" << false << points;
            QTest::addRow("summary, %g pt", points)
                << "Stopped: 32767 Saved,  32767 Skipped,  32767 Failed" << true << points;
        }
    }

    void mainWindow() {
        QFETCH(QString, status);
        QFETCH(bool, quality);
        QFETCH(double, points);
        const cDesktopFont desktop(points);
        cTestWindow window;
        // The whole layout grows with the desktop font.
        QCOMPARE_GE(window.minimumWidth(), qRound(7935 / 15.0 * points / 9) - 1);
        window.Open({"gypsy pig panorama.png"});
        gImageHeight = 7500;
        window.txtSize->setText(QStringLiteral("10000"));
        window.SetLabels();
        window.labFileCount->setText(QStringLiteral("32767 Images"));
        window.labStatus->setText(status);
        window.labStatus->show();
        window.ShowHideQualityOptions(quality);
        QCOMPARE(Misfits(window), QString());
        // Each angle's caption ends clear of the next option's circle.
        for (size_t i = 1; i < window.optRotation.size(); ++i) {
            const QRadioButton* option = window.optRotation[i - 1];
            QVERIFY2(option->x() + OptionWidth(option) + 3 < window.optRotation[i]->x(), qPrintable(option->text()));
        }
    }

    void properties() {
        cTestWindow window;
        frmProperties dialog(&window, QStringLiteral("gypsy pig panorama.png"), QStringLiteral("/home/pjq/gypsy"));
        QCOMPARE(Misfits(dialog), QString());
    }

    // A 3 x 3 picture keeps the preview at its narrowest, where the encoded
    // size has the least room.
    void previewAtItsNarrowest() {
        cTestWindow window;
        window.Open({"jpq.png"});
        dlgPreview dialog(window);
        QVERIFY(!Child<QLabel>(dialog, "labEncodedSize")->text().isEmpty());
        QCOMPARE(Misfits(dialog), QString());
    }

    // Under a dark palette the texts on the fixed light backgrounds stay dark.
    void textsOnLightBackgroundsAreDark_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light palette") << false;
        QTest::newRow("dark palette") << true;
    }

    void textsOnLightBackgroundsAreDark() {
        QFETCH(bool, dark);
        QApplication::setStyle(QStringLiteral("Fusion"));
        QPalette colours = QApplication::style()->standardPalette();
        if (dark) {
            colours = QPalette(QColor(53, 53, 53));
            for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                colours.setColor(role, QColor(230, 230, 230));
        }
        QApplication::setPalette(colours);
        cTestWindow window;
        window.Open({"jpq.png"});
        window.labStatus->setText(QStringLiteral("Saving (50%)"));
        window.labStatus->show();
        QCOMPARE(LowContrast(window), QString());
        window.ShowHideQualityOptions(false);
        QCOMPARE(LowContrast(window), QString());
        frmProperties properties(&window, QStringLiteral("jpq.png"), TestFolder().path());
        QCOMPARE(LowContrast(properties, {"txtName", "txtLocation"}), QString());
        dlgPreview preview(window);
        QCOMPARE(LowContrast(preview), QString());
    }
};

QTEST_MAIN(tst_textfits)
#include "tst_textfits.moc"
