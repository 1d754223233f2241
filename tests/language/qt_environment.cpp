// One QApplication for all language tests (widgets need it; offscreen unless told otherwise).
#include <gtest/gtest.h>

#include <QApplication>

namespace {

class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "language_tests";
        static char* argv[] = {name, nullptr};
        FApp = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete FApp;
        FApp = nullptr;
    }

private:
    QApplication* FApp = nullptr;
};

[[maybe_unused]] auto* const Environment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace
