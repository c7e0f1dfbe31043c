// A small host window with one Tray for the end-to-end tests. It shows the icon with a balloon
// (Show(true) twice), prints each event the tray raises on its own line, and takes commands on
// standard input: "hide" calls Show(false), "hover-tooltip on|off" sets the hover tool tip, "quit"
// ends it. Every output line is flushed at once, so a driver can wait for it.
#include <QApplication>
#include <QPainter>
#include <QSocketNotifier>
#include <QTextStream>
#include <QWidget>
#include <cstdio>
#include <iostream>
#include <string>

#include "controls/tray/linux/LinuxNotifyArea.h"
#include "controls/tray/qt/Tray.h"

namespace {

using agendix::controls::LinuxNotifyArea;
using agendix::controls::NotificationSender;
using agendix::controls::Picture;
using agendix::controls::Tray;

// The balloon the tests look for, with non-ASCII and markup characters, lines ended as the
// appointment text ends them, and the NUL the main window appends.
const char kTitle[] = "Today: Z\u00fcrich";
const char kText[] =
    " [09:00 - 10:00] R&D <sync> (B\u00fcro)\r\n [14:05 - 15:00] Caf\u00e9 \"\u00dc\" & more\r\n";

void Say(const char* line) {
    std::cout << line << std::endl;
}

// A plain magenta square, easy to find in a screenshot of the panel.
QIcon MagentaIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(255, 0, 255));
    return QIcon(pixmap);
}

void RunCommand(const std::string& command, Tray& tray, LinuxNotifyArea& notifyArea) {
    if (command == "hide") {
        tray.Show(false);
        Say("hidden");
    } else if (command == "show") {
        tray.Show(true);
        Say("shown");
    } else if (command == "hover-tooltip on" || command == "hover-tooltip off") {
        notifyArea.SetHoverToolTipEnabled(command.ends_with("on"));
        Say("hover-tooltip set");
    } else if (command == "quit") {
        QApplication::quit();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName("tray-test-host");
    // The program's own names, which the balloons must carry rather than this host's.
    LinuxNotifyArea notifyArea(NotificationSender{"Agendix", "agendix", "agendix"});
    QWidget window;
    Tray tray(notifyArea, &window);

    QObject::connect(&tray, &Tray::LeftClick, [] { Say("LeftClick"); });
    QObject::connect(&tray, &Tray::RightClick, [] { Say("RightClick"); });
    QObject::connect(&tray, &Tray::MouseOver, [] { Say("MouseOver"); });

    tray.SetTrayImage(Picture::FromIcon(MagentaIcon()));
    tray.SetTrayToolTipTitle(QString::fromUtf8(kTitle));
    tray.SetTrayToolTip(QString::fromUtf8(kText) + QChar(0));
    tray.Show(true);
    tray.Show(true);
    Say("shown");

    QSocketNotifier input(fileno(stdin), QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string command;
        if (!std::getline(std::cin, command)) {
            QApplication::quit();
            return;
        }
        RunCommand(command, tray, notifyArea);
    });
    const int status = QApplication::exec();
    tray.Show(false);
    return status;
}
