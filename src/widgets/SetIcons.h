#pragma once

#include <QString>

class QWidget;

// Gives hWnd the icon resource sIconResName (":/icons/<name>.svg") at the
// style's large and small icon sizes. With bSetAsAppIcon, the top-level
// window that owns hWnd and the application get the same icon. A missing
// resource leaves the window without an icon of that size.
void SetIcon(QWidget* hWnd, const QString& sIconResName, bool bSetAsAppIcon);
