// Saves the interval and a long value over and over until it is killed. Prints "saving" once the
// first round is in the file, so that the test kills it in the middle of later saves.

#include <cstdio>
#include <string>

#include "settings/store/core/SettingsFormat.h"
#include "settings/store/linux/IniSettingsStore.h"

int main(int argc, char** argv) {
    using namespace agendix::settings;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SETTINGS_FILE\n", argv[0]);
        return 2;
    }
    IniSettingsStore store(QString::fromLocal8Bit(argv[1]));
    const std::int32_t first =
        ReadCheckInterval(store.GetValue(kSettingsApp, kSettingsSection, kKeyTimer));
    for (std::int32_t minutes = first + 1;; ++minutes) {
        store.SaveValue(kSettingsApp, kSettingsSection, kKeyTimer, WriteCheckInterval(minutes));
        const char letter = static_cast<char>('a' + minutes % 26);
        store.SaveValue(kSettingsApp, kSettingsSection, "padding", std::string(50000, letter));
        if (minutes == first + 1) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
}
