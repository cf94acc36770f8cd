// The questions that can be answered for the rest of a save (the overwrite
// box and the PNG offer): the answer codes by key (the buttons' access keys
// work without Alt), which answer Enter gives, and that Escape and the
// window's close button answer No.

#include "CustomMsgBox.h"
#include "cQuestions.h"

#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

class tst_custommsgbox : public QObject {
    Q_OBJECT

    // Runs oBox modally; oAct is called once it is showing and must end it.
    static int Answer(QMessageBox& oBox, const std::function<void(QMessageBox&)>& oAct) {
        QMessageBox* shown = &oBox;
        QTimer::singleShot(0, shown, [shown, oAct] {
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            oAct(*shown);
        });
        return ExecCustomMsgBox(oBox);
    }

  private slots:
    void keysGiveTheCodes_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        for (const char* box : {"overwrite", "original", "png"}) {
            const bool original = QByteArray(box) == "original";
            QTest::addRow("%s: Enter", box)
                << box << int(Qt::Key_Return) << 0 << (original ? cQuestions::kOverwriteNo : cQuestions::kOverwriteYes);
            QTest::addRow("%s: Escape", box) << box << int(Qt::Key_Escape) << 0 << cQuestions::kOverwriteNo;
            QTest::addRow("%s: close", box) << box << 0 << 0 << cQuestions::kOverwriteNo;
        }
        QTest::newRow("Y") << "overwrite" << int(Qt::Key_Y) << 0 << cQuestions::kOverwriteYes;
        QTest::newRow("A") << "overwrite" << int(Qt::Key_A) << 0 << cQuestions::kOverwriteYesToAll;
        QTest::newRow("Alt+A") << "overwrite" << int(Qt::Key_A) << int(Qt::AltModifier)
                               << cQuestions::kOverwriteYesToAll;
        QTest::newRow("N") << "overwrite" << int(Qt::Key_N) << 0 << cQuestions::kOverwriteNo;
        QTest::newRow("L") << "overwrite" << int(Qt::Key_L) << 0 << cQuestions::kOverwriteNoToAll;
        QTest::newRow("png: Alt+L") << "png" << int(Qt::Key_L) << int(Qt::AltModifier) << cQuestions::kOverwriteNoToAll;
    }

    void keysGiveTheCodes() {
        QFETCH(QString, box);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        const std::unique_ptr<QMessageBox> shown =
            box == "png" ? CreatePngOfferBox(nullptr, QStringLiteral("a.heic\n\nQuillet cannot save..."))
                         : CreateCustomMsgBox(nullptr, QStringLiteral("a.jpg already exists."),
                                              box == "original" ? eDefaultAnswer::No : eDefaultAnswer::Yes);
        QCOMPARE(shown->windowTitle(),
                 box == "png" ? QStringLiteral("Save Error") : QStringLiteral("Overwrite Existing Images?"));
        QCOMPARE(shown->icon(), box == "png" ? QMessageBox::NoIcon : QMessageBox::Question);
        QCOMPARE(shown->buttons().size(), 4);
        const int answer = Answer(*shown, [&](QMessageBox& oBox) {
            if (key == 0)
                oBox.close();
            else
                QTest::keyClick(&oBox, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        });
        QCOMPARE(answer, code);
    }
};

QTEST_MAIN(tst_custommsgbox)
#include "tst_custommsgbox.moc"
