// Every text of the main window and its dialogs fits the place it is given,
// measured with the font in use. CTest runs this at 100,
// 125, 150 and 200 % (QT_SCALE_FACTOR), with the widest texts each place
// can hold, and the main window at a 9 and a 14 point desktop font.

#include "WindowFixture.h"

#include <QApplication>
#include <QStyle>

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

    // A 3 x 3 picture keeps the preview at its narrowest, where the encoded
    // size has the least room.
    void previewAtItsNarrowest() {
        cTestWindow window;
        window.Open({"jpq.png"});
        dlgPreview dialog(window);
        QVERIFY(!Child<QLabel>(dialog, "labEncodedSize")->text().isEmpty());
        QCOMPARE(Misfits(dialog), QString());
    }
};

QTEST_MAIN(tst_textfits)
#include "tst_textfits.moc"
