#pragma once

// Stores a CalDAV password where LookupSecretServicePassword finds it, for the tests' private
// keyring. Plain C++: libsecret stays out of the Qt test files.

#include <string>

namespace agendix::scan::testing {

// True once stored; `error` says why not.
bool StoreCalDavPassword(const std::string& server, const std::string& user,
                         const std::string& password, std::string& error);

}  // namespace agendix::scan::testing
