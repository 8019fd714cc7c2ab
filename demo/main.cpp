// VELTdemo: the source services and the SourceSafe services on a memo.
//
//   VELTdemo [--quit-when-loaded] [--screenshot PNG] [FILE]
//
// FILE is the start file (by default the example unit). --quit-when-loaded
// ends with exit code 0 once the window is up and the services are started;
// --screenshot grabs the window to a PNG file at that point and ends. In
// both batch modes no dialog waits: each is reported on standard error and
// cancelled.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <iostream>
#include <memory>

#include "demo/DemoForm.h"
#include "foundation/Dialogs.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/QtDialogs.h"
#include "platform/ui/QtMessageSink.h"

namespace {

class TBatchDialogRunner : public velt::TDialogRunner {
public:
    int Run(QDialog& dialog) override {
        std::cerr << "VELTdemo: dialog \"" << dialog.windowTitle().toStdString() << "\"";
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) std::cerr << ": " << box->text().toStdString();
        std::cerr << " (cancelled)" << std::endl;
        dialog.setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELTdemo"));
    bool quit = false;
    std::string screenshot;
    std::string startFile = velt::TDemoForm::kStartFile;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--quit-when-loaded")) {
            quit = true;
        } else if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) {
            screenshot = args[++i].toStdString();
        } else if (args[i].startsWith(QLatin1String("--"))) {
            std::cerr << "VELTdemo: unknown option " << args[i].toStdString() << std::endl;
            return 2;
        } else {
            startFile = args[i].toStdString();
        }
    }
    const bool batch = quit || !screenshot.empty();
    TBatchDialogRunner batchRunner;
    velt::TDialogRunnerGuard runnerGuard(batch ? &batchRunner : &velt::GetDialogRunner());
    velt::TQtMessageSink sink;
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
