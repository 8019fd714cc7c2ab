// velt-ide: the IDE host program that loads the VELT packages.
#include <QApplication>
#include <iostream>

#include "platform/ide/IdeApp.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velt-ide"));
    try {
        return velt::RunIde(velt::ParseIdeArguments(QApplication::arguments()));
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return 2;
    }
}
