#include "controls/host/qt/QtMessageService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "controls/host/tests/TestApplication.h"

namespace agendix::controls::testing {
namespace {

// What a message box looked like while it was open: caption, text, buttons, icon, owner.
struct SeenBox {
    QString caption;
    QString text;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::Information;
    QWidget* owner = nullptr;
};

// Shows the message and, once its box is open, records the box and presses its OK button.
SeenBox ShowAndPressOk(common::MessageService& messages, const std::string& text,
                       const std::string& caption) {
    SeenBox seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), static_cast<int>(box->buttons().size()),
                box->icon(), box->parentWidget()};
        box->button(QMessageBox::Ok)->click();
    });
    messages.ShowMessage(text, caption);
    return seen;
}

TEST(QtMessageService, AnOkOnlyBoxWithoutIconCaptionedWithTheTitleUnlessTheCallerNamesOne) {
    TestApplication();
    QWidget owner;
    QtMessageService messages(QStringLiteral("Agendix"), &owner);

    const SeenBox untitled = ShowAndPressOk(messages, "Transparent is not offered", "");
    EXPECT_EQ(untitled.caption, "Agendix");
    EXPECT_EQ(untitled.text, "Transparent is not offered");
    EXPECT_EQ(untitled.buttons, 1);
    EXPECT_EQ(untitled.icon, QMessageBox::NoIcon);
    EXPECT_EQ(untitled.owner, &owner);

    const SeenBox titled = ShowAndPressOk(messages, "Unavailable", "About Agendix");
    EXPECT_EQ(titled.caption, "About Agendix");
}

}  // namespace
}  // namespace agendix::controls::testing
