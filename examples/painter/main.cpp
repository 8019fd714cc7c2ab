// velt-painter: the graphic editor. Boxes and the links between their pins
// are drawn, moved, copied and pasted on an editing panel, and stored as a
// text form (*.grt) or a binary root file (*.grf).
//
//   velt-painter [--quit-when-loaded] [--screenshot PNG] [--select NAME] [FILE]
//
// FILE is opened at the start. --quit-when-loaded ends once the window is
// up with the drawing loaded, listing its components on standard output
// (class, name); --screenshot writes the window to a PNG file and ends;
// --select selects the component of that name first. In these batch runs
// no dialog waits for an answer.
#include <QApplication>
#include <iostream>
#include <string>

#include "examples/painter/PainterForm.h"
#include "foundation/Dialogs.h"
#include "graphics/GraphicsUnits.h"
#include "painter/ClipUtil.h"
#include "painter/EdtPaint.h"
#include "painter/GrfeReg.h"
#include "painter/PainterUnits.h"
#include "platform/ui/BatchDialogRunner.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/LocaleSettings.h"
#include "platform/ui/QtDialogs.h"
#include "platform/ui/QtMessageSink.h"

namespace {

int Fail(const std::string& text) {
    std::cerr << "velt-painter: " << text << std::endl;
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velt-painter"));
    bool quit = false;
    std::string screenshot, select, file;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--quit-when-loaded")) quit = true;
        else if (a == QLatin1String("--screenshot") && hasValue) screenshot = args[++i].toStdString();
        else if (a == QLatin1String("--select") && hasValue) select = args[++i].toStdString();
        else if (a.startsWith(QLatin1String("--"))) return Fail("unknown option " + a.toStdString());
        else if (file.empty()) file = a.toStdString();
        else return Fail("one file at a time: " + a.toStdString());
    }
    velt::LoadLocaleFormatSettings();
    const bool batch = quit || !screenshot.empty();
    velt::TBatchDialogRunner batchRunner("velt-painter", {});
    velt::TDialogRunnerGuard runnerGuard(batch ? &batchRunner : &velt::GetDialogRunner());
    velt::TQtMessageSink sink;
    velt::TMessageSink* previousSink = velt::SetMessageSink(&sink);
    velt::TQtDialogPort port;
    velt::TDialogPortGuard portGuard(&port);

    try {
        velt::GraphicsStartup();
        velt::PainterStartup();
        velt::ClipUtilStartup();
    } catch (const std::exception& e) {
        velt::SetMessageSink(previousSink);
        return Fail(std::string("cannot start: ") + e.what());
    }
    velt::RegisterPainterComponents();
    int exitCode = 0;
    {
        velt::TPainterForm form;
        form.move(0, 0);
        form.show();
        QApplication::processEvents();
        if (!file.empty()) {
            try {
                form.OpenFile(file);
            } catch (const std::exception& e) {
                if (batch) exitCode = Fail(e.what());
                else velt::ReportCurrentException();
            }
        }
        if (exitCode == 0 && !select.empty()) {
            velt::TVerUdov* comp = form.Root() ? form.Root()->FindComponent(select) : nullptr;
            auto* edit = dynamic_cast<velt::TGrfEditComp*>(comp);
            if (!edit) exitCode = Fail("no component " + select);
            else form.Canvas()->SelectComp(*edit, true);
        }
        QApplication::processEvents();
        if (exitCode != 0) {
        } else if (!screenshot.empty()) {
            form.Canvas()->Update();
            if (!form.grab().toImage().save(QString::fromStdString(screenshot), "PNG"))
                exitCode = Fail("cannot write " + screenshot);
        } else if (quit) {
            velt::TGrfRootComp* root = form.Root();
            for (int i = 0; root && i < root->GetComponentCount(); ++i) {
                velt::TVerUdov* c = root->GetComponent(i);
                std::cout << c->ClassName() << " " << c->Name << std::endl;
            }
        } else {
            exitCode = QApplication::exec();
        }
    }
    velt::PainterShutdown();
    velt::GraphicsShutdown();
    velt::SetMessageSink(previousSink);
    return exitCode;
}
