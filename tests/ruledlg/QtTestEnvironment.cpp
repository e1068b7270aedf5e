// One QApplication for the whole test program, made before the first test and destroyed after
// the last, so that no widget outlives it.
#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_arg0[] = "test_ruledlg";
char* g_argv[] = {g_arg0, nullptr};

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<QApplication>(g_argc, g_argv); }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
