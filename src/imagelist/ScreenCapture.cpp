#include "ScreenCapture.h"

#include "AtomicFile.h"

#include "cBitmap.h"
#include "cGDIP.h"
#include "cGraphics.h"
#include "cQuestions.h"
#include "cImageList.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QRandomGenerator>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QUrl>
#include <QVariantMap>

#include <algorithm>
#include <cstring>

namespace {

// How long the desktop portal may take to answer; it can ask the user first.
constexpr int kPortalTimeoutMs = 60000;
// How long the portal may take to take the request. A portal started by the
// request itself can need half a minute (once running it answers at once).
constexpr int kPortalCallTimeoutMs = 45000;
// The portal's response codes.
constexpr uint kPortalSuccess = 0;
constexpr uint kPortalCancelled = 1;

const QString kCaptureErrorTitle = QStringLiteral("Screen Capture Error");
const QString kNoPixelsText =
    QStringLiteral("The screen could not be captured: the desktop did not let Quillet read its pixels.");
const QString kNotSavedText = QStringLiteral("The screen capture could not be saved as %1.");

const QString kCaptureFileName = QStringLiteral("Screen Capture.png");
const QString kCaptureFolderPattern = QStringLiteral("quillet-capture-XXXXXX");
// This run's capture folder; "" until the first capture asks for it.
QString gCaptureFolder;

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// Waits for the Response signal of one portal request.
class cPortalResponse : public QObject {
    Q_OBJECT
  public:
    // Runs the event loop until the answer comes or lTimeoutMs pass. True when
    // an answer came.
    bool Wait(int lTimeoutMs) {
        if (mAnswered)
            return true;
        QTimer::singleShot(lTimeoutMs, &mLoop, &QEventLoop::quit);
        mLoop.exec(QEventLoop::ExcludeUserInputEvents);
        return mAnswered;
    }
    uint Code() const { return mCode; }
    const QVariantMap& Results() const { return mResults; }

  public slots:
    void Response(uint lCode, const QVariantMap& results) {
        mAnswered = true;
        mCode = lCode;
        mResults = results;
        mLoop.quit();
    }

  private:
    QEventLoop mLoop;
    bool mAnswered = false;
    uint mCode = 2; // the portal's "ended some other way"
    QVariantMap mResults;
};

// The part of oImage that shows the primary screen, when oImage covers the
// whole virtual desktop (as the portal's screenshots do).
QImage PrimaryScreenPart(const QImage& oImage) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr || oImage.isNull())
        return oImage;
    const QRect desktop = primary->virtualGeometry();
    if (desktop.width() <= 0 || desktop.height() <= 0)
        return oImage;
    const double scaleX = double(oImage.width()) / desktop.width();
    const double scaleY = double(oImage.height()) / desktop.height();
    const QRect screen = primary->geometry().translated(-desktop.topLeft());
    const QRect part(qRound(screen.x() * scaleX), qRound(screen.y() * scaleY), qRound(screen.width() * scaleX),
                     qRound(screen.height() * scaleY));
    return oImage.copy(part.intersected(oImage.rect()));
}

// One request to the desktop portal's screenshot interface
// (org.freedesktop.portal.Screenshot). The portal writes a file and answers
// with its address; the pixels are read from it and the file, which the
// portal made for this request alone, is removed. lCode receives the
// portal's response code (kPortalCancelled when the user or the desktop
// refused). Null when there is no portal or it gave no picture.
QImage RequestPortalScreenshot(QDBusConnection& bus, bool bInteractive, uint& lCode) {
    lCode = 2;
    // The request's object path is known in advance from the token, so the
    // answer cannot arrive before we listen for it.
    const QString token = QStringLiteral("quillet%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath = kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;

    cPortalResponse response;
    const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
    if (!bus.connect(kPortalService, requestPath, requestInterface, QStringLiteral("Response"), &response,
                     SLOT(Response(uint, QVariantMap))))
        return {};
    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), bInteractive},
                        {QStringLiteral("modal"), true}};
    const QDBusMessage reply = bus.call(call, QDBus::Block, kPortalCallTimeoutMs);
    QImage image;
    if (reply.type() == QDBusMessage::ReplyMessage && response.Wait(kPortalTimeoutMs)) {
        lCode = response.Code();
        const QUrl uri(response.Results().value(QStringLiteral("uri")).toString());
        if (lCode == kPortalSuccess && uri.isLocalFile()) {
            image = PrimaryScreenPart(QImage(uri.toLocalFile()));
            QFile::remove(uri.toLocalFile());
        }
    }
    bus.disconnect(kPortalService, requestPath, requestInterface, QStringLiteral("Response"), &response,
                   SLOT(Response(uint, QVariantMap)));
    return image;
}

// The portal's screenshot, for sessions where applications cannot read the
// screen themselves: asked without a dialog first, and when that is refused
// once more letting the desktop ask the user. Null when there is no portal
// or it declines.
QImage GrabThroughPortal() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {};
    uint code = 0;
    const QImage image = RequestPortalScreenshot(bus, false, code);
    if (image.isNull() && code == kPortalCancelled)
        return RequestPortalScreenshot(bus, true, code);
    return image;
}

} // namespace

QString CaptureFilePath() {
    if (gCaptureFolder.isEmpty()) {
        // A folder of this run's own, so that two running copies never share
        // a capture; the user's runtime folder, else the cache folder.
        QString base = QDir::tempPath();
        for (const auto location : {QStandardPaths::RuntimeLocation, QStandardPaths::CacheLocation}) {
            const QString perUser = QStandardPaths::writableLocation(location);
            if (!perUser.isEmpty() && QDir().mkpath(perUser) && QFileInfo(perUser).isWritable()) {
                base = perUser;
                break;
            }
        }
        QTemporaryDir folder(QDir(base).filePath(kCaptureFolderPattern));
        folder.setAutoRemove(false);
        gCaptureFolder = folder.isValid() ? folder.path() : base;
    }
    return QDir(gCaptureFolder).filePath(kCaptureFileName);
}

void RemoveCaptureFile() {
    if (gCaptureFolder.isEmpty())
        return;
    QFile::remove(QDir(gCaptureFolder).filePath(kCaptureFileName));
    QDir().rmdir(gCaptureFolder);
    gCaptureFolder.clear();
}

bool IsBlankGrab(const QImage& oImage) {
    // Format_RGB32's stored alpha byte is not always 0xFF: only the colour counts.
    const QImage pixels = oImage.convertToFormat(QImage::Format_RGB32);
    const QRgb first = pixels.pixel(0, 0) & RGB_MASK;
    // 32-bit rows need no padding: the pixels lie end to end.
    const auto* begin = reinterpret_cast<const QRgb*>(pixels.constBits());
    return std::all_of(begin, begin + pixels.sizeInBytes() / sizeof(QRgb),
                       [first](QRgb p) { return (p & RGB_MASK) == first; });
}

// The device-context copy of the screen: oScreen's rows into the 32-bit ARGB
// surface behind hdc, from the top-left corner, as far as both reach.
int32_t CopyToDeviceContext(const QImage& oScreen, HDC hdc) {
    BitmapData bits{};
    const GpStatus status = GpGetDCBits(hdc, &bits);
    if (status != Ok)
        return status;
    const auto rows = std::min<uint32_t>(bits.Height, static_cast<uint32_t>(oScreen.height()));
    const auto rowBytes = std::size_t{4} * std::min<uint32_t>(bits.Width, static_cast<uint32_t>(oScreen.width()));
    auto* target = static_cast<uint8_t*>(bits.Scan0);
    for (uint32_t y = 0; y < rows; ++y)
        std::memcpy(target + std::ptrdiff_t{bits.Stride} * y, oScreen.constScanLine(static_cast<int>(y)), rowBytes);
    return Ok;
}

// Runs the event loop for lMilliseconds, without user input, so that other
// windows repaint while nothing here moves.
void WaitWithEvents(int lMilliseconds) {
    QEventLoop loop;
    QTimer::singleShot(lMilliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QImage GrabPrimaryScreen() {
    // In a Wayland session a grab through X (XWayland) sees only X windows
    // over black, so the portal goes first there.
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QStringLiteral("wayland") ||
                         qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    QImage image = wayland ? GrabThroughPortal() : QImage();
    if (image.isNull()) {
        if (QScreen* primary = QGuiApplication::primaryScreen())
            image = primary->grabWindow(0).toImage();
        // Without the portal a Wayland desktop hands out a blank screen,
        // which is no capture.
        if (wayland && !image.isNull() && IsBlankGrab(image))
            return {};
    }
    if (image.isNull() && !wayland)
        image = GrabThroughPortal();
    if (image.isNull())
        return {};
    // Format_RGB32 holds 0xFFRRGGBB, so the ARGB copy is opaque.
    return image.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
}

int32_t SaveCaptureFile(const QImage& oScreen, cGDIP& gdip, const QString& sPath) {
    const QImage pixels = oScreen.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    cGraphics graphics;
    cBitmap bitmap;
    int32_t status = bitmap.CreateFromScan0(pixels.width(), pixels.height(), 0, PixelFormat32bppARGB, nullptr);
    if (status == Ok)
        status = graphics.GetGraphicsContext(bitmap.Handle());
    if (status != Ok)
        return status;
    if (HDC hdc = graphics.GetDC()) {
        status = CopyToDeviceContext(pixels, hdc);
        graphics.ReleaseDC(); // hands the pixels back to the bitmap
    } else {
        status = graphics.CurErr();
    }
    graphics.Dispose();
    if (status != Ok)
        return status;

    const std::optional<CLSID> encoder = gdip.FormatEncoder(QStringLiteral("PNG"));
    if (!encoder)
        return kNoPngEncoder;
    QByteArray bytes;
    // The stream's length, or 0 with the failure's status in CurErr.
    if (bitmap.SaveToStream(bytes, *encoder, nullptr) <= 0)
        return bitmap.CurErr() != Ok ? bitmap.CurErr() : int32_t{GenericError};
    // Written whole under another name first and then renamed, so that a
    // failed save leaves the earlier capture (which may still be listed) intact.
    const QFileInfo target(sPath);
    const cFolder folder(QFile::encodeName(target.absolutePath()).toStdString());
    const cWriteStatus written =
        WriteFileAtomically(folder, QFile::encodeName(target.fileName()).toStdString(), bytes.constData(),
                            static_cast<size_t>(bytes.size()), eCommit::Replace, [] { return true; });
    return written.Step == eWriteStep::Done ? int32_t{Ok} : int32_t{AccessDenied};
}

void CaptureScreen(cCaptureHost& oHost, cImageList& oList) {
    QWidget& window = oHost.CaptureWindow();
    window.hide();
    QCoreApplication::processEvents();
    WaitWithEvents(kCaptureDelayMs);

    const QImage screen = GrabPrimaryScreen();
    const QString path = CaptureFilePath();
    const int32_t status = screen.isNull() ? int32_t{GenericError} : SaveCaptureFile(screen, oHost.Imaging(), path);
    if (status == Ok)
        oList.ReplaceWithOne(QFileInfo(path).absolutePath(), QFileInfo(path).fileName());
    window.show();
    if (status != Ok)
        oHost.Questions().Warn(kCaptureErrorTitle,
                               screen.isNull() ? kNoPixelsText : kNotSavedText.arg(QDir::toNativeSeparators(path)));
}

#include "ScreenCapture.moc"
