#include "dlgPreview.h"

#include "ARButton.h"
#include "DialogMetrics.h"
#include "ImageEntry.h"
#include "ImageFormats.h"
#include "Numbers.h"
#include "OutputOptions.h"
#include "NameBytes.h"
#include "SaveTexts.h"
#include "SizeList.h"
#include "SetIcons.h"
#include "cBitmap.h"
#include "cGDIP.h"
#include "cImageList.h"
#include "cPreviewHost.h"
#include "cQuestions.h"
#include "cSaveJob.h"
#include "cSavePipeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

#include <algorithm>

// Timing of each prepared image; enable with
// QT_LOGGING_RULES="quillet.preview.debug=true".
Q_LOGGING_CATEGORY(lcPreview, "quillet.preview", QtWarningMsg)

namespace {

// Designed client size, twips.
constexpr double kClientWidth = 2775;
constexpr double kClientHeight = 3195;

const QString kShowErrorTitle = QStringLiteral("Error Showing Image");

// Back to the default cursor, also undoing the busy cursor the main window set
// before it opened the dialog.
void RestoreDefaultCursor() {
    while (QApplication::overrideCursor() != nullptr)
        QApplication::restoreOverrideCursor();
}

// Outer size minus client size of oWidget's window; that of its owner while
// the window is not yet shown (the frame is only known once it is).
QSize FrameOf(const QWidget* oWidget, const QWidget* oOwner) {
    const QWidget* window = oWidget->window();
    const QSize own = window->frameGeometry().size() - window->size();
    if (!own.isEmpty() || oOwner == nullptr)
        return own;
    const QWidget* owner = oOwner->window();
    return owner->frameGeometry().size() - owner->size();
}

} // namespace

dlgPreview::dlgPreview(cPreviewHost& owner)
    // A fixed-size dialog: a title and a close box, and no minimise or
    // maximise buttons (the customised hints are the only ones shown).
    : QDialog(&owner.PreviewOwner(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      mOwner(owner) {
    setWindowTitle(QStringLiteral("Image Preview"));
    setModal(true);
    UseDarkText(*this);
    BuildControls();
    FormLoad();
}

dlgPreview::~dlgPreview() = default;

void dlgPreview::BuildControls() {
    const QScreen* screen = ScreenOf(&mOwner.PreviewOwner());
    setFixedSize(TwipsToPixelsX(kClientWidth, screen), TwipsToPixelsY(kClientHeight, screen));

    picImage = new QLabel(this);
    picImage->setObjectName(QStringLiteral("picImage"));
    picImage->setAlignment(Qt::AlignLeft | Qt::AlignTop); // unscaled, clipped at right and bottom
    picImage->setGeometry(TwipsRect({120, 120, 2535, 2055}, screen));

    labDimensions = new QLabel(this);
    labDimensions->setObjectName(QStringLiteral("labDimensions"));
    labDimensions->setAlignment(Qt::AlignCenter);
    labDimensions->setFont(BoldSansFont());
    labDimensions->setGeometry(TwipsRect({510, 2280, 1665, 195}, screen));

    auto makeArrow = [&](const char* name, const char* picture, const QString& sCaption, int lLeft) {
        auto* button = new ARButton(this);
        button->setObjectName(QLatin1String(name));
        const QIcon arrow(QStringLiteral(":/buttons/%1.svg").arg(QLatin1String(picture)));
        button->SetPicture(arrow.pixmap(QSize(16, 16)));
        button->SetPictureDisabled(arrow.pixmap(QSize(16, 16), QIcon::Disabled));
        // The caption names the button; at 25 pixels there is no room to print it.
        button->setAccessibleName(sCaption);
        button->setToolTip(sCaption);
        button->setGeometry(TwipsRect({lLeft, 2160, 375, 375}, screen));
        return button;
    };
    PreviousButton = makeArrow("PreviousButton", "previous", QStringLiteral("Previous Image"), 120);
    NextButton = makeArrow("NextButton", "next", QStringLiteral("Next Image"), 2160);
    connect(PreviousButton, &ARButton::clicked, this, &dlgPreview::PreviousButton_Click);
    connect(NextButton, &ARButton::clicked, this, &dlgPreview::NextButton_Click);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(TwipsRect({600, 2640, 1215, 375}, screen));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    // The encoded size of the result, beside OK.
    labEncodedSize = new QLabel(this);
    labEncodedSize->setObjectName(QStringLiteral("labEncodedSize"));
    labEncodedSize->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont small = labEncodedSize->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    labEncodedSize->setFont(small);
}

void dlgPreview::FormLoad() {
    SetIcon(this, QStringLiteral("PREVIEW"), true);
    MeasureDistances();
    gdip = std::make_unique<cGDIP>();
    connect(gdip.get(), cGDIP::ErrorSignal(), this, &dlgPreview::gdip_Error);
    LoadPhoto();
    // One entry of one size left after the first load: nothing to walk to.
    if (mOwner.ImageList().lvwImages->topLevelItemCount() == 1 && SizeCount() == 1) {
        PreviousButton->hide();
        NextButton->hide();
    }
}

void dlgPreview::MeasureDistances() {
    const QScreen* screen = ScreenOf(&mOwner.PreviewOwner());
    mFrame = FrameOf(this, &mOwner.PreviewOwner());
    // Distances from the outer edges, so that they hold whatever frame the
    // platform gives; the controls' tops are client coordinates.
    const QSize outer = size() + mFrame;
    mMeasured.ExtraWidth = PixelsToTwipsX(outer.width() - picImage->width(), screen);
    mMeasured.ExtraHeight = PixelsToTwipsY(outer.height() - picImage->height(), screen);
    mMeasured.LabelFromBottom = PixelsToTwipsY(outer.height() - labDimensions->y(), screen);
    mMeasured.OKFromBottom = PixelsToTwipsY(outer.height() - OKButton->y(), screen);
}

void dlgPreview::LoadPhoto() {
    QElapsedTimer timer;
    timer.start();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    mImageWidth = 0;
    cImageList& images = mOwner.ImageList();
    QTreeWidget& list = *images.lvwImages;
    // Nothing selected (the user cleared the selection): the first entry.
    if (images.SelectedPosition() == 0 && list.topLevelItemCount() > 0)
        images.SelectOnly(1);
    const int position = images.SelectedPosition();
    mRemovedShown = false;
    if (position > 0) {
        mPosition = position;
        QTreeWidgetItem* entry = list.topLevelItem(position - 1);
        // Of several sizes, the one the walk has reached.
        cSaveJob job = mOwner.SaveJob();
        const std::vector<int16_t> sizes = TargetSizes(job.SizeIndex, job.CustomSize);
        mSizeAt = std::clamp<int>(mSizeAt, 0, static_cast<int>(sizes.size()) - 1);
        if (sizes.size() > 1)
            job.CustomSize = QString::number(sizes[size_t(mSizeAt)]);
        cSaveObserver quiet;
        const cEntryOutput output = EncodeEntry(EntryTag(entry), EntryText(entry), job, *gdip, quiet);
        if (output.Loaded)
            ShowOutput(EntryText(entry), job, output);
        else if (output.OutOfMemory)
            ShowOutOfMemory(entry);
        else
            ShowLoadFailure(entry);
        if (output.Loaded && sizes.size() > 1)
            setWindowTitle(QStringLiteral("Preview %1, %2 of %3 sizes")
                               .arg(DisplayName(EntryText(entry)))
                               .arg(mSizeAt + 1)
                               .arg(sizes.size()));
    }
    RestoreDefaultCursor();
    ResizeEverything();
    qCDebug(lcPreview) << "prepared" << windowTitle() << mImageWidth << "x" << mImageHeight << "as" << mEncoded.size()
                       << "bytes in" << timer.elapsed() << "ms";
}

void dlgPreview::ShowOutput(const QString& sFilename, const cSaveJob& job, const cEntryOutput& output) {
    setWindowTitle(QStringLiteral("Preview ") + DisplayName(sFilename));
    const cEncoded& encoded = output.Encoded.front();
    mImageWidth = encoded.Width;
    mImageHeight = encoded.Height;
    // PNG stands in, without a question, for a format that has no encoder.
    // With neither, nothing new is shown.
    if (output.Encoder.WrittenAs.isEmpty())
        return;
    mEncoded = encoded.Bytes;
    // Under a size limit: the quality chosen and the quality reached, "84 → 62, ".
    const int32_t chosen = QualityTagValue(job.QualityIndex);
    mQualityNote = job.MaxBytes > 0 && TakesQuality(output.Name.Extension)
                       ? QStringLiteral("%1 \u2192 %2, ").arg(chosen).arg(encoded.Quality)
                       : QString();

    cBitmap shown;
    QImage picture;
    if (!mEncoded.isEmpty() && shown.CreateFromStream(mEncoded) == Ok)
        picture = shown.Picture();
    picImage->setPixmap(QPixmap::fromImage(picture));
    labDimensions->setText(QStringLiteral("%1 x %2").arg(mImageWidth).arg(mImageHeight));
    const QString sizeText = mEncoded.isEmpty() ? QString() : mQualityNote + EncodedSizeText(mEncoded.size());
    picImage->setToolTip(mEncoded.isEmpty() ? QString()
                                            : QStringLiteral("%1 as it will be saved: %2 (%3 bytes)")
                                                  .arg(output.Encoder.WrittenAs.toUpper(), sizeText)
                                                  .arg(mEncoded.size()));
    labEncodedSize->setToolTip(picImage->toolTip());
}

void dlgPreview::ShowLoadFailure(QTreeWidgetItem* oEntry) {
    mOwner.Questions().Warn(kShowErrorTitle, NotViewableText(EntryText(oEntry)));
    // Count label and, for an empty list, the Preview and Save buttons follow.
    mOwner.ImageList().RemoveEntry(oEntry);
    mRemovedShown = true;
}

void dlgPreview::ShowOutOfMemory(QTreeWidgetItem* oEntry) {
    setWindowTitle(QStringLiteral("Preview ") + DisplayName(EntryText(oEntry)));
    mEncoded.clear();
    picImage->setPixmap({});
    labDimensions->clear();
    // The file is sound: it stays listed, as the save keeps it.
    mOwner.Questions().Warn(kShowErrorTitle, QStringLiteral("There is not enough memory to show ") +
                                                 DisplayName(EntryText(oEntry)) + QStringLiteral(" at this size."));
}

void dlgPreview::ResizeEverything() {
    const QScreen* screen = ScreenOf(&mOwner.PreviewOwner());
    cPreviewMetrics metrics = mMeasured;
    metrics.TwipsPerPixelX = TwipsPerPixelX(screen);
    metrics.TwipsPerPixelY = TwipsPerPixelY(screen);
    const QRect screenRect = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    metrics.ScreenWidth = screenRect.width() * metrics.TwipsPerPixelX;
    metrics.ScreenHeight = screenRect.height() * metrics.TwipsPerPixelY;
    metrics.FrameWidth = mFrame.width() * metrics.TwipsPerPixelX;
    metrics.FrameHeight = mFrame.height() * metrics.TwipsPerPixelY;
    metrics.LabelWidth = labDimensions->width() * metrics.TwipsPerPixelX;
    metrics.LabelHeight = labDimensions->height() * metrics.TwipsPerPixelY;
    metrics.ButtonWidth = PreviousButton->width() * metrics.TwipsPerPixelX;
    metrics.ButtonHeight = PreviousButton->height() * metrics.TwipsPerPixelY;
    metrics.OKWidth = OKButton->width() * metrics.TwipsPerPixelX;
    const cPreviewLayout layout = ComputePreviewLayout(metrics, mImageWidth, mImageHeight);

    const auto px = [&](double sngTwips) { return TwipsToPixelsX(sngTwips, screen); };
    const auto py = [&](double sngTwips) { return TwipsToPixelsY(sngTwips, screen); };
    const QSize outer(px(layout.Window.width()), py(layout.Window.height()));
    setFixedSize(outer - mFrame);
    move(screenRect.x() + px(layout.Window.left()), screenRect.y() + py(layout.Window.top()));
    picImage->setGeometry(px(layout.Picture.left()), py(layout.Picture.top()), px(layout.Picture.width()),
                          py(layout.Picture.height()));
    labDimensions->move(px(layout.Label.x()), py(layout.Label.y()));
    OKButton->move(px(layout.OK.x()), py(layout.OK.y()));
    // The arrows touch the label in whole pixels, whatever the rounding.
    const QRect label = labDimensions->geometry();
    PreviousButton->move(label.left() - PreviousButton->width(), py(layout.Previous.y()));
    NextButton->move(label.right() + 1, py(layout.Next.y()));
    if (layout.ButtonBack) {
        for (ARButton* button : {PreviousButton, NextButton}) {
            button->SetBackColors(*layout.ButtonBack, kPreviewButtonBackOnMouse);
        }
    }
    const QRect ok = OKButton->geometry();
    const int sizeLeft = ok.right() + 1 + px(60);
    labEncodedSize->setGeometry(sizeLeft, ok.top(), std::max(0, width() - px(120) - sizeLeft), ok.height());
    // Beside OK in the narrowest window "1023 bytes" may not fit the font in
    // use: a byte count then shows as "1023 B" (the tip keeps the long form).
    QString sizeText = mEncoded.isEmpty() ? QString() : mQualityNote + EncodedSizeText(mEncoded.size());
    if (mEncoded.size() < 1024 && labEncodedSize->fontMetrics().horizontalAdvance(sizeText) > labEncodedSize->width())
        sizeText = mQualityNote + QStringLiteral("%1 B").arg(mEncoded.size());
    labEncodedSize->setText(sizeText);
    update();
}

int dlgPreview::SizeCount() const {
    const cSaveJob job = mOwner.SaveJob();
    return static_cast<int>(TargetSizes(job.SizeIndex, job.CustomSize).size());
}

void dlgPreview::Navigate(int lStep) {
    cImageList& images = mOwner.ImageList();
    const int count = images.lvwImages->topLevelItemCount();
    if (count == 0)
        return;
    // Several sizes: the walk goes through the sizes of an entry before it
    // moves on to the next entry (and back from the last size of the one before).
    const int sizes = SizeCount();
    if (!mRemovedShown && mSizeAt + lStep >= 0 && mSizeAt + lStep < sizes) {
        mSizeAt += lStep;
        LoadPhoto();
        return;
    }
    mSizeAt = lStep > 0 ? 0 : sizes - 1;
    // After a removal the entry that moved up into the removed one's place
    // comes next, and the one before that place comes previous.
    int position = mRemovedShown ? mPosition + std::min(lStep, 0) : images.SelectedPosition() + lStep;
    if (position > count)
        position = 1;
    else if (position < 1)
        position = count;
    images.SelectOnly(position);
    LoadPhoto();
}

void dlgPreview::gdip_Error(int32_t lGdiError, const QString& sErrorDesc, const QString& sClassName) {
    mOwner.gdip_Error(lGdiError, sErrorDesc, sClassName);
}

QString dlgPreview::EncodedSizeText(qint64 lBytes) {
    constexpr double kKilobyte = 1024.0;
    if (lBytes < 1024)
        return QStringLiteral("%1 bytes").arg(lBytes);
    const double kilobytes = RoundHalfEven(lBytes / kKilobyte);
    if (kilobytes < kKilobyte)
        return QStringLiteral("%1 KB").arg(kilobytes, 0, 'f', 0);
    return QStringLiteral("%1 MB").arg(lBytes / (kKilobyte * kKilobyte), 0, 'f', 1);
}

void dlgPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintBands(painter, *this, PreviewGradientColour);
}
