// VELTdemo: the source services and the SourceSafe services on a memo (the
// command line: see DemoApp.h).
#include <QApplication>
#include <iostream>

#include "demo/DemoApp.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELTdemo"));
    try {
        return velt::RunDemo(velt::ParseDemoArguments(QApplication::arguments()));
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return 2;
    }
}
