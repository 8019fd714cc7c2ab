// velt-palette: the graphics controls and the small controls of the
// component palette, a tab per page, each class made through the palette.
//
//   velt-palette [--quit-when-up] [--page NAME] [--drop-down NAME] [--open-form NAME] [--screenshot PNG]
//                [--setup-screenshot PNG]
//
// --page shows the tab of that palette page ("Not on the palette" for the
// controls no page holds); --drop-down opens the popup of the picker of
// that name ("GraphSelectColor1"); --screenshot writes the window, an open
// popup composed in, to a PNG file and ends; --quit-when-up ends once the
// window is up, listing each page's classes on standard output. --open-form
// opens one of the help generator's forms (NewDocWizard, TopicProperties)
// from the tab "Forms"; --screenshot then writes that form.
// --setup-screenshot writes the drawing surface's setup dialog and ends. The colour
// palette lives in velt-palette.INI in the installation folder.
#include <QApplication>
#include <iostream>
#include <string>

#include "examples/palette/PaletteForm.h"
#include "graphics/GrfReg.h"
#include "graphics/GraphicsUnits.h"
#include "painter/GrfeReg.h"
#include "painter/PainterUnits.h"
#include "painter/dPainter.h"
#include "platform/ui/BatchDialogRunner.h"
#include "platform/ui/LocaleSettings.h"
#include "treeview/CompList.h"
#include "treeview/SmallReg.h"

namespace {

int Fail(const std::string& text) {
    std::cerr << "velt-palette: " << text << std::endl;
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velt-palette"));
    bool quit = false;
    std::string page, dropDown, screenshot, openForm, setupShot;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--quit-when-up")) quit = true;
        else if (a == QLatin1String("--page") && hasValue) page = args[++i].toStdString();
        else if (a == QLatin1String("--drop-down") && hasValue) dropDown = args[++i].toStdString();
        else if (a == QLatin1String("--open-form") && hasValue) openForm = args[++i].toStdString();
        else if (a == QLatin1String("--screenshot") && hasValue) screenshot = args[++i].toStdString();
        else if (a == QLatin1String("--setup-screenshot") && hasValue) setupShot = args[++i].toStdString();
        else return Fail("unknown option " + a.toStdString());
    }
    velt::LoadLocaleFormatSettings();
    const bool batch = quit || !screenshot.empty() || !setupShot.empty();
    velt::TBatchDialogRunner batchRunner("velt-palette", {});
    velt::TDialogRunnerGuard runnerGuard(batch ? &batchRunner : &velt::GetDialogRunner());

    try {
        velt::GraphicsStartup();
        velt::PainterStartup();
    } catch (const std::exception& e) {
        return Fail(std::string("cannot start: ") + e.what());
    }
    velt::RegisterGraphicsControls();
    velt::RegisterPainterComponents();
    velt::RegisterSmallControls();
    velt::InstallCompListDispatcher();
    int exitCode = 0;
    {
        velt::TPaletteForm form;
        form.move(0, 0);
        form.show();
        QApplication::processEvents();
        if (!page.empty() && !form.ShowPage(page)) exitCode = Fail("no page " + page);
        if (exitCode == 0 && !dropDown.empty())
            if (const std::string error = form.DropDown(dropDown); !error.empty()) exitCode = Fail(error);
        QWidget* opened = nullptr;
        if (exitCode == 0 && !openForm.empty()) {
            form.ShowPage(velt::TPaletteForm::kFormsPage);
            if (!(opened = form.OpenForm(openForm))) exitCode = Fail("no form " + openForm);
        }
        QApplication::processEvents();
        if (exitCode != 0) {
        } else if (!setupShot.empty()) {
            velt::TDlgPainterSetup dlg(&form);
            dlg.LoadFromBox(form.Surface());
            dlg.show();
            QApplication::processEvents();
            if (!dlg.grab().toImage().save(QString::fromStdString(setupShot), "PNG"))
                exitCode = Fail("cannot write " + setupShot);
        } else if (!screenshot.empty()) {
            const QImage shot = opened ? opened->grab().toImage() : form.Screenshot();
            if (!shot.save(QString::fromStdString(screenshot), "PNG"))
                exitCode = Fail("cannot write " + screenshot);
        } else if (quit) {
            for (const std::string& name : form.PageNames()) {
                std::cout << name << ":";
                for (const std::string& cls : form.ClassesOn(name)) std::cout << " " << cls;
                std::cout << std::endl;
            }
        } else {
            exitCode = QApplication::exec();
        }
    }
    velt::PainterShutdown();
    velt::RestoreCompListDispatcher();
    velt::GraphicsShutdown();
    return exitCode;
}
