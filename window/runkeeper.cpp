#include "runkeeper.h"

#include "beatlog.h"
#include "beatpanel.h"
#include "caselink.h"
#include "csvoutput.h"
#include "lessonpanel.h"
#include "lessonresult.h"
#include "reference.h"
#include "ml.h"
#include "replayjob.h"
#include "replayprogress.h"
#include "runmenu.h"
#include "shown.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QToolTip>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace talbrix {

namespace {

constexpr int noticeMilliseconds = 4000;
const QString scenarioSuffix = QStringLiteral("talbrix");

// The kinds of file a dialog offers, ";;" between them, in the language in
// use: the dialog shows them as given.
QString filtersOf(std::initializer_list<const char *> keys)
{
    QStringList filters;
    for (const char *key : keys)
        filters << shown(key);
    return filters.join(QStringLiteral(";;"));
}

QString scenarioFilter()
{
    return filtersOf({ "file.filter.runs", "file.filter.all" });
}

QString openFilter()
{
    return filtersOf(
        { "file.filter.talbrix", "file.filter.runs", "file.filter.lessons", "file.filter.results", "file.filter.all" });
}

const QString resultSuffix = QStringLiteral("result");

// Both kinds of table are CSV files: the kind chosen in the save dialog
// decides the form, the standard one unless the user picks the other. The
// dialog hands back the kind's text, compared with the same language's.
QString tableFilterOf(RunKeeper::TableForm form)
{
    return shown(form == RunKeeper::TableForm::DecimalComma ? "file.filter.decimal-comma" : "file.filter.csv");
}

QString cannotOpenMessage(const QString &path, const QString &reason)
{
    return shown("file.cannot-open", { QDir::toNativeSeparators(path).toStdString() }) + QStringLiteral("\n\n")
        + reason;
}

// A question with its buttons in the language in use (Qt's own would be
// English); the first button is the default. Returns the button chosen.
int ask(QWidget &parent, const QString &question,
    std::initializer_list<std::pair<QMessageBox::StandardButton, const char *>> buttons)
{
    QMessageBox box(QMessageBox::Question, parent.windowTitle(), question, QMessageBox::NoButton, &parent);
    for (const auto &[button, key] : buttons)
        box.addButton(button)->setText(shown(key));
    box.setDefaultButton(buttons.begin()->first);
    return box.exec();
}

// A line (or lines) to type, OK and Cancel in the language in use; empty
// when the user cancelled.
QString askText(QWidget &parent, const QString &title, const QString &label, bool severalLines)
{
    QInputDialog dialog(&parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    if (severalLines)
        dialog.setOption(QInputDialog::UsePlainTextEditForTextInput);
    dialog.setOkButtonText(shown("lesson.dialog.ok"));
    dialog.setCancelButtonText(shown("lesson.dialog.cancel"));
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

std::string inForm(std::string table, RunKeeper::TableForm form)
{
    return form == RunKeeper::TableForm::DecimalComma ? DecimalCommaCsv().convert(table) : table;
}

QString chooseWithDialog(QWidget *parent, const QString &caption, const QString &suggestedPath, const QString &filter,
    bool forSaving, QString &chosenFilter)
{
    QFileDialog dialog(parent, caption, suggestedPath, filter);
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Typing a bare name saves with the suffix of the kind of file offered.
    dialog.setDefaultSuffix(QFileInfo(suggestedPath).suffix());
    if (!chosenFilter.isEmpty())
        dialog.selectNameFilter(chosenFilter);
    if (!forSaving)
        dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

// Holds the run commands while one of them runs.
class Holding {
public:
    explicit Holding(RunMenu &menu)
        : m_menu(menu)
    {
        m_menu.hold(true);
    }
    ~Holding() { m_menu.hold(false); }
    Holding(const Holding &) = delete;
    Holding &operator=(const Holding &) = delete;

private:
    RunMenu &m_menu;
};

} // namespace

RunKeeper::RunKeeper(Ml &window)
    : QObject(&window)
    , m_window(window)
    , m_menu(new RunMenu(window))
    , m_chooseFile(
          [this](const QString &caption, const QString &path, const QString &filter, bool forSaving, QString &chosen) {
              return chooseWithDialog(&m_window, caption, path, filter, forSaving, chosen);
          })
    , m_report([this](const QString &message) { QMessageBox::warning(&m_window, m_window.windowTitle(), message); })
    // A tooltip over the form's corner: it goes by itself and covers nothing
    // the user is working with for longer than it takes to read.
    , m_notice([this](const QString &message) {
        QToolTip::showText(m_window.mapToGlobal(QPoint(8, 8)), message, &m_window, {}, noticeMilliseconds);
    })
    , m_askToSave([this] {
        return ask(m_window, shown("file.unsaved-run"),
            { { QMessageBox::Save, "lesson.dialog.save" }, { QMessageBox::Discard, "lesson.dialog.discard" },
                { QMessageBox::Cancel, "lesson.dialog.cancel" } });
    })
    , m_askToSaveAnswers([this] {
        return ask(m_window, shown("lesson.unsaved-question"),
            { { QMessageBox::Save, "lesson.dialog.save" }, { QMessageBox::Discard, "lesson.dialog.discard" },
                { QMessageBox::Cancel, "lesson.dialog.cancel" } });
    })
    , m_askName([this](const QString &title) {
        return askText(m_window, m_window.windowTitle(), shown("lesson.name-question", { title.toStdString() }), false)
            .simplified();
    })
    , m_offerResult([this] {
        return ask(m_window, shown("lesson.finished-question"),
                   { { QMessageBox::Save, "lesson.dialog.save" }, { QMessageBox::Cancel, "lesson.dialog.not-now" } })
            == QMessageBox::Save;
    })
    , m_folder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
{
    setObjectName(QStringLiteral("runKeeper"));
    m_askLink = [this] {
        // Several lines, for a long link a mail program broke up.
        return askText(m_window, shown("link.dialog.title"), shown("link.dialog.prompt"), true);
    };
    connect(m_menu->savePicture(), &QAction::triggered, this, [this] {
        chooseAndSave(shown("file.dialog.save-picture"), QStringLiteral("png"), shown("file.filter.png"),
            &RunKeeper::savePicture);
    });
    connect(m_menu->saveTable(), &QAction::triggered, this,
        [this] { chooseAndSaveTable(shown("file.dialog.save-table"), &RunKeeper::saveTable); });
    connect(m_menu->saveScenario(), &QAction::triggered, this, [this] {
        chooseAndSave(shown("file.dialog.save-scenario"), scenarioSuffix, scenarioFilter(), &RunKeeper::saveScenario);
    });
    connect(m_menu->openScenario(), &QAction::triggered, this, &RunKeeper::chooseAndOpen);
    connect(m_menu->openLink(), &QAction::triggered, this, &RunKeeper::askAndOpenLink);
    connect(m_menu->showBeats(), &QAction::triggered, this, &RunKeeper::showBeatPanel);
    connect(m_menu->holdReference(), &QAction::triggered, &m_window, &Ml::holdReference);
    connect(m_menu->clearReference(), &QAction::triggered, &m_window, &Ml::clearReference);
    connect(m_menu->saveBeatLog(), &QAction::triggered, this,
        [this] { chooseAndSaveTable(shown("file.dialog.save-beat-log"), &RunKeeper::saveBeatLog); });
    connect(m_menu->saveComparison(), &QAction::triggered, this,
        [this] { chooseAndSaveTable(shown("file.dialog.save-comparison"), &RunKeeper::saveComparison); });
    connect(m_menu->lessons(), &QAction::triggered, this, &RunKeeper::chooseLesson);
    connect(m_menu->saveResult(), &QAction::triggered, this, [this] {
        if (!m_menu->held())
            chooseAndSaveResult();
    });
    connect(&m_window, &Ml::referenceChanged, this, &RunKeeper::showReferenceState);
    showReferenceState();
    showLessonState();
}

void RunKeeper::showLessonState()
{
    m_menu->saveResult()->setEnabled(m_lessonPanel && m_lessonPanel->hasLesson());
}

// Clearing and comparing need a reference to act on.
void RunKeeper::showReferenceState()
{
    const bool held = m_window.run().reference().has_value();
    m_menu->clearReference()->setEnabled(held);
    m_menu->saveComparison()->setEnabled(held);
}

void RunKeeper::showBeatPanel()
{
    if (!m_beatPanel) {
        m_beatPanel = new BeatPanel(m_window,
            { m_menu->holdReference(), m_menu->clearReference(), m_menu->saveBeatLog(), m_menu->saveComparison() });
    }
    m_beatPanel->show();
    m_beatPanel->raise();
    m_beatPanel->activateWindow();
}

void RunKeeper::relabel()
{
    m_menu->relabel();
    if (m_beatPanel)
        m_beatPanel->relabel();
    if (m_lessonPanel)
        m_lessonPanel->relabel();
}

std::string RunKeeper::scenario() const
{
    return m_window.scenario();
}

void RunKeeper::showMenu(const QPoint &globalPosition)
{
    m_menu->show(globalPosition);
}

bool RunKeeper::handleMenuKey(const QKeyEvent &event)
{
    return m_menu->handleMenuKey(event);
}

bool RunKeeper::mayDiscardAnswers()
{
    if (!m_lessonPanel || !m_lessonPanel->hasLesson() || !m_lessonPanel->lesson().unsaved())
        return true;
    switch (m_askToSaveAnswers()) {
    case QMessageBox::Save:
        chooseAndSaveResult();
        return !m_lessonPanel->lesson().unsaved();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool RunKeeper::mayDiscardRun()
{
    if (m_menu->held() || !mayDiscardAnswers())
        return false;
    if (m_window.ticks() == m_keptTicks)
        return true; // nothing ran since the run was opened or saved
    switch (m_askToSave()) {
    case QMessageBox::Save:
        chooseAndSave(shown("file.dialog.save-scenario"), scenarioSuffix, scenarioFilter(), &RunKeeper::saveScenario);
        return m_window.ticks() == m_keptTicks;
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

// --- Choosing files ----------------------------------------------------------

void RunKeeper::setFileChooser(PathChooser chooser)
{
    m_chooseFile
        = [chooser = std::move(chooser)](const QString &caption, const QString &suggested, const QString &filter,
              bool forSaving, QString &) { return chooser(caption, suggested, filter, forSaving); };
}

QString RunKeeper::suggestedPath(const QString &suffix) const
{
    return QDir(m_folder).filePath(QStringLiteral("talbrix-run.") + suffix);
}

void RunKeeper::chooseAndOpen()
{
    if (m_menu->held())
        return;
    QString chosenFilter;
    const QString path = m_chooseFile(shown("file.dialog.open-scenario"), m_folder, openFilter(), false, chosenFilter);
    if (path.isEmpty())
        return;
    m_folder = QFileInfo(path).absolutePath();
    openScenario(path);
}

void RunKeeper::askAndOpenLink()
{
    if (m_menu->held())
        return;
    const QString link = m_askLink ? m_askLink() : QString();
    if (!link.trimmed().isEmpty())
        openLink(link);
}

// A link handed out from the page: its case opens as its file would.
bool RunKeeper::openLink(const QString &link)
{
    if (m_menu->held())
        return false;
    const Holding holding(*m_menu);
    const CaseLinkReading reading = readCaseLink(link.toStdString());
    if (!reading.error.empty()) {
        m_report(shown("link.cannot-open") + QStringLiteral("\n\n") + QString::fromStdString(reading.error));
        return false;
    }
    return openText(reading.text, shown("link.name"));
}

void RunKeeper::chooseAndSave(
    const QString &caption, const QString &suffix, const QString &filter, bool (RunKeeper::*save)(const QString &))
{
    if (m_menu->held())
        return;
    QString chosenFilter;
    const QString path = m_chooseFile(caption, suggestedPath(suffix), filter, true, chosenFilter);
    if (path.isEmpty())
        return;
    m_folder = QFileInfo(path).absolutePath();
    (this->*save)(path);
}

// The kind of table chosen last is offered first, for the window's life: a
// class in a decimal-comma country picks it once. The form is kept, not its
// text, so that it survives a change of language.
void RunKeeper::chooseAndSaveTable(const QString &caption, bool (RunKeeper::*save)(const QString &, TableForm))
{
    if (m_menu->held())
        return;
    QString chosenFilter = tableFilterOf(m_tableForm);
    const QString filters = filtersOf({ "file.filter.csv", "file.filter.decimal-comma" });
    const QString path = m_chooseFile(caption, suggestedPath(QStringLiteral("csv")), filters, true, chosenFilter);
    if (path.isEmpty())
        return;
    m_folder = QFileInfo(path).absolutePath();
    m_tableForm
        = chosenFilter == tableFilterOf(TableForm::DecimalComma) ? TableForm::DecimalComma : TableForm::Standard;
    (this->*save)(path, m_tableForm);
}

// --- Opening -----------------------------------------------------------------

bool RunKeeper::openScenario(const QString &path)
{
    if (m_menu->held())
        return false;
    const Holding holding(*m_menu);
    const auto cannotOpen = [&](const QString &reason) {
        m_report(cannotOpenMessage(path, reason));
        return false;
    };
    // Only a whole file can be checked before it is replayed: a pipe or a
    // device has no end to wait for (a FIFO with no writer would never
    // answer, /dev/zero never end).
    const QFileInfo info(path);
    if (info.isDir())
        return cannotOpen(shown("file.is-folder"));
    if (info.exists() && !info.isFile())
        return cannotOpen(shown("file.not-regular-to-open"));
    if (info.size() > static_cast<qint64>(maxOpenedBytes))
        return cannotOpen(QString::fromStdString(tooLargeToOpen()));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return cannotOpen(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return cannotOpen(shown("file.not-read-to-end"));
    file.close();

    return openText(bytes.toStdString(), path);
}

bool RunKeeper::openText(const std::string &text, const QString &path)
{
    const FileKind kind = fileKindOf(text);
    if (kind == FileKind::Lesson)
        return openLessonText(text, path);
    if (kind == FileKind::Result)
        return openResult(text, path);
    // Another run ends the lesson that watched this one.
    if (!mayDiscardAnswers())
        return false;
    if (!replayIntoWindow(text, QFileInfo(path).fileName(), path))
        return false;
    if (m_lessonPanel)
        m_lessonPanel->close();
    showLessonState();
    const QString name = QFileInfo(path).fileName();
    m_notice(shown(m_keptTicks == 1 ? "file.opened.one" : "file.opened.other",
        { name.toStdString(), std::to_string(m_keptTicks) }));
    return true;
}

bool RunKeeper::replayIntoWindow(const std::string &scenario, const QString &name, const QString &path)
{
    const auto job = ReplayJob::opening(scenario);
    job->setTickFunction(m_replayTick);
    const bool wasRunning = m_window.stopTimer();
    const ReplayProgress::Outcome outcome
        = ReplayProgress::run(m_window, *job, shown("file.replaying", { name.toStdString() }));
    if (outcome != ReplayProgress::Outcome::Done) {
        if (wasRunning)
            m_window.restartTimer();
        if (outcome == ReplayProgress::Outcome::Failed)
            m_report(cannotOpenMessage(path, QString::fromStdString(job->error())));
        return false;
    }
    m_window.adoptRun(job->window(), job->takeRun());
    m_keptTicks = m_window.ticks();
    return true;
}

// --- Lessons -----------------------------------------------------------------

QStringList RunKeeper::shippedLessons()
{
    return QDir(QStringLiteral(":/lessons")).entryList({ QStringLiteral("*.lesson") }, QDir::Files, QDir::Name);
}

std::string RunKeeper::shippedLesson(const QString &fileName)
{
    QFile file(QStringLiteral(":/lessons/") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

LessonPanel &RunKeeper::showLessonPanel()
{
    if (!m_lessonPanel) {
        m_lessonPanel = new LessonPanel(m_window, m_menu->saveResult());
        connect(m_lessonPanel, &LessonPanel::finished, this, &RunKeeper::offerResult);
    }
    m_lessonPanel->show();
    m_lessonPanel->raise();
    return *m_lessonPanel;
}

void RunKeeper::offerResult()
{
    if (m_offerResult())
        chooseAndSaveResult();
}

// Also asked for while another file is being opened, when the commands are
// held: the answers are saved before anything replaces them.
void RunKeeper::chooseAndSaveResult()
{
    // Named after the student, as a teacher collects them.
    QString name = m_lessonPanel && m_lessonPanel->hasLesson()
        ? QString::fromStdString(m_lessonPanel->lesson().student())
        : QString();
    name.replace(QRegularExpression(QStringLiteral("[^\\w-]+")), QStringLiteral("-"));
    const QString suggested = name.isEmpty() ? suggestedPath(resultSuffix)
                                             : QDir(m_folder).filePath(name + QLatin1Char('.') + resultSuffix);
    QString chosenFilter;
    const QString path
        = m_chooseFile(shown("file.dialog.save-result"), suggested, shown("file.filter.results"), true, chosenFilter);
    if (path.isEmpty())
        return;
    m_folder = QFileInfo(path).absolutePath();
    saveResult(path);
}

bool RunKeeper::openLesson(const std::string &text, const QString &path)
{
    if (m_menu->held())
        return false;
    const Holding holding(*m_menu);
    return openLessonText(text, path);
}

bool RunKeeper::openLessonText(const std::string &text, const QString &path)
{
    LessonReading reading = readLesson(text);
    if (!reading.lesson) {
        m_report(cannotOpenMessage(path, QString::fromStdString(reading.error)));
        return false;
    }
    if (!mayDiscardAnswers())
        return false;
    const QString title = QString::fromStdString(reading.lesson->title);
    const QString student = m_askName(title);
    if (student.isEmpty())
        return false;
    if (!replayIntoWindow(reading.lesson->caseScenario, title, path))
        return false;
    showLessonPanel().start(normalisedText(text), std::move(*reading.lesson), student.toStdString());
    showLessonState();
    m_notice(shown("lesson.opened", { title.toStdString() }));
    return true;
}

bool RunKeeper::openResult(const std::string &text, const QString &path)
{
    const auto cannotOpen = [&](const std::string &reason) {
        m_report(cannotOpenMessage(path, QString::fromStdString(reason)));
        return false;
    };
    const ResultReading reading = readResult(text);
    if (!reading.result)
        return cannotOpen(reading.error);
    const LessonResult &result = *reading.result;
    LessonReading lessonReading = readLesson(result.lessonText);
    if (!lessonReading.lesson)
        return cannotOpen(textOf("file.lesson-in-result", { lessonReading.error }));
    if (!mayDiscardAnswers())
        return false;
    const ResultCheck check = checkResult(*lessonReading.lesson, result);
    const QString name = QFileInfo(path).fileName();
    if (!replayIntoWindow(result.run, name, path))
        return false;
    LessonRun lesson(std::move(*lessonReading.lesson), result.student);
    lesson.restore(result.answers, check.marks, check.observations, result.reached, result.finished);
    const QString verification = check.verified ? shown("lesson.verified", { result.student })
                                                : shown("lesson.not-verified", { check.problem });
    showLessonPanel().restore(result.lessonText, std::move(lesson), verification);
    showLessonState();
    m_notice(shown("file.opened-result", { name.toStdString(), verification.toStdString() }));
    return true;
}

void RunKeeper::chooseLesson()
{
    if (m_menu->held())
        return;
    QDialog dialog(&m_window);
    dialog.setObjectName(QStringLiteral("lessonsDialog"));
    dialog.setWindowTitle(shown("lesson.chooser.title"));
    auto *list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("lessonList"));
    list->setAccessibleName(shown("lesson.chooser.list"));
    auto *notes = new QLabel(&dialog);
    notes->setObjectName(QStringLiteral("lessonNotes"));
    notes->setWordWrap(true);
    notes->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    for (const QString &file : shippedLessons()) {
        const LessonReading reading = readLesson(shippedLesson(file));
        if (!reading.lesson)
            continue;
        auto *item = new QListWidgetItem(QString::fromStdString(reading.lesson->title), list);
        item->setData(Qt::UserRole, file);
        QStringList lines;
        for (const std::string &line : reading.lesson->notes)
            lines << QString::fromStdString(line);
        item->setData(Qt::UserRole + 1, lines.join(QStringLiteral("\n\n")));
    }
    connect(list, &QListWidget::currentItemChanged, notes, [notes](QListWidgetItem *item) {
        notes->setText(item ? shown("lesson.chooser.notes", { item->data(Qt::UserRole + 1).toString().toStdString() })
                            : QString());
    });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Open)->setText(shown("lesson.chooser.open"));
    buttons->button(QDialogButtonBox::Cancel)->setText(shown("lesson.dialog.cancel"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(list, 1);
    layout->addWidget(notes);
    layout->addWidget(buttons);
    list->setCurrentRow(0);
    dialog.resize(520, 420);
    if (dialog.exec() != QDialog::Accepted || !list->currentItem())
        return;
    const QString file = list->currentItem()->data(Qt::UserRole).toString();
    openLesson(shippedLesson(file), file);
}

bool RunKeeper::saveResult(const QString &path)
{
    if (!m_lessonPanel || !m_lessonPanel->hasLesson())
        return cannotSave(path, shown("file.no-lesson"), true);
    const std::string text
        = resultText(m_lessonPanel->lesson(), m_lessonPanel->lessonText(), m_window.scenario(), utcNow());
    // A failed save keeps every answer: the lesson stays as it is.
    if (!saveText(path, text))
        return false;
    m_lessonPanel->markSaved();
    m_keptTicks = m_window.ticks(); // the run is in the result
    return true;
}

// --- Saving ------------------------------------------------------------------

bool RunKeeper::cannotSave(const QString &path, const QString &reason, bool runKept)
{
    QString message
        = shown("file.cannot-save", { QDir::toNativeSeparators(path).toStdString() }) + QStringLiteral("\n\n") + reason;
    if (runKept)
        message += QStringLiteral("\n\n") + shown("file.still-kept");
    m_report(message);
    return false;
}

// Saving replaces a file by renaming a new one over it, which would turn a
// device node or a pipe into a plain file and report success.
bool RunKeeper::isSpecialFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

// QSaveFile writes beside the target and renames only on commit, so a failed
// save leaves whatever file was there untouched.
bool RunKeeper::saveText(const QString &path, const std::string &text)
{
    if (isSpecialFile(path))
        return cannotSave(path, shown("file.not-regular"), true);
    QSaveFile file(path);
    const auto size = static_cast<qint64>(text.size());
    if (file.open(QIODevice::WriteOnly) && file.write(text.data(), size) == size && file.commit())
        return true;
    return cannotSave(path, file.errorString(), true);
}

bool RunKeeper::saveScenario(const QString &path)
{
    if (!saveText(path, scenario()))
        return false;
    m_keptTicks = m_window.ticks();
    return true;
}

bool RunKeeper::saveBeatLog(const QString &path, TableForm form)
{
    return saveText(path, inForm(beatTable(m_window.run().beatLog()), form));
}

bool RunKeeper::saveComparison(const QString &path, TableForm form)
{
    const RecordedRun &run = m_window.run();
    if (!run.reference())
        return cannotSave(path, shown("file.no-reference"), true);
    return saveText(
        path, inForm(comparisonTable(*run.comparison(m_window), *run.reference(), m_window.controlSettings()), form));
}

bool RunKeeper::saveTable(const QString &path, TableForm form)
{
    if (m_menu->held())
        return false;
    const Holding holding(*m_menu);
    if (isSpecialFile(path))
        return cannotSave(path, shown("file.not-regular"), true);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return cannotSave(path, file.errorString(), true);
    CsvOutput::Sink write = [&file](std::string_view block) {
        const auto size = static_cast<qint64>(block.size());
        if (file.write(block.data(), size) != size)
            throw TraceWriteError(file.errorString().toStdString());
    };
    if (form == TableForm::DecimalComma)
        write = DecimalCommaCsv::sink(std::move(write));
    const auto job = ReplayJob::table(scenario(), std::move(write));
    const ReplayProgress::Outcome outcome = ReplayProgress::run(m_window, *job, shown("file.writing-table"));
    if (outcome == ReplayProgress::Outcome::Cancelled) {
        file.cancelWriting();
        return false;
    }
    if (outcome == ReplayProgress::Outcome::Failed) {
        file.cancelWriting();
        return cannotSave(path, QString::fromStdString(job->error()), true);
    }
    if (!file.commit())
        return cannotSave(path, file.errorString(), true);
    return true;
}

bool RunKeeper::savePicture(const QString &path)
{
    // grab() renders at the screen's scale: a window at 200 % saves twice the
    // pixels, as it is shown.
    if (isSpecialFile(path))
        return cannotSave(path, shown("file.not-regular"), false);
    const QPixmap picture = m_window.grab();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit())
        return true;
    return cannotSave(path, file.errorString(), false);
}

} // namespace talbrix
