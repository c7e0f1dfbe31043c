#include "controls/tray/qt/Tray.h"

#include <gtest/gtest.h>
#include <QInputDevice>
#include <QMetaClassInfo>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <stdexcept>
#include <vector>

#include "controls/host/tests/TestApplication.h"

namespace agendix::controls {
namespace {

using Field = controls::NotifyIconData::Field;
using TextField = controls::NotifyIconData::TextField;

class RecordingShell : public controls::ShellNotifyIcon {
  public:
    bool Shell_NotifyIconA(std::uint32_t dwMessage, const controls::NotifyIconData& data) override {
        messages.push_back(dwMessage);
        records.push_back(data);
        return true;
    }
    std::vector<std::uint32_t> messages;
    std::vector<controls::NotifyIconData> records;
};

QImage FilledImage(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// The shared QApplication lives in a static. Touching the input-device registry first makes that
// registry outlive it, so the pointing device the posted mouse events use is released in order
// at exit.
QApplication& Application() {
    QInputDevice::devices();
    return testing::TestApplication();
}

void PostIconMessage(QWidget& window, double x) {
    const QPointF position(x, 0);
    QCoreApplication::postEvent(
        &window, new QMouseEvent(QEvent::MouseMove, position, position, Qt::NoButton, Qt::NoButton,
                                 Qt::NoModifier));
}

class TrayTest : public ::testing::Test {
  protected:
    QApplication& application = Application();

    RecordingShell shell;
    ShellHandles handles;
    Tray tray{shell, handles};
};

TEST_F(TrayTest, NewControlHasNoTextsAndDefaultsComeFromInitDefaults) {
    EXPECT_EQ(tray.TrayToolTip(), QString());
    EXPECT_FALSE(tray.IsVisible());
    QSignalSpy changes(&tray, &Tray::PropertyChanged);
    tray.OnInitDefaults();
    EXPECT_EQ(tray.TrayToolTip(), "Tray Icon ToolTip");
    EXPECT_EQ(tray.TrayToolTipTitle(), "Tray Icon ToolTipTitle");
    EXPECT_EQ(tray.TrayImage(), nullptr);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(TrayTest, EachSetNotifiesOnceNamingTheProperty) {
    QSignalSpy changes(&tray, &Tray::PropertyChanged);
    tray.SetTrayToolTip("a");
    tray.SetTrayToolTip("a");
    tray.SetTrayToolTipTitle("t");
    tray.SetTrayImage(nullptr);
    ASSERT_EQ(changes.count(), 4);
    EXPECT_EQ(changes[0][0].toString(), "TrayToolTip");
    EXPECT_EQ(changes[1][0].toString(), "TrayToolTip");
    EXPECT_EQ(changes[2][0].toString(), "TrayToolTipTitle");
    EXPECT_EQ(changes[3][0].toString(), "TrayImage");
}

TEST_F(TrayTest, IconIsKeptAndOtherPicturesBecome32PixelIcons) {
    const PicturePtr icon =
        Picture::FromIcon(QIcon(QPixmap::fromImage(FilledImage(16, 16, Qt::red))));
    tray.SetTrayImage(icon);
    EXPECT_EQ(tray.TrayImage(), icon);

    const PicturePtr bitmap = Picture::FromBitmap(FilledImage(100, 40, Qt::blue));
    tray.SetTrayImage(bitmap);
    ASSERT_NE(tray.TrayImage(), nullptr);
    EXPECT_EQ(tray.TrayImage()->type(), Picture::Type::Icon);
    const QImage converted = tray.TrayImage()->image();
    EXPECT_EQ(converted.size(), QSize(32, 32));
    EXPECT_EQ(converted.pixelColor(16, 16), QColor(Qt::blue));

    tray.SetTrayImage(nullptr);
    EXPECT_EQ(tray.TrayImage(), nullptr);
}

TEST_F(TrayTest, PictureWithoutImageIsRefusedAndChangesNothing) {
    const PicturePtr icon =
        Picture::FromIcon(QIcon(QPixmap::fromImage(FilledImage(16, 16, Qt::red))));
    tray.SetTrayImage(icon);
    QSignalSpy changes(&tray, &Tray::PropertyChanged);
    EXPECT_THROW(tray.SetTrayImage(Picture::FromBitmap(QImage())), HostError);
    EXPECT_EQ(tray.TrayImage(), icon);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(TrayTest, PropertiesSurviveASaveAndLoad) {
    const PicturePtr icon =
        Picture::FromIcon(QIcon(QPixmap::fromImage(FilledImage(16, 16, Qt::red))));
    tray.SetTrayImage(icon);
    tray.SetTrayToolTip(QString::fromUtf8("Caf\u00e9 \u20ac"));
    tray.SetTrayToolTipTitle("Today:");
    PropertyStore store;
    tray.OnSaveProperties(store);

    Tray loaded(shell, handles);
    QSignalSpy changes(&loaded, &Tray::PropertyChanged);
    loaded.OnLoadProperties(store);
    EXPECT_EQ(loaded.TrayImage(), icon);
    EXPECT_EQ(loaded.TrayToolTip(), QString::fromUtf8("Caf\u00e9 \u20ac"));
    EXPECT_EQ(loaded.TrayToolTipTitle(), "Today:");
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(TrayTest, DefaultsAreLeftOutOfTheStore) {
    tray.OnInitDefaults();
    PropertyStore store;
    tray.OnSaveProperties(store);
    EXPECT_TRUE(store.IsEmpty());
}

TEST_F(TrayTest, LoadMatchesNamesWithoutCaseAndKeepsAStoredBitmap) {
    const PicturePtr bitmap = Picture::FromBitmap(FilledImage(16, 16, Qt::green));
    PropertyStore store;
    store.WriteProperty("trayimage", QVariant::fromValue(bitmap));
    store.WriteProperty("traytooltip", QString(), QStringLiteral("Tray Icon ToolTip"));
    tray.OnLoadProperties(store);
    EXPECT_EQ(tray.TrayImage(), bitmap);  // installed unconverted
    EXPECT_EQ(tray.TrayToolTip(), QString());
    EXPECT_EQ(tray.TrayToolTipTitle(), "Tray Icon ToolTipTitle");
}

TEST_F(TrayTest, ShowSendsTheTextsAsUtf8AndHandlesThatLeadBack) {
    const PicturePtr icon =
        Picture::FromIcon(QIcon(QPixmap::fromImage(FilledImage(16, 16, Qt::red))));
    tray.SetTrayImage(icon);
    tray.SetTrayToolTipTitle(QString::fromUtf8("M\u00fcnchen"));
    tray.SetTrayToolTip(QString::fromUtf8(" [09:00 - 10:00] R&D <sync> (B\u00fcro)\r\n") +
                        QChar(0));
    tray.Show(true);
    tray.SetTrayToolTip("changed later");
    ASSERT_EQ(shell.messages.size(), 1u);
    const controls::NotifyIconData& data = shell.records[0];
    EXPECT_EQ(data.Text(TextField::szInfoTitle), "M\xC3\xBCnchen");
    EXPECT_EQ(data.Text(TextField::szInfo), " [09:00 - 10:00] R&D <sync> (B\xC3\xBCro)\r\n");
    EXPECT_EQ(handles.Window(data.Get(Field::hWnd)), &tray);
    EXPECT_EQ(handles.Icon(data.Get(Field::hIcon)), icon);
    EXPECT_EQ(tray.IconData().Bytes(), data.Bytes());
}

TEST_F(TrayTest, StaysThirtySixPixelsSquare) {
    tray.resize(100, 20);
    EXPECT_EQ(tray.size(), QSize(36, 36));
    tray.setGeometry(5, 5, 300, 300);
    EXPECT_EQ(tray.size(), QSize(36, 36));
}

TEST_F(TrayTest, CallbacksReachAHiddenControlAsEventsUnderTheLock) {
    QSignalSpy left(&tray, &Tray::LeftClick);
    QSignalSpy right(&tray, &Tray::RightClick);
    QSignalSpy over(&tray, &Tray::MouseOver);
    PostIconMessage(tray, 513);
    PostIconMessage(tray, 516);  // within the lock: dropped
    QCoreApplication::processEvents();
    EXPECT_EQ(left.count(), 1);
    EXPECT_EQ(right.count(), 0);
    EXPECT_TRUE(tray.EventLock());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !tray.EventLock(); }, 1000));

    PostIconMessage(tray, 10);  // a real mouse move over the 36-pixel window
    PostIconMessage(tray, 512);
    QCoreApplication::processEvents();
    EXPECT_EQ(over.count(), 1);
    EXPECT_EQ(right.count(), 0);
}

TEST_F(TrayTest, FailingHandlerDoesNotEndTheProgramOrKeepTheLock) {
    QObject::connect(&tray, &Tray::LeftClick, [] { throw std::runtime_error("scan failed"); });
    QSignalSpy right(&tray, &Tray::RightClick);
    PostIconMessage(tray, 513);
    QCoreApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !tray.EventLock(); }, 1000));
    PostIconMessage(tray, 516);
    QCoreApplication::processEvents();
    EXPECT_EQ(right.count(), 1);
}

TEST(ShellHandles, HandlesLeadToLiveObjectsOnlyAndSlotsAreReused) {
    Application();
    ShellHandles handles;
    EXPECT_EQ(handles.IconHandle(nullptr), 0u);
    EXPECT_EQ(handles.Icon(0), nullptr);
    PicturePtr first = Picture::FromBitmap(FilledImage(1, 1, Qt::red));
    const PicturePtr second = Picture::FromBitmap(FilledImage(1, 1, Qt::red));
    const std::uint32_t firstHandle = handles.IconHandle(first);
    EXPECT_EQ(handles.IconHandle(first), firstHandle);
    EXPECT_NE(handles.IconHandle(second), firstHandle);
    first.reset();
    EXPECT_EQ(handles.Icon(firstHandle), nullptr);
    const PicturePtr third = Picture::FromBitmap(FilledImage(1, 1, Qt::red));
    EXPECT_EQ(handles.IconHandle(third), firstHandle);
    EXPECT_EQ(handles.Icon(99), nullptr);

    auto window = std::make_unique<QWidget>();
    const std::uint32_t windowHandle = handles.WindowHandle(window.get());
    EXPECT_EQ(handles.Window(windowHandle), window.get());
    window.reset();
    EXPECT_EQ(handles.Window(windowHandle), nullptr);
}

TEST_F(TrayTest, DesignerDescriptions) {
    const QMetaObject& meta = Tray::staticMetaObject;
    const auto description = [&meta](const char* name) {
        return QString::fromUtf8(meta.classInfo(meta.indexOfClassInfo(name)).value());
    };
    EXPECT_EQ(description("Show"), "Method -- Sets tray-image as visible or not via boolean arg.");
    EXPECT_EQ(description("IsVisible"),
              "Flags whether icon is loaded and visible in Tray -- or NOT.");
    EXPECT_EQ(description("TrayToolTip"), "Sets/Returns text displayed when mouse over tray icon.");
    EXPECT_EQ(description("TrayImage"),
              "Returns/sets a graphic to be displayed  on the system Tray. (Bitmaps and Cursors "
              "are converted to type Icon)");
    EXPECT_EQ(meta.indexOfClassInfo("TrayToolTipTitle"), -1);
}

}  // namespace
}  // namespace agendix::controls
