#include "controls/tray/qt/Tray.h"

#include <gtest/gtest.h>
#include <QInputDevice>
#include <QMetaClassInfo>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/host/tests/TestApplication.h"
#include "controls/tray/qt/QtTrayPicture.h"

namespace agendix::controls {
namespace {

// The notification area: records what each call showed, and reports the icon's events from the
// event loop as the desktop's does.
class RecordingArea : public controls::NotificationArea {
  public:
    struct Shown {
        PicturePtr picture;
        std::string title;
        std::string text;
    };
    bool AddIcon(const controls::TrayIconContent& content,
                 controls::TrayIconEvents& iconEvents) override {
        events = &iconEvents;
        calls.push_back("add");
        shown.push_back(Record(content));
        return true;
    }
    bool ModifyIcon(const controls::TrayIconContent& content) override {
        calls.push_back("modify");
        shown.push_back(Record(content));
        return true;
    }
    bool RemoveIcon() override {
        calls.push_back("remove");
        return true;
    }
    void Post(controls::TrayEvent event) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this, event] { events->OnTrayEvent(event); },
            Qt::QueuedConnection);
    }

    std::vector<std::string> calls;
    std::vector<Shown> shown;
    controls::TrayIconEvents* events = nullptr;

  private:
    static Shown Record(const controls::TrayIconContent& content) {
        return {QtPictureOf(content.picture), std::string(content.balloonTitle),
                std::string(content.balloonText)};
    }
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

// A real mouse move over the control's window.
void PostMouseMove(QWidget& window, double x) {
    const QPointF position(x, 0);
    QCoreApplication::postEvent(
        &window, new QMouseEvent(QEvent::MouseMove, position, position, Qt::NoButton, Qt::NoButton,
                                 Qt::NoModifier));
}

class TrayTest : public ::testing::Test {
  protected:
    QApplication& application = Application();

    RecordingArea area;
    Tray tray{area};
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

    Tray loaded(area);
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

TEST_F(TrayTest, ShowSendsTheWholeTextsAsUtf8AndThePicture) {
    const PicturePtr icon =
        Picture::FromIcon(QIcon(QPixmap::fromImage(FilledImage(16, 16, Qt::red))));
    tray.SetTrayImage(icon);
    tray.SetTrayToolTipTitle(QString::fromUtf8("M\u00fcnchen"));
    QString day;
    for (int i = 0; i < 10; ++i) {
        day += QString::fromUtf8(" [09:00 - 10:00] R&D <sync> (B\u00fcro) %1\r\n").arg(i);
    }
    tray.SetTrayToolTip(day + QChar(0));
    tray.Show(true);
    tray.SetTrayToolTip("changed later");
    ASSERT_EQ(area.calls, std::vector<std::string>{"add"});
    EXPECT_EQ(area.shown[0].title, "M\xC3\xBCnchen");
    EXPECT_EQ(area.shown[0].text, day.toStdString());
    EXPECT_GT(area.shown[0].text.size(), 256u);
    EXPECT_EQ(area.shown[0].picture, icon);

    tray.SetTrayImage(nullptr);
    tray.Show(true);
    tray.Show(false);
    EXPECT_EQ(area.calls, (std::vector<std::string>{"add", "modify", "remove"}));
    EXPECT_EQ(area.shown[1].picture, nullptr);
    EXPECT_EQ(area.shown[1].text, "changed later");
}

TEST_F(TrayTest, StaysThirtySixPixelsSquare) {
    tray.resize(100, 20);
    EXPECT_EQ(tray.size(), QSize(36, 36));
    tray.setGeometry(5, 5, 300, 300);
    EXPECT_EQ(tray.size(), QSize(36, 36));
}

TEST_F(TrayTest, IconEventsReachAHiddenControlUnderTheLock) {
    QSignalSpy left(&tray, &Tray::LeftClick);
    QSignalSpy right(&tray, &Tray::RightClick);
    QSignalSpy over(&tray, &Tray::MouseOver);
    tray.Show(true);
    area.Post(controls::TrayEvent::LeftClick);
    area.Post(controls::TrayEvent::RightClick);  // within the lock: dropped
    QCoreApplication::processEvents();
    EXPECT_EQ(left.count(), 1);
    EXPECT_EQ(right.count(), 0);
    EXPECT_TRUE(tray.EventLock());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !tray.EventLock(); }, 1000));

    // Mouse moves over the control's own window are no icon events.
    PostMouseMove(tray, 10);
    PostMouseMove(tray, 512);
    QCoreApplication::processEvents();
    EXPECT_EQ(over.count(), 0);
    area.Post(controls::TrayEvent::MouseOver);
    QCoreApplication::processEvents();
    EXPECT_EQ(over.count(), 1);
    EXPECT_EQ(right.count(), 0);
}

TEST_F(TrayTest, FailingHandlerDoesNotEndTheProgramOrKeepTheLock) {
    QObject::connect(&tray, &Tray::LeftClick, [] { throw std::runtime_error("scan failed"); });
    QSignalSpy right(&tray, &Tray::RightClick);
    tray.Show(true);
    area.Post(controls::TrayEvent::LeftClick);
    QCoreApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !tray.EventLock(); }, 1000));
    area.Post(controls::TrayEvent::RightClick);
    QCoreApplication::processEvents();
    EXPECT_EQ(right.count(), 1);
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
