#pragma once

// How a CalDAV calendar finds the password of its user. Plain C++ (no Qt, no GLib), so that the
// Secret Service lookup (scan/linux/SecretService) and the Qt client share it without sharing
// headers.

#include <functional>
#include <string>

namespace agendix::scan {

struct PasswordLookupResult {
    enum class Outcome {
        kFound,      // `password` holds it
        kNotStored,  // the store works but holds no password for this server and user
        kNoStore,    // no usable password store; `message` says why
    };
    Outcome outcome = Outcome::kNotStored;
    std::string password = {};
    std::string message = {};
};

// Looks up the password of `user` at `server` (host, and ":port" when the URL names one). Runs
// on a worker thread, never on the user-interface thread: it may wait for the store.
using PasswordLookup =
    std::function<PasswordLookupResult(const std::string& server, const std::string& user)>;

// The command line that stores the password where the Secret Service lookup finds it
// (`secret-tool` comes with Debian's libsecret-tools).
inline std::string StorePasswordCommand(const std::string& server, const std::string& user) {
    return "secret-tool store --label='Agendix CalDAV " + user + "@" + server +
           "' xdg:schema org.example.agendix.CalDav server '" + server + "' user '" + user + "'";
}

}  // namespace agendix::scan
