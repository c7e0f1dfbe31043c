#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace agendix::controls::testing {

// Widget tests share one QApplication, made on first use (on the offscreen platform under ctest)
// and destroyed when the tests end, while Qt's own static objects still exist.
inline QApplication& TestApplication() {
    class ApplicationEnvironment : public ::testing::Environment {
      public:
        ApplicationEnvironment() : application_(std::make_unique<QApplication>(argc_, argv_)) {}
        void TearDown() override { application_.reset(); }
        QApplication& application() { return *application_; }

      private:
        int argc_ = 1;
        char name_[14] = "agendix-tests";
        char* argv_[2] = {name_, nullptr};
        std::unique_ptr<QApplication> application_;
    };
    static auto* const environment = static_cast<ApplicationEnvironment*>(
        ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment));
    return environment->application();
}

}  // namespace agendix::controls::testing
