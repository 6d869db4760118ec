#include "runkeeper.h"

#include "circulationstate.h"
#include "controls.h"
#include "plotarea.h"
#include "tracewriter.h"
#include "trackbar.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <fstream>
#include <sstream>

namespace talbrix {

namespace {

// Replays run in slices of this much wall time between looks at the event
// queue, so the window repaints and a Cancel click is seen within a frame or
// two. Ticks are counted in small groups because reading the clock costs more
// than a tick.
constexpr qint64 sliceMilliseconds = 40;
constexpr std::uint64_t ticksPerClockCheck = 2048;
// A replay shorter than this shows no progress dialog at all.
constexpr int progressDelayMilliseconds = 500;
constexpr int progressSteps = 1000;

const QString scenarioSuffix = QStringLiteral("talbrix");

QString scenarioFilter()
{
    return RunKeeper::tr("Talbrix runs (*.talbrix);;All files (*)");
}

// 0xBBGGRR, as the plot takes colours.
std::int32_t colourValue(const QColor &colour)
{
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

// A radio button can only be cleared by hand with its group's exclusivity
// suspended; at load neither option is selected, and an opened run may need
// that back.
void setOption(QRadioButton &button, bool checked)
{
    button.setAutoExclusive(false);
    button.setChecked(checked);
    button.setAutoExclusive(true);
}

QString chooseWithDialog(
    QWidget *parent, const QString &caption, const QString &suggestedPath, const QString &filter, bool forSaving)
{
    QFileDialog dialog(parent, caption, suggestedPath, filter);
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Typing a bare name saves with the suffix of the kind of file offered.
    dialog.setDefaultSuffix(QFileInfo(suggestedPath).suffix());
    if (!forSaving)
        dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

RunKeeper::RunKeeper(QWidget &window, Controls &controls, CirculationState &state, QTimer &timer)
    : QObject(&window)
    , m_window(window)
    , m_controls(controls)
    , m_state(state)
    , m_timer(timer)
    , m_chooseFile([this](const QString &caption, const QString &path, const QString &filter, bool forSaving) {
        return chooseWithDialog(&m_window, caption, path, filter, forSaving);
    })
    , m_report([this](const QString &message) { QMessageBox::warning(&m_window, m_window.windowTitle(), message); })
    , m_folder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
{
    setObjectName(QStringLiteral("runKeeper"));
    connect(addAction("savePicture", tr("Save &Picture..."), {}), &QAction::triggered, this, [this] {
        chooseAndSave(tr("Save Picture"), QStringLiteral("png"), tr("PNG pictures (*.png)"), &RunKeeper::savePicture);
    });
    connect(addAction("saveRunAsTable", tr("Save Run as &Table..."), {}), &QAction::triggered, this, [this] {
        chooseAndSave(tr("Save Run as Table"), QStringLiteral("csv"), tr("CSV tables (*.csv)"), &RunKeeper::saveTable);
    });
    connect(addAction("saveRunAsScenario", tr("Save Run as &Scenario..."), QKeySequence(Qt::CTRL | Qt::Key_S)),
        &QAction::triggered, this, [this] {
            chooseAndSave(tr("Save Run as Scenario"), scenarioSuffix, scenarioFilter(), &RunKeeper::saveScenario);
        });
    connect(addAction("openScenario", tr("&Open Scenario..."), QKeySequence(Qt::CTRL | Qt::Key_O)), &QAction::triggered,
        this, &RunKeeper::chooseAndOpen);
    keepHeartRateOnOneLine();
}

// A line break pasted into the heart-rate box would end its scenario line
// and leave a record that does not replay. The box keeps the text up to the
// first break, as a single-line box on the classic desktop does with a paste.
void RunKeeper::keepHeartRateOnOneLine()
{
    QLineEdit *box = m_controls.texts[7];
    connect(box, &QLineEdit::textEdited, this, [box](const QString &text) {
        const qsizetype lineEnd = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
        if (lineEnd >= 0)
            box->setText(text.left(lineEnd));
    });
}

QAction *RunKeeper::addAction(const char *name, const QString &text, const QKeySequence &shortcut)
{
    auto *action = new QAction(text, &m_window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(action);
    return action;
}

void RunKeeper::beforeTick()
{
    m_recorder.beforeTick(controlSettings());
}

void RunKeeper::afterTick()
{
    m_recorder.afterTick(m_controls.texts[7]->text().toStdString());
}

ControlSettings RunKeeper::controlSettings() const
{
    ControlSettings settings;
    for (std::size_t i = 0; i < settings.sliders.size(); ++i)
        settings.sliders[i] = m_controls.sliders[i]->value();
    if (m_controls.option1->isChecked())
        settings.option = OptionSelection::Fibrillate;
    else if (m_controls.option2->isChecked())
        settings.option = OptionSelection::Defibrillate;
    settings.text8 = m_controls.texts[7]->text().toStdString();
    return settings;
}

// --- The menu ----------------------------------------------------------------

void RunKeeper::showMenu(const QPoint &globalPosition)
{
    if (m_busy)
        return;
    QMenu menu(&m_window);
    menu.setObjectName(QStringLiteral("runMenu"));
    menu.addActions(m_window.actions());
    menu.exec(globalPosition);
}

bool RunKeeper::handleMenuKey(const QKeyEvent &event)
{
    if (event.key() != Qt::Key_F10 || event.modifiers() != Qt::ShiftModifier)
        return false;
    QWidget *focus = m_window.focusWidget();
    if (!focus)
        focus = &m_window;
    // A text box keeps its own edit menu for the keyboard too.
    if (auto *box = qobject_cast<QLineEdit *>(focus)) {
        const QPoint at = box->rect().center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, at, box->mapToGlobal(at));
        QCoreApplication::sendEvent(box, &menuEvent);
        return true;
    }
    showMenu(focus->mapToGlobal(focus->rect().center()));
    return true;
}

// --- Choosing files ----------------------------------------------------------

QString RunKeeper::suggestedPath(const QString &suffix) const
{
    return QDir(m_folder).filePath(QStringLiteral("talbrix-run.") + suffix);
}

void RunKeeper::chooseAndOpen()
{
    if (m_busy)
        return;
    const QString path = m_chooseFile(tr("Open Scenario"), m_folder, scenarioFilter(), false);
    if (path.isEmpty())
        return;
    m_folder = QFileInfo(path).absolutePath();
    openScenario(path);
}

void RunKeeper::chooseAndSave(
    const QString &caption, const QString &suffix, const QString &filter, bool (RunKeeper::*save)(const QString &))
{
    if (m_busy)
        return;
    const QString path = m_chooseFile(caption, suggestedPath(suffix), filter, true);
    if (path.isEmpty())
        return;
    m_folder = QFileInfo(path).absolutePath();
    (this->*save)(path);
}

// --- Replaying ---------------------------------------------------------------

// Runs a replay to its end with the event loop turning between slices. A
// progress dialog appears once the replay has taken a moment; until then user
// input waits, so nothing can start a second command or change the window
// underneath. `failed` lets a caller stop early (a write that failed).
RunKeeper::Outcome RunKeeper::replay(
    ScenarioReplay &replay, std::uint64_t totalTicks, const QString &label, const std::function<bool()> &failed)
{
    QProgressDialog progress(label, tr("Cancel"), 0, progressSteps, &m_window);
    progress.setObjectName(QStringLiteral("replayProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(progressDelayMilliseconds);
    progress.setAutoReset(false);
    progress.setValue(0);
    m_busy = true;
    QElapsedTimer slice;
    ScenarioReplay::Status status = ScenarioReplay::Status::Running;
    while (status == ScenarioReplay::Status::Running) {
        slice.start();
        do
            status = replay.advance(ticksPerClockCheck);
        while (status == ScenarioReplay::Status::Running && slice.elapsed() < sliceMilliseconds);
        if (failed && failed())
            break;
        const double done
            = totalTicks == 0 ? 1.0 : static_cast<double>(replay.ticks()) / static_cast<double>(totalTicks);
        progress.setValue(static_cast<int>(done * (progressSteps - 1)));
        QCoreApplication::processEvents(
            progress.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        if (progress.wasCanceled()) {
            m_busy = false;
            return Outcome::Cancelled;
        }
    }
    m_busy = false;
    const bool done = status == ScenarioReplay::Status::Finished && !(failed && failed());
    return done ? Outcome::Done : Outcome::Failed;
}

bool RunKeeper::openScenario(const QString &path)
{
    if (m_busy)
        return false;
    const QString shown = QDir::toNativeSeparators(path);
    const auto cannotOpen = [&](const QString &reason) {
        m_report(tr("Cannot open \"%1\".\n\n%2").arg(shown, reason));
        return false;
    };
    QFile probe(path);
    if (QFileInfo(path).isDir() || !probe.open(QIODevice::ReadOnly))
        return cannotOpen(QFileInfo(path).isDir() ? tr("It is a folder.") : probe.errorString());
    probe.close();

    std::ifstream file(QFile::encodeName(path).toStdString(), std::ios::binary);
    const ScenarioCheck check = checkScenario(file);
    if (!check.error.empty())
        return cannotOpen(QString::fromStdString(check.error));
    if (file.bad())
        return cannotOpen(tr("The file could not be read to its end."));
    file.clear();
    file.seekg(0);

    RunRecorder recorder;
    ScenarioReplay replaying(file, nullptr, &recorder);
    replaying.setTickFunction(m_replayTick);
    const bool wasRunning = m_timer.isActive();
    m_timer.stop();
    const Outcome outcome
        = replay(replaying, check.ticks, tr("Replaying \"%1\"...").arg(QFileInfo(path).fileName()), {});
    if (outcome != Outcome::Done) {
        if (wasRunning)
            m_timer.start();
        if (outcome == Outcome::Failed)
            return cannotOpen(QString::fromStdString(replaying.error()));
        return false;
    }
    adopt(replaying, std::move(recorder));
    return true;
}

// Puts the replayed run into the window: every control a tick reads or
// writes, the trace since the last clear, and the model's state. The timer
// stays off, waiting for Start, and recording goes on from the replayed run.
void RunKeeper::adopt(const ScenarioReplay &replay, RunRecorder recorder)
{
    const MemoryWindow &memory = replay.window();
    for (int slider = 1; slider <= sliderCount; ++slider)
        m_controls.sliders[static_cast<std::size_t>(slider - 1)]->setValue(memory.slider(slider));
    setOption(*m_controls.option1, memory.option1());
    setOption(*m_controls.option2, memory.option2());
    for (int box = 1; box <= readoutCount; ++box)
        m_controls.texts[static_cast<std::size_t>(box - 1)]->setText(
            QString::fromStdString(memory.text(static_cast<Readout>(box))));

    // The in-memory window starts with white for the plot's drawing colour at
    // load; the real plot starts with the scheme's window background.
    PlotArea &plot = *m_controls.picture1;
    const std::int32_t loadColour = MemoryWindow().drawColour();
    const auto plotColour = [&](std::int32_t colour) {
        return colour == loadColour ? colourValue(plot.palette().color(QPalette::Base)) : colour;
    };
    plot.clearPoints();
    for (const PlottedPoint &point : memory.points()) {
        plot.setDrawColour(plotColour(point.colour));
        plot.plotPoint(point.x, point.y);
    }
    plot.setDrawColour(plotColour(memory.drawColour()));

    m_state = replay.state();
    m_recorder = std::move(recorder);
}

// --- Saving ------------------------------------------------------------------

// QSaveFile writes beside the target and renames only on commit, so a failed
// save leaves whatever file was there untouched.
bool RunKeeper::saveScenario(const QString &path)
{
    QSaveFile file(path);
    const std::string text = scenario();
    const auto size = static_cast<qint64>(text.size());
    if (file.open(QIODevice::WriteOnly) && file.write(text.data(), size) == size && file.commit())
        return true;
    m_report(tr("Cannot save \"%1\".\n\n%2\n\nThe run is still kept: try again, perhaps in another folder.")
                 .arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
}

bool RunKeeper::saveTable(const QString &path)
{
    QSaveFile file(path);
    const auto failed = [&](const QString &reason) {
        m_report(tr("Cannot save \"%1\".\n\n%2\n\nThe run is still kept: try again, perhaps in another folder.")
                     .arg(QDir::toNativeSeparators(path), reason));
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    bool writeFailed = false;
    TraceWriter trace([&](std::string_view block) {
        const auto size = static_cast<qint64>(block.size());
        if (!writeFailed && file.write(block.data(), size) != size)
            writeFailed = true;
    });
    std::istringstream scenario(this->scenario());
    ScenarioReplay replaying(scenario, &trace, nullptr);
    const Outcome outcome
        = replay(replaying, m_recorder.ticks(), tr("Writing the table..."), [&] { return writeFailed; });
    if (outcome == Outcome::Cancelled) {
        writeFailed = true; // nothing more goes into the abandoned file
        file.cancelWriting();
        return false;
    }
    trace.flush();
    if (outcome == Outcome::Failed && !writeFailed) {
        file.cancelWriting();
        return failed(QString::fromStdString(replaying.error()));
    }
    if (writeFailed || !file.commit())
        return failed(file.errorString());
    return true;
}

bool RunKeeper::savePicture(const QString &path)
{
    // grab() renders at the screen's scale: a window at 200 % saves twice the
    // pixels, as it is shown.
    const QPixmap picture = m_window.grab();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit())
        return true;
    m_report(tr("Cannot save \"%1\".\n\n%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
}

} // namespace talbrix
