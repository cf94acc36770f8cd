#pragma once
// A flat picture button for coloured tool bands: a picture (and a separate
// picture while disabled), an optional caption under it, a background colour
// and a second background colour while the pointer is over it. Besides the
// usual click it reports the pointer entering and leaving and every mouse
// press with its position, so that a button can have zones of its own (the
// Save button's format drop-down). Reachable by keyboard (Space clicks; on a
// button with a drop-down zone Alt+Down, F4 and the Menu key open it, as on
// a split button).

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

class ARButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit ARButton(QWidget* parent = nullptr);

    void SetPicture(const QPixmap& oPicture);
    QPixmap Picture() const;
    void SetPictureDisabled(const QPixmap& oPicture);
    void SetCaption(const QString& sCaption);
    QString Caption() const;

    void SetBackColor(const QColor& oColor);
    QColor BackColor() const;
    void SetBackColorOnMouse(const QColor& oColor);
    QColor BackColorOnMouse() const;

    // Width in pixels of a drop-down zone at the right edge, drawn with a
    // separator and an arrow; 0 (the default) for none.
    void SetDropDownWidth(int lPixels);
    int DropDownWidth() const;

    // Called from a MouseDown handler: the press being reported does not
    // turn into a click.
    void CancelPress();

    // True while the pointer is over the button.
    bool IsMouseOver() const;

    QSize sizeHint() const override;

  signals:
    void MouseEnter();
    void MouseLeave();
    // A mouse press; lX and lY in pixels within the button.
    void MouseDown(Qt::MouseButton eButton, Qt::KeyboardModifiers eShift, int lX, int lY);
    // The drop-down zone asked for from the keyboard.
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
    bool mPressCancelled = false;
    bool mKeyboardFocus = false;
};
