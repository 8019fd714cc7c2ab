#include "platform/ide/IdeApp.h"

#include <QApplication>
#include <QPixmap>
#include <iostream>

#include "foundation/Dialogs.h"
#include "foundation/SysUtils.h"
#include "platform/ide/PackageLoader.h"
#include "platform/ide/PressKey.h"
#include "platform/ide/QtHost.h"
#include "platform/ui/BatchDialogRunner.h"
#include "platform/ui/ShortCut.h"
#include "platform/ui/InheritanceWizardForm.h"
#include "platform/ui/QtDialogs.h"
#include "platform/ui/QtMessageSink.h"

namespace velt {

namespace {

bool IsProjectFile(const std::string& file) { return SameText(ExtractFileExt(file), ".dpr"); }

// The shown top-level window with that title.
QWidget* WindowTitled(const std::string& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle().toStdString() == title) return w;
    throw Exception("velt-ide: no window \"" + title + "\" is shown");
}

}  // namespace

TIdeOptions ParseIdeArguments(const QStringList& arguments) {
    TIdeOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size()) throw Exception("velt-ide: " + arg.toStdString() + " needs a value");
            return arguments[++i].toStdString();
        };
        if (arg == QLatin1String("--package"))
            options.Packages.push_back(value());
        else if (arg == QLatin1String("--screenshot"))
            options.Screenshot = value();
        else if (arg == QLatin1String("--screenshot-window"))
            options.ScreenshotWindow = value();
        else if (arg == QLatin1String("--press"))
            options.Keys.push_back(value());
        else if (arg == QLatin1String("--answer-dialog"))
            options.DialogAnswers.push_back(value());
        else if (arg == QLatin1String("--quit-when-loaded"))
            options.QuitWhenLoaded = true;
        else if (arg.startsWith(QLatin1String("--")))
            throw Exception("velt-ide: unknown option " + arg.toStdString());
        else
            options.Files.push_back(arg.toStdString());
    }
    return options;
}

int RunIde(const TIdeOptions& options) {
    const bool batch = options.QuitWhenLoaded || !options.Screenshot.empty();
    TBatchDialogRunner batchRunner("velt-ide", options.DialogAnswers);
    TDialogRunnerGuard runnerGuard(batch ? &batchRunner : &GetDialogRunner());
    TQtMessageSink sink;
    TMessageSink* previousSink = SetMessageSink(&sink);
    TQtDialogPort port;
    TDialogPortGuard portGuard(&port);
    TQtInheritanceWizardPort wizardPort;
    TInheritanceWizardPortGuard wizardGuard(&wizardPort);

    TQtHost host;
    TPackageLoader loader(host);
    host.Window().show();
    int exitCode = 0;
    try {
        for (const std::string& package : options.Packages) loader.Load(package);
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        exitCode = 1;
    }
    if (exitCode == 0) {
        for (const std::string& file : options.Files) {
            if (IsProjectFile(file))
                host.OpenProject(file);
            else
                host.OpenFileReporting(file);
        }
        try {
            for (const std::string& key : options.Keys) {
                QApplication::processEvents();
                PressKey("velt-ide", key, [&](TShortCut shortCut) { return host.PressShortCut(shortCut); });
            }
        } catch (const std::exception& e) {
            std::cerr << e.what() << std::endl;
            exitCode = 1;
        }
        if (exitCode == 0 && !options.Screenshot.empty()) {
            QApplication::processEvents();
            try {
                QWidget* window = options.ScreenshotWindow.empty() ? &host.Window()
                                                                   : WindowTitled(options.ScreenshotWindow);
                if (!window->grab().save(QString::fromStdString(options.Screenshot), "PNG"))
                    throw Exception("velt-ide: cannot write " + options.Screenshot);
            } catch (const std::exception& e) {
                std::cerr << e.what() << std::endl;
                exitCode = 1;
            }
        } else if (exitCode == 0 && !options.QuitWhenLoaded) {
            exitCode = QApplication::exec();
        }
    }
    // Shut down while the application and the window still exist.
    loader.UnloadAll();
    SetMessageSink(previousSink);
    return exitCode;
}

}  // namespace velt
