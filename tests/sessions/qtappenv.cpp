// One application object for the window tests of this folder, made before
// the first test runs (offscreen unless a platform is set).
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (QCoreApplication::instance())
            return;
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "sessions_tests";
    char *argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment *const g_env =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
