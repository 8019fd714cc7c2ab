// velt-painter-clipboard-peer: one side of the two-process clipboard check
// (scripts/check-clipboard). It drives velt-painter's window through its
// Edit menu on a real X11 clipboard, which the offscreen platform lacks.
//
//   velt-painter-clipboard-peer serve FILE
//       Opens FILE, selects all and copies; prints the drawing's summary
//       and "copied". Then for each line "paste" on standard input pastes
//       into a fresh drawing and prints its summary and "pasted".
//   velt-painter-clipboard-peer paste-copy OUT
//       Pastes into an empty drawing and prints its summary; saves it as
//       OUT, opens OUT again, selects all and copies; prints "copied".
//
// Both keep serving the clipboard until standard input closes. Errors go
// to standard error and end the program with exit code 1 (2 for bad use).
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QMimeData>
#include <QSocketNotifier>
#include <QThread>
#include <iostream>
#include <string>

#include "examples/painter/PainterForm.h"
#include "examples/painter/tests/ExampleDrawing.h"
#include "foundation/Dialogs.h"
#include "graphics/GraphicsUnits.h"
#include "painter/ClipUtil.h"
#include "painter/EdtPaint.h"
#include "painter/GrfeReg.h"
#include "painter/PainterUnits.h"
#include "platform/ui/BatchDialogRunner.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/ExceptionReporter.h"

namespace {

using velt::TPainterForm;

struct TFailure {
    std::string text;
};

void Trigger(TPainterForm& form, const char* action) {
    QAction* a = form.Action(QString::fromLatin1(action));
    if (!a) throw TFailure{std::string("no menu item ") + action};
    a->trigger();
}

void PrintSummary(TPainterForm& form) {
    if (!form.Root()) throw TFailure{"no drawing"};
    std::cout << velt::test::Summary(*form.Root()) << std::flush;
}

// Select All, Copy; the clipboard must then hold component data.
void CopyAll(TPainterForm& form) {
    Trigger(form, "EditSelectAll");
    Trigger(form, "EditCopy");
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QString mime = QString::fromStdString(velt::ClipboardFormatMime(velt::CF_GRCOMP()));
    if (!data || !data->hasFormat(mime)) throw TFailure{"Copy put no components on the clipboard"};
}

// The other process's copy reaches this one through the X server: wait, at
// most 5 s, until the clipboard offers components.
void AwaitComponents() {
    const QString mime = QString::fromStdString(velt::ClipboardFormatMime(velt::CF_GRCOMP()));
    const QDeadlineTimer deadline(5000);
    for (;;) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data && data->hasFormat(mime)) return;
        if (deadline.hasExpired()) {
            const QString held = data ? data->formats().join(QStringLiteral(", ")) : QString();
            throw TFailure{"after 5 s the clipboard still lacks " + mime.toStdString() + "; it holds " +
                           (held.isEmpty() ? std::string("nothing") : held.toStdString())};
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

// New, Paste; the drawing must then hold what was pasted.
void PasteFresh(TPainterForm& form) {
    AwaitComponents();
    Trigger(form, "FileNew");
    Trigger(form, "EditPaste");
    if (!form.Root() || form.Root()->GetComponentCount() == 0) throw TFailure{"Paste gave an empty drawing"};
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString mode = args.size() == 3 ? args[1] : QString();
    if (mode != QLatin1String("serve") && mode != QLatin1String("paste-copy")) {
        std::cerr << "usage: velt-painter-clipboard-peer serve FILE | paste-copy OUT" << std::endl;
        return 2;
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        std::cerr << "velt-painter-clipboard-peer: the offscreen clipboard is per process; run on xcb" << std::endl;
        return 2;
    }
    const std::string file = args[2].toStdString();

    velt::TBatchDialogRunner batchRunner("velt-painter-clipboard-peer", {});
    velt::TDialogRunnerGuard runnerGuard(&batchRunner);
    std::string reported;
    velt::TExceptionReporterGuard reporter([&](const std::exception& e) { reported += e.what(); });
    int exitCode = 0;
    try {
        velt::GraphicsStartup();
        velt::PainterStartup();
        velt::ClipUtilStartup();
    } catch (const std::exception& e) {
        std::cerr << "velt-painter-clipboard-peer: cannot start: " << e.what() << std::endl;
        return 1;
    }
    velt::RegisterPainterComponents();
    {
        TPainterForm form;
        // Runs a step; what it or a menu command reported ends the program.
        const auto step = [&](auto&& run) {
            if (exitCode != 0) return;
            try {
                run();
                if (!reported.empty()) throw TFailure{reported};
            } catch (const TFailure& f) {
                std::cerr << "velt-painter-clipboard-peer: " << f.text << std::endl;
                exitCode = 1;
            } catch (const std::exception& e) {
                std::cerr << "velt-painter-clipboard-peer: " << e.what() << std::endl;
                exitCode = 1;
            }
        };
        if (mode == QLatin1String("serve")) {
            step([&] {
                form.OpenFile(file);
                CopyAll(form);
                PrintSummary(form);
            });
        } else {
            step([&] {
                PasteFresh(form);
                PrintSummary(form);
                form.SaveFile(file);
                form.OpenFile(file);
                CopyAll(form);
            });
        }
        step([] { std::cout << "copied" << std::endl; });

        // Serve the clipboard until standard input closes; "paste" lines are
        // answered on the way.
        std::string pending;
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                input.setEnabled(false);
                QApplication::quit();
                return;
            }
            pending.append(buffer, size_t(n));
            // A paste waits for the clipboard with events running: one line at a time.
            input.setEnabled(false);
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (line == "paste" && mode == QLatin1String("serve")) {
                    step([&] {
                        PasteFresh(form);
                        PrintSummary(form);
                        std::cout << "pasted" << std::endl;
                    });
                } else {
                    step([&] { throw TFailure{"unknown request " + line}; });
                }
                if (exitCode != 0) QApplication::quit();
            }
            input.setEnabled(exitCode == 0);
        });
        if (exitCode == 0) QApplication::exec();
    }
    velt::PainterShutdown();
    velt::GraphicsShutdown();
    return exitCode;
}
