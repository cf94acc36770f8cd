#pragma once
// A flat picture button for coloured tool bands: a picture (and a separate
// picture while disabled), an optional caption (the button's text) under it,
// a background colour and a second background colour while the pointer is
// over it. Besides the usual click it reports the pointer entering and
// leaving. It may have a drop-down zone at its right edge (the Save button's
// format menu): a press of any mouse button there asks for the drop-down
// instead of clicking, as do Alt+Down, F4 and the Menu key, as on a split
// button. Reachable by keyboard (Space clicks).

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

class ARButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit ARButton(QWidget* parent = nullptr);

    void SetPicture(const QPixmap& oPicture);
    QPixmap Picture() const { return mPicture; }
    void SetPictureDisabled(const QPixmap& oPicture);

    // The background, and the background while the pointer is over it.
    void SetBackColors(const QColor& oColor, const QColor& oColorOnMouse);

    // Width in pixels of a drop-down zone at the right edge, drawn with a
    // separator and an arrow; 0 (the default) for none.
    void SetDropDownWidth(int lPixels);
    int DropDownWidth() const { return mDropDownWidth; }

    // True while the pointer is over the button.
    bool IsMouseOver() const { return mMouseOver; }

  signals:
    void MouseEnter();
    void MouseLeave();
    // The drop-down zone asked for, by a press in it or from the keyboard.
    void DropDownRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void PaintDropDownZone(QPainter& painter, const QColor& oInk) const;

    QPixmap mPicture;
    QPixmap mPictureDisabled;
    QColor mBackColor{Qt::lightGray};
    QColor mBackColorOnMouse{Qt::lightGray};
    int mDropDownWidth = 0;
    bool mMouseOver = false;
    bool mKeyboardFocus = false;
};
