#include "cGraphics.h"

#include "cGDIP.h"

#include <utility>

cGraphics::~cGraphics() {
    Dispose();
}

cGraphics::cGraphics(cGraphics&& other) noexcept
    : gdip(other.gdip), mGraphics(std::exchange(other.mGraphics, nullptr)), mHdc(std::exchange(other.mHdc, nullptr)),
      mCurErr(other.mCurErr) {}

cGraphics& cGraphics::operator=(cGraphics&& other) noexcept {
    if (this != &other) {
        Dispose();
        gdip = other.gdip;
        mGraphics = std::exchange(other.mGraphics, nullptr);
        mHdc = std::exchange(other.mHdc, nullptr);
        mCurErr = other.mCurErr;
    }
    return *this;
}

int32_t cGraphics::CheckStatus(GpStatus status) {
    return cGDIP::ReportStatus(gdip, status, mCurErr, QStringLiteral("cGraphics"));
}

int32_t cGraphics::Bind(GpStatus status, GpGraphics* graphics) {
    const int32_t result = CheckStatus(status);
    if (result == 0) {
        Dispose();
        mGraphics = graphics;
    }
    return result;
}

int32_t cGraphics::CreateFromHdc(HDC lHdc) {
    GpGraphics* graphics = nullptr;
    const GpStatus status = GdipCreateFromHDC(lHdc, &graphics);
    return Bind(status, graphics);
}

int32_t cGraphics::CreateFromHWND(HWND lHwnd) {
    GpGraphics* graphics = nullptr;
    const GpStatus status = GdipCreateFromHWND(lHwnd, &graphics);
    return Bind(status, graphics);
}

int32_t cGraphics::GetGraphicsContext(GpImage* lBitmap) {
    GpGraphics* graphics = nullptr;
    const GpStatus status = GdipGetImageGraphicsContext(lBitmap, &graphics);
    return Bind(status, graphics);
}

int32_t cGraphics::Clear() {
    return CheckStatus(GdipGraphicsClear(mGraphics, 0x00FFFFFFu));
}

int32_t cGraphics::DrawImageI(GpImage* lBmpHandle, int32_t X, int32_t Y) {
    return CheckStatus(GdipDrawImageI(mGraphics, lBmpHandle, X, Y));
}

int32_t cGraphics::DrawImageRectI(GpImage* lBmpHandle, int32_t X, int32_t Y, int32_t lWidth, int32_t lHeight) {
    return CheckStatus(GdipDrawImageRectI(mGraphics, lBmpHandle, X, Y, lWidth, lHeight));
}

int32_t cGraphics::DrawImageRectRectI(GpImage* lBmpHandle, int32_t dstx, int32_t dsty, int32_t lDstWidth,
                                      int32_t lDstHeight, int32_t srcx, int32_t srcy, int32_t lSrcWidth,
                                      int32_t lSrcHeight) {
    return CheckStatus(GdipDrawImageRectRectI(mGraphics, lBmpHandle, dstx, dsty, lDstWidth, lDstHeight, srcx, srcy,
                                              lSrcWidth, lSrcHeight, UnitPixel, nullptr, nullptr, nullptr));
}

int32_t cGraphics::DrawImageRectRectIAttr(GpImage* lBmpHandle, int32_t dstx, int32_t dsty, int32_t lDstWidth,
                                          int32_t lDstHeight, int32_t srcx, int32_t srcy, int32_t lSrcWidth,
                                          int32_t lSrcHeight, GpImageAttributes* lAttribute) {
    return CheckStatus(GdipDrawImageRectRectI(mGraphics, lBmpHandle, dstx, dsty, lDstWidth, lDstHeight, srcx, srcy,
                                              lSrcWidth, lSrcHeight, UnitPixel, lAttribute, nullptr, nullptr));
}

int32_t cGraphics::SetInterpolationMode(int32_t eMode) {
    return CheckStatus(GdipSetInterpolationMode(mGraphics, static_cast<InterpolationMode>(eMode)));
}

int32_t cGraphics::SetTextRenderingHint(int32_t eHint) {
    return CheckStatus(GdipSetTextRenderingHint(mGraphics, static_cast<TextRenderingHint>(eHint)));
}

int32_t cGraphics::RotateTransform(float sngAngle, int32_t eOrder) {
    return CheckStatus(GdipRotateWorldTransform(mGraphics, sngAngle, static_cast<MatrixOrder>(eOrder)));
}

int32_t cGraphics::TranslateTransform(float dx, float dy, int32_t eOrder) {
    return CheckStatus(GdipTranslateWorldTransform(mGraphics, dx, dy, static_cast<MatrixOrder>(eOrder)));
}

int32_t cGraphics::ResetTransform() {
    return CheckStatus(GdipResetWorldTransform(mGraphics));
}

HDC cGraphics::GetDC() {
    HDC hdc = nullptr;
    if (CheckStatus(GdipGetDC(mGraphics, &hdc)) != 0)
        return nullptr;
    mHdc = hdc;
    return hdc;
}

void cGraphics::ReleaseDC() {
    CheckStatus(GdipReleaseDC(mGraphics, mHdc));
    mHdc = nullptr;
}

void cGraphics::Dispose() {
    if (mGraphics == nullptr)
        return;
    if (mHdc != nullptr)
        ReleaseDC();
    GdipDeleteGraphics(mGraphics);
    mGraphics = nullptr;
}
