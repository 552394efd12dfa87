// Entry point of the Qt-layer tests: one QApplication on the offscreen platform for all of them.
#include <gtest/gtest.h>

#include <QApplication>

#include "qt/program.h"

int main(int argc, char** argv) {
    // Never reach for a real display (and never fail test discovery for want of one).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Nor for a real serial port: a program under test whose scan ticks would otherwise try the
    // machine's own serial devices, the console among them. Tests that want a port set their own.
    if (!qEnvironmentVariableIsSet("PHASEMETER_PORTS")) {
        qputenv("PHASEMETER_PORTS", "");
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    pm::prepareApplication();
    return RUN_ALL_TESTS();
}
