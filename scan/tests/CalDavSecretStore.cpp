#include "scan/tests/CalDavSecretStore.h"

#include <libsecret/secret.h>

namespace agendix::scan::testing {

bool StoreCalDavPassword(const std::string& server, const std::string& user,
                         const std::string& password, std::string& error) {
    static const SecretSchema schema = {"org.example.agendix.CalDav",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        },
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    GError* failure = nullptr;
    const gboolean stored = secret_password_store_sync(
        &schema, SECRET_COLLECTION_DEFAULT, ("CalDAV " + user + "@" + server).c_str(),
        password.c_str(), nullptr, &failure, "server", server.c_str(), "user", user.c_str(),
        nullptr);
    if (failure) {
        error = failure->message;
        g_error_free(failure);
    }
    return stored;
}

}  // namespace agendix::scan::testing
