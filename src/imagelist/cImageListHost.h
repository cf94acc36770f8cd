#pragma once
// What the image list needs from the window that holds it, and nothing more:
// the list reports here and the window decides what its other controls do.
// The window implements it, so the list never includes the window.

#include <QString>

class cQuestions;

class cImageListHost {
  public:
    virtual ~cImageListHost() = default;

    // Every message and the open dialog go through this.
    virtual cQuestions& Questions() const = 0;
    // An Open or a drop starts: the status text gives way.
    virtual void ListReplacing() = 0;
    // An image loaded for display; gImageWidth and gImageHeight hold its size.
    virtual void ImageMeasured() = 0;
    // The list holds entries to preview and save.
    virtual void EnableForm() = 0;
    // The list became empty: nothing to preview or save.
    virtual void ListEmptied() = 0;
    // A line for the status band ("312 images added, 4 other files skipped").
    virtual void ShowStatus(const QString& sText) = 0;
    // The number of entries changed.
    virtual void ShowFileCount(int lCount) = 0;
    // The Properties command for the entry sName in sFolder ("" for none).
    virtual void ShowProperties(const QString& sName, const QString& sFolder) = 0;
};
