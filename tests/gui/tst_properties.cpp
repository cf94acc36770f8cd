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
};

QTEST_MAIN(tst_properties)
#include "tst_properties.moc"
