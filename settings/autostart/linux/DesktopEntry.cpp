#include "settings/autostart/linux/DesktopEntry.h"

#include <QString>
#include <algorithm>

#include "settings/autostart/core/Autostart.h"

namespace agendix::settings {
namespace {

bool IsControlCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

// Invalid sequences decode to replacement characters and so do not survive the round trip.
bool IsUtf8(std::string_view text) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// Desktop entries are UTF-8 text, one value per line.
void CheckEntryText(std::string_view what, std::string_view text) {
    const char* problem = !IsUtf8(text) ? "it is not UTF-8 text"
                          : std::any_of(text.begin(), text.end(), IsControlCharacter)
                              ? "it holds control characters"
                              : nullptr;
    if (problem) {
        throw AutostartError("The " + std::string(what) + " \"" + std::string(text) +
                             "\" cannot be written in an autostart entry: " + problem + ".");
    }
}

// `text` as one argument of an Exec command line: in double quotes, with the characters that
// are special inside them escaped by a backslash, and "%" doubled so that it is no field code.
std::string QuotedExecArgument(std::string_view text) {
    constexpr std::string_view kEscapedInQuotes = "\"`$\\";
    std::string argument = "\"";
    for (const char c : text) {
        if (kEscapedInQuotes.find(c) != std::string_view::npos) {
            argument += '\\';
        }
        argument += c;
        if (c == '%') {
            argument += '%';
        }
    }
    return argument + '"';
}

// `text` as a string value in the file. Its reader turns "\\" into one backslash before anything
// else reads the value; the other escapes are for control characters and leading blanks, which
// no value written here holds.
std::string StringValue(std::string_view text) {
    std::string value;
    for (const char c : text) {
        if (c == '\\') {
            value += '\\';
        }
        value += c;
    }
    return value;
}

}  // namespace

std::string ExecArgument(std::string_view programPath) {
    return StringValue(QuotedExecArgument(programPath));
}

std::string AutostartDesktopEntry(std::string_view entryName, std::string_view programPath) {
    CheckEntryText("entry name", entryName);
    CheckEntryText("program path", programPath);
    if (!programPath.starts_with('/')) {
        throw AutostartError("The program path \"" + std::string(programPath) +
                             "\" cannot start at log-in: it is not an absolute path.");
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           std::string(entryName) +
           "\n"
           "Comment=Shows the day's calendar appointments in the notification area\n"
           "Exec=" +
           ExecArgument(programPath) +
           "\n"
           "Icon=agendix\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace agendix::settings
