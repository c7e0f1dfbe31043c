#include "settings/usage/qt/QtCounterPost.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace agendix::settings {

QtCounterPost::QtCounterPost(QString counterHost) : counterHost_(std::move(counterHost)) {}

void QtCounterPost::Post(const std::string& pathAndQuery, std::chrono::milliseconds timeLimit) {
    const QUrl url(QStringLiteral("http://") + counterHost_ + QString::fromStdString(pathAndQuery),
                   QUrl::StrictMode);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // The type Qt gives a POST without one; named here so Qt does not warn about it.
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));

    QNetworkAccessManager network;
    const std::unique_ptr<QNetworkReply> reply(network.post(request, QByteArray()));

    QEventLoop exchange;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(reply.get(), &QNetworkReply::finished, &exchange, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &exchange, &QEventLoop::quit);
    deadline.start(timeLimit);
    if (!reply->isFinished()) {
        exchange.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!reply->isFinished()) {
        reply->abort();
    }
}

}  // namespace agendix::settings
