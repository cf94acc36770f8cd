#pragma once
// The running window's side of the hand-off (HandOff.h): owns the bus name
// and the socket, and passes on what later starts of the program send.

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class QLocalServer;
class QLocalSocket;

class cHandOffServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
  public:
    explicit cHandOffServer(QObject* parent = nullptr);
    ~cHandOffServer() override;

    // Claims the bus name (when there is a session bus) and the socket. False
    // when another window already holds them: the bus name, or without a bus
    // a socket that answers. A socket left by a window that died is replaced.
    bool Start();

    // org.freedesktop.Application, as the desktop and later starts call it.
    Q_SCRIPTABLE void Activate(const QVariantMap& aPlatformData);
    Q_SCRIPTABLE void Open(const QStringList& aUris, const QVariantMap& aPlatformData);
    Q_SCRIPTABLE void ActivateAction(const QString& sName, const QVariantList& aParameter,
                                     const QVariantMap& aPlatformData);

  signals:
    // Files handed over (absolute paths; none when the window is only to be
    // raised). Sent once the caller has its answer, so that whatever the
    // window then asks cannot keep the caller waiting.
    void FilesHanded(const QStringList& aPaths);

  private:
    bool ListenOnSocket(bool bReplaceLive);
    void SocketConnected();
    void SocketReadable(QLocalSocket* oSocket);
    void Pass(const QStringList& aPaths);

    QLocalServer* mServer;
    bool mOnBus = false; // holds the bus name
};
