#pragma once
// The one offscreen application of a benchmark program that shows widgets.

#include <QApplication>

namespace velt::bench {

inline QApplication& BenchApp() {
    static int argc = 1;
    static char name[] = "velt-bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: at exit Qt's own statics are gone before it would be.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace velt::bench
