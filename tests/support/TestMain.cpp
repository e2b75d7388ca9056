#include <gtest/gtest.h>

#if TREMAX_GUI_TESTS
#include <QApplication>
#else
#include <QGuiApplication>
#endif

int main(int argc, char** argv)
{
    // Tests never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#if TREMAX_GUI_TESTS
    QApplication app(argc, argv);
#else
    QGuiApplication app(argc, argv);  // fonts for pictures with text
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
