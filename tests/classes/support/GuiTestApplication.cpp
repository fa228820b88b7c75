// One QApplication for the whole test program, made before the first test and destroyed after
// the last, so that widget and dialog tests run as in the program (offscreen).

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class GuiApplication : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "classes_test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] auto* const installed = ::testing::AddGlobalTestEnvironment(new GuiApplication);

} // namespace
