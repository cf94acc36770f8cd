// Which entry is selected after every way of adding to the image list and
// removing from it, files given by path that name nothing, and the preview
// opening on the first entry when nothing is selected.

#include "AppState.h"
#include "ImageEntry.h"
#include "Registry.h"
#include "cImageList.h"
#include "cScriptedQuestions.h"
#include "dlgPreview.h"
#include "frmQuillet.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using eKind = cScriptedQuestions::eKind;

class tst_imagelist : public QObject {
    Q_OBJECT

    QTemporaryDir mDir;
    QTemporaryDir mConfigDir;

    static QStringList Texts(const QList<QTreeWidgetItem*>& aItems) {
        QStringList texts;
        for (const QTreeWidgetItem* item : aItems)
            texts.append(EntryText(item));
        return texts;
    }

private slots:
    void initTestCase() {
        // An Open of several files stores the open folder: not in the user's settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, mConfigDir.path());
        for (const char* name : {"a.png", "b.png", "c.png", "d.png"}) {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(Qt::darkGreen);
            QVERIFY(image.save(mDir.filePath(QLatin1String(name))));
        }
        QFile broken(mDir.filePath("broken.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\x89PNG\r\n\x1a\nnot really");
    }

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
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        cImageList& images = window.ImageList();
        QTreeWidget& list = *images.lvwImages;
        if (how == QLatin1String("paths")) {
            QStringList paths;
            for (const QString& name : names)
                paths.append(mDir.filePath(name));
            images.TakeFiles(paths);
        } else if (how == QLatin1String("one")) {
            images.ReplaceWithOne(mDir.path(), names.front());
        } else {
            questions.OpenAnswers.push_back(cScriptedQuestions::Chosen(mDir.path(), names));
            images.OpenButton_Click();
        }
        if (!selectedBefore.isEmpty()) {
            list.clearSelection();
            for (int i = 0; i < list.topLevelItemCount(); ++i)
                if (selectedBefore.contains(EntryText(list.topLevelItem(i)))) {
                    list.setCurrentItem(list.topLevelItem(i), 0, QItemSelectionModel::Select);
                }
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
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        questions.OpenAnswers.push_back(cScriptedQuestions::Chosen(mDir.path(), {"b.png"}));
        window.ImageList().OpenButton_Click();
        // Dropped files replace the list, like several opened.
        window.ImageList().TakeFiles({mDir.filePath("gone.png"), mDir.filePath("a.png"), mDir.path()});
        QCOMPARE(Texts({window.lvwImages->topLevelItem(0)}), QStringList{"a.png"});
        QCOMPARE(window.lvwImages->topLevelItemCount(), 1);
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("OpenFolder")).toString(), mDir.path());
        const std::vector<cScriptedQuestions::cAsked> asked = questions.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(2));
        QCOMPARE(asked[0].Title, QStringLiteral("Error Loading Image"));
        QVERIFY(asked[0].Text.startsWith(QStringLiteral("gone.png cannot be found")));
        QCOMPARE(asked[1].Title, QStringLiteral("Unknown File Format"));
    }

    void previewOpensOnTheFirstEntryWhenNoneIsSelected() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        questions.OpenAnswers.push_back(cScriptedQuestions::Chosen(mDir.path(), {"a.png", "b.png"}));
        window.ImageList().OpenButton_Click();
        window.lvwImages->clearSelection();
        dlgPreview preview(window);
        QCOMPARE(preview.windowTitle(), QStringLiteral("Preview a.png"));
        QVERIFY(!preview.findChild<QLabel*>(QStringLiteral("labDimensions"))->text().isEmpty());
        QCOMPARE(Texts(window.lvwImages->selectedItems()), QStringList{"a.png"});
    }
};

QTEST_MAIN(tst_imagelist)
#include "tst_imagelist.moc"
