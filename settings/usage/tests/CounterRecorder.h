#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <vector>

namespace agendix::settings::testing {

struct RecordedRequest {
    QByteArray method;
    QByteArray target;  // path and query as sent
    QByteArray body;
};

// A loopback HTTP endpoint for tests: records every complete request. An answering recorder
// replies "200 OK" and closes; a silent one keeps the connection open and never answers.
class CounterRecorder : public QObject {
  public:
    enum class Mode { Answering, Silent };

    explicit CounterRecorder(Mode mode = Mode::Answering, quint16 port = 0);

    quint16 port() const { return server_.serverPort(); }
    QString host() const;  // "127.0.0.1:port"
    bool isListening() const { return server_.isListening(); }
    int connections() const { return connections_; }
    int disconnections() const { return disconnections_; }
    const std::vector<RecordedRequest>& requests() const { return requests_; }

  private:
    void Accept();
    void Read(QTcpSocket* socket);

    Mode mode_;
    QTcpServer server_;
    int connections_ = 0;
    int disconnections_ = 0;
    std::vector<RecordedRequest> requests_;
};

}  // namespace agendix::settings::testing
