#include "replayprogress.h"

#include "replayjob.h"
#include "shown.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

namespace talbrix {

namespace {

// Jobs run in slices of this much wall time between looks at the event
// queue, so the window repaints and a Cancel click is seen within a frame or
// two. Work is counted in small groups because reading the clock costs more
// than a tick.
constexpr qint64 sliceMilliseconds = 40;
constexpr std::uint64_t workPerClockCheck = 2048;
// A job shorter than this shows no progress dialog at all.
constexpr int progressDelayMilliseconds = 500;
constexpr int progressSteps = 1000;

} // namespace

ReplayProgress::Outcome ReplayProgress::run(QWidget &parent, ReplayJob &job, const QString &label)
{
    QProgressDialog progress(label, shown("file.cancel"), 0, progressSteps, &parent);
    progress.setObjectName(QStringLiteral("replayProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(progressDelayMilliseconds);
    progress.setAutoReset(false);
    progress.setValue(0);
    QElapsedTimer slice;
    ReplayJob::Status status = ReplayJob::Status::Running;
    while (status == ReplayJob::Status::Running) {
        slice.start();
        do
            status = job.advance(workPerClockCheck);
        while (status == ReplayJob::Status::Running && slice.elapsed() < sliceMilliseconds);
        progress.setValue(static_cast<int>(job.progress() * (progressSteps - 1)));
        QCoreApplication::processEvents(
            progress.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        if (progress.wasCanceled())
            return Outcome::Cancelled;
    }
    return status == ReplayJob::Status::Finished ? Outcome::Done : Outcome::Failed;
}

} // namespace talbrix
