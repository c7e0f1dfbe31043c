#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "app/core/OptionsWindowHandlers.h"
#include "app/qt/UpDown.h"
#include "common/core/ApplicationInfo.h"
#include "controls/groupbox/qt/GroupBox.h"
#include "controls/tray/qt/Tray.h"
#include "scan/core/AppointmentScan.h"

namespace agendix::app {

// What the options window needs from outside: the program's information, the calendar, the
// clock, the settings store, the autostart entry, the notification area and the About box.
struct frmMainServices {
    const common::ApplicationInfo& app;
    scan::CalendarApplicationFactory& calendar;
    const scan::Clock& clock;
    settings::SettingsStore& store;
    settings::LogInStarter& autostart;
    controls::NotificationArea& notificationArea;
    const controls::GroupBoxServices& groupBox;
    // Switches the icon's hover tool tip on tray hosts that never report hovering.
    std::function<void(bool)> setHoverToolTip;
    // Hands the tray menu to a tray host that opens it itself; true when it took it.
    std::function<bool(QMenu& menu)> offerTrayMenu;
    // Shows the About box modally, owned by the given window.
    std::function<void(QWidget& owner)> showAboutBox;
    std::string programPath;
};

// The options window: the interval, the four options, About / Exit / Hide, the tray icon with
// its pop-up menu and the minute timer. Its behaviour lives in OptionsWindowHandlers; this class
// lays the controls out and connects them.
class frmMain : public QWidget,
                private OptionsWindow,
                private scan::BalloonTray,
                private scan::MessagePump {
    Q_OBJECT

  public:
    explicit frmMain(const frmMainServices& services);
    ~frmMain() override;

    // Runs the load handler, then shows the window unless it went to the tray.
    void Show();

    OptionsWindowHandlers& Handlers() { return handlers_; }

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void FitIntervalRow();
    void CreateMenu();
    void ConnectHandlers();
    void LoadStoredDesign();
    void UnloadOnce();

    // OptionsWindow
    void SetTopMost() override;
    void SetVisible(bool visible) override;
    WindowState GetWindowState() const override;
    void SetWindowState(WindowState state) override;
    void SetTimerEnabled(bool enabled) override;
    int BoxValue(OptionBox box) const override;
    void SetBoxValue(OptionBox box, int value) override;
    void SetIntervalText(const std::string& text) override;
    int SpinnerValue() const override { return upDown1_.Value(); }
    void PopUpTrayMenu() override;
    void ShowAboutBox() override;
    void Unload() override;
    void ProcessPendingMessages() override;
    void ShowFailure(const std::string& message) override;
    void CloseFailure() override;

    // BalloonTray: the scan's title, text and Show go to Tray1; the text goes without the NUL
    // that ends it.
    void SetTrayToolTipTitle(const std::string& title) override;
    void SetTrayToolTip(const std::string& text) override;
    void Show(bool UpDateData) override;

    frmMainServices services_;
    QWidget picture1_;
    QLabel image1_;
    QLabel label1_;
    controls::GroupBox frmOptions_;
    QLabel label3Every_;
    QLineEdit txtMin_;
    UpDown upDown1_;
    QLabel label3Minutes_;
    QCheckBox chkWStartup_;
    QCheckBox chkStartup_;
    QCheckBox chkMouseOver_;
    QCheckBox chkTomorrow_;
    QPushButton cmdAbout_;
    QPushButton cmdExit_;
    QPushButton cmdTray_;
    QTimer timer1_;
    controls::Tray tray1_;
    QMenu menu_;
    std::map<OptionBox, QCheckBox*> boxes_;
    std::unique_ptr<QMessageBox> failureBox_;

    scan::AppointmentScan scan_;
    OptionsWindowHandlers handlers_;
    WindowState windowState_ = WindowState::Normal;
    bool unloaded_ = false;
    bool placed_ = false;
    bool trayHostShowsMenu_ = false;
};

}  // namespace agendix::app
