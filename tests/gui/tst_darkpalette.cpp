// Texts on the fixed light backgrounds of the main window, the properties
// panel and the preview stay readable whatever the desktop's palette: the
// contrast is measured on the rendered windows under a light and a dark
// palette of the Fusion style.

#include "WindowFixture.h"
#include "frmProperties.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include <cmath>
#include <map>

namespace {

double Luminance(QRgb lColour) {
    const auto channel = [](int lValue) {
        const double c = lValue / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(lColour)) + 0.7152 * channel(qGreen(lColour)) + 0.0722 * channel(qBlue(lColour));
}

double Contrast(QRgb lOne, QRgb lOther) {
    const double a = Luminance(lOne);
    const double b = Luminance(lOther);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// The contrast of the text drawn in oArea of oWindow's rendering: the most
// frequent colour there is the background, the text is the pixel that
// stands out from it most.
double TextContrast(QWidget& oWindow, const QRect& oArea) {
    const QImage shot = oWindow.grab(oArea).toImage().convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, int> counts;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            ++counts[shot.pixel(x, y)];
    const QRgb background =
        std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    double best = 1.0;
    for (const auto& [colour, count] : counts)
        best = std::max(best, Contrast(colour, background));
    return best;
}

// The area of oText's words within oWindow: a label's contents, or an
// option's caption beside its circle.
QRect TextArea(QWidget& oWindow, const QWidget* oText) {
    QRect area = oText->contentsRect();
    if (const auto* option = qobject_cast<const QRadioButton*>(oText)) {
        const QStyle* style = option->style();
        area.setLeft(style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option) +
                     style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, option));
        area.setWidth(std::min(area.width(), option->fontMetrics().horizontalAdvance(option->text())));
    }
    return QRect(oText->mapTo(&oWindow, area.topLeft()), area.size());
}

// The texts in oWindow whose contrast is below 4.5 : 1, with their contrast.
QString LowContrast(QWidget& oWindow, const QList<const QWidget*>& aTexts) {
    oWindow.show();
    if (!QTest::qWaitForWindowExposed(&oWindow))
        return QStringLiteral("window not shown");
    QString found;
    for (const QWidget* text : aTexts) {
        const double contrast = TextContrast(oWindow, TextArea(oWindow, text));
        if (contrast < 4.5)
            found += QStringLiteral("%1 %2 : 1\n").arg(text->objectName()).arg(contrast, 0, 'f', 2);
    }
    return found;
}

QPalette DarkPalette() {
    QPalette dark(QColor(53, 53, 53));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    return dark;
}

} // namespace

class tst_darkpalette : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        Picture("wide.png", 1024, 768);
    }

    void init() { StartFresh(); }

    void textsOnLightBackgroundsAreDark_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light palette") << false;
        QTest::newRow("dark palette") << true;
    }

    void textsOnLightBackgroundsAreDark() {
        QFETCH(bool, dark);
        QApplication::setPalette(dark ? DarkPalette() : QApplication::style()->standardPalette());
        cTestWindow window;
        window.Open({"wide.png"});
        window.labStatus->setText(QStringLiteral("Saving (50%)"));
        window.labStatus->show();
        QList<const QWidget*> texts = {window.labFileCount, window.labStatus, window.labPixels};
        texts.append(QList<const QWidget*>(window.optSize.begin(), window.optSize.end()));
        texts.append(QList<const QWidget*>(window.optQuality.begin(), window.optQuality.end()));
        texts.append(QList<const QWidget*>(window.optRotation.begin(), window.optRotation.end()));
        QCOMPARE(LowContrast(window, texts), QString());
        window.mnuPNGFormat->trigger();
        QCOMPARE(LowContrast(window, {window.labNoQuality}), QString());

        frmProperties properties(&window, QStringLiteral("wide.png"), TestFolder().path());
        QList<const QWidget*> fields;
        for (const char* name : {"Label1", "Label2", "Label3", "Label4", "txtName", "labWidth", "labHeight",
                                 "txtLocation"})
            fields.append(Child<QWidget>(properties, name));
        QCOMPARE(LowContrast(properties, fields), QString());

        dlgPreview preview(window);
        QCOMPARE(LowContrast(preview, {Child<QLabel>(preview, "labDimensions"), Child<QLabel>(preview, "labEncodedSize")}),
                 QString());
    }
};

QTEST_MAIN(tst_darkpalette)
#include "tst_darkpalette.moc"
