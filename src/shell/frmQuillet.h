#pragma once

#include <QWidget>

// The main window.
class frmQuillet : public QWidget {
    Q_OBJECT
public:
    explicit frmQuillet(QWidget* parent = nullptr);
};
