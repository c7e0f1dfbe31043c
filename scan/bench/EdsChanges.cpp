// GLib first, and no Qt in this file (see EdsChanges.h).
#include <libecal/libecal.h>

#include "scan/bench/EdsChanges.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace agendix::scan {
namespace {

std::string Failure(const std::string& what, GError* error) {
    std::string message = what + ": " + (error ? error->message : "unknown error");
    g_clear_error(&error);
    return message;
}

std::string TodayStamp(int hour, int minute) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d00", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, hour, minute);
    return text;
}

}  // namespace

// The client's signals go to the context that is the thread's default when it is made. Without
// one of its own they would go to the process's default context, which a Qt event loop on the
// measured thread iterates, and be dispatched there.
struct EdsChanges::Impl {
    GMainContext* context = g_main_context_new();
    ESourceRegistry* registry = nullptr;
    ECalClient* client = nullptr;

    Impl() { g_main_context_push_thread_default(context); }
    ~Impl() {
        if (client) {
            g_object_unref(client);
        }
        if (registry) {
            g_object_unref(registry);
        }
        while (g_main_context_iteration(context, FALSE)) {
        }
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }
};

// Made, used and ended on one thread.
EdsChanges::EdsChanges(const std::string& sourceUid) : impl_(std::make_unique<Impl>()) {
    GError* error = nullptr;
    impl_->registry = e_source_registry_new_sync(nullptr, &error);
    if (!impl_->registry) {
        throw std::runtime_error(Failure("the calendar service did not answer", error));
    }
    ESource* source = e_source_registry_ref_source(impl_->registry, sourceUid.c_str());
    if (!source) {
        throw std::runtime_error("the calendar service has no source \"" + sourceUid + "\"");
    }
    EClient* client = e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS,
                                                static_cast<guint32>(-1), nullptr, &error);
    g_object_unref(source);
    if (!client) {
        throw std::runtime_error(Failure("cannot open \"" + sourceUid + "\"", error));
    }
    impl_->client = E_CAL_CLIENT(client);
}

EdsChanges::~EdsChanges() = default;

void EdsChanges::Put(const std::string& uid, const std::string& summary, int hour, bool exists) {
    const std::string text = "BEGIN:VEVENT\r\nUID:" + uid +
                             "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:" + TodayStamp(hour, 0) +
                             "\r\nDTEND:" + TodayStamp(hour, 30) + "\r\nSUMMARY:" + summary +
                             "\r\nEND:VEVENT\r\n";
    ICalComponent* component = i_cal_component_new_from_string(text.c_str());
    GError* error = nullptr;
    const gboolean done =
        exists ? e_cal_client_modify_object_sync(impl_->client, component, E_CAL_OBJ_MOD_ALL,
                                                 E_CAL_OPERATION_FLAG_NONE, nullptr, &error)
               : e_cal_client_create_object_sync(
                     impl_->client, component, E_CAL_OPERATION_FLAG_NONE, nullptr, nullptr, &error);
    g_object_unref(component);
    if (!done) {
        throw std::runtime_error(Failure("cannot write \"" + uid + "\"", error));
    }
}

void EdsChanges::Remove(const std::string& uid) {
    GError* error = nullptr;
    if (!e_cal_client_remove_object_sync(impl_->client, uid.c_str(), nullptr, E_CAL_OBJ_MOD_ALL,
                                         E_CAL_OPERATION_FLAG_NONE, nullptr, &error)) {
        throw std::runtime_error(Failure("cannot remove \"" + uid + "\"", error));
    }
}

double EdsChanges::QueryMilliseconds(std::time_t from, std::time_t until, int& instances) {
    instances = 0;
    const auto started = std::chrono::steady_clock::now();
    e_cal_client_generate_instances_sync(
        impl_->client, from, until, nullptr,
        [](ICalComponent*, ICalTime*, ICalTime*, gpointer data, GCancellable*,
           GError**) -> gboolean {
            ++*static_cast<int*>(data);
            return TRUE;
        },
        &instances);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
        .count();
}

}  // namespace agendix::scan
