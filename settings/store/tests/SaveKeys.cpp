// Saves COUNT entries named PREFIX1 ... PREFIX<COUNT>, each holding its own number, one save after
// the other, then ends. Two of these at once show whether separate programs' saves keep each
// other's entries.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/store/core/SettingsFormat.h"
#include "settings/store/linux/IniSettingsStore.h"

int main(int argc, char** argv) {
    using namespace agendix::settings;
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SETTINGS_FILE PREFIX COUNT\n", argv[0]);
        return 2;
    }
    IniSettingsStore store(QString::fromLocal8Bit(argv[1]));
    const std::string prefix = argv[2];
    const int count = std::atoi(argv[3]);
    try {
        for (int number = 1; number <= count; ++number) {
            const std::string text = std::to_string(number);
            store.SaveValue(kSettingsApp, kSettingsSection, prefix + text, text);
        }
    } catch (const SettingsError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
