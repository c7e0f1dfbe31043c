#include "scan/tests/CalDavServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <cstdlib>

#include "scan/tests/CalDavSecretStore.h"

namespace agendix::scan::testing {
namespace {

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

RadicaleServer::RadicaleServer(QByteArray users) : users_(std::move(users)) {}

RadicaleServer::~RadicaleServer() {
    Stop();
}

bool RadicaleServer::Installed() {
    return !QStandardPaths::findExecutable(QStringLiteral("radicale")).isEmpty();
}

bool RadicaleServer::Start(QString& error) {
    const QString dir = folder_.path();
    port_ = FreePort();
    QByteArray auth = "type = none\n";
    if (!users_.isEmpty()) {
        WriteFile(dir + QStringLiteral("/users"), users_);
        auth = "type = htpasswd\nhtpasswd_filename = " + (dir + QStringLiteral("/users")).toUtf8() +
               "\nhtpasswd_encryption = plain\ndelay = 0\n";
    }
    WriteFile(dir + QStringLiteral("/rights"),
              "[all]\nuser: .*\ncollection: .*\npermissions: RrWw\n");
    WriteFile(
        dir + QStringLiteral("/config"),
        "[server]\nhosts = 127.0.0.1:" + QByteArray::number(port_) + "\n[auth]\n" + auth +
            "[rights]\ntype = from_file\nfile = " + (dir + QStringLiteral("/rights")).toUtf8() +
            "\n[storage]\nfilesystem_folder = " + (dir + QStringLiteral("/collections")).toUtf8() +
            "\n[logging]\nlevel = info\nmask_passwords = True\n");
    process_ = std::make_unique<QProcess>();
    process_->setStandardOutputFile(dir + QStringLiteral("/log"));
    process_->setStandardErrorFile(dir + QStringLiteral("/log"), QIODevice::Append);
    process_->start(QStringLiteral("radicale"),
                    {QStringLiteral("--config"), dir + QStringLiteral("/config")});
    if (!process_->waitForStarted(10000)) {
        error = QStringLiteral("radicale did not start: ") + process_->errorString();
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
        if (socket.waitForConnected(200)) {
            return true;
        }
        if (process_->state() == QProcess::NotRunning) {
            break;
        }
        QThread::msleep(100);
    }
    QFile log(dir + QStringLiteral("/log"));
    log.open(QIODevice::ReadOnly);
    error = QStringLiteral("radicale does not listen on port %1: %2")
                .arg(port_)
                .arg(QString::fromUtf8(log.readAll()));
    return false;
}

void RadicaleServer::Stop() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(5000);
        }
    }
}

QUrl RadicaleServer::Url(const QString& path, const QString& user) const {
    QUrl url(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
    if (!user.isEmpty()) {
        url.setUserName(user);
    }
    return url;
}

int RadicaleServer::Send(const QByteArray& verb, const QString& path, const QByteArray& body,
                         const QString& user, const QString& password) {
    QNetworkAccessManager network;
    QNetworkRequest request(Url(path));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      verb == "PUT" ? QStringLiteral("text/calendar; charset=utf-8")
                                    : QStringLiteral("application/xml; charset=utf-8"));
    request.setRawHeader("Authorization",
                         "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64());
    QNetworkReply* reply = network.sendCustomRequest(request, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;
    return status;
}

int RadicaleServer::MakeCalendar(const QString& path, const QString& user,
                                 const QString& password) {
    return Send("MKCALENDAR", path, {}, user, password);
}

int RadicaleServer::Put(const QString& path, const QByteArray& icalendar, const QString& user,
                        const QString& password) {
    return Send("PUT", path, icalendar, user, password);
}

int RadicaleServer::LoggedRequests() const {
    QFile log(folder_.path() + QStringLiteral("/log"));
    if (!log.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return static_cast<int>(log.readAll().count(" request for "));
}

PrivateKeyring::PrivateKeyring() = default;

PrivateKeyring::~PrivateKeyring() {
    for (auto* process : {keyring_.get(), bus_.get()}) {
        if (process && process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }
}

bool PrivateKeyring::Installed() {
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty();
}

bool PrivateKeyring::Start(QString& error) {
    // The bus and anything it starts on demand see only the test's own folders.
    const QString dir = folder_.path();
    QDir().mkpath(dir + QStringLiteral("/run"));
    QFile::setPermissions(dir + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/run"));
    bus_ = std::make_unique<QProcess>();
    bus_->setProcessEnvironment(environment);
    bus_->start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
    if (!bus_->waitForStarted(10000) || !bus_->waitForReadyRead(10000)) {
        error = QStringLiteral("the private session bus did not start");
        return false;
    }
    const QByteArray address = bus_->readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address));
    keyring_ = std::make_unique<QProcess>();
    keyring_->setProcessEnvironment(environment);
    keyring_->setStandardOutputFile(QProcess::nullDevice());
    keyring_->setStandardErrorFile(QProcess::nullDevice());
    // Headless, the keyring's Secret Service works only when unlocked with a password on stdin.
    keyring_->start(QStringLiteral("gnome-keyring-daemon"),
                    {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                     QStringLiteral("--components=secrets")});
    if (!keyring_->waitForStarted(10000)) {
        error = QStringLiteral("gnome-keyring-daemon did not start");
        return false;
    }
    keyring_->write("keyring-password");
    keyring_->closeWriteChannel();
    QThread::msleep(1000);  // until it owns the Secret Service's name
    return true;
}

bool PrivateKeyring::Store(const QString& server, const QString& user, const QString& password,
                           QString& error) {
    const QDeadlineTimer deadline(15000);
    std::string failure;
    while (!deadline.hasExpired()) {
        if (StoreCalDavPassword(server.toStdString(), user.toStdString(), password.toStdString(),
                                failure)) {
            return true;
        }
        QThread::msleep(200);
    }
    error = QString::fromStdString(failure);
    return false;
}

}  // namespace agendix::scan::testing
