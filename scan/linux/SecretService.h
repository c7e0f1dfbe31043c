#pragma once

// CalDAV passwords in the desktop's Secret Service (gnome-keyring, KWallet), read with libsecret.
// Items carry the schema org.example.agendix.CalDav and the attributes `server` and `user`
// (see StorePasswordCommand). This header stays free of GLib.

#include <string>

#include "scan/core/CalDavPasswords.h"

namespace agendix::scan {

// Looks up the password of `user` at `server`, waiting for the Secret Service: call it on a
// worker thread. A missing or unusable service (no session bus, no keyring daemon, a keyring
// that stays locked) is kNoStore with a message saying how to store the password.
PasswordLookupResult LookupSecretServicePassword(const std::string& server,
                                                 const std::string& user);

}  // namespace agendix::scan
