#include "scan/qt/CalDavCalendar.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "scan/qt/CalDavXml.h"

namespace agendix::scan {
namespace {

constexpr int kMaxRedirects = 5;

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// A CalendarFolder of a snapshot that could not be checked: everything as the snapshot has it,
// and a note among the read problems saying that the appointments may be out of date.
class StaleFolder : public CalendarFolder {
  public:
    StaleFolder(std::unique_ptr<CalendarFolder> inner, std::string note)
        : inner_(std::move(inner)), note_(std::move(note)) {}
    std::unique_ptr<ItemCollection> Items() override { return inner_->Items(); }
    std::vector<std::string> ReadProblems() const override {
        auto problems = inner_->ReadProblems();
        problems.insert(problems.begin(), note_);
        return problems;
    }

  private:
    std::unique_ptr<CalendarFolder> inner_;
    std::string note_;
};

class StaleNamespace : public CalendarNamespace {
  public:
    StaleNamespace(std::unique_ptr<CalendarNamespace> inner, std::string note)
        : inner_(std::move(inner)), note_(std::move(note)) {}
    std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) override {
        return std::make_unique<StaleFolder>(inner_->GetDefaultFolder(folderType), note_);
    }

  private:
    std::unique_ptr<CalendarNamespace> inner_;
    std::string note_;
};

class StaleApplication : public CalendarApplication {
  public:
    StaleApplication(std::unique_ptr<CalendarApplication> inner, std::string note)
        : inner_(std::move(inner)), note_(std::move(note)) {}
    std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) override {
        return std::make_unique<StaleNamespace>(inner_->GetNamespace(type), note_);
    }

  private:
    std::unique_ptr<CalendarApplication> inner_;
    std::string note_;
};

// The answer to one request after its redirects.
struct Answer {
    int status = 0;  // HTTP status; 0 when the exchange failed without one
    QString reason;
    QByteArray body;
    QUrl url;         // the URL that answered
    QString failure;  // why the exchange failed: network, TLS, time, size, redirects
};

bool SameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(a.scheme() == QLatin1String("https") ? 443 : 80) ==
               b.port(b.scheme() == QLatin1String("https") ? 443 : 80);
}

QString Hex(const QByteArray& data, QCryptographicHash::Algorithm algorithm, int length) {
    return QString::fromLatin1(QCryptographicHash::hash(data, algorithm).toHex().left(length));
}

// The path of `url` with a trailing slash, for comparing collection URLs.
QString CollectionPath(const QUrl& url) {
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return path;
}

// The cache file of the resource at `url`: its own name, made safe, and a hash of its path that
// keeps names apart. Scans list a folder's files in order of name, so they list the resources in
// order of their names on the server.
QString CacheFileName(const QUrl& url) {
    QString base = url.fileName();
    if (base.endsWith(QLatin1String(".ics"), Qt::CaseInsensitive)) {
        base.chop(4);
    }
    for (QChar& c : base) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') &&
            c != QLatin1Char('_') && c != QLatin1Char('.')) {
            c = QLatin1Char('_');
        }
    }
    return base.left(64) + QLatin1Char('-') +
           Hex(url.path(QUrl::FullyEncoded).toUtf8(), QCryptographicHash::Sha1, 12) +
           QStringLiteral(".ics");
}

}  // namespace

class CalDavCalendar::Impl {
  public:
    explicit Impl(CalDavOptions options) : options_(std::move(options)) {
        const QUrl url(QString::fromStdString(options_.url), QUrl::StrictMode);
        display_ = url.toDisplayString(QUrl::RemovePassword);
        if (!url.isValid() || url.host().isEmpty() ||
            (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
            configError_ = Name() + ": not an http or https URL";
        } else if (!url.password().isEmpty()) {
            configError_ = Name() +
                           ": the URL holds a password, which is never read from a file; keep only "
                           "the user name in it and store the password in the Secret Service";
        }
        user_ = url.userName();
        source_ = url.adjusted(QUrl::RemoveUserInfo);
        server_ =
            url.host() + (url.port() != -1 ? QStringLiteral(":%1").arg(url.port()) : QString());
        const QString key =
            Hex(source_.toEncoded() + '\n' + user_.toUtf8(), QCryptographicHash::Sha256, 16);
        folder_ = options_.cacheFolder / Utf8(key);
        statePath_ = options_.cacheFolder / Utf8(key + QStringLiteral(".json"));
        error_ = configError_;
        if (!configError_.isEmpty()) {
            return;
        }
        LoadState();
        guard_->target = &network_;
        timer_.setInterval(options_.checkInterval);
        QObject::connect(&timer_, &QTimer::timeout, &network_, [this] { StartCheck(); });
        timer_.start();
        QTimer::singleShot(0, &network_, [this] { StartCheck(); });
    }

    ~Impl() {
        std::lock_guard lock(guard_->mutex);
        guard_->target = nullptr;
        destroying_ = true;
    }

    std::unique_ptr<CalendarApplication> CreateApplication() {
        if (configError_.isEmpty() && !checking_ &&
            (!lastCheck_ ||
             std::chrono::steady_clock::now() - *lastCheck_ >= options_.checkInterval)) {
            QTimer::singleShot(0, &network_, [this] { StartCheck(); });
        }
        if (!haveSnapshot_) {
            throw CalendarError(
                Utf8(error_.isEmpty()
                         ? Name() + ": the appointments are still being fetched from the server"
                         : error_));
        }
        if (!folderCalendar_) {
            folderCalendar_ = options_.openFolder(folder_);
        }
        auto application = folderCalendar_->CreateApplication();
        if (error_.isEmpty()) {
            return application;
        }
        const QString fetched =
            fetchedAt_.isValid()
                ? fetchedAt_.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                : QStringLiteral("earlier");
        return std::make_unique<StaleApplication>(
            std::move(application),
            Utf8(error_ + QStringLiteral("; the appointments shown are those fetched at ") +
                 fetched + QStringLiteral(" and may be out of date")));
    }

    void StartCheck() {
        if (destroying_ || !configError_.isEmpty()) {
            return;
        }
        if (checking_) {
            again_ = true;
            return;
        }
        checking_ = true;
        lastCheck_ = std::chrono::steady_clock::now();
        if (!user_.isEmpty() && !password_ && options_.passwords) {
            LookUpPassword();
        } else {
            Discover();
        }
    }

    bool checking_ = false;
    CalDavTraffic traffic_;

  private:
    struct LookupGuard {
        std::mutex mutex;
        QObject* target = nullptr;
    };

    QString Name() const { return QStringLiteral("CalDAV calendar ") + display_; }

    // The Secret Service may take its time (or prompt): it is asked on a thread of its own,
    // and the answer comes back through the event loop.
    void LookUpPassword() {
        std::thread([guard = guard_, lookup = options_.passwords, server = Utf8(server_),
                     user = Utf8(user_), this] {
            PasswordLookupResult result;
            try {
                result = lookup(server, user);
            } catch (const std::exception& error) {
                result = {PasswordLookupResult::Outcome::kNoStore, {}, error.what()};
            }
            std::lock_guard lock(guard->mutex);
            if (guard->target) {
                QMetaObject::invokeMethod(
                    guard->target,
                    [this, result] {
                        if (result.outcome == PasswordLookupResult::Outcome::kFound) {
                            password_ = QString::fromStdString(result.password);
                            passwordProblem_.clear();
                        } else {
                            passwordProblem_ = QString::fromStdString(result.message);
                        }
                        Discover();
                    },
                    Qt::QueuedConnection);
            }
        }).detach();
    }

    // Sends `verb` to `url` and follows redirects itself with the same verb and body: Qt's own
    // redirect handling turns DAV verbs into GET.
    void Send(const QByteArray& verb, const QUrl& url, const QByteArray& depth,
              const QByteArray& body, std::function<void(Answer)> done, int hop = 0) {
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setHeader(QNetworkRequest::UserAgentHeader, options_.userAgent);
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("application/xml; charset=utf-8"));
        request.setRawHeader("Depth", depth);
        request.setSslConfiguration(options_.ssl);
        // A user without a stored password is sent with an empty one: servers that take any
        // password (or none) accept it, the others answer 401, which says how to store it.
        if (!user_.isEmpty() && SameOrigin(url, source_)) {
            request.setRawHeader(
                "Authorization",
                "Basic " +
                    (user_ + QLatin1Char(':') + password_.value_or(QString())).toUtf8().toBase64());
        }
        QNetworkReply* reply = network_.sendCustomRequest(request, verb, body);
        ++traffic_.requests;
        auto* deadline = new QTimer(reply);
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, reply, [reply] {
            reply->setProperty("agendixTimedOut", true);
            reply->abort();
        });
        deadline->start(options_.requestTimeout);
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [reply, limit = options_.maxResponseBytes](qint64 received, qint64 total) {
                             if (received > limit || total > limit) {
                                 reply->setProperty("agendixTooLarge", true);
                                 reply->abort();
                             }
                         });
        QObject::connect(reply, &QNetworkReply::finished, &network_, [=, this] {
            reply->deleteLater();
            if (destroying_) {
                return;
            }
            Answer answer;
            answer.url = url;
            answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            answer.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
            const auto seconds =
                std::chrono::duration_cast<std::chrono::seconds>(options_.requestTimeout).count();
            if (reply->property("agendixTimedOut").toBool()) {
                answer = {0,
                          {},
                          {},
                          url,
                          QStringLiteral("the server did not answer %1 %2 within %3 s")
                              .arg(QString::fromLatin1(verb), url.toDisplayString())
                              .arg(seconds)};
            } else if (reply->property("agendixTooLarge").toBool()) {
                answer = {0,
                          {},
                          {},
                          url,
                          QStringLiteral("the answer to %1 %2 is larger than %3 bytes")
                              .arg(QString::fromLatin1(verb), url.toDisplayString())
                              .arg(options_.maxResponseBytes)};
            } else if (answer.status >= 300 && answer.status < 400 && answer.status != 304) {
                const QByteArray location = reply->rawHeader("Location");
                const QUrl target =
                    location.isEmpty()
                        ? QUrl()
                        : url.resolved(QUrl::fromEncoded(location, QUrl::TolerantMode));
                if (hop >= kMaxRedirects) {
                    answer.failure = QStringLiteral("more than %1 redirects from %2")
                                         .arg(kMaxRedirects)
                                         .arg(source_.toDisplayString());
                } else if (!target.isValid() || (target.scheme() != QLatin1String("https") &&
                                                 target.scheme() != QLatin1String("http"))) {
                    answer.failure = QStringLiteral(
                                         "the server redirected %1 to an unusable "
                                         "address")
                                         .arg(url.toDisplayString());
                } else if (url.scheme() == QLatin1String("https") &&
                           target.scheme() != QLatin1String("https")) {
                    answer.failure = QStringLiteral(
                                         "refused the redirect from %1 to the "
                                         "unencrypted %2")
                                         .arg(url.toDisplayString(), target.toDisplayString());
                } else {
                    Send(verb, target, depth, body, done, hop + 1);
                    return;
                }
                answer.status = 0;
            } else if (answer.status == 0 &&
                       reply->error() == QNetworkReply::SslHandshakeFailedError) {
                answer.failure =
                    QStringLiteral("TLS error, the server is not trusted: ") + reply->errorString();
            } else if (answer.status == 0) {
                answer.failure = QStringLiteral("cannot reach the server: ") + reply->errorString();
            } else {
                answer.body = reply->readAll();
                traffic_.bytesReceived += answer.body.size();
            }
            done(std::move(answer));
        });
    }

    // What a failed or unexpected answer tells the user.
    QString ProblemOf(const Answer& answer, const QByteArray& verb) const {
        if (!answer.failure.isEmpty()) {
            return answer.failure;
        }
        switch (answer.status) {
            case 401:
                if (user_.isEmpty()) {
                    return QStringLiteral(
                               "the server wants a user name: write it into the URL, as "
                               "in caldav:https://user@") +
                           server_ + source_.path();
                }
                if (password_) {
                    return QStringLiteral("wrong user or password: the server refused user ") +
                           user_;
                }
                if (!passwordProblem_.isEmpty()) {
                    return QStringLiteral("the server wants the password of ") + user_ +
                           QStringLiteral(": ") + passwordProblem_;
                }
                return QStringLiteral("the server wants the password of ") + user_ +
                       QStringLiteral(" and no password store was given");
            case 403:
                return QStringLiteral("the server refuses %1 access to %2 (403)")
                    .arg(user_.isEmpty() ? QStringLiteral("anonymous") : user_,
                         answer.url.toDisplayString());
            case 404:
                return QStringLiteral("there is nothing at %1 (404)")
                    .arg(answer.url.toDisplayString());
            default:
                return QStringLiteral("the server answered %1 %2 to %3 %4")
                    .arg(answer.status)
                    .arg(answer.reason, QString::fromLatin1(verb), answer.url.toDisplayString());
        }
    }

    // The resources of a multistatus answer; nullopt after Fail.
    std::optional<std::vector<DavResource>> Resources(const Answer& answer,
                                                      const QByteArray& verb) {
        if (answer.status != 207) {
            Fail(ProblemOf(answer, verb));
            return std::nullopt;
        }
        QString error;
        auto resources = ParseMultistatus(answer.body, error);
        if (!resources) {
            Fail(QStringLiteral("the answer to %1 %2 is unreadable: %3")
                     .arg(QString::fromLatin1(verb), answer.url.toDisplayString(), error));
        }
        return resources;
    }

    // The resource of a Depth 0 answer: the one for the URL asked, else the first.
    static const DavResource* Self(const std::vector<DavResource>& resources, const QUrl& url) {
        for (const DavResource& resource : resources) {
            if (CollectionPath(url.resolved(QUrl(resource.href))) == CollectionPath(url)) {
                return &resource;
            }
        }
        return resources.empty() ? nullptr : &resources.front();
    }

    static QString TagOf(const DavResource& resource) {
        return !resource.ctag.isEmpty() ? resource.ctag : resource.syncToken;
    }

    void Discover() {
        if (destroying_) {
            return;
        }
        if (collection_.isValid()) {
            Send("PROPFIND", collection_, "0", TagPropfind(), [this](const Answer& answer) {
                if (answer.status == 404) {
                    collection_ = QUrl();  // found anew at the next check
                }
                if (auto resources = Resources(answer, "PROPFIND")) {
                    const DavResource* self = Self(*resources, answer.url);
                    Decide(self ? TagOf(*self) : QString());
                }
            });
            return;
        }
        QUrl start = source_;
        if (start.path().isEmpty() || start.path() == QLatin1String("/")) {
            start.setPath(QStringLiteral("/.well-known/caldav"));
        }
        Explore(start, 0);
    }

    // Looks at `url` (Depth 0): a calendar is used, a calendar home is listed, a principal or
    // the server's root leads on to the home.
    void Explore(const QUrl& url, int step) {
        Send("PROPFIND", url, "0", DiscoveryPropfind(), [this, url, step](const Answer& answer) {
            const bool wellKnown = url.path() == QLatin1String("/.well-known/caldav");
            if (wellKnown &&
                (answer.status == 404 || answer.status == 405 || answer.status == 501)) {
                QUrl root = url;
                root.setPath(QStringLiteral("/"));
                Explore(root, step + 1);
                return;
            }
            auto resources = Resources(answer, "PROPFIND");
            if (!resources) {
                return;
            }
            const DavResource* self = Self(*resources, answer.url);
            if (self && self->isCalendar) {
                collection_ = answer.url;
                Decide(TagOf(*self));
            } else if (self && !self->homeSets.isEmpty()) {
                ListHome(answer.url.resolved(QUrl(self->homeSets.first())));
            } else if (self && !self->principal.isEmpty() && step < 4 &&
                       CollectionPath(answer.url.resolved(QUrl(self->principal))) !=
                           CollectionPath(answer.url)) {
                Explore(answer.url.resolved(QUrl(self->principal)), step + 1);
            } else {
                Fail(QStringLiteral("no calendar was found at %1: it is neither a calendar nor "
                                    "names a calendar home or user principal")
                         .arg(answer.url.toDisplayString()));
            }
        });
    }

    void ListHome(const QUrl& home) {
        Send("PROPFIND", home, "1", DiscoveryPropfind(), [this](const Answer& answer) {
            auto resources = Resources(answer, "PROPFIND");
            if (!resources) {
                return;
            }
            std::vector<std::pair<QUrl, QString>> calendars;  // URL, tag
            for (const DavResource& resource : *resources) {
                const QUrl url = answer.url.resolved(QUrl(resource.href));
                if (resource.isCalendar && resource.holdsEvents &&
                    CollectionPath(url) != CollectionPath(answer.url)) {
                    calendars.emplace_back(url, TagOf(resource));
                }
            }
            if (calendars.empty()) {
                Fail(QStringLiteral("the calendar home %1 holds no calendar with events")
                         .arg(answer.url.toDisplayString()));
                return;
            }
            const auto first = std::min_element(
                calendars.begin(), calendars.end(), [](const auto& a, const auto& b) {
                    return CollectionPath(a.first) < CollectionPath(b.first);
                });
            collection_ = first->first;
            Decide(first->second);
        });
    }

    // Fetches unless the snapshot holds the days of today with the collection's current tag.
    void Decide(const QString& tag) {
        const QDate today = QDate::currentDate();
        if (haveSnapshot_ && !tag.isEmpty() && tag == snapshotTag_ && today == snapshotDay_ &&
            collection_ == snapshotCollection_) {
            Succeed(false);
            return;
        }
        // Today and tomorrow are scanned; a day either side covers what zones and the reader's
        // own margins may ask for.
        const QDateTime start(today.addDays(-1), QTime(0, 0));
        const QDateTime end(today.addDays(3), QTime(0, 0));
        ++traffic_.fetches;
        Send("REPORT", collection_, "1", EventsReport(start, end),
             [this, tag, today](const Answer& answer) {
                 auto resources = Resources(answer, "REPORT");
                 if (!resources) {
                     return;
                 }
                 if (const QString problem = Store(*resources, answer.url); !problem.isEmpty()) {
                     Fail(problem);
                     return;
                 }
                 snapshotTag_ = tag;
                 snapshotDay_ = today;
                 snapshotCollection_ = collection_;
                 fetchedAt_ = QDateTime::currentDateTimeUtc();
                 haveSnapshot_ = true;
                 SaveState();
                 Succeed(true);
             });
    }

    // Keeps each resource as a file of its own, named after its path; files of resources that
    // are gone are removed. Unchanged files are left as they are, so the reader keeps them.
    QString Store(const std::vector<DavResource>& resources, const QUrl& collection) {
        const QString folder = QString::fromStdString(folder_.string());
        if (!QDir().mkpath(folder)) {
            return QStringLiteral("cannot make the cache folder ") + folder;
        }
        std::set<QString> kept;
        for (const DavResource& resource : resources) {
            if (!resource.calendarData || (resource.status != 0 && resource.status != 200)) {
                continue;
            }
            const QUrl url = collection.resolved(QUrl(resource.href));
            const QString name = CacheFileName(url);
            kept.insert(name);
            const QByteArray content = resource.calendarData->toUtf8();
            QFile existing(folder + QLatin1Char('/') + name);
            if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) {
                continue;
            }
            QSaveFile file(folder + QLatin1Char('/') + name);
            if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
                !file.commit()) {
                return QStringLiteral("cannot write the cache file %1: %2")
                    .arg(file.fileName(), file.errorString());
            }
        }
        const QDir dir(folder);
        for (const QString& name :
             dir.entryList({QStringLiteral("*.ics")}, QDir::Files | QDir::Hidden)) {
            if (!kept.contains(name) && !QFile::remove(dir.filePath(name))) {
                return QStringLiteral("cannot remove the cache file ") + dir.filePath(name);
            }
        }
        return {};
    }

    void LoadState() {
        QFile file(QString::fromStdString(statePath_.string()));
        if (!file.open(QIODevice::ReadOnly)) {
            return;
        }
        const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
        if (state.value(QStringLiteral("source")).toString() != source_.toString() ||
            state.value(QStringLiteral("user")).toString() != user_ ||
            !QDir(QString::fromStdString(folder_.string())).exists()) {
            return;
        }
        snapshotCollection_ = QUrl(state.value(QStringLiteral("collection")).toString());
        collection_ = snapshotCollection_;
        snapshotTag_ = state.value(QStringLiteral("tag")).toString();
        snapshotDay_ =
            QDate::fromString(state.value(QStringLiteral("day")).toString(), Qt::ISODate);
        fetchedAt_ =
            QDateTime::fromString(state.value(QStringLiteral("fetched")).toString(), Qt::ISODate);
        haveSnapshot_ = snapshotCollection_.isValid();
    }

    void SaveState() {
        const QJsonObject state{
            {QStringLiteral("source"), source_.toString()},
            {QStringLiteral("user"), user_},
            {QStringLiteral("collection"), snapshotCollection_.toString()},
            {QStringLiteral("tag"), snapshotTag_},
            {QStringLiteral("day"), snapshotDay_.toString(Qt::ISODate)},
            {QStringLiteral("fetched"), fetchedAt_.toString(Qt::ISODate)},
        };
        QSaveFile file(QString::fromStdString(statePath_.string()));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QJsonDocument(state).toJson());
            file.commit();  // without it the next start fetches once more
        }
    }

    void Succeed(bool newData) {
        const bool hadError = !error_.isEmpty();
        error_.clear();
        Finish(newData || hadError);
    }

    void Fail(const QString& problem) {
        const QString error = Name() + QStringLiteral(": ") + problem;
        if (problem.startsWith(QLatin1String("wrong user or password"))) {
            password_.reset();  // looked up again at the next check
        }
        const bool changed = error != error_;
        error_ = error;
        Finish(changed);
    }

    void Finish(bool notify) {
        checking_ = false;
        if (notify && options_.changed) {
            options_.changed();
        }
        if (std::exchange(again_, false)) {
            StartCheck();
        }
    }

    CalDavOptions options_;
    QString display_;
    QString configError_;
    QUrl source_;  // without user information
    QString user_;
    QString server_;
    std::optional<QString> password_;
    QString passwordProblem_;
    std::filesystem::path folder_;
    std::filesystem::path statePath_;
    std::shared_ptr<LookupGuard> guard_ = std::make_shared<LookupGuard>();

    QUrl collection_;
    bool haveSnapshot_ = false;
    QUrl snapshotCollection_;
    QString snapshotTag_;
    QDate snapshotDay_;
    QDateTime fetchedAt_;
    QString error_;
    bool again_ = false;
    bool destroying_ = false;
    std::optional<std::chrono::steady_clock::time_point> lastCheck_;
    std::unique_ptr<CalendarApplicationFactory> folderCalendar_;

    QTimer timer_;
    // Last, so that its replies go before anything their handlers use.
    QNetworkAccessManager network_;
};

CalDavCalendar::CalDavCalendar(CalDavOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

CalDavCalendar::~CalDavCalendar() = default;

std::unique_ptr<CalendarApplication> CalDavCalendar::CreateApplication() {
    return impl_->CreateApplication();
}

void CalDavCalendar::CheckNow() {
    impl_->StartCheck();
}

bool CalDavCalendar::Checking() const {
    return impl_->checking_;
}

CalDavTraffic CalDavCalendar::Traffic() const {
    return impl_->traffic_;
}

std::unique_ptr<CalDavCalendar> MakeCalDavCalendar(CalDavOptions options) {
    return std::make_unique<CalDavCalendar>(std::move(options));
}

bool ParseCalDavCalendarName(const std::string& name, std::string& url) {
    constexpr std::string_view kPrefix = "caldav:";
    if (!name.starts_with(kPrefix)) {
        return false;
    }
    const std::string rest = name.substr(kPrefix.size());
    if (!rest.starts_with("https://") && !rest.starts_with("http://")) {
        return false;
    }
    url = rest;
    return true;
}

}  // namespace agendix::scan
