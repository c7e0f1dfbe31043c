#include "controls/tray/qt/ShellHandles.h"

#include <algorithm>

namespace agendix::controls {

namespace {

// The handle of `object` in `table`: its slot number plus one. A new object takes the first
// slot whose object is gone, or a new slot at the end.
template <typename Table, typename Object, typename IsGone, typename Holds>
std::uint32_t HandleOf(Table& table, const Object& object, IsGone isGone, Holds holds) {
    auto found = std::find_if(table.begin(), table.end(), holds);
    if (found == table.end()) {
        found = std::find_if(table.begin(), table.end(), isGone);
        if (found == table.end()) {
            found = table.emplace(table.end());
        }
        *found = object;
    }
    return static_cast<std::uint32_t>(found - table.begin()) + 1;
}

template <typename Table>
bool IsInRange(const Table& table, std::uint32_t handle) {
    return handle != 0 && handle <= table.size();
}

}  // namespace

std::uint32_t ShellHandles::WindowHandle(QWidget* window) {
    if (window == nullptr) {
        return 0;
    }
    return HandleOf(
        windows_, window, [](const QPointer<QWidget>& slot) { return slot.isNull(); },
        [window](const QPointer<QWidget>& slot) { return slot.data() == window; });
}

QWidget* ShellHandles::Window(std::uint32_t handle) const {
    return IsInRange(windows_, handle) ? windows_[handle - 1].data() : nullptr;
}

std::uint32_t ShellHandles::IconHandle(const PicturePtr& picture) {
    if (!picture) {
        return 0;
    }
    return HandleOf(
        icons_, picture, [](const std::weak_ptr<const Picture>& slot) { return slot.expired(); },
        [&picture](const std::weak_ptr<const Picture>& slot) { return slot.lock() == picture; });
}

PicturePtr ShellHandles::Icon(std::uint32_t handle) const {
    return IsInRange(icons_, handle) ? icons_[handle - 1].lock() : nullptr;
}

}  // namespace agendix::controls
