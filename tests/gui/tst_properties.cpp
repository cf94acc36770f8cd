// The properties panel: values shown, nothing selected, long paths, which
// presses start a window move, OK.

#include "AppState.h"
#include "frmProperties.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class tst_properties : public QObject {
    Q_OBJECT

    static QStringList Shown(const frmProperties& dialog) {
        return {dialog.findChild<QLineEdit*>("txtName")->text(), dialog.findChild<QLineEdit*>("txtLocation")->text(),
                dialog.findChild<QLabel*>("labWidth")->text(), dialog.findChild<QLabel*>("labHeight")->text()};
    }

  private slots:
    void showsEntryAndMeasuredSize() {
        gImageWidth = 640;
        gImageHeight = 480;
        // Bare decimal numbers, no unit.
        QCOMPARE(Shown(frmProperties(nullptr, QStringLiteral("My Photo.jpg"), QStringLiteral("/home/u/Pictures"))),
                 QStringList({"My Photo.jpg", "/home/u/Pictures", "640", "480"}));
        // Nothing selected: nothing shown, not even the size measured last.
        QCOMPARE(Shown(frmProperties(nullptr, QString(), QString())), QStringList({"", "", "", ""}));
    }

    void okCloses() {
        frmProperties dialog(nullptr, QStringLiteral("a.png"), QStringLiteral("/tmp"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Properties"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    // Too long for its field: both ends show, the whole text is the tooltip.
    void longPathsLoseTheirMiddle() {
        const QString folder = QStringLiteral("/home/u/") + QString(200, u'x') + QStringLiteral("/holiday");
        frmProperties dialog(nullptr, QStringLiteral("a.png"), folder);
        const auto* location = dialog.findChild<QLineEdit*>("txtLocation");
        QVERIFY2(location->text().startsWith("/home/u/") && location->text().endsWith("/holiday") &&
                     location->text().contains(QChar(0x2026)),
                 qPrintable(location->text()));
        QCOMPARE(location->toolTip(), folder);
        QVERIFY(location->fontMetrics().horizontalAdvance(location->text()) <= location->contentsRect().width());
    }

    void movesOnlyFromTheBackground() {
        frmProperties dialog(nullptr, QStringLiteral("a.png"), QStringLiteral("/tmp"));
        QVERIFY(dialog.StartsMoveAt(QPoint(2, 2)));  // background, beside the frame
        QVERIFY(dialog.StartsMoveAt(QPoint(0, 60))); // the frame line is background too
        for (const char* name : {"Label1", "labWidth", "txtName", "OKButton"}) {
            const auto* control = dialog.findChild<QWidget*>(name);
            QVERIFY2(!dialog.StartsMoveAt(control->geometry().center()), name);
        }
    }
};

QTEST_MAIN(tst_properties)
#include "tst_properties.moc"
