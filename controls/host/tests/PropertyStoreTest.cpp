#include "controls/host/qt/PropertyStore.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QPainter>

#include "controls/host/qt/Picture.h"
#include "controls/host/tests/TestApplication.h"

namespace agendix::controls {
namespace {

class PropertyStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::TestApplication(); }
};

TEST_F(PropertyStoreTest, ReadsByNameWithoutRegardToCaseAndDefaultsForAbsentNames) {
    PropertyStore store;
    store.WriteProperty("Caption", QString("Options"), QString("frmOptions"));
    EXPECT_EQ(store.ReadProperty("CAPTION", "x").toString(), "Options");
    EXPECT_EQ(store.ReadProperty("caption").toString(), "Options");
    EXPECT_EQ(store.ReadProperty("BorderStyle", 1).toInt(), 1);
}

TEST_F(PropertyStoreTest, ValueEqualToDefaultIsLeftOutAndReplacesAnEarlierValue) {
    PropertyStore store;
    store.WriteProperty("BorderStyle", 0, 1);
    store.WriteProperty("borderstyle", 1, 1);
    EXPECT_FALSE(store.Contains("BorderStyle"));
    EXPECT_EQ(store.ReadProperty("BorderStyle", 1).toInt(), 1);
}

QImage TwoColourImage() {
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(Qt::red);
    image.setPixelColor(1, 2, Qt::blue);
    return image;
}

TEST_F(PropertyStoreTest, TextKeepsEveryValueTypeAndTheNamesAsWritten) {
    PropertyStore store;
    QFont font("DejaVu Sans");
    font.setPointSizeF(8.25);
    font.setBold(true);
    store.WriteProperty("BackColor", QVariant::fromValue(0x8000000Fu));
    store.WriteProperty("BorderStyle", -7);
    store.WriteProperty("Appearance", QVariant::fromValue(short{-32768}));
    store.WriteProperty("Enabled", false);
    store.WriteProperty("Caption", QString("Save && \"Exit\"\n\u00e9"));
    store.WriteProperty("Scale", 0.125);
    store.WriteProperty("Font", font);
    store.WriteProperty("Bitmap", QVariant::fromValue(Picture::FromBitmap(TwoColourImage())));
    store.WriteProperty(
        "Icon",
        QVariant::fromValue(Picture::FromIcon(QIcon(QPixmap::fromImage(TwoColourImage())))));

    const PropertyStore copy = PropertyStore::FromText(store.ToText());

    EXPECT_EQ(copy.ReadProperty("backcolor"), QVariant::fromValue(0x8000000Fu));
    EXPECT_EQ(copy.ReadProperty("BorderStyle"), QVariant(-7));
    EXPECT_EQ(copy.ReadProperty("Appearance"), QVariant::fromValue(short{-32768}));
    EXPECT_EQ(copy.ReadProperty("Enabled"), QVariant(false));
    EXPECT_EQ(copy.ReadProperty("Caption"), QVariant(QString("Save && \"Exit\"\n\u00e9")));
    EXPECT_EQ(copy.ReadProperty("Scale"), QVariant(0.125));
    EXPECT_EQ(copy.ReadProperty("Font").value<QFont>(), font);
    const auto bitmap = copy.ReadProperty("Bitmap").value<PicturePtr>();
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->type(), Picture::Type::Bitmap);
    EXPECT_EQ(bitmap->image().convertToFormat(QImage::Format_ARGB32), TwoColourImage());
    const auto icon = copy.ReadProperty("Icon").value<PicturePtr>();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->type(), Picture::Type::Icon);
    EXPECT_EQ(icon->image().convertToFormat(QImage::Format_ARGB32), TwoColourImage());
    EXPECT_TRUE(copy.ToText().contains("\"name\": \"BackColor\""));
}

TEST_F(PropertyStoreTest, AStoreWithOnlyFontAndCaptionReadsBack) {
    const QString text = R"({"format": "agendix-property-store", "version": 1, "properties": [
        {"name": "font", "type": "font", "value": "MS Sans Serif,8.25,-1,5,400,0,0,0,0,0"},
        {"name": "caption", "type": "text", "value": "Options"}]})";
    const PropertyStore store = PropertyStore::FromText(text);
    EXPECT_EQ(store.ReadProperty("Caption").toString(), "Options");
    EXPECT_EQ(store.ReadProperty("Font").value<QFont>().family(), "MS Sans Serif");
    EXPECT_DOUBLE_EQ(store.ReadProperty("Font").value<QFont>().pointSizeF(), 8.25);
    EXPECT_EQ(store.ReadProperty("BackColor", 5).toInt(), 5);
}

void ExpectRefused(const QString& text, const std::string& messagePart) {
    try {
        PropertyStore::FromText(text);
        ADD_FAILURE() << "accepted: " << text.toStdString();
    } catch (const PropertyStoreFormatError& error) {
        EXPECT_NE(std::string(error.what()).find(messagePart), std::string::npos) << error.what();
    }
}

QString WithProperty(const QString& property) {
    return R"({"format": "agendix-property-store", "version": 1, "properties": [)" + property +
           "]}";
}

TEST_F(PropertyStoreTest, BadTextIsRefusedWithWhereAndWhat) {
    ExpectRefused("{\"format\": ", "at character");
    ExpectRefused(R"({"format": "other", "version": 1})", "not a version 1");
    ExpectRefused(WithProperty(R"({"name": "A", "type": "int16", "value": 40000})"),
                  "property 1 (\"A\"): expected a whole number from -32768 to 32767");
    ExpectRefused(WithProperty(R"({"name": "A", "type": "uint32", "value": 1.5})"), "whole number");
    ExpectRefused(WithProperty(R"({"name": "A", "type": "text", "value": 3})"),
                  "is not a value of type \"text\"");
    ExpectRefused(WithProperty(R"({"name": "P", "type": "picture",
                                   "value": {"kind": "bitmap", "images": ["!!"]}})"),
                  "not base64 PNG");
    ExpectRefused(WithProperty(R"({"name": "A", "type": "bool", "value": true},
                                  {"name": "a", "type": "bool", "value": true})"),
                  "appears twice");
}

TEST_F(PropertyStoreTest, ValueOfAnUnknownTypeIsNotWrittenAsText) {
    PropertyStore store;
    store.WriteProperty("Where", QPoint(1, 2));
    EXPECT_THROW(store.ToText(), PropertyStoreFormatError);
}

}  // namespace
}  // namespace agendix::controls
