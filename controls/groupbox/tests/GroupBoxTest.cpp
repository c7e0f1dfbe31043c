#include "controls/groupbox/qt/GroupBox.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QStyleFactory>
#include <optional>
#include <string>

#include "common/core/Rounding.h"
#include "controls/host/core/HostError.h"
#include "controls/host/tests/TestApplication.h"

namespace agendix::controls {
namespace {

constexpr std::uint32_t kGreen = 0x0000FF00u;  // 0x00BBGGRR
const QRgb kGreenColor = qRgb(0, 0xFF, 0);
constexpr int kWidth = 200;
constexpr int kHeight = 100;

// Records each message with its caption; an empty caption stands for the program's title.
class FakeMessages : public common::MessageService {
  public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        shown.push_back(QString::fromStdString(text));
        captions.push_back(caption);
    }
    std::vector<QString> shown;
    std::vector<std::string> captions;
};

class FakeTheme : public ThemeTest {
  public:
    bool CanDrawThemed() const override { return themed; }
    bool themed = false;
};

class GroupBoxTest : public ::testing::Test {
  protected:
    std::unique_ptr<GroupBox> MakeBox(bool userMode = true) {
        ambient.emplace("frmOptions", QFont("DejaVu Sans", 9), userMode);
        auto box = std::make_unique<GroupBox>(&window, GroupBoxServices{*ambient, messages, theme});
        box->resize(kWidth, kHeight);
        QObject::connect(box.get(), &GroupBox::propertyChanged,
                         [this](const QString& name) { changes.push_back(name); });
        return box;
    }

    // A font whose line height is exactly `height` pixels, if one exists.
    static std::optional<QFont> FontOfHeight(int height) {
        for (int pixels = 6; pixels < 40; ++pixels) {
            QFont font("DejaVu Sans");
            font.setPixelSize(pixels);
            if (QFontMetrics(font).height() == height) {
                return font;
            }
        }
        return std::nullopt;
    }

    static QRgb Pixel(const GroupBox& box, int x, int y) { return box.Image().pixel(x, y); }

    QApplication& application = testing::TestApplication();
    QWidget window;
    std::optional<FixedAmbientProperties> ambient;
    FakeMessages messages;
    FakeTheme theme;
    std::vector<QString> changes;
};

// A caption's line height and the row of the frame's top line that goes with it: half the height,
// rounded to even.
struct CaptionHeightCase {
    int captionHeight;
    int frameTop;
};

void PrintTo(const CaptionHeightCase& heights, std::ostream* out) {
    *out << "caption " << heights.captionHeight << " px, frame top " << heights.frameTop;
}

// Each case needs a font of its caption height and is skipped on its own without one.
class FrameTopTest : public GroupBoxTest, public ::testing::WithParamInterface<CaptionHeightCase> {
  protected:
    void SetUp() override {
        font = FontOfHeight(GetParam().captionHeight);
        if (!font) {
            GTEST_SKIP() << "no font " << GetParam().captionHeight << " pixels high";
        }
    }

    // The first row from the top whose pixel in column `x` is not the background colour.
    static int FirstRowOffBackground(const GroupBox& box, int x) {
        int row = 0;
        while (row < kHeight && Pixel(box, x, row) == kGreenColor) {
            ++row;
        }
        return row;
    }

    std::optional<QFont> font;
};

TEST_P(FrameTopTest, ClassicLookFollowsHalfTheCaptionHeightRoundedToEven) {
    const auto [captionHeight, frameTop] = GetParam();
    auto box = MakeBox();
    box->SetBackColor(kGreen);
    box->SetFont(*font);
    const QRgb shadow = box->palette().color(QPalette::Dark).rgb();
    const int x = kWidth - 20;
    EXPECT_EQ(Pixel(*box, x, frameTop), shadow) << captionHeight;
    EXPECT_EQ(Pixel(*box, x, frameTop - 1), kGreenColor) << captionHeight;
    EXPECT_EQ(Pixel(*box, x, frameTop + 1), box->palette().color(QPalette::Light).rgb());
}

// A style that keeps room above a group box frame for a title must not push the line below the
// caption's middle.
TEST_P(FrameTopTest, ThemedLookRunsThroughTheCaptionsMiddleToo) {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    theme.themed = true;
    auto box = MakeBox();
    box->SetBackColor(kGreen);
    box->SetFont(*font);
    box->SetCaption("Options");
    EXPECT_EQ(FirstRowOffBackground(*box, kWidth - 20), GetParam().frameTop);
}

INSTANTIATE_TEST_SUITE_P(CaptionHeights, FrameTopTest,
                         ::testing::Values(CaptionHeightCase{13, 6}, CaptionHeightCase{15, 8},
                                           CaptionHeightCase{16, 8}),
                         [](const ::testing::TestParamInfo<CaptionHeightCase>& heights) {
                             return "Height" + std::to_string(heights.param.captionHeight);
                         });

TEST_F(GroupBoxTest, CaptionBackgroundBlanksTheFrameFromX7) {
    auto box = MakeBox();
    box->SetBackColor(kGreen);
    box->SetCaption("Options");
    const QFontMetrics metrics(box->Font());
    const int frameTop = static_cast<int>(common::RoundHalfToEven(metrics.height() / 2.0));
    const int captionEnd = metrics.horizontalAdvance("Options") + 9;
    const QRgb shadow = box->palette().color(QPalette::Dark).rgb();
    EXPECT_EQ(Pixel(*box, 6, frameTop), shadow);
    EXPECT_EQ(Pixel(*box, 7, frameTop), kGreenColor);
    EXPECT_EQ(Pixel(*box, captionEnd + 1, frameTop), shadow);
}

TEST_F(GroupBoxTest, BorderStyle0ShowsOnlyTheBackgroundAndKeepsTheMask) {
    auto box = MakeBox();
    box->SetBackColor(kGreen);
    const QImage earlierMask = box->MaskPicture();
    box->SetBorderStyle(0);
    box->SetBackColor(0x000000FFu);
    const QImage& image = box->Image();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ASSERT_EQ(image.pixel(x, y), qRgb(0xFF, 0, 0)) << x << "," << y;
        }
    }
    EXPECT_EQ(box->MaskPicture(), earlierMask);
    EXPECT_EQ(box->MaskColor(), kGreen);
}

TEST_F(GroupBoxTest, FlatAppearanceDrawsBlackOutlineWithWhiteInside) {
    auto box = MakeBox();
    box->SetBackColor(kGreen);
    box->SetAppearance(0);
    const int top = box->Image().height() - 1;
    EXPECT_EQ(Pixel(*box, 0, 50), qRgb(0, 0, 0));
    EXPECT_EQ(Pixel(*box, 1, 50), qRgb(255, 255, 255));
    EXPECT_EQ(Pixel(*box, 2, 50), kGreenColor);
    EXPECT_EQ(Pixel(*box, kWidth - 1, 50), qRgb(0, 0, 0));
    EXPECT_EQ(Pixel(*box, kWidth - 2, 50), qRgb(255, 255, 255));
    EXPECT_EQ(Pixel(*box, 100, top), qRgb(0, 0, 0));
    EXPECT_EQ(Pixel(*box, 100, top - 1), qRgb(255, 255, 255));

    box->SetAppearance(2);
    EXPECT_EQ(Pixel(*box, 0, 50), box->palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(Pixel(*box, 1, 50), box->palette().color(QPalette::Light).rgb());
}

TEST_F(GroupBoxTest, MaskIsThePictureOfTheLastDrawingWithTheBackColor) {
    auto box = MakeBox();
    box->SetBackColor(kGreen);
    EXPECT_EQ(box->MaskPicture(), box->Image());
    EXPECT_EQ(box->MaskColor(), kGreen);
}

TEST_F(GroupBoxTest, ThemedLookFollowsTheThemeAnswerAtEachRepaint) {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    auto box = MakeBox();
    box->SetBackColor(kGreen);
    box->SetAppearance(0);
    theme.themed = true;
    box->Refresh();
    EXPECT_NE(Pixel(*box, 0, 50), qRgb(0, 0, 0));
    theme.themed = false;
    box->Refresh();
    EXPECT_EQ(Pixel(*box, 0, 50), qRgb(0, 0, 0));
}

TEST_F(GroupBoxTest, AccessKeyFollowsTheCaptionMnemonicAndIsKeptWithoutOne) {
    auto box = MakeBox();
    box->SetCaption("E&xit");
    EXPECT_EQ(box->AccessKey(), "x");
    box->SetCaption("Save && Exit");
    EXPECT_EQ(box->AccessKey(), "x");
    box->SetCaption("Go&");
    EXPECT_EQ(box->AccessKey(), "");
}

TEST_F(GroupBoxTest, SettersNotifyBeforeRepaintingAndOnlyDrawnPropertiesRepaint) {
    auto box = MakeBox();
    box->SetBackColor(kGreen);
    std::vector<std::pair<QString, QRgb>> seen;
    QObject::connect(box.get(), &GroupBox::propertyChanged, [&](const QString& name) {
        seen.emplace_back(name, box->Image().pixel(kWidth / 2, kHeight / 2));
    });
    box->SetBackColor(0x00FF0000u);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].second, kGreenColor);  // notified before the repaint
    EXPECT_EQ(Pixel(*box, kWidth / 2, kHeight / 2), qRgb(0, 0, 0xFF));

    const QImage before = box->Image();
    box->SetCaption(box->Caption());
    EXPECT_NE(box->Image().constBits(), before.constBits());  // same text still repaints

    const QImage drawn = box->Image();
    box->SetOLEDropMode(1);
    box->SetBackStyle(1);
    EXPECT_EQ(box->Image().constBits(), drawn.constBits());
    EXPECT_EQ(changes.back(), "BackStyle");
    EXPECT_TRUE(box->acceptDrops());
}

TEST_F(GroupBoxTest, BackStyle0ShowsTheMessageAndChangesNothing) {
    auto box = MakeBox();
    changes.clear();
    box->SetBackStyle(0);
    EXPECT_EQ(box->BackStyle(), 1);
    EXPECT_TRUE(changes.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              "This feature has not yet been implemented!\r\nI'm not quite sure how I am going to "
              "implement this feature, as some controls are shaped.");
    EXPECT_EQ(messages.captions, std::vector<std::string>{""});
}

TEST_F(GroupBoxTest, NarrowingAndUnknownValuesAreRefusedBeforeAnythingChanges) {
    auto box = MakeBox();
    box->SetAppearance(0);
    changes.clear();
    const QImage drawn = box->Image();
    try {
        box->SetAppearance(70000);
        ADD_FAILURE() << "70000 accepted";
    } catch (const HostError& error) {
        EXPECT_EQ(error.number(), HostError::kOverflow);
    }
    EXPECT_THROW(box->SetBackStyle(-40000), HostError);
    EXPECT_THROW(box->SetBackStyle(2), HostError);
    EXPECT_THROW(box->SetOLEDropMode(3), HostError);
    EXPECT_THROW(box->SetBackColor(0x80000019u), HostError);
    EXPECT_EQ(box->Appearance(), 0);
    EXPECT_EQ(box->BackStyle(), 1);
    EXPECT_EQ(box->OLEDropMode(), 0);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(box->Image().constBits(), drawn.constBits());
}

TEST_F(GroupBoxTest, EnabledDisablesTheWindowOnlyInRunModeAndLeavesChildrenTheirOwnState) {
    auto running = MakeBox(true);
    auto* child = new QCheckBox("Also show tomorrow", running.get());
    running->SetEnabled(false);
    EXPECT_FALSE(running->isEnabled());
    EXPECT_FALSE(child->testAttribute(Qt::WA_ForceDisabled));
    running->SetEnabled(true);
    EXPECT_TRUE(child->isEnabled());

    auto designed = MakeBox(false);
    designed->SetEnabled(false);
    EXPECT_FALSE(designed->Enabled());
    EXPECT_TRUE(designed->isEnabled());
}

TEST_F(GroupBoxTest, NewInstanceTakesTheContainersNameAndFontAndDrawsAtOnce) {
    auto box = MakeBox(false);
    box->SetBorderStyle(5);
    box->SetAppearance(0);
    box->SetCaption("x");
    changes.clear();
    box->OnInitDefaults();
    EXPECT_EQ(box->BorderStyle(), 1);
    EXPECT_EQ(box->Appearance(), 1);
    EXPECT_EQ(box->Caption(), "frmOptions");
    EXPECT_EQ(box->Font().family(), "DejaVu Sans");
    EXPECT_TRUE(box->Enabled());
    EXPECT_EQ(changes, std::vector<QString>{"Enabled"});
    EXPECT_FALSE(box->Image().isNull());
}

TEST_F(GroupBoxTest, EmptyStoreReadsBackTheDefaults) {
    auto box = MakeBox();
    box->OnLoadProperties(PropertyStore());
    EXPECT_EQ(box->BackColor(), 0x8000000Fu);
    EXPECT_EQ(box->ForeColor(), 0x80000012u);
    EXPECT_EQ(box->Font().family(), "DejaVu Sans");
    EXPECT_EQ(box->BorderStyle(), 1);
    EXPECT_EQ(box->OLEDropMode(), 0);
    EXPECT_EQ(box->BackStyle(), 1);
    EXPECT_EQ(box->Caption(), "frmOptions");
    EXPECT_TRUE(box->Enabled());
    EXPECT_EQ(box->Appearance(), 1);
}

TEST_F(GroupBoxTest, StoreWithOnlyFontAndCaptionAsTheOptionsFrameIsKept) {
    PropertyStore store;
    QFont font("MS Sans Serif");
    font.setPointSizeF(8.25);
    store.WriteProperty("font", font);
    store.WriteProperty("caption", QString("Options"));
    auto box = MakeBox();
    box->OnLoadProperties(PropertyStore::FromText(store.ToText()));
    EXPECT_EQ(box->Caption(), "Options");
    EXPECT_DOUBLE_EQ(box->Font().pointSizeF(), 8.25);
    EXPECT_EQ(box->Font().styleHint(), QFont::SansSerif);
    EXPECT_EQ(box->BorderStyle(), 1);
}

TEST_F(GroupBoxTest, SavedPropertiesReadBackThroughTheTextForm) {
    auto box = MakeBox(false);
    box->SetBackColor(kGreen);
    box->SetForeColor(0x80000008u);
    box->SetBorderStyle(3);
    box->SetOLEDropMode(1);
    box->SetCaption("E&xit");
    box->SetEnabled(false);
    box->SetAppearance(0);
    PropertyStore store;
    box->OnSaveProperties(store);
    store.WriteProperty("BackStyle", QVariant::fromValue(short{0}));

    auto copy = MakeBox(true);
    copy->OnLoadProperties(PropertyStore::FromText(store.ToText()));
    EXPECT_EQ(copy->BackColor(), kGreen);
    EXPECT_EQ(copy->ForeColor(), 0x80000008u);
    EXPECT_EQ(copy->BorderStyle(), 3);
    EXPECT_EQ(copy->OLEDropMode(), 1);
    EXPECT_EQ(copy->BackStyle(), 0);  // a stored 0 is taken without a message
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(copy->Caption(), "E&xit");
    EXPECT_FALSE(copy->Enabled());
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_EQ(copy->Appearance(), 0);
}

TEST_F(GroupBoxTest, DefaultsAreLeftOutOfTheStore) {
    auto box = MakeBox();
    PropertyStore store;
    box->OnSaveProperties(store);
    EXPECT_TRUE(store.IsEmpty());
}

TEST_F(GroupBoxTest, StoredValueOfTheWrongKindEndsLoadingAtThatKey) {
    PropertyStore store;
    store.WriteProperty("BorderStyle", 0);
    store.WriteProperty("OLEDropMode", QString("many"));
    store.WriteProperty("Caption", QString("never read"));
    auto box = MakeBox();
    EXPECT_THROW(box->OnLoadProperties(store), HostError);
    EXPECT_EQ(box->BorderStyle(), 0);
    EXPECT_EQ(box->Caption(), "frmOptions");
}

TEST_F(GroupBoxTest, MouseEventsReachTheContainerWithTheirArguments) {
    auto box = MakeBox();
    std::vector<std::tuple<QString, short, short, float, float>> events;
    int clicks = 0;
    QObject::connect(box.get(), &GroupBox::MouseMove,
                     [&](short& button, short& shift, float& x, float& y) {
                         events.emplace_back("move", button, shift, x, y);
                     });
    QObject::connect(box.get(), &GroupBox::MouseUp,
                     [&](short& button, short& shift, float& x, float& y) {
                         events.emplace_back("up", button, shift, x, y);
                     });
    QObject::connect(box.get(), &GroupBox::Click, [&] { ++clicks; });

    QMouseEvent move(QEvent::MouseMove, QPointF(12, 34), QPointF(12, 34), Qt::NoButton,
                     Qt::RightButton, Qt::ShiftModifier | Qt::AltModifier);
    QApplication::sendEvent(box.get(), &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 6), QPointF(5, 6), Qt::LeftButton,
                        Qt::NoButton, Qt::ControlModifier);
    QApplication::sendEvent(box.get(), &release);

    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], std::make_tuple(QString("move"), short{2}, short{5}, 12.0f, 34.0f));
    EXPECT_EQ(events[1], std::make_tuple(QString("up"), short{1}, short{2}, 5.0f, 6.0f));
    EXPECT_EQ(clicks, 1);
}

TEST_F(GroupBoxTest, AHandlerFailureDoesNotLeaveTheEventHandler) {
    auto box = MakeBox();
    QObject::connect(box.get(), &GroupBox::MouseMove,
                     [](short&, short&, float&, float&) { throw std::runtime_error("boom"); });
    QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    EXPECT_NO_THROW(QApplication::sendEvent(box.get(), &move));
}

TEST_F(GroupBoxTest, CancelledDragStartCompletesWithNoEffect) {
    auto box = MakeBox();
    std::vector<int> completed;
    QObject::connect(box.get(), &GroupBox::OLEStartDrag, [](QMimeData& data, int& allowed) {
        data.setText("payload");
        allowed = 0;
    });
    QObject::connect(box.get(), &GroupBox::OLECompleteDrag,
                     [&](int& effect) { completed.push_back(effect); });
    box->OLEDrag();
    EXPECT_EQ(completed, std::vector<int>{0});
}

}  // namespace
}  // namespace agendix::controls
