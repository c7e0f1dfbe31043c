#include "scan/linux/SecretService.h"

#include "scan/linux/SecretServiceSchema.h"

namespace agendix::scan {

const SecretSchema* CalDavSchema() {
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
    return &schema;
}

PasswordLookupResult LookupSecretServicePassword(const std::string& server,
                                                 const std::string& user) {
    GError* error = nullptr;
    gchar* password = secret_password_lookup_sync(CalDavSchema(), nullptr, &error, "server",
                                                  server.c_str(), "user", user.c_str(), nullptr);
    if (error) {
        PasswordLookupResult result{PasswordLookupResult::Outcome::kNoStore,
                                    {},
                                    "the Secret Service could not be asked for the password of " +
                                        user + " at " + server + " (" + error->message +
                                        "); start a keyring (such as gnome-keyring) in the "
                                        "session and store the password with: " +
                                        StorePasswordCommand(server, user)};
        g_error_free(error);
        return result;
    }
    if (!password) {
        return {PasswordLookupResult::Outcome::kNotStored,
                {},
                "the Secret Service holds no password for " + user + " at " + server +
                    "; store it with: " + StorePasswordCommand(server, user)};
    }
    PasswordLookupResult result{PasswordLookupResult::Outcome::kFound, password, {}};
    secret_password_free(password);
    return result;
}

}  // namespace agendix::scan
