#pragma once

// The Secret Service schema of CalDAV passwords, for the files that call libsecret (the lookup
// and the tests that store a password). It brings in GLib: keep it out of Qt files.

#include <libsecret/secret.h>

namespace agendix::scan {

// org.example.agendix.CalDav, with the attributes `server` and `user`.
const SecretSchema* CalDavSchema();

}  // namespace agendix::scan
