// One QApplication for a test program, on the off-screen platform unless another is chosen.
#pragma once

#include <QApplication>

inline QApplication& testApp()
{
    static int argc = 1;
    static char name[] = "arv-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// The font configuration library keeps caches for the life of the process; the leak checker of
// sanitized builds is told not to count them. Defined once per test program (one source file each).
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libQt6Gui\n";
}
