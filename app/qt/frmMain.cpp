#include "app/qt/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QScreen>
#include <algorithm>
#include <string_view>

#include "app/qt/SetTopMost.h"
#include "controls/host/qt/PropertyStore.h"

namespace agendix::app {
namespace {

// Layout lengths are in twips, 15 to the pixel; Qt scales pixels for high-density screens.
constexpr int Px(int twips) {
    return twips / 15;
}

void Place(QWidget& control, int left, int top, int width, int height) {
    control.setGeometry(Px(left), Px(top), Px(width), Px(height));
}

// Captions keep their place but grow to their text where the font is wider than the one the
// layout was made for, as far as their container allows.
void FitCaption(QWidget& control) {
    const int room = control.parentWidget()->width() - control.x() - 4;
    control.resize(
        std::clamp(control.sizeHint().width(), control.width(), std::max(room, control.width())),
        control.height());
}

QFont SansSerif(qreal points, bool bold = false) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

frmMain::frmMain(const frmMainServices& services)
    : services_(services),
      picture1_(this),
      image1_(&picture1_),
      label1_(&picture1_),
      frmOptions_(this, services.groupBox),
      label3Every_(&frmOptions_),
      txtMin_(&frmOptions_),
      upDown1_(&frmOptions_),
      label3Minutes_(&frmOptions_),
      chkWStartup_(&frmOptions_),
      chkStartup_(&frmOptions_),
      chkMouseOver_(&frmOptions_),
      chkTomorrow_(&frmOptions_),
      cmdAbout_(this),
      cmdExit_(this),
      cmdTray_(this),
      timer1_(this),
      tray1_(services.notificationArea, this),
      boxes_{{OptionBox::WStartup, &chkWStartup_},
             {OptionBox::MouseOver, &chkMouseOver_},
             {OptionBox::Tomorrow, &chkTomorrow_},
             {OptionBox::Startup, &chkStartup_}},
      scan_(services.calendar, services.clock, *this, *this),
      handlers_({*this, scan_, *this, services.store, services.autostart, services.clock,
                 services.programPath}) {
    CreateControls();
    CreateMenu();
    LoadStoredDesign();
    ConnectHandlers();
}

frmMain::~frmMain() = default;

void frmMain::CreateControls() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("\u00BB"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QIcon icon(QStringLiteral(":/agendix/agendix-32.png"));
    icon.addFile(QStringLiteral(":/agendix/agendix-16.png"));
    setWindowIcon(icon);
    setFont(SansSerif(8.25));
    setFixedSize(Px(4260), Px(3390));

    Place(picture1_, 0, 0, 4260, 540);
    picture1_.setAutoFillBackground(true);
    QPalette white = picture1_.palette();
    white.setColor(QPalette::Window, Qt::white);
    picture1_.setPalette(white);
    Place(image1_, 30, 30, 480, 480);
    image1_.setPixmap(icon.pixmap(32, 32));
    Place(label1_, 630, 60, 3855, 405);
    label1_.setText(QStringLiteral("Agendix"));
    label1_.setFont(SansSerif(13.5));

    const std::pair<QObject*, const char*> names[] = {{&picture1_, "Picture1"},
                                                      {&image1_, "Image1"},
                                                      {&label1_, "Label1"},
                                                      {&frmOptions_, "frmOptions"},
                                                      {&txtMin_, "txtMin"},
                                                      {&upDown1_, "UpDown1"},
                                                      {&chkWStartup_, "chkWStartup"},
                                                      {&chkStartup_, "chkStartup"},
                                                      {&chkMouseOver_, "chkMouseOver"},
                                                      {&chkTomorrow_, "chkTomorrow"},
                                                      {&cmdAbout_, "cmdAbout"},
                                                      {&cmdExit_, "cmdExit"},
                                                      {&cmdTray_, "cmdTray"},
                                                      {&timer1_, "Timer1"},
                                                      {&tray1_, "Tray1"}};
    for (const auto& [control, name] : names) {
        control->setObjectName(QString::fromLatin1(name));
    }

    Place(frmOptions_, 30, 600, 4185, 2295);
    Place(label3Every_, 180, 360, 1095, 255);
    label3Every_.setText(QStringLiteral("Check  every:"));
    Place(txtMin_, 1230, 330, 300, 285);
    Place(upDown1_, 1530, 330, 255, 285);
    upDown1_.SetBuddy(&txtMin_);
    Place(label3Minutes_, 1830, 360, 615, 255);
    label3Minutes_.setText(QStringLiteral("minutes"));
    FitIntervalRow();

    const struct {
        QCheckBox& box;
        const char* caption;
        int top;
        int width;
    } options[] = {{chkWStartup_, "Auto start with Windows", 780, 2055},
                   {chkStartup_, "Hide this form at startup", 1110, 2025},
                   {chkMouseOver_, "Show ToolTip at MouseOver Event", 1440, 3825},
                   {chkTomorrow_, "Also show tomorrow", 1770, 2145}};
    for (const auto& option : options) {
        option.box.setText(QString::fromLatin1(option.caption));
        Place(option.box, 210, option.top, option.width, 285);
        FitCaption(option.box);
    }

    cmdAbout_.setText(QStringLiteral("&About"));
    Place(cmdAbout_, 60, 2940, 1100, 405);
    cmdExit_.setText(QStringLiteral("&Exit"));
    Place(cmdExit_, 1230, 2940, 1100, 405);
    cmdTray_.setText(QStringLiteral("&Hide"));
    cmdTray_.setFont(SansSerif(8.25, true));
    Place(cmdTray_, 3120, 2940, 1100, 405);

    // Below the client area: the control's window is never seen.
    tray1_.move(Px(2670), Px(4200));
    timer1_.setInterval(60000);

    // Focus follows the buttons first, then the interval and the options.
    QWidget* const tabOrder[] = {&cmdAbout_,    &cmdTray_, &txtMin_,      &chkStartup_,
                                 &chkTomorrow_, &cmdExit_, &chkWStartup_, &chkMouseOver_};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

// The interval row keeps its order; where the caption before the minutes box needs more room
// than the layout gives it, the box, its arrows and "minutes" move right to make it.
void frmMain::FitIntervalRow() {
    constexpr int kSpaceBeforeBox = 2;
    const int captionWidth = label3Every_.sizeHint().width();
    label3Every_.resize(std::max(label3Every_.width(), captionWidth), label3Every_.height());
    const int overlap = label3Every_.x() + captionWidth + kSpaceBeforeBox - txtMin_.x();
    if (overlap > 0) {
        for (QWidget* control :
             std::initializer_list<QWidget*>{&txtMin_, &upDown1_, &label3Minutes_}) {
            control->move(control->x() + overlap, control->y());
        }
    }
    FitCaption(label3Minutes_);
}

void frmMain::CreateMenu() {
    menu_.setTitle(QStringLiteral("Menu"));
    menu_.setObjectName(QStringLiteral("mnuMenu"));
    connect(menu_.addAction(QStringLiteral("Show Appointments")), &QAction::triggered, this,
            [this] { handlers_.mnuDoSync_Click(); });
    menu_.addSeparator();
    connect(menu_.addAction(QStringLiteral("Settings")), &QAction::triggered, this,
            [this] { handlers_.mnuSettings_Click(); });
    menu_.addSeparator();
    connect(menu_.addAction(QStringLiteral("Exit")), &QAction::triggered, this,
            [this] { handlers_.mnuExit_Click(); });
    trayHostShowsMenu_ = services_.offerTrayMenu(menu_);
}

// The stored designs of the tray icon and the options frame, kept as resources.
void frmMain::LoadStoredDesign() {
    auto load = [](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            throw std::runtime_error("missing resource " + path.toStdString());
        }
        return controls::PropertyStore::FromText(QString::fromUtf8(file.readAll()));
    };
    tray1_.OnLoadProperties(load(QStringLiteral(":/agendix/Tray1.design")));
    frmOptions_.OnLoadProperties(load(QStringLiteral(":/agendix/frmOptions.design")));
}

void frmMain::ConnectHandlers() {
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { UnloadOnce(); });
    connect(&cmdTray_, &QPushButton::clicked, this, [this] { handlers_.cmdTray_Click(); });
    connect(&cmdExit_, &QPushButton::clicked, this, [this] { handlers_.cmdExit_Click(); });
    connect(&cmdAbout_, &QPushButton::clicked, this, [this] { handlers_.cmdAbout_Click(); });
    connect(&tray1_, &controls::Tray::LeftClick, this, [this] { handlers_.Tray1_LeftClick(); });
    connect(&tray1_, &controls::Tray::RightClick, this, [this] { handlers_.Tray1_RightClick(); });
    connect(&tray1_, &controls::Tray::MouseOver, this, [this] { handlers_.Tray1_MouseOver(); });
    connect(&timer1_, &QTimer::timeout, this, [this] { handlers_.Timer1_Timer(); });
    connect(&upDown1_, &UpDown::Change, this, [this] { handlers_.UpDown1_Change(); });
    // A check box reports every change of its value, the program's own included.
    connect(&chkWStartup_, &QCheckBox::toggled, this, [this] { handlers_.chkWStartup_Click(); });
    connect(&chkStartup_, &QCheckBox::toggled, this, [this] { handlers_.chkStartup_Click(); });
    connect(&chkTomorrow_, &QCheckBox::toggled, this, [this] { handlers_.chkTomorrow_Click(); });
    connect(&chkMouseOver_, &QCheckBox::toggled, this, [this](bool checked) {
        handlers_.chkMouseOver_Click();
        services_.setHoverToolTip(checked);
    });
}

void frmMain::Show() {
    handlers_.Form_Load();
    if (windowState_ == WindowState::Normal) {
        SetVisible(true);
    }
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        const WindowState now = isMinimized() ? WindowState::Minimized : WindowState::Normal;
        if (now != windowState_) {
            windowState_ = now;
            handlers_.Form_Resize();
        }
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    UnloadOnce();
    event->accept();
    QApplication::quit();
}

// The unload handler runs once, whether the window is closed or the application is told to quit
// some other way (the session ending).
void frmMain::UnloadOnce() {
    if (!unloaded_) {
        unloaded_ = true;
        handlers_.Form_Unload();
    }
}

void frmMain::SetTopMost() {
    app::SetTopMost(*this, true);
}

WindowState frmMain::GetWindowState() const {
    return windowState_;
}

// The minimised state is the window's own: a hidden window is not handed to the window system
// as minimised, which would map it iconified when it is shown again. A window minimised by the
// window system is made normal again on the way back.
void frmMain::SetWindowState(WindowState state) {
    if (state == windowState_) {
        return;
    }
    windowState_ = state;
    if (state == WindowState::Normal && isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    handlers_.Form_Resize();
}

void frmMain::SetTimerEnabled(bool enabled) {
    if (enabled) {
        timer1_.start();
    } else {
        timer1_.stop();
    }
}

int frmMain::BoxValue(OptionBox box) const {
    return boxes_.at(box)->isChecked() ? 1 : 0;
}

void frmMain::SetBoxValue(OptionBox box, int value) {
    boxes_.at(box)->setChecked(value == 1);
}

void frmMain::SetIntervalText(const std::string& text) {
    txtMin_.setText(QString::fromStdString(text));
}

// A tray host that opens the menu itself has shown it already at the pointer.
void frmMain::PopUpTrayMenu() {
    if (trayHostShowsMenu_) {
        return;
    }
    menu_.setActiveAction(nullptr);
    menu_.exec(QCursor::pos());
}

void frmMain::ShowAboutBox() {
    services_.showAboutBox(*this);
}

void frmMain::Unload() {
    close();
}

void frmMain::ProcessPendingMessages() {
    QCoreApplication::processEvents();
}

// One message box at a time: a failure that repeats at every scan updates it.
void frmMain::ShowFailure(const std::string& message) {
    if (!failureBox_) {
        failureBox_ = std::make_unique<QMessageBox>(QMessageBox::Warning,
                                                    QString::fromStdString(services_.app.Title),
                                                    QString(), QMessageBox::Ok);
        // In this order: a message box's modality setter resets its window flags.
        failureBox_->setWindowModality(Qt::NonModal);
        failureBox_->setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    failureBox_->setText(QString::fromStdString(message));
    failureBox_->show();
    failureBox_->raise();
}

void frmMain::CloseFailure() {
    if (failureBox_) {
        failureBox_->hide();
    }
}

// Once the window has unloaded, a handler that was still running (its scan let the unload in
// through the message pump) neither shows the window nor brings the icon back. The window is
// centred on the screen the first time it is shown, from the tray or at the start; after that it
// keeps the place it had.
void frmMain::SetVisible(bool visible) {
    if (visible && unloaded_) {
        return;
    }
    if (visible && !placed_) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        move(screen.center() - rect().center());
        placed_ = true;
    }
    setVisible(visible);
}

void frmMain::Show(bool UpDateData) {
    if (!(UpDateData && unloaded_)) {
        tray1_.Show(UpDateData);
    }
}

void frmMain::SetTrayToolTipTitle(const std::string& title) {
    tray1_.SetTrayToolTipTitle(QString::fromStdString(title));
}

void frmMain::SetTrayToolTip(const std::string& text) {
    const std::string_view agenda = std::string_view(text).substr(0, text.find('\0'));
    tray1_.SetTrayToolTip(QString::fromUtf8(agenda.data(), static_cast<qsizetype>(agenda.size())));
}

}  // namespace agendix::app
