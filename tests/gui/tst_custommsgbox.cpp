// The overwrite question: title, texts, default button, access keys, the
// answer codes, and that it cannot be dismissed without an answer.

#include "CustomMsgBox.h"
#include "cQuestions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
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
        });
        box->exec();
        return CustomMsgBoxAnswer(*box);
    }

    static QAbstractButton* ButtonLabelled(QMessageBox& box, const QString& sLabel) {
        for (QAbstractButton* button : box.buttons())
            if (button->text() == sLabel)
                return button;
        return nullptr;
    }

private slots:
    void looksAsDesigned() {
        const std::unique_ptr<QMessageBox> box = CreateCustomMsgBox(nullptr, QStringLiteral("x.png already exists."));
        QCOMPARE(box->windowTitle(), QStringLiteral("Overwrite Existing Images?"));
        QCOMPARE(box->text(), QStringLiteral("x.png already exists."));
        QCOMPARE(box->icon(), QMessageBox::Question);
        QStringList labels;
        for (QAbstractButton* button : box->buttons())
            labels.append(button->text());
        labels.sort();
        QCOMPARE(labels, QStringList({"&No", "&Yes", "Yes To &All"}));
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("&Yes"));
    }

    void keysAndButtonsGiveTheCodes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::newRow("Enter answers Yes") << int(Qt::Key_Return) << 0 << cQuestions::kOverwriteYes;
        QTest::newRow("Y") << int(Qt::Key_Y) << 0 << cQuestions::kOverwriteYes;
        QTest::newRow("A") << int(Qt::Key_A) << 0 << cQuestions::kOverwriteYesToAll;
        QTest::newRow("Alt+A") << int(Qt::Key_A) << int(Qt::AltModifier) << cQuestions::kOverwriteYesToAll;
        QTest::newRow("N") << int(Qt::Key_N) << 0 << cQuestions::kOverwriteNo;
    }

    void keysAndButtonsGiveTheCodes() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        const int answer = Answer([&](QMessageBox& box) {
            QTest::keyClick(&box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        });
        QCOMPARE(answer, code);
    }

    void escapeAndCloseDoNotAnswer() {
        bool stillOpen = false;
        const int answer = Answer([&](QMessageBox& box) {
            QTest::keyClick(&box, Qt::Key_Escape);
            box.close();
            QCoreApplication::processEvents();
            stillOpen = box.isVisible();
            ButtonLabelled(box, "&No")->click();
        });
        QVERIFY(stillOpen);
        QCOMPARE(answer, cQuestions::kOverwriteNo);
    }
};

QTEST_MAIN(tst_custommsgbox)
#include "tst_custommsgbox.moc"
