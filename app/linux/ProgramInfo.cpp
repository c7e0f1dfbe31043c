#include "app/linux/ProgramInfo.h"

#include <filesystem>
#include <system_error>

namespace agendix::app {

common::ApplicationInfo CurrentApplicationInfo(bool prevInstance) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    common::ApplicationInfo info;
    info.PrevInstance = prevInstance;
    info.EXEName = error ? "agendix" : program.stem().string();
    info.Path = error ? "" : program.parent_path().string();
    info.Title = "Agendix";
    info.Major = AGENDIX_VERSION_MAJOR;
    info.Minor = AGENDIX_VERSION_MINOR;
    info.Revision = AGENDIX_VERSION_REVISION;
    return info;
}

}  // namespace agendix::app
