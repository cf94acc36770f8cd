// The picture button: mouse-press reports, a cancelled press that does not
// click, hover reports, keyboard use and the disabled picture.

#include "ARButton.h"

#include <QSignalSpy>
#include <QTest>

class tst_arbutton : public QObject {
    Q_OBJECT
private slots:
    void pressReportsPositionAndClicks() {
        ARButton button;
        button.resize(56, 41);
        QSignalSpy presses(&button, &ARButton::MouseDown);
        QSignalSpy clicks(&button, &ARButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 12));
        QCOMPARE(presses.count(), 1);
        QCOMPARE(presses[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
        QCOMPARE(presses[0][1].value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers(Qt::ShiftModifier));
        QCOMPARE(presses[0][2].toInt(), 30);
        QCOMPARE(presses[0][3].toInt(), 12);
        QCOMPARE(clicks.count(), 1);
    }

    void aCancelledPressDoesNotClick() {
        ARButton button;
        button.resize(56, 41);
        connect(&button, &ARButton::MouseDown, &button, [&button](Qt::MouseButton, Qt::KeyboardModifiers, int lX, int) {
            if (lX > 40)
                button.CancelPress();
        });
        QSignalSpy clicks(&button, &ARButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(50, 10));
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!button.isDown());
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks.count(), 1);
    }

    void hoverAndKeyboard() {
        ARButton button;
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(&button, &enter);
        QVERIFY(button.IsMouseOver());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &leave);
        QVERIFY(!button.IsMouseOver());

        QCOMPARE(button.focusPolicy(), Qt::StrongFocus);
        QSignalSpy clicks(&button, &ARButton::clicked);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(clicks.count(), 1);
        button.setEnabled(false);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(clicks.count(), 1);
    }

    void drawsTheDisabledPictureWhileDisabled() {
        ARButton button;
        button.resize(40, 40);
        button.SetBackColor(QColor(73, 147, 133));
        QPixmap red(32, 32);
        red.fill(Qt::red);
        QPixmap grey(32, 32);
        grey.fill(Qt::gray);
        button.SetPicture(red);
        button.SetPictureDisabled(grey);
        QCOMPARE(button.grab().toImage().pixelColor(20, 20), QColor(Qt::red));
        button.setEnabled(false);
        QCOMPARE(button.grab().toImage().pixelColor(20, 20), QColor(Qt::gray));
        QCOMPARE(button.grab().toImage().pixelColor(0, 0), QColor(73, 147, 133));
    }
};

QTEST_MAIN(tst_arbutton)
#include "tst_arbutton.moc"
