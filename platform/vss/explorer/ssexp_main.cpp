// SSExp: shows the database of the source-control stand-in, read-only.
//
//   SSExp -y<user>[,<password>] [--quit-when-shown]
//
// The user, password and database folder are found as ss finds them
// (SsCommand.h): -y, $SSUSER, $SSPWD, $SSDIR. --quit-when-shown leaves as
// soon as the window is up (for tests). A logon or database error is
// written to standard error (and shown in a message box unless
// --quit-when-shown) and ends the program with exit code 100.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <iostream>
#include <memory>

#include "platform/vss/SsCommand.h"
#include "platform/vss/explorer/SSExplorer.h"

int main(int argc, char** argv) {
    using namespace velt::vss;
    QApplication app(argc, argv);
    TSsEnvironment env = ReadSsEnvironment(argc > 0 ? argv[0] : "SSExp");
    bool quitWhenShown = false;
    std::string failure;
    QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        std::string a = args[i].toStdString();
        if (a == "--quit-when-shown") {
            quitWhenShown = true;
        } else if (a.size() > 2 && (a.rfind("-y", 0) == 0 || a.rfind("-Y", 0) == 0)) {
            std::string v = a.substr(2);
            size_t comma = v.find(',');
            env.User = v.substr(0, comma);
            if (comma != std::string::npos) env.Password = v.substr(comma + 1);
        } else if (failure.empty()) {
            // Never echoed: it may hold a password typed in the wrong place.
            failure = "Invalid argument " + std::to_string(i) + "; SSExp takes -y<user>[,<password>]";
        }
    }
    std::unique_ptr<TSSExplorerWindow> window;
    if (failure.empty()) {
        try {
            auto session = env.Logon();
            window = std::make_unique<TSSExplorerWindow>(env.DatabaseFolder, session->UserName(),
                                                         session->List(session->Find("$/", false), true));
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (!failure.empty()) {
        std::cerr << failure << "\n";
        if (!quitWhenShown) QMessageBox::critical(nullptr, "SourceSafe Explorer", QString::fromStdString(failure));
        return 100;
    }
    window->show();
    if (quitWhenShown) QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
