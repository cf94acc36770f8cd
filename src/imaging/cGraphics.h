#pragma once
/*
 * cGraphics - owns one graphics handle of the flat imaging API (a drawing
 * surface bound to a bitmap or to a device context) and wraps the drawing
 * calls the program needs. Every wrapped call stores its status in CurErr();
 * a non-zero status is also reported to gdip (when set) with the class name
 * "cGraphics". Non-copyable; movable. Destruction releases a lent device
 * context first, then deletes the handle.
 */

#include "gp_flat.h"

#include <cstdint>

class cGDIP;

class cGraphics {
  public:
    cGraphics() = default;
    ~cGraphics();
    cGraphics(const cGraphics&) = delete;
    cGraphics& operator=(const cGraphics&) = delete;
    cGraphics(cGraphics&& other) noexcept;
    cGraphics& operator=(cGraphics&& other) noexcept;

    /* Where failures are reported; not owned, may be null. */
    cGDIP* gdip = nullptr;

    /* Each binds a new surface; a handle held before is deleted first (the
     * original overwrote it and leaked it). */
    int32_t CreateFromHdc(HDC lHdc);
    /* Always NotImplemented (6): there are no native windows to draw on. */
    int32_t CreateFromHWND(HWND lHwnd);
    int32_t GetGraphicsContext(GpImage* lBitmap);

    /* Fills the surface with transparent white, 0x00FFFFFF. */
    int32_t Clear();
    int32_t DrawImageI(GpImage* lBmpHandle, int32_t X, int32_t Y);
    int32_t DrawImageRectI(GpImage* lBmpHandle, int32_t X, int32_t Y, int32_t lWidth, int32_t lHeight);
    int32_t DrawImageRectRectI(GpImage* lBmpHandle, int32_t dstx, int32_t dsty, int32_t lDstWidth, int32_t lDstHeight,
                               int32_t srcx, int32_t srcy, int32_t lSrcWidth, int32_t lSrcHeight);
    int32_t DrawImageRectRectIAttr(GpImage* lBmpHandle, int32_t dstx, int32_t dsty, int32_t lDstWidth,
                                   int32_t lDstHeight, int32_t srcx, int32_t srcy, int32_t lSrcWidth,
                                   int32_t lSrcHeight, GpImageAttributes* lAttribute);

    int32_t SetInterpolationMode(int32_t eMode);
    int32_t SetTextRenderingHint(int32_t eHint);
    /* Angles in degrees; eOrder 0 prepend, 1 append. */
    int32_t RotateTransform(float sngAngle, int32_t eOrder = 0);
    int32_t TranslateTransform(float dx, float dy, int32_t eOrder = 0);
    int32_t ResetTransform();

    /* A device context over the surface's pixels, or null (status in
     * CurErr). Draw nothing else until ReleaseDC. */
    HDC GetDC();
    /* Writes the context's pixels back into the surface and forgets it. */
    void ReleaseDC();

    GpGraphics* Handle() const { return mGraphics; }
    int32_t CurErr() const { return mCurErr; }
    /* Deletes the handle (releasing a lent device context first). */
    void Dispose();

  private:
    int32_t CheckStatus(GpStatus status);
    /* Takes graphics in place of the handle held when status is Ok. */
    int32_t Bind(GpStatus status, GpGraphics* graphics);

    GpGraphics* mGraphics = nullptr;
    HDC mHdc = nullptr;
    int32_t mCurErr = 0;
};
