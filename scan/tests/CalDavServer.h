#pragma once

// The real peers of the CalDAV tests: a private Radicale server on a free loopback port, and a
// private session bus with an unlocked gnome-keyring for passwords.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

namespace agendix::scan::testing {

class RadicaleServer {
  public:
    // Users and their passwords ("alice:secret" lines); empty for a server without passwords.
    explicit RadicaleServer(QByteArray users = {});
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    static bool Installed();
    // Starts the server; false with `error` set when it does not come up.
    bool Start(QString& error);
    void Stop();

    int Port() const { return port_; }
    // http://127.0.0.1:<port><path>, with `user` in it when given.
    QUrl Url(const QString& path, const QString& user = {}) const;

    // A request made directly (for the fixtures); returns the HTTP status, 0 without one.
    int Send(const QByteArray& verb, const QString& path, const QByteArray& body,
             const QString& user = QStringLiteral("u"),
             const QString& password = QStringLiteral("x"));
    int MakeCalendar(const QString& path, const QString& user = QStringLiteral("u"),
                     const QString& password = QStringLiteral("x"));
    int Put(const QString& path, const QByteArray& icalendar,
            const QString& user = QStringLiteral("u"),
            const QString& password = QStringLiteral("x"));

    // How many requests the server has logged so far.
    int LoggedRequests() const;

  private:
    QTemporaryDir folder_;
    QByteArray users_;
    int port_ = 0;
    std::unique_ptr<QProcess> process_;
};

// A private session bus with gnome-keyring's Secret Service, unlocked; sets
// DBUS_SESSION_BUS_ADDRESS of this process to it (libsecret reads it at its first use).
class PrivateKeyring {
  public:
    PrivateKeyring();
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

    static bool Installed();
    bool Start(QString& error);
    // Stores the password of `user` at `server` (waits for the keyring to come up).
    bool Store(const QString& server, const QString& user, const QString& password, QString& error);

  private:
    QTemporaryDir folder_;
    std::unique_ptr<QProcess> bus_;
    std::unique_ptr<QProcess> keyring_;
};

}  // namespace agendix::scan::testing
