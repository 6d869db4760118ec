#pragma once

#include <QString>

class QWidget;

namespace talbrix {

class ReplayJob;

// Runs a replay job to its end with the event loop turning between slices.
// A progress dialog with Cancel appears once the job has taken a moment;
// until then user input waits, so nothing can start a second command or
// change the window underneath.
class ReplayProgress {
public:
    enum class Outcome { Done, Failed, Cancelled };

    static Outcome run(QWidget &parent, ReplayJob &job, const QString &label);
};

} // namespace talbrix
