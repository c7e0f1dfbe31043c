#include "triggers/tests/TriggersTestSupport.h"

#include <QTest>
#include <fstream>

namespace agendix::triggers::testing {
namespace fs = std::filesystem;

void WriteInPlace(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

void WriteByRename(const fs::path& path, const std::string& text) {
    const fs::path temporary = fs::path(path).concat(".new~");
    WriteInPlace(temporary, text);
    fs::rename(temporary, path);
}

int ChangeCounter::ChangesAfter(const std::function<void()>& change) {
    changes_.clear();
    change();
    if (!QTest::qWaitFor([this] { return !changes_.isEmpty(); }, 1000)) {
        return 0;
    }
    QTest::qWait(700);
    return static_cast<int>(changes_.count());
}

QString ChangeCounter::LastReason() const {
    return changes_.isEmpty() ? QString() : changes_.last().at(0).toString();
}

}  // namespace agendix::triggers::testing
