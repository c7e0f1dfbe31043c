#include "scan/tests/CalDavSecretStore.h"

#include "scan/linux/SecretServiceSchema.h"

namespace agendix::scan::testing {

bool StoreCalDavPassword(const std::string& server, const std::string& user,
                         const std::string& password, std::string& error) {
    GError* failure = nullptr;
    const gboolean stored = secret_password_store_sync(
        CalDavSchema(), SECRET_COLLECTION_DEFAULT, ("CalDAV " + user + "@" + server).c_str(),
        password.c_str(), nullptr, &failure, "server", server.c_str(), "user", user.c_str(),
        nullptr);
    if (failure) {
        error = failure->message;
        g_error_free(failure);
    }
    return stored;
}

}  // namespace agendix::scan::testing
