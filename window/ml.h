#pragma once

#include "controls.h"
#include "readouts.h"
#include "recordedrun.h"
#include "runwindow.h"
#include "scenario.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class QTimer;

namespace talbrix {

class MemoryWindow;
class RunKeeper;

// The simulator's one window. It owns the run (the model's state and its
// record) and every control, carries out the window interface for the
// model, and handles the four events that drive the simulation: its load,
// Start, Pause and the timer.
class Ml : public QWidget, public RunWindow {
    Q_OBJECT

public:
    // Told the name of a run-time error ("Overflow", ...) before the program
    // ends. The default shows it in a message box.
    using ErrorReporter = std::function<void(const QString &errorName)>;
    // Sounds the system beep; replaceable so that tests can count beeps.
    using Beep = std::function<void()>;

    explicit Ml(QWidget *parent = nullptr);

    void setErrorReporter(ErrorReporter reporter);
    void setBeep(Beep beep);

    // The program's start, once the window is shown: the zoom the last
    // session left (see setZoom), then the one file named on the command line
    // replayed into the window, as Open Scenario does.
    void openFromCommandLine(const QStringList &arguments);
    RunKeeper &runKeeper() { return *m_runKeeper; }

    // The model's state, for tests that must put the model somewhere the
    // controls cannot reach.
    CirculationState &state() { return m_run.state(); }

    // The run so far as scenario text, ending with the controls as they are.
    std::string scenario() const { return m_run.scenario(*this); }
    std::uint64_t ticks() const { return m_run.ticks(); }
    // The run itself, for what is shown beside the form (its beat log, the
    // reference and the comparison).
    const RecordedRun &run() const { return m_run; }
    // Keeps the run as it stands as the reference, drawn beneath the live
    // trace, or lets it go.
    void holdReference();
    void clearReference();
    // Takes over a replayed run: every control a tick reads or writes as the
    // replay left them, its trace since the last clear, its state and record.
    // The timer stays off, waiting for Start.
    void adoptRun(const MemoryWindow &replayed, RecordedRun run);
    // Stops the timer while a command works; true when it was running.
    bool stopTimer();
    void restartTimer();
    // True while the timer runs the model (after Start, until Pause).
    bool running() const;
    // Sets a control as a scenario line would, as a user could: a lesson
    // setting its case up. A tick count is not a control and is ignored.
    void applyCommand(const ScenarioCommand &command);

    std::int32_t readSlider(int slider) override;
    bool fibrillationSelected() override;
    std::string heartRateText() override;
    void publish(Readout readout, Number value, TextForm form) override;
    void plotPoint(std::int16_t x, std::int16_t y) override;
    void setDrawColour(std::int32_t colour) override;
    void clearPlot() override;
    ControlSettings controlSettings() const override;
    std::string readoutText(Readout readout) const override;

    // The form's zoom, a whole factor from 1 (100 %, as designed) to 3; out
    // of range it is clamped. The window grows or shrinks to fit (unless
    // maximised or full screen); the run, its trace and the timer go on
    // untouched. The program remembers it for its next start.
    int zoom() const { return m_zoom; }
    void setZoom(int zoom);

Q_SIGNALS:
    // A tick crossed a beat boundary, or the run was replaced.
    void beatLogged();
    void referenceChanged();
    // After every tick; after the timer started or stopped; after a slider,
    // an option or Text8 changed.
    void ticked();
    void runningChanged();
    void controlsChanged();

public Q_SLOTS:
    void Command1_Click();
    void Command2_Click();
    void Timer1_Timer();
    void zoomIn() { setZoom(m_zoom + 1); }
    void zoomOut() { setZoom(m_zoom - 1); }
    void actualSize() { setZoom(1); }
    // One of the shipped languages (a tag) for every text around the form.
    void useLanguage(const QString &language);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void createTimer();
    void connectHandlers();
    void connectZoomCommands();
    void restoreZoom();
    template <typename Handler>
    void runGuarded(Handler handler);
    void endWithRunTimeError(const QString &errorName);

    Controls m_controls;
    Readouts m_readouts;
    QTimer *m_timer = nullptr;
    RunKeeper *m_runKeeper = nullptr;
    RecordedRun m_run;
    ErrorReporter m_reportError;
    Beep m_beep;
    int m_zoom = 1;
    bool m_remembersChoices = false; // the zoom and the language, for the next start
};

} // namespace talbrix
