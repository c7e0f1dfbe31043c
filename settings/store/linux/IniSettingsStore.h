#pragma once

// The settings store in one per-user INI file, read and written with QSettings. The application
// name is the file's top group, the section a group inside it, the key a key of that group; an
// existing name is found without regard to letter case and kept as first written.
//
// Every save has reached the file when it returns, and replaces the file as a whole (written
// beside it, then renamed over it), so a crash leaves the old or the new file, never a torn one.
// Saves of separate programs take turns: each holds a lock on "<file>.save-lock" meanwhile, which
// ends with the program, so one that was killed never holds up the next save.
// A file that cannot be read or is not an INI text is never written over: it is moved aside,
// the store starts empty and TakeWarning says so.

#include <QString>

#include "settings/store/core/SettingsStore.h"

namespace agendix::settings {

// $XDG_CONFIG_HOME/agendix/agendix.ini.
QString DefaultSettingsFile();

class IniSettingsStore final : public SettingsStore {
  public:
    explicit IniSettingsStore(QString filePath);

    std::optional<std::string> TakeWarning() override;

  protected:
    std::optional<std::string> FindValue(std::string_view application, std::string_view section,
                                         std::string_view key) const override;
    void StoreValue(std::string_view application, std::string_view section, std::string_view key,
                    std::string_view value) override;

  private:
    // Moves a damaged file aside; when that fails, stops saving so the file is kept as it is.
    // `consequence` completes the warning: what becomes of the options.
    void SetAsideDamagedFile(std::string_view consequence);

    QString filePath_;
    std::optional<std::string> warning_;
    // Why saves are refused; empty while they are allowed.
    std::string savesRefused_;
};

}  // namespace agendix::settings
