// The overwrite question: the prompt, the answer codes by key (Enter is Yes,
// the buttons' access keys work without Alt), and that it cannot be
// dismissed without an answer.

#include "CustomMsgBox.h"
#include "cQuestions.h"

#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

class tst_custommsgbox : public QObject {
    Q_OBJECT

    // Runs the box modally; oAct is called once it is showing and must end it.
    static int Answer(const std::function<void(QMessageBox&)>& oAct) {
        const std::unique_ptr<QMessageBox> box = CreateCustomMsgBox(nullptr, QStringLiteral("a.jpg already exists."));
        QMessageBox* shown = box.get();
        QTimer::singleShot(0, shown, [shown, oAct] {
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            oAct(*shown);
            QCOMPARE(shown->text(), QStringLiteral("a.jpg already exists."));
            QCOMPARE(shown->icon(), QMessageBox::Question);
        });
        box->exec();
        return CustomMsgBoxAnswer(*box);
    }

private slots:
    void keysGiveTheCodes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::newRow("Enter answers Yes") << int(Qt::Key_Return) << 0 << cQuestions::kOverwriteYes;
        QTest::newRow("Y") << int(Qt::Key_Y) << 0 << cQuestions::kOverwriteYes;
        QTest::newRow("A") << int(Qt::Key_A) << 0 << cQuestions::kOverwriteYesToAll;
        QTest::newRow("Alt+A") << int(Qt::Key_A) << int(Qt::AltModifier) << cQuestions::kOverwriteYesToAll;
        QTest::newRow("N") << int(Qt::Key_N) << 0 << cQuestions::kOverwriteNo;
        // Escape and closing the box answer nothing: it stays up for N.
        QTest::newRow("Escape, close") << int(Qt::Key_Escape) << 0 << cQuestions::kOverwriteNo;
    }

    void keysGiveTheCodes() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        bool stillOpen = true;
        const int answer = Answer([&](QMessageBox& box) {
            QTest::keyClick(&box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            if (key == Qt::Key_Escape) {
                box.close();
                QCoreApplication::processEvents();
                stillOpen = box.isVisible();
                QTest::keyClick(&box, Qt::Key_N);
            }
        });
        QVERIFY(stillOpen);
        QCOMPARE(answer, code);
    }
};

QTEST_MAIN(tst_custommsgbox)
#include "tst_custommsgbox.moc"
