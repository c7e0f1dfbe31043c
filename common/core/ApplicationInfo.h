#pragma once

#include <string>

namespace agendix::common {

// What the program knows about itself, gathered once at start.
struct ApplicationInfo {
    bool PrevInstance = false;  // another copy already runs in this user's graphical session
    std::string EXEName;        // the program file's name without folder and extension
    std::string Path;           // the folder that holds the program file
    std::string Title;
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
};

}  // namespace agendix::common
