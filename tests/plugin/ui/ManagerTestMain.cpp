// The manager tests run inside a Qt application on the offscreen platform (no display needed), in the
// host's theme.
#include "host/qt/HostTheme.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the host shows its windows: the screenshots taken here show what users see.
    ApplyHostTheme();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
