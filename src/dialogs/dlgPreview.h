#pragma once
// The preview: shows, one list entry at a time, exactly what the batch save
// would write for it. The entry is rendered through the save's own pipeline,
// encoded into memory with the chosen encoder and decoded again, and shown at
// one image pixel per screen pixel in a window sized to fit it. Previous and
// Next walk the main window's list, wrapping at both ends; an entry that
// cannot be loaded is reported and taken out of the list.
//
// Built afresh each time it is shown; it holds its own imaging instance while
// it lives. Nothing is passed in: it asks the window (through cPreviewHost)
// for the selection and the save's job whenever it prepares an image.

#include "PreviewLayout.h"

#include <QByteArray>
#include <QDialog>

#include <cstdint>
#include <memory>

class ARButton;
class QLabel;
class QPushButton;
class QTreeWidgetItem;
class cGDIP;
class cPreviewHost;
struct cEntryOutput;
struct cSaveJob;

class dlgPreview : public QDialog {
    Q_OBJECT
  public:
    // Loads the dialog for owner's selected entry (icon, measurements, the
    // first image). Show it with exec(); the caller switches the application
    // to the busy cursor first, and the first image restores it.
    explicit dlgPreview(cPreviewHost& owner);
    ~dlgPreview() override;

    // The encoded bytes of the image shown last ("" before the first, and
    // after a failed encode).
    const QByteArray& EncodedBytes() const { return mEncoded; }

    // The size of an encoded result as the dialog shows it: "512 bytes",
    // "48 KB", "2.4 MB" (1 KB = 1024 bytes, halves to even).
    static QString EncodedSizeText(qint64 lBytes);

    // Next and Previous, also reachable by the buttons.
    void NextButton_Click() { Navigate(1); }
    void PreviousButton_Click() { Navigate(-1); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void BuildControls();
    void FormLoad();
    void MeasureDistances();
    void LoadPhoto();
    void ShowOutput(const QString& sFilename, const cSaveJob& job, const cEntryOutput& output);
    void ShowLoadFailure(QTreeWidgetItem* oEntry);
    // The entry is too large for the memory there is: said so; it stays listed.
    void ShowOutOfMemory(QTreeWidgetItem* oEntry);
    void ResizeEverything();
    void Navigate(int lStep);
    // The number of sizes the job makes of each entry.
    int SizeCount() const;
    void gdip_Error(int32_t lGdiError, const QString& sErrorDesc, const QString& sClassName);

    cPreviewHost& mOwner;
    std::unique_ptr<cGDIP> gdip;

    // The distances measured at load: ExtraWidth, ExtraHeight,
    // LabelFromBottom and OKFromBottom (whole twips).
    cPreviewMetrics mMeasured;
    // Outer size minus client size (the window frame), pixels.
    QSize mFrame;
    // Size of the result shown (after rotation), pixels.
    int16_t mImageWidth = 0;
    int16_t mImageHeight = 0;
    // Position (1-based) of the entry prepared last, and whether it failed
    // and left the list: Next and Previous then start from its place.
    int mPosition = 0;
    bool mRemovedShown = false;
    // Which of the job's sizes is shown (0 for the first), when it has several.
    int mSizeAt = 0;
    QByteArray mEncoded;
    QString mQualityNote; // "84 → 62, " under a size limit, shown before the size

    QLabel* picImage = nullptr;
    QLabel* labDimensions = nullptr;
    QLabel* labEncodedSize = nullptr;
    ARButton* PreviousButton = nullptr;
    ARButton* NextButton = nullptr;
    QPushButton* OKButton = nullptr;
};
