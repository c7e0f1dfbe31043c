#include "controls/tray/win32/NotifyIconData.h"

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

// The field's width includes the NUL that ends a text: a longer text is cut and ends with
// "\u2026" and the NUL, so the reader sees that more exists.
TEST(NotifyIconData, LongTextIsCutAtTheFieldWidthWithAnEllipsis) {
    const std::string ellipsis = "\xE2\x80\xA6";
    NotifyIconData data;
    data.SetText(TextField::szInfo, std::string(300, 'a'));
    data.SetText(TextField::szInfoTitle, std::string(70, 'b'));
    data.SetText(TextField::szTip, std::string(128, 'c'));
    EXPECT_EQ(FieldBytes(data, 160, 256), std::string(252, 'a') + ellipsis + '\0');
    EXPECT_EQ(FieldBytes(data, 420, 64), std::string(60, 'b') + ellipsis + '\0');
    EXPECT_EQ(FieldBytes(data, 24, 128), std::string(124, 'c') + ellipsis + '\0');
    EXPECT_EQ(data.Text(TextField::szInfo), std::string(252, 'a') + ellipsis);
    EXPECT_EQ(data.Get(Field::uTimeout), 0u);
    EXPECT_EQ(data.Get(Field::dwInfoFlags), 0u);
}

TEST(NotifyIconData, TextThatLeavesRoomForItsNulStaysWhole) {
    NotifyIconData data;
    data.SetText(TextField::szInfoTitle, std::string(63, 'b'));
    EXPECT_EQ(FieldBytes(data, 420, 64), std::string(63, 'b') + ' ');
    data.SetText(TextField::szInfo, std::string(255, 'a') + '\0' + "after the end");
    EXPECT_EQ(FieldBytes(data, 160, 256), std::string(255, 'a') + '\0');
}

TEST(NotifyIconData, CutNeverSplitsACharacter) {
    const std::string ellipsis = "\xE2\x80\xA6";
    // 60 bytes are left before the ellipsis and the NUL. A two-byte character from byte 59 on
    // does not fit whole and goes.
    NotifyIconData data;
    data.SetText(TextField::szInfoTitle, std::string(59, 'x') + "\xC3\xA4" + "tail");
    EXPECT_EQ(FieldBytes(data, 420, 64), std::string(59, 'x') + ellipsis + '\0' + " ");
    // A four-byte character (U+1F4C5) that straddles the end goes as a whole.
    data.SetText(TextField::szInfoTitle, std::string(58, 'x') + "\xF0\x9F\x93\x85" + "tail");
    EXPECT_EQ(FieldBytes(data, 420, 64), std::string(58, 'x') + ellipsis + '\0' + "  ");
    // One that ends exactly there stays.
    data.SetText(TextField::szInfoTitle, std::string(56, 'x') + "\xF0\x9F\x93\x85" + "tail");
    EXPECT_EQ(FieldBytes(data, 420, 64),
              std::string(56, 'x') + "\xF0\x9F\x93\x85" + ellipsis + '\0');
}

TEST(NotifyIconData, NonAsciiTextKeepsItsBytes) {
    NotifyIconData data;
    data.SetText(TextField::szInfo, "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(data.Text(TextField::szInfo), "Caf\xC3\xA9 \xE2\x82\xAC");
}

}  // namespace
}  // namespace agendix::controls
