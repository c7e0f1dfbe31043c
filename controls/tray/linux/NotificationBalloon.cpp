#include "controls/tray/linux/NotificationBalloon.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "controls/tray/linux/NotifyAreaLog.h"

namespace agendix::controls {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// Long enough for a service that is started on demand; the call never blocks meanwhile.
constexpr int kCallTimeoutMilliseconds = 10000;
// Asks the service to apply its own display time.
constexpr qint32 kServerDefaultTimeout = -1;

}  // namespace

QString EscapeNotificationMarkup(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&') {
            escaped += QStringLiteral("&amp;");
        } else if (c == u'<') {
            escaped += QStringLiteral("&lt;");
        } else if (c == u'>') {
            escaped += QStringLiteral("&gt;");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QDBusMessage NotifyMessage(const NotificationSender& sender, quint32 replacesId,
                           const QString& title, const QString& text) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), sender.desktopEntry}};
    message << sender.appName << replacesId << sender.iconName << title
            << EscapeNotificationMarkup(text) << QStringList() << hints << kServerDefaultTimeout;
    return message;
}

NotificationBalloon::NotificationBalloon(QDBusConnection bus, NotificationSender sender,
                                         QObject* parent)
    : QObject(parent), bus_(std::move(bus)), sender_(std::move(sender)) {}

void NotificationBalloon::Show(const QString& title, const QString& text) {
    Submit({false, title, text});
}

void NotificationBalloon::Close() {
    Submit({true, {}, {}});
}

void NotificationBalloon::Submit(Request request) {
    if (callUnderWay_) {
        waiting_ = std::move(request);
        return;
    }
    Send(request);
}

void NotificationBalloon::Send(const Request& request) {
    QDBusMessage message;
    if (request.close) {
        if (notificationId_ == 0) {
            return;
        }
        message = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                 QStringLiteral("CloseNotification"));
        message << notificationId_;
        notificationId_ = 0;
    } else {
        if (!bus_.isConnected()) {
            qCDebug(lcNotifyArea) << "no session bus for the balloon";
            emit ServiceUnavailable(request.title, request.text);
            return;
        }
        message = NotifyMessage(sender_, notificationId_, request.title, request.text);
    }
    callUnderWay_ = true;
    auto* call =
        new QDBusPendingCallWatcher(bus_.asyncCall(message, kCallTimeoutMilliseconds), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                Finish(request, *finished);
            });
}

void NotificationBalloon::Finish(const Request& request, QDBusPendingCallWatcher& call) {
    callUnderWay_ = false;
    if (call.isError()) {
        qCDebug(lcNotifyArea) << "notification call failed:" << call.error().name()
                              << call.error().message();
        if (!request.close) {
            emit ServiceUnavailable(request.title, request.text);
        }
    } else if (!request.close) {
        notificationId_ = QDBusPendingReply<quint32>(call).value();
    }
    if (waiting_) {
        const Request next = std::move(*waiting_);
        waiting_.reset();
        Send(next);
    }
}

}  // namespace agendix::controls
