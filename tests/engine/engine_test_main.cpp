// The engine delivers its events through the Qt event loop, so the tests
// run inside an application object (offscreen; no display needed).
#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv)
{
    // Also when run by hand or listed by CTest's discovery at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
