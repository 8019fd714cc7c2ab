// VELTdemo: the source services and the SourceSafe services on a memo.
//
//   VELTdemo [--quit-when-loaded] [--screenshot PNG]
//            [--answer-dialog 'TITLE|NAME=VALUE|...']... [FILE]
//
// FILE is the start file (by default the example unit). --quit-when-loaded
// ends with exit code 0 once the window is up and the services are started;
// --screenshot grabs the window to a PNG file at that point and ends. In
// both batch modes no dialog waits: each is reported on standard error and
// cancelled, except a dialog named by --answer-dialog, which is answered as
// velt-ide answers it. The console lines of the services go to standard
// output.
#include <QApplication>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "demo/DemoForm.h"
#include "foundation/Dialogs.h"
#include "platform/ui/BatchDialogRunner.h"
#include "platform/ui/QtDialogs.h"
#include "platform/ui/QtMessageSink.h"

namespace {

// The services' console lines go to standard output, as velt-ide's console
// echoes them: the demo has no console window.
class TDemoMessageSink : public velt::TQtMessageSink {
public:
    void Line(std::string_view text) override { std::cout << text << std::endl; }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELTdemo"));
    bool quit = false;
    std::string screenshot;
    std::vector<std::string> answers;
    std::string startFile = velt::TDemoForm::kStartFile;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--quit-when-loaded")) {
            quit = true;
        } else if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) {
            screenshot = args[++i].toStdString();
        } else if (args[i] == QLatin1String("--answer-dialog") && i + 1 < args.size()) {
            answers.push_back(args[++i].toStdString());
        } else if (args[i].startsWith(QLatin1String("--"))) {
            std::cerr << "VELTdemo: unknown option " << args[i].toStdString() << std::endl;
            return 2;
        } else {
            startFile = args[i].toStdString();
        }
    }
    const bool batch = quit || !screenshot.empty();
    velt::TBatchDialogRunner batchRunner("VELTdemo", answers);
    velt::TDialogRunnerGuard runnerGuard(batch ? &batchRunner : &velt::GetDialogRunner());
    TDemoMessageSink sink;
    velt::TMessageSink* previousSink = velt::SetMessageSink(&sink);
    velt::TQtDialogPort port;
    velt::TDialogPortGuard portGuard(&port);

    int exitCode = 0;
    {
        // The services live inside the application's lifetime.
        velt::TDemoForm form;
        form.show();
        form.FormCreate(startFile);
        if (!screenshot.empty()) {
            QApplication::processEvents();
            if (!form.grab().save(QString::fromStdString(screenshot), "PNG")) {
                std::cerr << "VELTdemo: cannot write " << screenshot << std::endl;
                exitCode = 1;
            }
        } else if (quit) {
            QApplication::processEvents();
        } else {
            exitCode = QApplication::exec();
        }
        form.FormDestroy();
    }
    velt::SetMessageSink(previousSink);
    return exitCode;
}
