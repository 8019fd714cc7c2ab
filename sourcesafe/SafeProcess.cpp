#include "sourcesafe/SafeProcess.h"

#include <QApplication>
#include <QProcess>
#include <QProgressDialog>
#include <memory>

#include "platform/ui/TimerSource.h"

namespace velt {

namespace {

// How long a client runs before the progress window offers Cancel, and how
// often the wait looks up from the child.
constexpr int kProgressDelayMs = 400;
constexpr int kPollMs = 25;

void Prepare(QProcess& process, const TProcessRequest& request) {
    process.setProgram(QString::fromStdString(request.Program));
    QStringList args;
    for (const std::string& a : request.Arguments) args << QString::fromStdString(a);
    process.setArguments(args);
    if (!request.WorkingFolder.empty()) process.setWorkingDirectory(QString::fromStdString(request.WorkingFolder));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : request.Environment)
        env.insert(QString::fromStdString(name), QString::fromStdString(value));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
}

}  // namespace

TProcessResult RunChildProcess(const TProcessRequest& request) {
    TProcessResult result;
    // The limit, the progress delay and the grace period run on the installed
    // timer source, so tests decide when each is over; the limit counts from
    // the start.
    TTimerSource& clock = GetTimerSource();
    const int64_t startedAt = clock.NowMs();
    const auto elapsed = [&](int64_t since) { return clock.NowMs() - since; };
    QProcess process;
    Prepare(process, request);
    process.start();
    if (!process.waitForStarted()) {
        result.StartError = process.errorString().toStdString();
        return result;
    }
    result.Started = true;

    std::unique_ptr<QProgressDialog> progress;
    const bool windows = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    while (!process.waitForFinished(kPollMs) && process.state() != QProcess::NotRunning) {
        if (request.TimeLimitMs > 0 && elapsed(startedAt) >= request.TimeLimitMs) {
            result.TimedOut = true;
            break;
        }
        if (!progress && windows && elapsed(startedAt) >= kProgressDelayMs) {
            // Application-modal: while the client runs, Cancel is all the user can press.
            progress = std::make_unique<QProgressDialog>(
                QString::fromStdString(request.Caption.empty() ? request.Program : request.Caption),
                QStringLiteral("&Cancel"), 0, 0);
            progress->setObjectName("SafeProgress");
            progress->setWindowTitle(QStringLiteral("SourceSafe"));
            progress->setWindowModality(Qt::ApplicationModal);
            progress->setMinimumDuration(0);
            progress->show();
        }
        if (progress) {
            QCoreApplication::processEvents();
            if (progress->wasCanceled()) {
                result.Cancelled = true;
                break;
            }
        }
    }
    if (result.TimedOut || result.Cancelled) {
        if (progress) progress->hide();
        process.terminate();
        const int64_t askedAt = clock.NowMs();
        while (!process.waitForFinished(kPollMs) && process.state() != QProcess::NotRunning) {
            if (elapsed(askedAt) >= request.StopGraceMs) {
                result.Killed = true;
                process.kill();
                process.waitForFinished(5000);
                break;
            }
        }
    }
    result.Output = process.readAllStandardOutput().toStdString();
    result.Errors = process.readAllStandardError().toStdString();
    const bool exited = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    result.Finished = !result.TimedOut && !result.Cancelled && exited;
    // Also after a stop: a client that had done its work by then says so.
    if (exited) result.ExitCode = process.exitCode();
    return result;
}

bool StartDetachedProcess(const TProcessRequest& request) {
    QProcess process;
    Prepare(process, request);
    return process.startDetached();
}

}  // namespace velt
