#pragma once
// The screen capture: the whole primary screen becomes the PNG file
// "Screen Capture.png" and the image list's only entry. There is only ever one
// capture file, at CaptureFilePath(); a new capture replaces it and the main
// window deletes it when it closes.

#include <QImage>
#include <QString>

#include <cstdint>

class QWidget;
class cGDIP;
class cImageList;
class cQuestions;

// What the capture needs from the window that starts it; the window
// implements it.
class cCaptureHost {
  public:
    virtual ~cCaptureHost() = default;
    // The window hidden while the screen is grabbed.
    virtual QWidget& CaptureWindow() = 0;
    // The imaging instance whose PNG encoder writes the capture.
    virtual cGDIP& Imaging() = 0;
    // Reports a capture that could not be taken or saved.
    virtual cQuestions& Questions() const = 0;
};

// The capture file: "Screen Capture.png" in a folder of this run's own, made
// on the first call inside the user's runtime folder (else the cache folder,
// else the temporary folder). It never outlives the run: the main window
// removes it and its folder when it closes (RemoveCaptureFile).
QString CaptureFilePath();
void RemoveCaptureFile();

// Time the main window stays hidden before the grab, so that what lay under it
// is repainted, in milliseconds.
inline constexpr int kCaptureDelayMs = 1000;

// The primary screen's pixels at its full pixel size, opaque (alpha 255), in
// QImage::Format_ARGB32. Uses Qt's own grab and the desktop portal's
// screenshot interface, the portal first in a Wayland session (where a grab
// through X sees no Wayland windows) and as the fallback elsewhere. A null
// image when neither gives pixels, and in a Wayland session when the portal
// failed and Qt's grab is all one colour (a blank screen, not a capture).
QImage GrabPrimaryScreen();

// True when every pixel of oImage has the same colour: what a grab through
// XWayland returns when it may not read the Wayland windows.
bool IsBlankGrab(const QImage& oImage);

// Status of SaveCaptureFile when the imaging library has no PNG encoder.
inline constexpr int32_t kNoPngEncoder = -1;

// Writes oScreen as a PNG file to sPath through the imaging objects: a
// 32-bit ARGB bitmap of the screen's size, its drawing surface's device
// context receiving the pixels, the PNG encoder found by "*.png", and the
// encoded file written whole before it replaces any earlier file at sPath
// (AtomicFile.h). Returns 0 on success, kNoPngEncoder, the imaging library's
// status of the failing step, or AccessDenied when the file cannot be written.
int32_t SaveCaptureFile(const QImage& oScreen, cGDIP& gdip, const QString& sPath);

// The Capture button: hides the host's window, lets the desktop repaint what lay under
// it for kCaptureDelayMs (other windows keep repainting), grabs the primary
// screen, writes the capture file and, when that worked, makes it the list's
// only entry (loaded, measured and selected), which enables the window's
// controls. The window is shown again in every case; a capture that could not
// be taken or saved is reported, and the list then stays as it was.
void CaptureScreen(cCaptureHost& oHost, cImageList& oList);
