// GLib first: this file is the only one that includes the service's headers, and none of Qt's.
#include <libecal/libecal.h>

#include "scan/linux/EdsWorker.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <utility>

namespace agendix::scan {

LocalDateTime ToLocal(const EdsTime& time) {
    if (time.wall) {
        return time.local;
    }
    const auto seconds = static_cast<std::time_t>(time.utc);
    std::tm local{};
    localtime_r(&seconds, &local);
    return {{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
            local.tm_hour,
            local.tm_min,
            local.tm_sec};
}

bool EdsSnapshot::Covers(const CalendarDate& first, const CalendarDate& last) const {
    return days > 0 && firstDay <= first && last < AddDays(firstDay, days);
}

namespace {

constexpr const char* kSourcesService = "org.gnome.evolution.dataserver.Sources5";
// View signals come in bursts (a series and its overrides, an import): one query after them.
constexpr guint kRequeryDelayMs = 150;
// A change of at most this many events or series is read event by event; more (an import, a
// calendar's first synchronisation) at once with one query of the kept days.
constexpr std::size_t kMostEventsReadOneByOne = 16;
// After a remote calendar's first refresh has returned, how long it may stay quiet before its
// (still empty) list counts as complete.
constexpr guint kSyncSettleMs = 1500;

template <typename T>
void Unref(T*& object) {
    if (object) {
        g_object_unref(object);
        object = nullptr;
    }
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Whether the calendar service is on the session bus, running or startable, asked of the bus
// itself: without the service the registry still opens, empty.
bool ServiceOnBus(GCancellable* cancellable, std::string& why) {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable, &error);
    if (!bus) {
        why = std::string("there is no session bus (") + (error ? error->message : "?") + ")";
        g_clear_error(&error);
        return false;
    }
    auto call = [&](const char* method, GVariant* parameters) {
        return g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus", method, parameters, nullptr,
                                           G_DBUS_CALL_FLAGS_NONE, 5000, cancellable, nullptr);
    };
    bool found = false;
    if (GVariant* owned = call("NameHasOwner", g_variant_new("(s)", kSourcesService))) {
        gboolean has = FALSE;
        g_variant_get(owned, "(b)", &has);
        found = has;
        g_variant_unref(owned);
    }
    if (!found) {
        if (GVariant* names = call("ListActivatableNames", nullptr)) {
            GVariantIter* iter = nullptr;
            const gchar* name = nullptr;
            g_variant_get(names, "(as)", &iter);
            while (!found && g_variant_iter_next(iter, "&s", &name)) {
                found = g_strcmp0(name, kSourcesService) == 0;
            }
            g_variant_iter_free(iter);
            g_variant_unref(names);
        }
    }
    g_object_unref(bus);
    if (!found) {
        why =
            "the calendar service (Evolution Data Server) is not installed or not running on "
            "this session";
    }
    return found;
}

// The zone for floating times: TZ when it names a known zone, else the system's.
ICalTimezone* LocalZone() {
    if (const char* tz = std::getenv("TZ"); tz && *tz) {
        const char* name = *tz == ':' ? tz + 1 : tz;
        if (ICalTimezone* zone = i_cal_timezone_get_builtin_timezone(name)) {
            return zone;
        }
    }
    return e_cal_util_get_system_timezone();
}

// How RecurrenceIdText writes the moment `time`.
std::string RecurrenceIdOf(const EdsTime& time) {
    if (time.wall) {
        return RecurrenceIdText(time.local, false);
    }
    const auto seconds = static_cast<std::time_t>(time.utc);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return RecurrenceIdText(
        {{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday}, utc.tm_hour, utc.tm_min, utc.tm_sec},
        true);
}

EdsTime ToEdsTime(ICalTime* time) {
    EdsTime result;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    i_cal_time_get_date(time, &year, &month, &day);
    i_cal_time_get_time(time, &hour, &minute, &second);
    if (i_cal_time_is_date(time)) {
        // A date has no zone: the day itself, from midnight (converting it moves it).
        result.wall = true;
        result.local = {{year, month, day}, 0, 0, 0};
        return result;
    }
    ICalTimezone* zone = i_cal_time_get_timezone(time);
    if (!zone && !i_cal_time_is_utc(time)) {
        // Floating: the same wall-clock time wherever the reader is.
        result.wall = true;
        result.local = {{year, month, day}, hour, minute, second};
        return result;
    }
    result.utc =
        i_cal_time_as_timet_with_zone(time, zone ? zone : i_cal_timezone_get_utc_timezone());
    return result;
}

std::time_t LocalMidnight(const CalendarDate& date) {
    std::tm local{};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::string UtcStamp(std::time_t moment) {
    std::tm utc{};
    gmtime_r(&moment, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

// Adds the instance [start, end) of `component` to the std::vector<EdsInstance> at `instances`,
// unless it is cancelled.
gboolean CollectInstance(ICalComponent* component, ICalTime* start, ICalTime* end,
                         gpointer instances, GCancellable*, GError**) {
    if (i_cal_component_get_status(component) == I_CAL_STATUS_CANCELLED) {
        return TRUE;  // a cancelled event or occurrence is not an appointment
    }
    EdsInstance instance;
    instance.start = ToEdsTime(start);
    instance.end = ToEdsTime(end);
    const gchar* summary = i_cal_component_get_summary(component);
    const gchar* location = i_cal_component_get_location(component);
    const gchar* uid = i_cal_component_get_uid(component);
    instance.subject = summary ? summary : "";
    instance.location = location ? location : "";
    instance.uid = uid ? uid : "";
    // The occurrence's original start, as RecurrenceIdText writes it so that a file holding the
    // same occurrence agrees: its RECURRENCE-ID, or for an occurrence the rules put in place, its
    // start.
    ICalTime* recurrence = i_cal_component_get_recurrenceid(component);
    if (recurrence && !i_cal_time_is_null_time(recurrence)) {
        instance.recurrenceId = RecurrenceIdOf(ToEdsTime(recurrence));
    } else if (e_cal_util_component_has_recurrences(component)) {
        instance.recurrenceId = RecurrenceIdOf(instance.start);
    }
    if (recurrence) {
        g_object_unref(recurrence);
    }
    static_cast<std::vector<EdsInstance>*>(instances)->push_back(std::move(instance));
    return TRUE;
}

// The uids of the events in a view's change signal: components, or for removals their ids.
void AddChangedUids(const GSList* components, std::set<std::string>& uids) {
    for (const GSList* item = components; item; item = item->next) {
        const gchar* uid = i_cal_component_get_uid(static_cast<ICalComponent*>(item->data));
        uids.insert(uid ? uid : "");
    }
}
void AddRemovedUids(const GSList* ids, std::set<std::string>& uids) {
    for (const GSList* item = ids; item; item = item->next) {
        const gchar* uid = e_cal_component_id_get_uid(static_cast<ECalComponentId*>(item->data));
        uids.insert(uid ? uid : "");
    }
}

CalendarDate Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace

struct EdsWorker::Impl {
    explicit Impl(EdsCalendarOptions options) : options_(std::move(options)) {
        context_ = g_main_context_new();
        loop_ = g_main_loop_new(context_, FALSE);
        cancellable_ = g_cancellable_new();
        wantedFirst_ = Today();
        thread_ = std::thread([this] { Run(); });
    }

    ~Impl() {
        g_cancellable_cancel(cancellable_);
        Invoke([](Impl& self) { g_main_loop_quit(self.loop_); });
        thread_.join();
        g_object_unref(cancellable_);
        g_main_loop_unref(loop_);
        g_main_context_unref(context_);
    }

    std::shared_ptr<const EdsSnapshot> Read(const CalendarDate& first, const CalendarDate& last,
                                            std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        if (wantedFirst_ != first) {
            wantedFirst_ = first;
            Invoke([](Impl& self) { self.MoveDays(); });
        }
        const auto ready = [&] {
            const EdsSnapshot& s = *snapshot_;
            if (s.state == EdsState::Opening) {
                return false;
            }
            // A remote calendar's empty first list says nothing yet: a command that may wait
            // waits for the synchronisation (or the sign-in it finds missing).
            if (s.state == EdsState::Syncing && s.instances.empty()) {
                return false;
            }
            const bool listing = s.state == EdsState::Ready || s.state == EdsState::Syncing;
            return !listing || s.Covers(first, last);
        };
        if (!ready() && wait.count() > 0) {
            published_.wait_for(lock, wait, ready);
        }
        return snapshot_;
    }

  private:
    // Runs `action` on the worker thread.
    void Invoke(void (*action)(Impl&)) { Attach(g_idle_source_new(), context_, action, this); }

    void Run() {
        g_main_context_push_thread_default(context_);
        Invoke([](Impl& self) { self.Open(); });
        g_main_loop_run(loop_);
        Close();
        // Let cancelled calls finish their callbacks before the context goes.
        for (int i = 0; i < 100 && g_main_context_iteration(context_, FALSE); ++i) {
        }
        g_main_context_pop_thread_default(context_);
    }

    void Open() {
        std::string why;
        if (!ServiceOnBus(cancellable_, why)) {
            Publish(EdsState::Absent, options_.absentIsEmpty ? std::string()
                                                             : "The calendar " + Quoted(Name()) +
                                                                   " cannot be read: " + why + ".");
            return;
        }
        GError* error = nullptr;
        registry_ = e_source_registry_new_sync(cancellable_, &error);
        if (!registry_) {
            Fail("the calendar service did not answer", error);
            return;
        }
        source_ = options_.sourceUid.empty()
                      ? e_source_registry_ref_default_calendar(registry_)
                      : e_source_registry_ref_source(registry_, options_.sourceUid.c_str());
        if (!source_ || !e_source_has_extension(source_, E_SOURCE_EXTENSION_CALENDAR)) {
            Unref(source_);
            Publish(EdsState::Failed, options_.sourceUid.empty()
                                          ? "The calendar service has no default calendar."
                                          : "The calendar service has no calendar with the uid " +
                                                Quoted(options_.sourceUid) + ".");
            return;
        }
        for (const char* signal : {"source-changed", "source-enabled", "source-disabled"}) {
            g_signal_connect_swapped(registry_, signal,
                                     G_CALLBACK(+[](Impl* self, ESource* changed) {
                                         if (self->Concerns(changed)) {
                                             self->SourceChanged();
                                         }
                                     }),
                                     this);
        }
        g_signal_connect_swapped(
            registry_, "credentials-required",
            G_CALLBACK(+[](Impl* self, ESource* source, ESourceCredentialsReason reason,
                           const gchar*, GTlsCertificateFlags, const GError*) {
                if (self->Concerns(source)) {
                    self->CredentialsRequired(reason);
                }
            }),
            this);
        g_signal_connect_swapped(source_, "notify::connection-status",
                                 G_CALLBACK(+[](Impl* self) { self->SourceChanged(); }), this);
        SourceChanged();
    }

    // Whether a change of `changed` may change what the calendar shows: it is the calendar or
    // one of the sources it belongs to (its account).
    bool Concerns(ESource* changed) const {
        const gchar* uid = e_source_get_uid(changed);
        for (ESource* source = source_ ? static_cast<ESource*>(g_object_ref(source_)) : nullptr;
             source;) {
            const bool same = g_strcmp0(e_source_get_uid(source), uid) == 0;
            const gchar* parent = e_source_get_parent(source);
            ESource* next =
                !same && parent ? e_source_registry_ref_source(registry_, parent) : nullptr;
            g_object_unref(source);
            if (same) {
                return true;
            }
            source = next;
        }
        return false;
    }

    // The source was switched on or off, or its connection changed: connect when it may be
    // read, else say why not.
    void SourceChanged() {
        if (!e_source_registry_check_enabled(registry_, source_)) {
            Publish(EdsState::Disabled,
                    "The calendar " + Quoted(DisplayName()) +
                        " is disabled in the calendar service. Enable it (or its account) in "
                        "the calendar's settings, or name another calendar in calendar.conf.");
            return;
        }
        const auto status = e_source_get_connection_status(source_);
        if (status == E_SOURCE_CONNECTION_STATUS_AWAITING_CREDENTIALS) {
            CredentialsRequired(E_SOURCE_CREDENTIALS_REASON_REQUIRED);
            return;
        }
        if (status == E_SOURCE_CONNECTION_STATUS_SSL_FAILED) {
            CredentialsRequired(E_SOURCE_CREDENTIALS_REASON_SSL_FAILED);
            return;
        }
        if (status == E_SOURCE_CONNECTION_STATUS_CONNECTED) {
            signInNeeded_.clear();  // the server took the account's credentials
        }
        if (!client_ && !connecting_) {
            connecting_ = true;
            // (guint32)-1: return once the backend is open, without waiting for the network.
            e_cal_client_connect(source_, E_CAL_CLIENT_SOURCE_TYPE_EVENTS, static_cast<guint32>(-1),
                                 cancellable_, &Impl::Connected, this);
            return;
        }
        if (client_) {
            Query();
        }
    }

    // The service could not sign in to the calendar's server. That stays the calendar's state
    // until a connection succeeds: the service's status falls back to "disconnected" after
    // each attempt, and its lists meanwhile are empty, which is no "No Appointments".
    void CredentialsRequired(ESourceCredentialsReason reason) {
        if (reason == E_SOURCE_CREDENTIALS_REASON_SSL_FAILED) {
            signInNeeded_ = "The calendar " + Quoted(DisplayName()) +
                            " cannot be reached: its server's certificate was not accepted. "
                            "Open the calendar's account settings to check it.";
        } else if (reason == E_SOURCE_CREDENTIALS_REASON_REQUIRED ||
                   reason == E_SOURCE_CREDENTIALS_REASON_REJECTED) {
            signInNeeded_ = "The calendar " + Quoted(DisplayName()) +
                            " is waiting for you to sign in to its account (GNOME Settings → "
                            "Online Accounts).";
        } else {
            return;
        }
        Publish(EdsState::AwaitingCredentials, signInNeeded_);
    }

    static void Connected(GObject*, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        EClient* client = e_cal_client_connect_finish(result, &error);
        if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            g_error_free(error);
            return;  // shutting down: `data` may be going
        }
        auto* self = static_cast<Impl*>(data);
        self->connecting_ = false;
        if (!client) {
            self->Fail("the calendar " + Quoted(self->DisplayName()) + " could not be opened",
                       error);
            return;
        }
        self->client_ = E_CAL_CLIENT(client);
        if (ICalTimezone* zone = LocalZone()) {
            e_cal_client_set_default_timezone(self->client_, zone);
        }
        self->StartView();
        // A remote calendar's first list may come from an empty cache: it is "syncing" until
        // something arrives, or its refresh has returned and it has been quiet a moment.
        self->syncing_ = e_client_check_refresh_supported(client);
        self->Query();
        if (self->syncing_) {
            e_client_refresh(client, self->cancellable_, &Impl::Refreshed, self);
        }
    }

    static void Refreshed(GObject* client, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        e_client_refresh_finish(E_CLIENT(client), result, &error);
        if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            g_error_free(error);
            return;
        }
        g_clear_error(&error);  // an offline server: the cache is what there is
        auto* self = static_cast<Impl*>(data);
        self->settle_ = Schedule(
            self->context_, kSyncSettleMs,
            [](Impl& s) {
                s.settle_ = 0;
                s.syncing_ = false;
                s.Query();
            },
            self);
    }

    // Watches the kept days (and a day either side for other zones) for changes.
    void StartView() {
        StopView();
        GError* error = nullptr;
        if (!e_cal_client_get_view_sync(client_, RangeQuery().c_str(), &view_, cancellable_,
                                        &error)) {
            // Without a view the snapshot still follows the scans' requests; say nothing.
            g_clear_error(&error);
            return;
        }
        e_cal_client_view_set_flags(view_, E_CAL_CLIENT_VIEW_FLAGS_NONE, nullptr);
        // The view first lists what it holds, then says it is complete. A change made while it
        // was listing may have been missed by the query made before: one query after the list.
        populating_ = true;
        g_signal_connect(view_, "complete",
                         G_CALLBACK(+[](ECalClientView*, const GError*, Impl* self) {
                             self->populating_ = false;
                             self->fullQueryWanted_ = true;
                             self->ScheduleQuery();
                         }),
                         this);
        g_signal_connect(
            view_, "objects-added",
            G_CALLBACK(+[](ECalClientView*, const GSList* components, Impl* self) {
                self->ViewChanged([&](auto& uids) { AddChangedUids(components, uids); });
            }),
            this);
        g_signal_connect(
            view_, "objects-modified",
            G_CALLBACK(+[](ECalClientView*, const GSList* components, Impl* self) {
                self->ViewChanged([&](auto& uids) { AddChangedUids(components, uids); });
            }),
            this);
        g_signal_connect(view_, "objects-removed",
                         G_CALLBACK(+[](ECalClientView*, const GSList* ids, Impl* self) {
                             self->ViewChanged([&](auto& uids) { AddRemovedUids(ids, uids); });
                         }),
                         this);
        e_cal_client_view_start(view_, &error);
        g_clear_error(&error);
    }

    // Events came, changed or went: read them again shortly, unless the view is still listing
    // what it holds (a full query follows that).
    template <typename AddUids>
    void ViewChanged(AddUids addUids) {
        syncing_ = false;  // something arrived: the calendar's list is worth showing
        if (populating_) {
            return;
        }
        addUids(changedUids_);
        ScheduleQuery();
    }

    void StopView() {
        if (view_) {
            g_signal_handlers_disconnect_by_data(view_, this);
            e_cal_client_view_stop(view_, nullptr);
            Unref(view_);
        }
    }

    // A scan asked for days that start elsewhere.
    void MoveDays() {
        {
            std::lock_guard lock(mutex_);
            keptFirst_ = wantedFirst_;
        }
        if (client_) {
            StartView();
            Query();
        }
    }

    // The service's query for the events that occur in QueryRange.
    std::string RangeQuery() const {
        const auto [from, until] = QueryRange();
        return "(occur-in-time-range? (make-time \"" + UtcStamp(from) + "\") (make-time \"" +
               UtcStamp(until) + "\"))";
    }

    std::pair<std::time_t, std::time_t> QueryRange() const {
        constexpr std::time_t day = 24 * 60 * 60;
        return {LocalMidnight(keptFirst_) - day,
                LocalMidnight(AddDays(keptFirst_, kDaysKept)) + day};
    }

    void ScheduleQuery() {
        if (requery_ == 0) {
            requery_ = Schedule(
                context_, kRequeryDelayMs,
                [](Impl& self) {
                    self.requery_ = 0;
                    self.ReadChanges();
                },
                this);
        }
    }

    // Runs `action` on the worker thread `delayMs` from now.
    static guint Schedule(GMainContext* context, guint delayMs, void (*action)(Impl&), Impl* self) {
        return Attach(g_timeout_source_new(delayMs), context, action, self);
    }

    // Attaches `source`, which runs `action` once, to `context`.
    static guint Attach(GSource* source, GMainContext* context, void (*action)(Impl&), Impl* self) {
        struct Call {
            Impl* self;
            void (*action)(Impl&);
        };
        g_source_set_callback(
            source,
            [](gpointer data) -> gboolean {
                auto* call = static_cast<Call*>(data);
                call->action(*call->self);
                return G_SOURCE_REMOVE;
            },
            new Call{self, action}, [](gpointer data) { delete static_cast<Call*>(data); });
        const guint id = g_source_attach(source, context);
        g_source_unref(source);
        return id;
    }

    // Reads the events that changed one by one when they are few, else all of the kept days.
    void ReadChanges() {
        if (fullQueryWanted_ || changedUids_.size() > kMostEventsReadOneByOne || !client_ ||
            !signInNeeded_.empty()) {
            Query();
            return;
        }
        UseLocalZone();
        const auto [from, until] = QueryRange();
        for (const std::string& uid : std::exchange(changedUids_, {})) {
            GError* error = nullptr;
            if (!ReadEvent(uid, from, until, &error)) {
                g_clear_error(&error);
                Query();
                return;
            }
        }
        PublishInstances();
    }

    // Asks the service for the events of the kept days, expands them and publishes the instances.
    // The service's own expansion of a time range is not used: it leaves out overrides that its
    // range query misses (a moved occurrence in floating time), which reading a series by its
    // uid finds.
    void Query() {
        changedUids_.clear();
        fullQueryWanted_ = false;
        if (!client_) {
            return;
        }
        if (!signInNeeded_.empty()) {
            Publish(EdsState::AwaitingCredentials, signInNeeded_);
            return;
        }
        UseLocalZone();
        const auto [from, until] = QueryRange();
        GSList* found = nullptr;
        GError* error = nullptr;
        if (!e_cal_client_get_object_list_as_comps_sync(client_, RangeQuery().c_str(), &found,
                                                        cancellable_, &error)) {
            ReadFailed(error);
            return;
        }
        std::map<std::string, std::vector<ECalComponent*>> byUid;
        for (GSList* item = found; item; item = item->next) {
            auto* component = static_cast<ECalComponent*>(item->data);
            const gchar* uid = e_cal_component_get_uid(component);
            byUid[uid ? uid : ""].push_back(component);
        }
        instancesByUid_.clear();
        for (const auto& [uid, components] : byUid) {
            // A single event is expanded as listed; a series is read with all of its overrides.
            const bool single = components.size() == 1 && !IsSeriesOrOverride(components[0]);
            const bool read = single ? ExpandEvent(e_cal_component_get_icalcomponent(components[0]),
                                                   from, until, instancesByUid_[uid], &error)
                                     : ReadEvent(uid, from, until, &error);
            if (!read) {
                g_slist_free_full(found, g_object_unref);
                ReadFailed(error);
                return;
            }
        }
        g_slist_free_full(found, g_object_unref);
        PublishInstances();
    }

    void ReadFailed(GError* error) {
        if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            g_error_free(error);  // shutting down
            return;
        }
        Fail("the calendar " + Quoted(DisplayName()) + " could not be read", error);
    }

    static bool IsSeriesOrOverride(ECalComponent* component) {
        return e_cal_component_is_instance(component) ||
               e_cal_util_component_has_recurrences(e_cal_component_get_icalcomponent(component));
    }

    // Reads the instances of the event or series `uid` in [from, until) again. False, with
    // `error` set, when the service could not tell; an event that is gone has no instances.
    bool ReadEvent(const std::string& uid, std::time_t from, std::time_t until, GError** error) {
        GSList* components = nullptr;
        if (!e_cal_client_get_objects_for_uid_sync(client_, uid.c_str(), &components, cancellable_,
                                                   error)) {
            if (!g_error_matches(*error, E_CAL_CLIENT_ERROR, E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND)) {
                return false;
            }
            g_clear_error(error);
        }
        std::vector<EdsInstance> instances;
        const bool read = ExpandComponents(components, from, until, instances, error);
        g_slist_free_full(components, g_object_unref);
        if (instances.empty()) {
            instancesByUid_.erase(uid);
        } else {
            instancesByUid_[uid] = std::move(instances);
        }
        return read;
    }

    // The instances in [from, until) of the components of one uid: a series with its overrides,
    // else each component (a single event, overrides whose series the calendar lacks) as it is.
    bool ExpandComponents(GSList* components, std::time_t from, std::time_t until,
                          std::vector<EdsInstance>& instances, GError** error) {
        for (GSList* item = components; item; item = item->next) {
            auto* component = static_cast<ECalComponent*>(item->data);
            if (!e_cal_component_is_instance(component) && IsSeriesOrOverride(component)) {
                // The service looks the overrides up itself and puts them in place.
                e_cal_client_generate_instances_for_object_sync(
                    client_, e_cal_component_get_icalcomponent(component), from, until,
                    cancellable_, &CollectInstance, &instances);
                return true;
            }
        }
        for (GSList* item = components; item; item = item->next) {
            auto* component = static_cast<ECalComponent*>(item->data);
            if (!ExpandEvent(e_cal_component_get_icalcomponent(component), from, until, instances,
                             error)) {
                return false;
            }
        }
        return true;
    }

    // The instances in [from, until) of `event` on its own (its rules, if any, without
    // overrides), zones looked up in the calendar. False, with `error` set, when cancelled.
    bool ExpandEvent(ICalComponent* event, std::time_t from, std::time_t until,
                     std::vector<EdsInstance>& instances, GError** error) {
        ICalTime* start = i_cal_time_new_from_timet_with_zone(from, FALSE, nullptr);
        ICalTime* end = i_cal_time_new_from_timet_with_zone(until, FALSE, nullptr);
        ICalTimezone* zone = e_cal_client_get_default_timezone(client_);
        const gboolean done = e_cal_recur_generate_instances_sync(
            event, start, end, &CollectInstance, &instances, e_cal_client_tzlookup_cb, client_,
            zone ? zone : i_cal_timezone_get_utc_timezone(), cancellable_, error);
        g_object_unref(start);
        g_object_unref(end);
        return done;
    }

    // Floating times are read in the machine's current zone.
    void UseLocalZone() {
        tzset();
        if (ICalTimezone* zone = LocalZone()) {
            e_cal_client_set_default_timezone(client_, zone);
        }
    }

    void PublishInstances() {
        std::vector<EdsInstance> instances;
        for (const auto& [uid, ofEvent] : instancesByUid_) {
            instances.insert(instances.end(), ofEvent.begin(), ofEvent.end());
        }
        if (!instances.empty()) {
            syncing_ = false;  // what the cache holds is worth showing
        }
        // Stable order: start, then uid, then which occurrence.
        std::stable_sort(instances.begin(), instances.end(), [](const auto& a, const auto& b) {
            return std::forward_as_tuple(ToLocal(a.start), a.uid, a.recurrenceId) <
                   std::forward_as_tuple(ToLocal(b.start), b.uid, b.recurrenceId);
        });
        Publish(syncing_ ? EdsState::Syncing : EdsState::Ready,
                syncing_ ? "The calendar " + Quoted(DisplayName()) +
                               " is still being synchronised with its server; the appointments "
                               "follow in a moment."
                         : std::string(),
                std::move(instances));
    }

    void Fail(const std::string& what, GError* error) {
        std::string message = what;
        if (error) {
            message += std::string(": ") + error->message;
            g_error_free(error);
        }
        Publish(EdsState::Failed, message + ".");
    }

    void Publish(EdsState state, std::string message, std::vector<EdsInstance> instances = {}) {
        auto next = std::make_shared<EdsSnapshot>();
        next->state = state;
        next->message = std::move(message);
        next->firstDay = keptFirst_;
        next->days = state == EdsState::Ready || state == EdsState::Syncing ? kDaysKept : 0;
        next->instances = std::move(instances);
        bool changed = false;
        {
            std::lock_guard lock(mutex_);
            changed = !(*next == *snapshot_);
            snapshot_ = std::move(next);
        }
        published_.notify_all();
        if (changed && options_.changed) {
            options_.changed();
        }
    }

    // The name the user chose the calendar by, for messages before the source is known.
    std::string Name() const { return "eds:" + options_.sourceUid; }

    std::string DisplayName() const {
        const gchar* name = source_ ? e_source_get_display_name(source_) : nullptr;
        return name && *name ? name : Name();
    }

    void Close() {
        for (guint* id : {&requery_, &settle_}) {
            if (*id != 0) {
                if (GSource* source = g_main_context_find_source_by_id(context_, *id)) {
                    g_source_destroy(source);
                }
                *id = 0;
            }
        }
        StopView();
        if (registry_) {
            g_signal_handlers_disconnect_by_data(registry_, this);
        }
        if (source_) {
            g_signal_handlers_disconnect_by_data(source_, this);
        }
        Unref(client_);
        Unref(source_);
        Unref(registry_);
    }

    const EdsCalendarOptions options_;
    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    GCancellable* cancellable_ = nullptr;
    std::thread thread_;

    // Worker thread only.
    ESourceRegistry* registry_ = nullptr;
    ESource* source_ = nullptr;
    ECalClient* client_ = nullptr;
    ECalClientView* view_ = nullptr;
    bool connecting_ = false;
    bool syncing_ = false;
    std::string signInNeeded_;  // why the server refused the account, until it takes it
    bool populating_ = false;   // the view is listing what it holds
    bool fullQueryWanted_ = false;
    std::set<std::string> changedUids_;  // events to read again
    std::map<std::string, std::vector<EdsInstance>> instancesByUid_;
    guint requery_ = 0;
    guint settle_ = 0;
    CalendarDate keptFirst_ = Today();

    // Shared with the scans.
    std::mutex mutex_;
    std::condition_variable published_;
    CalendarDate wantedFirst_;
    std::shared_ptr<const EdsSnapshot> snapshot_ = std::make_shared<EdsSnapshot>(
        EdsSnapshot{EdsState::Opening,
                    "The calendar service is still opening the calendar; the "
                    "appointments follow in a moment.",
                    {},
                    0,
                    {}});
};

EdsWorker::EdsWorker(EdsCalendarOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

EdsWorker::~EdsWorker() = default;

std::shared_ptr<const EdsSnapshot> EdsWorker::Read(const CalendarDate& first,
                                                   const CalendarDate& last,
                                                   std::chrono::milliseconds wait) {
    return impl_->Read(first, last, wait);
}

}  // namespace agendix::scan
