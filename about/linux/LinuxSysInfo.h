#pragma once

#include <QString>
#include <QStringList>

#include "about/core/AboutBox.h"

namespace agendix::about {

// The system-information tool on Linux: the configured program (the AGENDIX_SYSINFO_PROGRAM build
// setting) when it is an executable file, else the first of the known desktop tools
// (kKnownPrograms) in the first search folder ($PATH) that holds one. Programs are started
// detached, with Qt.
class LinuxSysInfo : public SysInfoTool {
  public:
    // Hardware and system information programs of the common desktops, in order of preference.
    static const QStringList kKnownPrograms;

    // The build's configured program and the folders of $PATH.
    LinuxSysInfo();
    LinuxSysInfo(QString configuredProgram, QStringList searchFolders);

    std::string FindTool() override;
    bool StartTool(const std::string& program) override;

  private:
    QString configuredProgram_;
    QStringList searchFolders_;
};

}  // namespace agendix::about
