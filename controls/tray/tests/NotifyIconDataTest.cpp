#include "controls/tray/core/NotifyIconData.h"

#include <gtest/gtest.h>

#include <string>

namespace agendix::controls {
namespace {

using Field = NotifyIconData::Field;
using TextField = NotifyIconData::TextField;

std::string FieldBytes(const NotifyIconData& data, std::size_t offset, std::size_t width) {
    const auto& bytes = data.Bytes();
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset + width));
}

TEST(NotifyIconData, NumbersAreLittleEndianAtTheirOffsets) {
    NotifyIconData data;
    data.Set(Field::hWnd, 0x11223344);
    data.Set(Field::dwInfoFlags, 0xA0B0C0D0);
    EXPECT_EQ(data.Bytes()[4], 0x44);
    EXPECT_EQ(data.Bytes()[7], 0x11);
    EXPECT_EQ(data.Bytes()[484], 0xD0);
    EXPECT_EQ(data.Bytes()[487], 0xA0);
    EXPECT_EQ(data.Get(Field::hWnd), 0x11223344u);
    EXPECT_EQ(data.Get(Field::dwInfoFlags), 0xA0B0C0D0u);
    EXPECT_EQ(data.Bytes().size(), 488u);
}

TEST(NotifyIconData, TextIsPaddedWithBlanksToTheFieldWidth) {
    NotifyIconData data;
    data.SetText(TextField::szInfoTitle, "Today:");
    EXPECT_EQ(FieldBytes(data, 420, 64), "Today:" + std::string(58, ' '));
    EXPECT_EQ(data.Get(Field::uTimeout), 0u);  // the neighbours stay untouched
    EXPECT_EQ(data.Get(Field::dwInfoFlags), 0u);
    EXPECT_EQ(data.Text(TextField::szInfoTitle), "Today:");
}

TEST(NotifyIconData, NulEndsTheTextAsTheShellReadsIt) {
    NotifyIconData data;
    data.SetText(TextField::szInfo, std::string("line  \r\n\0", 9));
    EXPECT_EQ(FieldBytes(data, 160, 10), std::string("line  \r\n\0 ", 10));
    EXPECT_EQ(data.Text(TextField::szInfo), "line  \r\n");
}

TEST(NotifyIconData, EmptyTextIsAllBlank) {
    NotifyIconData data;
    data.SetText(TextField::szTip, "");
    EXPECT_EQ(FieldBytes(data, 24, 128), std::string(128, ' '));
    EXPECT_EQ(data.Text(TextField::szTip), "");
}

TEST(NotifyIconData, LongTextIsCutAtTheFieldWidth) {
    NotifyIconData data;
    data.SetText(TextField::szInfo, std::string(300, 'a'));
    data.SetText(TextField::szInfoTitle, std::string(70, 'b'));
    EXPECT_EQ(FieldBytes(data, 160, 256), std::string(256, 'a'));
    EXPECT_EQ(FieldBytes(data, 420, 64), std::string(64, 'b'));
    EXPECT_EQ(data.Get(Field::uTimeout), 0u);
    EXPECT_EQ(data.Get(Field::dwInfoFlags), 0u);
}

TEST(NotifyIconData, CutNeverSplitsACharacter) {
    // 63 ASCII bytes then a two-byte character: only 63 bytes fit whole.
    NotifyIconData data;
    data.SetText(TextField::szInfoTitle, std::string(63, 'x') + "\xC3\xA4");
    EXPECT_EQ(FieldBytes(data, 420, 64), std::string(63, 'x') + " ");
    // A four-byte character (U+1F4C5) that straddles the end goes as a whole.
    data.SetText(TextField::szInfoTitle, std::string(62, 'x') + "\xF0\x9F\x93\x85");
    EXPECT_EQ(FieldBytes(data, 420, 64), std::string(62, 'x') + "  ");
    // One that ends exactly at the width stays.
    data.SetText(TextField::szInfoTitle, std::string(60, 'x') + "\xF0\x9F\x93\x85" + "tail");
    EXPECT_EQ(FieldBytes(data, 420, 64), std::string(60, 'x') + "\xF0\x9F\x93\x85");
}

TEST(NotifyIconData, NonAsciiTextKeepsItsBytes) {
    NotifyIconData data;
    data.SetText(TextField::szInfo, "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(data.Text(TextField::szInfo), "Caf\xC3\xA9 \xE2\x82\xAC");
}

}  // namespace
}  // namespace agendix::controls
