#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <optional>

class QDBusPendingCallWatcher;

namespace agendix::controls {

// A balloon shown as a desktop notification (org.freedesktop.Notifications). Each Show replaces
// the notification this balloon showed before instead of adding another. Calls never block: they
// go out one at a time, since each needs the id the previous one returned, and a request made
// meanwhile waits; only the latest waiting request is kept.
class NotificationBalloon : public QObject {
    Q_OBJECT

  public:
    explicit NotificationBalloon(QDBusConnection bus, QObject* parent = nullptr);

    // `text` is plain text; it is escaped for the notification markup.
    void Show(const QString& title, const QString& text);
    void Close();

  signals:
    // No notification service took the balloon: it has to be shown another way.
    void ServiceUnavailable(const QString& title, const QString& text);

  private:
    struct Request {
        bool close = false;
        QString title;
        QString text;
    };

    void Submit(Request request);
    void Send(const Request& request);
    void Finish(const Request& request, QDBusPendingCallWatcher& call);

    QDBusConnection bus_;
    quint32 notificationId_ = 0;
    bool callUnderWay_ = false;
    std::optional<Request> waiting_;
};

// `text` with &, < and > written as entities, so that the notification shows it as written.
QString EscapeNotificationMarkup(const QString& text);

}  // namespace agendix::controls
