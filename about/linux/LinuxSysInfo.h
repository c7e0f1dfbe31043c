#pragma once

#include <QString>
#include <QStringList>

#include "about/core/AboutBox.h"

namespace agendix::about {

// The system-information tool on Linux, behind the registry places the launcher reads:
// - "SOFTWARE\Microsoft\Shared Tools\MSINFO", value "PATH": the configured program (the
//   AGENDIX_SYSINFO_PROGRAM build setting), when it is an executable file;
// - "SOFTWARE\Microsoft\Shared Tools Location", value "MSINFO": the first search folder ($PATH)
//   that holds one of the known desktop tools (kKnownPrograms), which ProgramIn then names.
// Programs are started detached, with Qt.
class LinuxSysInfo : public Registry, public SysInfoPlatform {
  public:
    // Hardware and system information programs of the common desktops, in order of preference.
    static const QStringList kKnownPrograms;

    // The build's configured program and the folders of $PATH.
    LinuxSysInfo();
    LinuxSysInfo(QString configuredProgram, QStringList searchFolders);

    long OpenKey(RegistryKey root, const std::string& keyName, std::uint32_t access,
                 RegistryKey& key) override;
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                    unsigned char* data, std::uint32_t& size) override;
    long CloseKey(RegistryKey) override { return kErrorSuccess; }

    std::string ProgramIn(const std::string& folder) override;
    bool StartProgram(const std::string& path) override;

  private:
    QString ValueText(RegistryKey key, const std::string& valueName);
    QString FolderWithKnownProgram();

    QString configuredProgram_;
    QStringList searchFolders_;
};

}  // namespace agendix::about
