#include "HandOff.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QUrl>
#include <QVariantMap>

namespace {

bool HandOffOverBus(const QStringList& aUris, int lTimeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kApplicationId, kApplicationPath, kApplicationInterface,
                                       aUris.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    if (!aUris.isEmpty())
        call << aUris;
    call << QVariantMap();
    return bus.call(call, QDBus::Block, lTimeout).type() == QDBusMessage::ReplyMessage;
}

// The socket's exchange: one URL per line, an empty line to end; the window
// answers "ok" once it holds them.
bool HandOffOverSocket(const QStringList& aUris, int lTimeout) {
    const QDeadlineTimer deadline(lTimeout);
    QLocalSocket socket;
    socket.connectToServer(HandOffSocketPath());
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return false;
    QByteArray message;
    for (const QString& uri : aUris)
        message += uri.toUtf8() + '\n';
    message += '\n';
    socket.write(message);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    return socket.readLine() == "ok\n";
}

} // namespace

QString HandOffSocketPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
        .filePath(QStringLiteral("quillet-hand-off"));
}

QStringList PathsToUris(const QStringList& aPaths) {
    QStringList uris;
    for (const QString& path : aPaths)
        uris.append(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded));
    return uris;
}

QStringList UrisToPaths(const QStringList& aUris) {
    QStringList paths;
    for (const QString& uri : aUris) {
        const QUrl url(uri, QUrl::StrictMode);
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

bool HandOffToRunningWindow(const QStringList& aPaths, int lTimeout) {
    const QStringList uris = PathsToUris(aPaths);
    return HandOffOverBus(uris, lTimeout) || HandOffOverSocket(uris, lTimeout);
}
