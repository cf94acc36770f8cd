// Which entry is selected after every way of adding to the image list and
// removing from it, and files given by path that name nothing.

#include "WindowFixture.h"

class tst_imagelist : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
            Picture(QLatin1String(name), 40, 30);
        Broken("broken.png");
    }

    void init() { StartFresh(); }

    void selectionAfterAddingAndRemoving_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("selectedBefore");
        QTest::addColumn<QString>("selectedAfter");
        QTest::newRow("open several") << "open" << QStringList{"a.png", "b.png", "c.png"} << QStringList{} << "a.png";
        QTest::newRow("open one") << "open" << QStringList{"b.png"} << QStringList{} << "b.png";
        QTest::newRow("files by path") << "paths" << QStringList{"c.png", "a.png"} << QStringList{} << "c.png";
        QTest::newRow("capture") << "one" << QStringList{"d.png"} << QStringList{} << "d.png";
        QTest::newRow("corrupt first entry") << "open" << QStringList{"broken.png", "a.png", "b.png"}
                                             << QStringList{} << "a.png";
        QTest::newRow("remove from the middle") << "remove" << QStringList{"a.png", "b.png", "c.png", "d.png"}
                                                << QStringList{"b.png", "c.png"} << "d.png";
        QTest::newRow("remove the last") << "remove" << QStringList{"a.png", "b.png", "c.png"}
                                         << QStringList{"c.png"} << "b.png";
        QTest::newRow("Delete key") << "delete" << QStringList{"a.png", "b.png"} << QStringList{"a.png"} << "b.png";
        QTest::newRow("a clicked entry fails to load") << "load" << QStringList{"a.png", "broken.png", "c.png"}
                                                      << QStringList{"broken.png"} << "c.png";
    }

    void selectionAfterAddingAndRemoving() {
        QFETCH(QString, how);
        QFETCH(QStringList, names);
        QFETCH(QStringList, selectedBefore);
        QFETCH(QString, selectedAfter);
        cTestWindow window;
        cImageList& images = window.ImageList();
        QTreeWidget& list = *images.lvwImages;
        if (how == QLatin1String("paths")) {
            QStringList paths;
            for (const QString& name : names)
                paths.append(TestFolder().filePath(name));
            images.TakeFiles(paths);
        } else if (how == QLatin1String("one")) {
            images.ReplaceWithOne(TestFolder().path(), names.front());
        } else {
            window.Open(names);
        }
        if (!selectedBefore.isEmpty()) {
            list.clearSelection();
            for (int i = 0; i < list.topLevelItemCount(); ++i)
                if (selectedBefore.contains(EntryText(list.topLevelItem(i))))
                    list.setCurrentItem(list.topLevelItem(i), 0, QItemSelectionModel::Select);
            if (how == QLatin1String("remove"))
                images.mnuRemove->trigger();
            else if (how == QLatin1String("delete"))
                QTest::keyClick(&list, Qt::Key_Delete);
            else
                images.LoadImage(list.currentItem());
        }
        QCOMPARE(Texts(list.selectedItems()), QStringList{selectedAfter});
        QCOMPARE(EntryText(list.currentItem()), selectedAfter);
        QVERIFY(window.PreviewButton->isEnabled());
    }

    void filesByPathThatNameNothingAreReported() {
        cTestWindow window;
        window.Open({"b.png"});
        // Dropped files replace the list, like several opened.
        const QTemporaryDir& folder = TestFolder();
        window.ImageList().TakeFiles({folder.filePath("gone.png"), folder.filePath("a.png"), folder.path()});
        QCOMPARE(window.EntryTexts(), QStringList{"a.png"});
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("OpenFolder")).toString(), folder.path());
        const std::vector<cScriptedQuestions::cAsked> asked = window.Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(2));
        QCOMPARE(asked[0].Title, QStringLiteral("Error Loading Image"));
        QVERIFY(asked[0].Text.startsWith(QStringLiteral("gone.png cannot be found")));
        QCOMPARE(asked[1].Title, QStringLiteral("Unknown File Format"));
    }
};

QTEST_MAIN(tst_imagelist)
#include "tst_imagelist.moc"
