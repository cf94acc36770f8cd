// The picture button: Space clicks, and what it draws: the picture, the
// disabled picture, and the background that changes under the pointer.
// Presses within a zone of the button's own are tested on the Save button
// (tst_frmquillet).

#include "ARButton.h"

#include <QSignalSpy>
#include <QTest>

class tst_arbutton : public QObject {
    Q_OBJECT
  private slots:
    void clicksAndDraws() {
        ARButton button;
        QSignalSpy clicks(&button, &ARButton::clicked);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(clicks.count(), 1);
        button.resize(40, 40);
        button.SetBackColors(QColor(73, 147, 133), QColor(20, 40, 60));
        QPixmap red(32, 32);
        red.fill(Qt::red);
        QPixmap grey(32, 32);
        grey.fill(Qt::gray);
        button.SetPicture(red);
        button.SetPictureDisabled(grey);
        const auto pixel = [&button](int x, int y) { return button.grab().toImage().pixelColor(x, y); };
        QCOMPARE(pixel(20, 20), QColor(Qt::red));
        QCOMPARE(pixel(0, 0), QColor(73, 147, 133));
        QSignalSpy entered(&button, &ARButton::MouseEnter);
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(&button, &enter);
        QCOMPARE(pixel(0, 0), QColor(20, 40, 60));
        QCOMPARE(entered.count(), 1);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &leave);
        QCOMPARE(pixel(0, 0), QColor(73, 147, 133));
        button.setEnabled(false);
        QCOMPARE(pixel(20, 20), QColor(Qt::gray));
    }
};

QTEST_MAIN(tst_arbutton)
#include "tst_arbutton.moc"
