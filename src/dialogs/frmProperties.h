#pragma once
// The properties panel: a small modal panel titled "Properties" that shows
// the file name, pixel size and folder of the list entry the user
// right-clicked, and the date taken and camera when the photo's details name
// them (the panel then grows by a row for each). A name or folder too long
// for its field loses its middle and shows whole as the field's tooltip. It
// draws its own one-pixel frame over a pale-yellow gradient; the user moves it
// by its title bar or by pressing any mouse button on its background, and
// closes it with OK. It changes nothing.

#include <QColor>
#include <QDialog>

struct cDesign;
class QLabel;
class QLineEdit;
class QPushButton;

class frmProperties : public QDialog {
    Q_OBJECT
  public:
    // sName and sLocation are the selected entry's file name and folder ("" for
    // both when nothing is selected). Width and height are those of the image
    // the main window measured last (GetDimensions with a maximum side of 0).
    frmProperties(QWidget* owner, const QString& sName, const QString& sLocation);

    // Colour of background row lRow (twips, 0..lLastRow): blue rises from 230
    // to 255 over the first four fifths of the height, red and green stay 255.
    static QColor GradientColour(int lRow, int lLastRow);

    // True when a press at lPoint (client pixels) lies on the background and
    // therefore starts a window move; presses on the controls do not.
    bool StartsMoveAt(const QPoint& lPoint) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    // A label at oPlace; bold for the captions.
    QLabel* AddLabel(const char* sName, const QString& sText, const cDesign& oPlace, bool bBold);
    void BuildControls();
    void FillValues(const QString& sName, const QString& sLocation);
    static void ShowElided(QLineEdit* oField, const QString& sText);
    void AddDetailRows(const QString& sPath);
    int ClientHeight() const;

    QLineEdit* txtName = nullptr;
    QLabel* labWidth = nullptr;
    QLabel* labHeight = nullptr;
    QLineEdit* txtLocation = nullptr;
    int mDetailRows = 0; // the date taken and the camera, shown when the photo has them
    QPushButton* OKButton = nullptr;
};
