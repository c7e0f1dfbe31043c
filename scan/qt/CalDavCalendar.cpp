#include "scan/qt/CalDavCalendar.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "scan/core/MergedCalendar.h"
#include "scan/qt/CalDavXml.h"

namespace agendix::scan {
namespace {

constexpr int kMaxRedirects = 5;

std::string Utf8(const QString& text) {
    return text.toStdString();
}

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

// `application`, noted among its read problems as not up to date because of `problem`.
std::unique_ptr<CalendarApplication> MarkedStale(std::unique_ptr<CalendarApplication> application,
                                                 const QString& problem,
                                                 const QDateTime& fetchedAt) {
    const QString fetched =
        fetchedAt.isValid() ? fetchedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                            : QStringLiteral("an earlier time");
    return WithReadProblem(std::move(application),
                           Utf8(problem +
                                QStringLiteral("; the appointments shown are those "
                                               "fetched at ") +
                                fetched + QStringLiteral(" and may be out of date")));
}

// A calendar collection as a listing or a check found it.
struct Listed {
    QUrl url;
    QString displayName;
    QString tag;  // getctag, else sync-token; empty when the server gives neither
};

// One calendar collection that is read: the copy of its resources in a folder of its own, and
// what is known of that copy. Scans read the copy; a check brings it up to date.
class Collection : public CalendarApplicationFactory {
  public:
    using FolderReader =
        std::function<std::unique_ptr<CalendarApplicationFactory>(const std::filesystem::path&)>;

    Collection(QUrl address, std::filesystem::path copyFolder, FolderReader openFolder)
        : url(std::move(address)),
          folder(std::move(copyFolder)),
          openFolder_(std::move(openFolder)) {}

    bool HasCopy() const { return fetchedAt.isValid(); }

    // Whether the copy misses what the server has now for the days around `today`.
    bool NeedsFetch(const QDate& today) const {
        return !HasCopy() || tag.isEmpty() || serverTag != tag || day != today;
    }

    // The copy, with a note when it could not be brought up to date. Without a copy: the reason
    // it could not be fetched, or CalendarNotReady while it is being fetched.
    std::unique_ptr<CalendarApplication> CreateApplication() override {
        if (!HasCopy()) {
            if (error.isEmpty()) {
                throw CalendarNotReady(
                    Utf8(name + QStringLiteral(": the appointments are still being "
                                               "fetched from the server")));
            }
            throw CalendarError(Utf8(error));
        }
        if (!reader_) {
            reader_ = openFolder_(folder);
        }
        auto application = reader_->CreateApplication();
        return error.isEmpty() ? std::move(application)
                               : MarkedStale(std::move(application), error, fetchedAt);
    }

    const QUrl url;
    const std::filesystem::path folder;
    QString displayName;  // the server's name for it, if any
    QString name;         // how messages name it
    QString label;        // how the merged calendars name it
    QString serverTag;    // what the latest listing or check said
    QString tag;          // of the copy
    QDate day;            // the day the copy was fetched for
    QDateTime fetchedAt;  // invalid while there is no copy
    QString error;        // why the copy could not be brought up to date; empty when it was

  private:
    FolderReader openFolder_;
    std::unique_ptr<CalendarApplicationFactory> reader_;
};

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

    // The copies of the collections merged (see MergedCalendar.h): one that could not be fetched
    // is named among the read problems, one still being fetched is left out until it is there.
    std::unique_ptr<CalendarApplication> CreateApplication() {
        if (!configError_.isEmpty()) {
            throw CalendarError(Utf8(configError_));
        }
        if (!checking_ && (!lastCheck_ || std::chrono::steady_clock::now() - *lastCheck_ >=
                                              options_.checkInterval)) {
            QTimer::singleShot(0, &network_, [this] { StartCheck(); });
        }
        const bool anyCopy =
            std::any_of(collections_.begin(), collections_.end(),
                        [](const auto& collection) { return collection->HasCopy(); });
        if (!anyCopy && !error_.isEmpty()) {
            throw CalendarError(Utf8(error_));
        }
        if (collections_.empty()) {
            throw CalendarNotReady(
                Utf8(Name() + ": the appointments are still being fetched from the server"));
        }
        std::vector<NamedCalendar> named;
        for (const auto& collection : collections_) {
            named.push_back({Utf8(collection->label), collection.get()});
        }
        auto application = CreateMergedApplication(named);
        return error_.isEmpty() ? std::move(application)
                                : MarkedStale(std::move(application), error_, OldestCopy());
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
        problemsBefore_ = Problems();
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

    // How messages and the merged calendars name `collection`: as the source when the URL named
    // it, else by its own URL and the server's name for it.
    void Describe(Collection& collection) const {
        if (!home_) {
            collection.name = Name();
            collection.label = display_;
            return;
        }
        QUrl shown = collection.url;
        shown.setUserName(user_);
        collection.label =
            collection.displayName.isEmpty() ? shown.toDisplayString() : collection.displayName;
        collection.name =
            QStringLiteral("CalDAV calendar ") +
            (collection.displayName.isEmpty()
                 ? QString()
                 : QLatin1Char('"') + collection.displayName + QStringLiteral("\" at ")) +
            shown.toDisplayString();
    }

    // What a scan would report as wrong, to tell whether a check changed it.
    QString Problems() const {
        QString problems = error_;
        for (const auto& collection : collections_) {
            problems += QLatin1Char('\n') + collection->error;
        }
        return problems;
    }

    QDateTime OldestCopy() const {
        QDateTime oldest;
        for (const auto& collection : collections_) {
            if (collection->HasCopy() && (!oldest.isValid() || collection->fetchedAt < oldest)) {
                oldest = collection->fetchedAt;
            }
        }
        return oldest;
    }

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

    // The resources of a multistatus answer into `resources`; else what was wrong.
    QString ReadResources(const Answer& answer, const QByteArray& verb,
                          std::vector<DavResource>& resources) {
        if (answer.status != 207) {
            const QString problem = ProblemOf(answer, verb);
            if (answer.status == 401) {
                password_.reset();  // looked up again at the next check
            }
            return problem;
        }
        QString error;
        auto read = ParseMultistatus(answer.body, error);
        if (!read) {
            return QStringLiteral("the answer to %1 %2 is unreadable: %3")
                .arg(QString::fromLatin1(verb), answer.url.toDisplayString(), error);
        }
        resources = std::move(*read);
        return {};
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

    // Asks for the change tags of what was found before (one collection, or every calendar of
    // a home in one request), or finds it first.
    void Discover() {
        if (destroying_) {
            return;
        }
        if (!target_.isValid()) {
            QUrl start = source_;
            if (start.path().isEmpty() || start.path() == QLatin1String("/")) {
                start.setPath(QStringLiteral("/.well-known/caldav"));
            }
            Explore(start, 0);
        } else if (home_) {
            ListHome(target_);
        } else {
            Send("PROPFIND", target_, "0", TagPropfind(), [this](const Answer& answer) {
                std::vector<DavResource> resources;
                if (const QString problem = ReadResources(answer, "PROPFIND", resources);
                    !problem.isEmpty()) {
                    Fail(problem, answer.status == 404);
                    return;
                }
                const DavResource* self = Self(resources, answer.url);
                Use({{target_, {}, self ? TagOf(*self) : QString()}});
            });
        }
    }

    // Looks at `url` (Depth 0): a calendar is read alone, a calendar home is listed, a principal
    // or the server's root leads on to the home.
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
            std::vector<DavResource> resources;
            if (const QString problem = ReadResources(answer, "PROPFIND", resources);
                !problem.isEmpty()) {
                Fail(problem);
                return;
            }
            const DavResource* self = Self(resources, answer.url);
            if (self && self->isCalendar) {
                target_ = answer.url;
                home_ = false;
                Use({{answer.url, self->displayName, TagOf(*self)}});
            } else if (self && !self->homeSets.isEmpty()) {
                target_ = answer.url.resolved(QUrl(self->homeSets.first()));
                home_ = true;
                ListHome(target_);
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

    // Lists the calendars of `home` with events, and their change tags, in one request.
    void ListHome(const QUrl& home) {
        Send("PROPFIND", home, "1", CollectionsPropfind(), [this](const Answer& answer) {
            std::vector<DavResource> resources;
            if (const QString problem = ReadResources(answer, "PROPFIND", resources);
                !problem.isEmpty()) {
                Fail(problem, answer.status == 404);
                return;
            }
            std::vector<Listed> calendars;
            for (const DavResource& resource : resources) {
                const QUrl url = answer.url.resolved(QUrl(resource.href));
                if (resource.isCalendar && resource.holdsEvents &&
                    CollectionPath(url) != CollectionPath(answer.url)) {
                    calendars.push_back({url, resource.displayName, TagOf(resource)});
                }
            }
            if (calendars.empty()) {
                Fail(QStringLiteral("the calendar home %1 holds no calendar with events")
                         .arg(answer.url.toDisplayString()));
                return;
            }
            Use(std::move(calendars));
        });
    }

    // Reads `listed` from now on, in order of path: the copies of those read before are kept,
    // those of calendars no longer listed removed. Then fetches what changed.
    void Use(std::vector<Listed> listed) {
        std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
            return CollectionPath(a.url) < CollectionPath(b.url);
        });
        std::vector<std::unique_ptr<Collection>> kept;
        for (Listed& found : listed) {
            const auto before =
                std::find_if(collections_.begin(), collections_.end(), [&](const auto& collection) {
                    return collection &&
                           CollectionPath(collection->url) == CollectionPath(found.url);
                });
            auto collection =
                before != collections_.end() ? std::move(*before) : MakeCollection(found.url);
            collection->serverTag = found.tag;
            if (!found.displayName.isEmpty()) {
                collection->displayName = found.displayName;
            }
            Describe(*collection);
            kept.push_back(std::move(collection));
        }
        for (const auto& gone : collections_) {
            if (gone) {
                newData_ = newData_ || gone->HasCopy();
                QDir(QString::fromStdString(gone->folder.string())).removeRecursively();
            }
        }
        collections_ = std::move(kept);
        error_.clear();
        const QDate today = QDate::currentDate();
        for (const auto& collection : collections_) {
            if (collection->NeedsFetch(today)) {
                pending_.push_back(collection.get());
            }
        }
        SaveState();
        FetchNext();
    }

    std::unique_ptr<Collection> MakeCollection(const QUrl& url) const {
        return std::make_unique<Collection>(
            url, folder_ / Utf8(Hex(CollectionPath(url).toUtf8(), QCryptographicHash::Sha1, 16)),
            options_.openFolder);
    }

    // Fetches the resources with events in the days around today and tomorrow of the next
    // collection that changed (REPORT calendar-query with a UTC time range).
    void FetchNext() {
        if (pending_.empty()) {
            Finish();
            return;
        }
        Collection* collection = pending_.front();
        pending_.pop_front();
        const QDate today = QDate::currentDate();
        // Today and tomorrow are scanned; a day either side covers what zones and the reader's
        // own margins may ask for.
        const QDateTime start(today.addDays(-1), QTime(0, 0));
        const QDateTime end(today.addDays(3), QTime(0, 0));
        ++traffic_.fetches;
        Send("REPORT", collection->url, "1", EventsReport(start, end),
             [this, collection, tag = collection->serverTag, today](const Answer& answer) {
                 Fetched(*collection, answer, tag, today);
                 FetchNext();
             });
    }

    void Fetched(Collection& collection, const Answer& answer, const QString& tag,
                 const QDate& today) {
        std::vector<DavResource> resources;
        QString problem = ReadResources(answer, "REPORT", resources);
        if (problem.isEmpty()) {
            problem = Store(resources, answer.url, collection.folder);
        }
        if (!problem.isEmpty()) {
            collection.error = collection.name + QStringLiteral(": ") + problem;
            return;
        }
        collection.tag = tag;
        collection.day = today;
        collection.fetchedAt = QDateTime::currentDateTimeUtc();
        collection.error.clear();
        newData_ = true;
        SaveState();
    }

    // Keeps each resource as a file of its own in `folder`, named after its path; files of
    // resources that are gone are removed. Unchanged files are left as they are, so the reader
    // keeps them.
    static QString Store(const std::vector<DavResource>& resources, const QUrl& collection,
                         const std::filesystem::path& into) {
        const QString folder = QString::fromStdString(into.string());
        if (!QDir().mkpath(folder)) {
            return QStringLiteral("cannot make the cache folder ") + folder;
        }
        std::set<QString> kept;
        for (const DavResource& resource : resources) {
            if (!resource.calendarData || (resource.status != 0 && resource.status != 200)) {
                continue;
            }
            const QString name = CacheFileName(collection.resolved(QUrl(resource.href)));
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

    // What was found and fetched before, so that a new start shows the copies at once and
    // fetches again only what changed.
    void LoadState() {
        QFile file(QString::fromStdString(statePath_.string()));
        if (!file.open(QIODevice::ReadOnly)) {
            return;
        }
        const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
        if (state.value(QStringLiteral("source")).toString() != source_.toString() ||
            state.value(QStringLiteral("user")).toString() != user_) {
            return;
        }
        target_ = QUrl(state.value(QStringLiteral("target")).toString());
        home_ = state.value(QStringLiteral("home")).toBool();
        for (const QJsonValue value : state.value(QStringLiteral("calendars")).toArray()) {
            const QJsonObject saved = value.toObject();
            auto collection = MakeCollection(QUrl(saved.value(QStringLiteral("url")).toString()));
            collection->displayName = saved.value(QStringLiteral("name")).toString();
            collection->tag = saved.value(QStringLiteral("tag")).toString();
            collection->day =
                QDate::fromString(saved.value(QStringLiteral("day")).toString(), Qt::ISODate);
            collection->fetchedAt = QDateTime::fromString(
                saved.value(QStringLiteral("fetched")).toString(), Qt::ISODate);
            if (collection->url.isValid() && collection->HasCopy() &&
                QDir(QString::fromStdString(collection->folder.string())).exists()) {
                Describe(*collection);
                collections_.push_back(std::move(collection));
            }
        }
    }

    void SaveState() const {
        QJsonArray calendars;
        for (const auto& collection : collections_) {
            if (collection->HasCopy()) {
                calendars.append(QJsonObject{
                    {QStringLiteral("url"), collection->url.toString()},
                    {QStringLiteral("name"), collection->displayName},
                    {QStringLiteral("tag"), collection->tag},
                    {QStringLiteral("day"), collection->day.toString(Qt::ISODate)},
                    {QStringLiteral("fetched"), collection->fetchedAt.toString(Qt::ISODate)},
                });
            }
        }
        const QJsonObject state{
            {QStringLiteral("source"), source_.toString()}, {QStringLiteral("user"), user_},
            {QStringLiteral("target"), target_.toString()}, {QStringLiteral("home"), home_},
            {QStringLiteral("calendars"), calendars},
        };
        QSaveFile file(QString::fromStdString(statePath_.string()));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QJsonDocument(state).toJson());
            file.commit();  // without it the next start fetches once more
        }
    }

    // The check failed before any collection could be fetched; with `forgetTarget` (it is not
    // there any more) the next check looks for the calendars anew.
    void Fail(const QString& problem, bool forgetTarget = false) {
        error_ = Name() + QStringLiteral(": ") + problem;
        if (forgetTarget) {
            target_ = QUrl();
        }
        Finish();
    }

    void Finish() {
        checking_ = false;
        const bool news = std::exchange(newData_, false) || Problems() != problemsBefore_;
        if (news && options_.changed) {
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

    QUrl target_;        // the collection, or the calendar home, checked; invalid until found
    bool home_ = false;  // whether target_ is a calendar home, all of whose calendars are read
    std::vector<std::unique_ptr<Collection>> collections_;  // in order of path
    QString error_;  // why the latest check failed before it could fetch; empty when it did not

    // The check under way.
    std::deque<Collection*> pending_;  // still to fetch
    bool newData_ = false;
    QString problemsBefore_;
    bool again_ = false;
    bool destroying_ = false;
    std::optional<std::chrono::steady_clock::time_point> lastCheck_;

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
