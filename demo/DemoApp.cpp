#include "demo/DemoApp.h"

#include <QApplication>
#include <QPixmap>
#include <iostream>

#include "demo/DemoForm.h"
#include "demo/DemoTools.h"
#include "foundation/Dialogs.h"
#include "foundation/SysUtils.h"
#include "platform/ide/PressKey.h"
#include "platform/ui/BatchDialogRunner.h"
#include "platform/ui/QtDialogs.h"
#include "platform/ui/QtMessageSink.h"

namespace velt {

namespace {

// The services' console lines go to standard output, as velt-ide's console
// echoes them: the demo has no console window.
class TDemoMessageSink : public TQtMessageSink {
public:
    void Line(std::string_view text) override { std::cout << text << std::endl; }
};

// A shortcut of the form's menus runs its item; a failure is reported as
// the menu bar reports it.
bool RunShortCut(TDemoForm& form, TShortCut shortCut) {
    const ComPtr<THostMenuItem> item = form.MainMenu1->FindShortCut(shortCut);
    if (!item) return false;
    try {
        item->RunClick();
    } catch (...) {
        form.Tools->RaiseException(ReleaseException());
    }
    return true;
}

}  // namespace

TDemoOptions ParseDemoArguments(const QStringList& arguments) {
    TDemoOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size()) throw Exception("VELTdemo: " + arg.toStdString() + " needs a value");
            return arguments[++i].toStdString();
        };
        if (arg == QLatin1String("--quit-when-loaded"))
            options.QuitWhenLoaded = true;
        else if (arg == QLatin1String("--screenshot"))
            options.Screenshot = value();
        else if (arg == QLatin1String("--press"))
            options.Keys.push_back(value());
        else if (arg == QLatin1String("--answer-dialog"))
            options.DialogAnswers.push_back(value());
        else if (arg.startsWith(QLatin1String("--")))
            throw Exception("VELTdemo: unknown option " + arg.toStdString());
        else
            options.StartFile = arg.toStdString();
    }
    return options;
}

int RunDemo(const TDemoOptions& options) {
    const bool batch = options.QuitWhenLoaded || !options.Screenshot.empty();
    TBatchDialogRunner batchRunner("VELTdemo", options.DialogAnswers);
    TDialogRunnerGuard runnerGuard(batch ? &batchRunner : &GetDialogRunner());
    TDemoMessageSink sink;
    TMessageSink* previousSink = SetMessageSink(&sink);
    TQtDialogPort port;
    TDialogPortGuard portGuard(&port);

    int exitCode = 0;
    {
        // The services live inside the application's lifetime.
        TDemoForm form;
        form.show();
        form.FormCreate(options.StartFile.empty() ? std::string(TDemoForm::kStartFile) : options.StartFile);
        try {
            for (const std::string& key : options.Keys) {
                QApplication::processEvents();
                PressKey("VELTdemo", key, [&](TShortCut shortCut) { return RunShortCut(form, shortCut); });
            }
        } catch (const std::exception& e) {
            std::cerr << e.what() << std::endl;
            exitCode = 1;
        }
        if (exitCode == 0 && !options.Screenshot.empty()) {
            QApplication::processEvents();
            if (!form.grab().save(QString::fromStdString(options.Screenshot), "PNG")) {
                std::cerr << "VELTdemo: cannot write " << options.Screenshot << std::endl;
                exitCode = 1;
            }
        } else if (exitCode == 0 && options.QuitWhenLoaded) {
            QApplication::processEvents();
        } else if (exitCode == 0) {
            exitCode = QApplication::exec();
        }
        form.FormDestroy();
    }
    SetMessageSink(previousSink);
    return exitCode;
}

}  // namespace velt
