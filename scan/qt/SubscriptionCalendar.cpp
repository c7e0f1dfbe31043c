#include "scan/qt/SubscriptionCalendar.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include "scan/core/MergedCalendar.h"

namespace agendix::scan {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr seconds kShortestRefresh{5 * 60};
constexpr seconds kLongestRefresh{24 * 60 * 60};
constexpr seconds kDefaultRefresh{60 * 60};
constexpr seconds kFirstRetry{60};
constexpr int kMostRedirects = 5;

std::string SizeText(std::int64_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

}  // namespace

class SubscriptionCalendar::Impl {
  public:
    Impl(SubscriptionOptions options, QUrl url)
        : options_(std::move(options)), url_(std::move(url)) {
        copyPath_ = QString::fromStdString(options_.copy.string());
        statePath_ = copyPath_ + QStringLiteral(".json");
        LoadState();
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Fetch(); });
        Fetch();
    }

    ~Impl() {
        if (QNetworkReply* reply = reply_.data()) {
            reply->disconnect();
            reply->abort();
            reply->deleteLater();
        }
    }

    std::unique_ptr<CalendarApplication> CreateApplication() {
        // A scan (such as the one a left click starts) asks for news unless a request began
        // less than a minute ago: the copy it reads now is the one there is.
        if (!reply_ && lastFetch_.elapsed() >= options_.scanRefreshSpacing.count()) {
            Fetch();
        }
        if (!QFile::exists(copyPath_)) {
            if (failure_.empty()) {
                // Nothing can be said of it yet: `changed` follows the first answer.
                throw CalendarNotReady("The web calendar \"" + options_.address +
                                       "\" is being fetched; its appointments follow in a "
                                       "moment.");
            }
            throw CalendarError("The web calendar \"" + options_.address +
                                "\" could not be fetched: " + failure_ + ".");
        }
        if (!copy_) {
            copy_ = options_.readCopy(copyPath_.toStdString());
        }
        auto application = copy_->CreateApplication();
        if (failure_.empty()) {
            return application;
        }
        const QString asOf =
            fetched_.isValid() ? fetched_.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                               : QStringLiteral("an unknown time");
        return WithReadProblem(std::move(application),
                               "The web calendar \"" + options_.address +
                                   "\" could not be refreshed (" + failure_ +
                                   "); its appointments are those of " + asOf.toStdString() + ".");
    }

    void Fetch() {
        if (reply_) {
            return;
        }
        timer_.stop();
        lastFetch_.start();
        QNetworkRequest request(url_);
        request.setSslConfiguration(options_.ssl);
        request.setTransferTimeout(static_cast<int>(options_.requestTimeout.count()));
        // Redirects are followed, never from https to plain http.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(kMostRedirects);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("agendix"));
        if (QFile::exists(copyPath_)) {
            if (!etag_.isEmpty()) {
                request.setRawHeader("If-None-Match", etag_);
            }
            if (!lastModified_.isEmpty()) {
                request.setRawHeader("If-Modified-Since", lastModified_);
            }
        }
        tooLarge_ = false;
        QNetworkReply* reply = network_.get(request);
        reply_ = reply;
        ++traffic_.requests;
        QObject::connect(reply, &QNetworkReply::downloadProgress,
                         [this, reply](qint64 received, qint64 total) {
                             if (received > options_.maxBytes || total > options_.maxBytes) {
                                 tooLarge_ = true;
                                 reply->abort();
                             }
                         });
        QObject::connect(reply, &QNetworkReply::finished, [this] { Finished(); });
    }

    bool Fetching() const { return !reply_.isNull(); }
    const SubscriptionTraffic& Traffic() const { return traffic_; }

  private:
    void LoadState() {
        QFile file(statePath_);
        if (!QFile::exists(copyPath_) || !file.open(QIODevice::ReadOnly)) {
            return;
        }
        const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
        if (state.value(QStringLiteral("url")).toString() != url_.toString()) {
            return;
        }
        etag_ = state.value(QStringLiteral("etag")).toString().toUtf8();
        lastModified_ = state.value(QStringLiteral("lastModified")).toString().toUtf8();
        fetched_ = QDateTime::fromMSecsSinceEpoch(
            static_cast<qint64>(state.value(QStringLiteral("fetched")).toDouble()), Qt::UTC);
        refresh_ = std::clamp(
            seconds(state.value(QStringLiteral("refresh")).toInt(int(kDefaultRefresh.count()))),
            kShortestRefresh, kLongestRefresh);
    }

    void SaveState() const {
        QSaveFile file(statePath_);
        const QJsonObject state{
            {QStringLiteral("url"), url_.toString()},
            {QStringLiteral("etag"), QString::fromUtf8(etag_)},
            {QStringLiteral("lastModified"), QString::fromUtf8(lastModified_)},
            {QStringLiteral("fetched"), static_cast<double>(fetched_.toMSecsSinceEpoch())},
            {QStringLiteral("refresh"), static_cast<int>(refresh_.count())}};
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QJsonDocument(state).toJson());
            file.commit();
        }
    }

    void Finished() {
        QNetworkReply* reply = reply_;
        reply_ = nullptr;
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const auto error = reply->error();
        if (tooLarge_) {
            return Fail("it is larger than " + SizeText(options_.maxBytes));
        }
        if (error == QNetworkReply::NoError && status == 304) {
            return Succeeded(false, refresh_);
        }
        if (status >= 400) {
            return Fail("the server answered " + std::to_string(status) + " " +
                        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                            .toString()
                            .toStdString());
        }
        switch (error) {
            case QNetworkReply::NoError:
                break;
            case QNetworkReply::OperationCanceledError:
                return Fail("the server did not answer within " +
                            std::to_string(options_.requestTimeout.count() / 1000) + " seconds");
            case QNetworkReply::TooManyRedirectsError:
                return Fail("it redirects more than " + std::to_string(kMostRedirects) +
                            " times, maybe in a loop");
            case QNetworkReply::InsecureRedirectError:
                return Fail("it redirects from https to plain http, which is not followed");
            case QNetworkReply::RemoteHostClosedError:
                return Fail("the connection ended before the whole calendar arrived");
            default:
                return Fail(reply->errorString().toStdString());
        }
        if (status != 200) {
            return Fail("the server answered " + std::to_string(status));
        }
        const QByteArray body = reply->readAll();
        traffic_.bytesReceived += body.size();
        ++traffic_.downloads;
        if (body.size() > options_.maxBytes) {
            return Fail("it is larger than " + SizeText(options_.maxBytes));
        }
        std::optional<seconds> asked;
        try {
            asked = options_.checkCopy(body.toStdString());
        } catch (const CalendarError& notCalendar) {
            return Fail(std::string("what the server sent is not a calendar: ") +
                        notCalendar.what());
        }
        QDir().mkpath(QFileInfo(copyPath_).absolutePath());
        QSaveFile copy(copyPath_);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(body) != body.size() || !copy.commit()) {
            return Fail("its copy cannot be kept in " + copyPath_.toStdString());
        }
        etag_ = reply->rawHeader("ETag");
        lastModified_ = reply->rawHeader("Last-Modified");
        Succeeded(true, asked.value_or(kDefaultRefresh));
    }

    void Succeeded(bool newCopy, seconds refresh) {
        const bool wasFailing = !failure_.empty();
        failure_.clear();
        failures_ = 0;
        fetched_ = QDateTime::currentDateTimeUtc();
        refresh_ = std::clamp(refresh, kShortestRefresh, kLongestRefresh);
        SaveState();
        timer_.start(std::chrono::duration_cast<milliseconds>(refresh_));
        if ((newCopy || wasFailing) && options_.changed) {
            options_.changed();
        }
    }

    // Tries again after a minute, then twice as long after each failure, at most the refresh
    // interval.
    void Fail(std::string reason) {
        failure_ = std::move(reason);
        const seconds wait = std::min<seconds>(kFirstRetry * (1LL << std::min(failures_, 10)),
                                               std::max(refresh_, kFirstRetry));
        ++failures_;
        timer_.start(std::chrono::duration_cast<milliseconds>(wait));
        if (options_.changed) {
            options_.changed();
        }
    }

    SubscriptionOptions options_;
    QUrl url_;
    QString copyPath_;
    QString statePath_;
    QNetworkAccessManager network_;
    QTimer timer_;
    QPointer<QNetworkReply> reply_;
    bool tooLarge_ = false;
    QElapsedTimer lastFetch_;  // since the latest request began
    QByteArray etag_;
    QByteArray lastModified_;
    QDateTime fetched_;  // of the copy, or when it was last confirmed
    seconds refresh_ = kDefaultRefresh;
    std::string failure_;  // why the latest fetch failed; empty when it did not
    int failures_ = 0;     // in a row
    std::unique_ptr<CalendarApplicationFactory> copy_;
    SubscriptionTraffic traffic_;
};

SubscriptionCalendar::SubscriptionCalendar(SubscriptionOptions options, const QUrl& url)
    : impl_(std::make_unique<Impl>(std::move(options), url)) {}

SubscriptionCalendar::~SubscriptionCalendar() = default;

std::unique_ptr<CalendarApplication> SubscriptionCalendar::CreateApplication() {
    return impl_->CreateApplication();
}

void SubscriptionCalendar::RefreshNow() {
    impl_->Fetch();
}

bool SubscriptionCalendar::Fetching() const {
    return impl_->Fetching();
}

SubscriptionTraffic SubscriptionCalendar::Traffic() const {
    return impl_->Traffic();
}

std::optional<QUrl> SubscriptionUrl(const std::string& address) {
    QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return std::nullopt;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == QStringLiteral("webcal")) {
        url.setScheme(QStringLiteral("https"));
    } else if (scheme != QStringLiteral("https") && scheme != QStringLiteral("http")) {
        return std::nullopt;
    }
    return url;
}

std::unique_ptr<SubscriptionCalendar> MakeSubscriptionCalendar(SubscriptionOptions options) {
    const auto url = SubscriptionUrl(options.address);
    if (!url) {
        throw CalendarError("\"" + options.address + "\" is not the address of a web calendar");
    }
    return std::make_unique<SubscriptionCalendar>(std::move(options), *url);
}

}  // namespace agendix::scan
