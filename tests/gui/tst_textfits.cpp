// Every text of the main window and its dialogs fits the place it is given,
// measured with the font in use. CTest runs this at 100, 125, 150 and 200 %
// (QT_SCALE_FACTOR), with the widest texts each place can hold.

#include "AppState.h"
#include "cImageList.h"
#include "cScriptedQuestions.h"
#include "dlgPreview.h"
#include "frmProperties.h"
#include "frmQuillet.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// What does not fit in oWidget, or "" when its text fits.
QString Misfit(const QWidget* oWidget) {
    const QFontMetrics metrics(oWidget->font());
    const QString name = oWidget->objectName();
    if (const auto* label = qobject_cast<const QLabel*>(oWidget)) {
        if (label->text().isEmpty())
            return {};
        const QRect room = label->contentsRect().adjusted(std::max(label->indent(), 0), 0, 0, 0);
        if (label->wordWrap()) {
            const int needed = label->heightForWidth(label->width());
            return needed <= label->height() ? QString()
                                             : QStringLiteral("%1 needs %2 px of height, has %3")
                                                   .arg(name).arg(needed).arg(label->height());
        }
        const QSize needed(metrics.horizontalAdvance(label->text()), metrics.height());
        if (needed.width() > room.width() || needed.height() > room.height())
            return QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                .arg(name, label->text())
                .arg(needed.width()).arg(needed.height()).arg(room.width()).arg(room.height());
        return {};
    }
    if (const auto* option = qobject_cast<const QRadioButton*>(oWidget)) {
        const QStyle* style = option->style();
        const int needed = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option) +
                           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, option) +
                           metrics.horizontalAdvance(option->text());
        if (needed > option->width() || metrics.height() > option->height())
            return QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                .arg(name, option->text())
                .arg(needed).arg(metrics.height()).arg(option->width()).arg(option->height());
        return {};
    }
    if (const auto* field = qobject_cast<const QLineEdit*>(oWidget)) {
        // A line edit scrolls sideways; it must show the whole line height
        // (descenders included) within its one-pixel inner margins.
        const int needed = metrics.height() + 2;
        if (needed > field->contentsRect().height())
            return QStringLiteral("%1 needs %2 px of height, has %3").arg(name).arg(needed).arg(field->contentsRect().height());
    }
    return {};
}

QStringList Misfits(QWidget& oWindow) {
    oWindow.show();
    if (!QTest::qWaitForWindowExposed(&oWindow))
        return {QStringLiteral("window not shown")};
    QStringList found;
    const QList<QWidget*> children = oWindow.findChildren<QWidget*>();
    for (const QWidget* child : children)
        if (child->isVisibleTo(&oWindow)) {
            const QString misfit = Misfit(child);
            if (!misfit.isEmpty())
                found.append(misfit);
        }
    return found;
}

} // namespace

class tst_textfits : public QObject {
    Q_OBJECT

    QTemporaryDir mDir;
    cScriptedQuestions mQuestions;

    void Open(frmQuillet& window, const QStringList& aNames) {
        mQuestions.OpenAnswers.push_back(cScriptedQuestions::Chosen(mDir.path(), aNames));
        window.ImageList().OpenButton_Click();
    }

private slots:
    void initTestCase() {
        qInfo("scale factor %s", qgetenv("QT_SCALE_FACTOR").constData());
        QImage picture(10000, 20, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(mDir.filePath("gypsy pig panorama.png")));
        QVERIFY(picture.copy(0, 0, 3, 3).save(mDir.filePath("jpq.png")));
    }

    // The widest texts: five-digit sizes, the longest hint, the full count.
    void mainWindow_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("format");
        QTest::newRow("longest hint") << "Order professional prints of your images" << "DFT";
        QTest::newRow("progress, quality note") << "Saving (100%)" << "PNG";
    }

    void mainWindow() {
        QFETCH(QString, status);
        QFETCH(QString, format);
        frmQuillet window(&mQuestions);
        Open(window, {"gypsy pig panorama.png"});
        gImageWidth = 10000;
        gImageHeight = 7500;
        window.txtSize->setText(QStringLiteral("10000"));
        window.SetLabels();
        window.labFileCount->setText(QStringLiteral("32767 Images"));
        window.labStatus->setText(status);
        window.labStatus->show();
        window.ShowHideQualityOptions(format != QLatin1String("PNG"));
        const QStringList misfits = Misfits(window);
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(u'\n')));
    }

    void properties() {
        frmQuillet window(&mQuestions);
        frmProperties dialog(&window, QStringLiteral("gypsy pig panorama.png"), QStringLiteral("/home/pjq/gypsy"));
        const QStringList misfits = Misfits(dialog);
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(u'\n')));
    }

    // A 3 x 3 picture keeps the preview at its narrowest, where the encoded
    // size has the least room.
    void previewAtItsNarrowest() {
        frmQuillet window(&mQuestions);
        Open(window, {"jpq.png"});
        dlgPreview dialog(window);
        QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("labEncodedSize"))->text().isEmpty());
        const QStringList misfits = Misfits(dialog);
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(u'\n')));
    }
};

QTEST_MAIN(tst_textfits)
#include "tst_textfits.moc"
