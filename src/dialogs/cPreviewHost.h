#pragma once
// What the preview needs from the window that opens it; the window
// implements it, so the preview never includes the window.

#include "cSaveJob.h"

#include <QString>

#include <cstdint>

class QWidget;
class cImageList;
class cQuestions;

class cPreviewHost {
  public:
    virtual ~cPreviewHost() = default;

    // The window that owns the dialog (its screen and frame are the dialog's).
    virtual QWidget& PreviewOwner() = 0;
    // The list the preview walks and removes failing entries from.
    virtual cImageList& ImageList() const = 0;
    // Every message goes through this.
    virtual cQuestions& Questions() const = 0;
    // The output the window's options ask for now.
    virtual cSaveJob SaveJob() const = 0;
    // The window's "GDIP Error" report.
    virtual void gdip_Error(int32_t lGdiError, const QString& sErrorDesc, const QString& sClassName) = 0;
};
