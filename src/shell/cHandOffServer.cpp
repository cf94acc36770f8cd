#include "cHandOffServer.h"

#include "HandOff.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

namespace {

// Longest message the socket takes from one caller, in bytes: far more than
// the command line of any start can carry.
constexpr qint64 kMaxSocketMessage = 64 * 1024 * 1024;

} // namespace

cHandOffServer::cHandOffServer(QObject* parent) : QObject(parent), mServer(new QLocalServer(this)) {
    mServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(mServer, &QLocalServer::newConnection, this, &cHandOffServer::SocketConnected);
}

cHandOffServer::~cHandOffServer() {
    if (!mOnBus)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kApplicationPath);
    bus.unregisterService(kApplicationId);
}

bool cHandOffServer::Start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        if (bus.interface()->registerService(kApplicationId) != QDBusConnectionInterface::ServiceRegistered)
            return false;
        bus.registerObject(kApplicationPath, this, QDBusConnection::ExportScriptableSlots);
        mOnBus = true;
        // The bus decides; the socket serves callers without one.
        ListenOnSocket(true);
        return true;
    }
    return ListenOnSocket(false);
}

bool cHandOffServer::ListenOnSocket(bool bReplaceLive) {
    const QString path = HandOffSocketPath();
    // Qt's listen() replaces any socket at the path, a live one too: a
    // window that answers is asked first. The lock keeps two starts from
    // both finding none and both listening.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.tryLock(kHandOffTimeout);
    if (!bReplaceLive) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(kHandOffTimeout))
            return false;
    }
    QLocalServer::removeServer(path);
    return mServer->listen(path);
}

void cHandOffServer::SocketConnected() {
    while (QLocalSocket* socket = mServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { SocketReadable(socket); });
        SocketReadable(socket);
    }
}

void cHandOffServer::SocketReadable(QLocalSocket* oSocket) {
    // Nothing is taken before the empty line that ends the message arrived.
    const QByteArray received = oSocket->peek(oSocket->bytesAvailable());
    if (received.size() > kMaxSocketMessage) {
        oSocket->abort();
        return;
    }
    if (!(received == "\n" || received.endsWith("\n\n")))
        return;
    oSocket->readAll();
    QStringList uris = QString::fromUtf8(received).split(u'\n', Qt::SkipEmptyParts);
    oSocket->write("ok\n");
    oSocket->flush();
    Pass(UrisToPaths(uris));
}

void cHandOffServer::Activate(const QVariantMap&) {
    Pass({});
}

void cHandOffServer::Open(const QStringList& aUris, const QVariantMap&) {
    Pass(UrisToPaths(aUris));
}

void cHandOffServer::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {
    Pass({});
}

void cHandOffServer::Pass(const QStringList& aPaths) {
    QTimer::singleShot(0, this, [this, aPaths] { emit FilesHanded(aPaths); });
}
