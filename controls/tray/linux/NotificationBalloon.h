#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <optional>

class QDBusPendingCallWatcher;

namespace agendix::controls {

// Who a desktop notification comes from: notification services show the name, and take the
// program's settings and icon from its desktop entry or the icon name.
struct NotificationSender {
    // The program's name as its users know it.
    QString appName;
    // The program's desktop file name without ".desktop".
    QString desktopEntry;
    // The program's icon, by its name in the icon theme.
    QString iconName;
};

// A balloon shown as a desktop notification (org.freedesktop.Notifications). Each Show replaces
// the notification this balloon showed before instead of adding another. Calls never block: they
// go out one at a time, since each needs the id the previous one returned, and a request made
// meanwhile waits; only the latest waiting request is kept.
class NotificationBalloon : public QObject {
    Q_OBJECT

  public:
    NotificationBalloon(QDBusConnection bus, NotificationSender sender, QObject* parent = nullptr);

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
    const NotificationSender sender_;
    quint32 notificationId_ = 0;
    bool callUnderWay_ = false;
    std::optional<Request> waiting_;
};

// `text` with &, < and > written as entities, so that the notification shows it as written.
QString EscapeNotificationMarkup(const QString& text);

// The Notify call that shows `title` and the plain `text` from `sender`, replacing the
// notification `replacesId` (0 for a new one).
QDBusMessage NotifyMessage(const NotificationSender& sender, quint32 replacesId,
                           const QString& title, const QString& text);

}  // namespace agendix::controls
