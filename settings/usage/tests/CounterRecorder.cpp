#include "settings/usage/tests/CounterRecorder.h"

#include <QHostAddress>

namespace agendix::settings::testing {
namespace {

constexpr QByteArrayView kHeaderEnd = "\r\n\r\n";

qsizetype ContentLength(QByteArrayView head) {
    for (const QByteArray& line : head.toByteArray().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length") {
            return line.mid(colon + 1).trimmed().toLongLong();
        }
    }
    return 0;
}

}  // namespace

CounterRecorder::CounterRecorder(Mode mode, quint16 port) : mode_(mode) {
    server_.listen(QHostAddress::LocalHost, port);
    connect(&server_, &QTcpServer::newConnection, this, &CounterRecorder::Accept);
}

QString CounterRecorder::host() const {
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void CounterRecorder::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections_;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this] { ++disconnections_; });
    }
}

void CounterRecorder::Read(QTcpSocket* socket) {
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const qsizetype headerEnd = buffer.indexOf(kHeaderEnd);
    if (headerEnd < 0) {
        return;
    }
    const QByteArray head = buffer.left(headerEnd);
    const qsizetype bodyStart = headerEnd + kHeaderEnd.size();
    const qsizetype length = ContentLength(head);
    if (buffer.size() - bodyStart < length) {
        return;
    }
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    requests_.push_back({requestLine.value(0), requestLine.value(1), buffer.mid(bodyStart)});
    socket->setProperty("buffer", QByteArray());
    if (mode_ == Mode::Answering) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
        socket->disconnectFromHost();
    }
}

}  // namespace agendix::settings::testing
