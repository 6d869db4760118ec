#pragma once

#include "runrecorder.h"
#include "scenarioreplay.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QContextMenuEvent;
class QKeyEvent;
class QKeySequence;
class QPoint;
class QTimer;
class QWidget;

namespace talbrix {

struct Controls;
struct CirculationState;

// Keeps the window's run: records it from load as a scenario, and offers the
// commands that take a run out of the window or bring one in (save the
// picture, the table of every tick, the scenario; open a scenario). The
// commands live on a context menu and on shortcuts, never on the form, whose
// layout is fixed.
//
// Opening replays the file against an in-memory window first and touches the
// real one only once the replay has reached the end, so a bad file, a failing
// tick or a cancelled replay leaves the window exactly as it was. Saving goes
// through a temporary file that replaces the target only when complete.
class RunKeeper : public QObject {
    Q_OBJECT

public:
    // Asks for a file name; an empty result means the user cancelled.
    using FileChooser = std::function<QString(
        const QString &caption, const QString &suggestedPath, const QString &filter, bool forSaving)>;
    // Tells the user why a command failed.
    using MessageReporter = std::function<void(const QString &message)>;

    RunKeeper(QWidget &window, Controls &controls, CirculationState &state, QTimer &timer);

    // Called by the timer's handler around each tick.
    void beforeTick();
    void afterTick();
    // The run so far as scenario text, ending with the controls as they are.
    std::string scenario() const { return m_recorder.scenario(controlSettings()); }

    // False when a file opened by the command line or the file manager could
    // not be replayed (the user has been told why).
    bool openScenario(const QString &path);
    bool saveScenario(const QString &path);
    bool saveTable(const QString &path);
    bool savePicture(const QString &path);

    // The context menu at a global position; the Menu key and Shift+F10 call
    // it with the focused control's centre.
    void showMenu(const QPoint &globalPosition);
    // Shift+F10 on a control that has no menu of its own; true when handled.
    bool handleMenuKey(const QKeyEvent &event);

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setMessageReporter(MessageReporter reporter) { m_report = std::move(reporter); }
    void setReplayTick(ScenarioReplay::TickFunction tick) { m_replayTick = tick; }

private:
    enum class Outcome { Done, Failed, Cancelled };

    void keepHeartRateOnOneLine();
    QAction *addAction(const char *name, const QString &text, const QKeySequence &shortcut);
    void chooseAndOpen();
    void chooseAndSave(
        const QString &caption, const QString &suffix, const QString &filter, bool (RunKeeper::*save)(const QString &));
    Outcome replay(
        ScenarioReplay &replay, std::uint64_t totalTicks, const QString &label, const std::function<bool()> &failed);
    void adopt(const ScenarioReplay &replay, RunRecorder recorder);
    ControlSettings controlSettings() const;
    QString suggestedPath(const QString &suffix) const;

    QWidget &m_window;
    Controls &m_controls;
    CirculationState &m_state;
    QTimer &m_timer;
    RunRecorder m_recorder;
    FileChooser m_chooseFile;
    MessageReporter m_report;
    ScenarioReplay::TickFunction m_replayTick = &runTick;
    QString m_folder; // where the last file was opened or saved
    bool m_busy = false; // a replay is running; commands wait for it
};

} // namespace talbrix
