#pragma once

#include "recordedrun.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>

class QKeyEvent;
class QPoint;

namespace talbrix {

class BeatPanel;
class LessonPanel;
class Ml;
class RunMenu;

// Carries out the commands that take a run out of the window or bring one
// in: save the picture, the table of every tick and the scenario, and open a
// scenario. The window keeps the run and owns its controls; this asks for
// file names, reads and writes the files, and hands an opened run to the
// window to adopt.
//
// Opening reads the file once, whole, and replays it against an in-memory
// window first, so a bad file, a failing tick or a cancelled replay leaves
// the window exactly as it was. Saving goes through a temporary file that
// replaces the target only when complete.
class RunKeeper : public QObject {
    Q_OBJECT

public:
    // Asks for a file name; an empty result means the user cancelled.
    // `filter` may offer several kinds (";;" between them): `chosenFilter`
    // comes in as the one to show first and goes out as the one chosen.
    using FileChooser = std::function<QString(const QString &caption, const QString &suggestedPath,
        const QString &filter, bool forSaving, QString &chosenFilter)>;
    // A chooser that leaves the kind as first shown.
    using PathChooser = std::function<QString(
        const QString &caption, const QString &suggestedPath, const QString &filter, bool forSaving)>;
    // Tells the user why a command failed.
    using MessageReporter = std::function<void(const QString &message)>;
    // Asks whether to save a run, or a lesson's answers, before they are
    // thrown away: a QMessageBox::Save, Discard or Cancel.
    using SaveQuestion = std::function<int()>;
    // Asks the student's name for a lesson; empty when the user cancelled.
    using NameQuestion = std::function<QString(const QString &lessonTitle)>;
    // Offers to save the result once a lesson is finished: true to save.
    using ResultOffer = std::function<bool()>;

    // The form a table is saved in: the standard CSV that talbrix-trace
    // prints, or that table for spreadsheets that read a decimal comma.
    enum class TableForm { Standard, DecimalComma };

    explicit RunKeeper(Ml &window);

    // The run so far as scenario text, ending with the controls as they are.
    std::string scenario() const;

    // Opens a scenario, a lesson or a lesson's result, told apart by their
    // first line. False when the file could not be opened or replayed (the
    // user has been told why) or the user cancelled.
    bool openScenario(const QString &path);
    // Opens the case of a link to the page, as Open Link... does.
    bool openLink(const QString &link);
    // A lesson's text, from a file or from those that ship with Talbrix.
    bool openLesson(const std::string &text, const QString &path);
    bool saveResult(const QString &path);
    // The lessons that ship with Talbrix, by file name.
    static QStringList shippedLessons();
    static std::string shippedLesson(const QString &fileName);
    LessonPanel *lessonPanel() const { return m_lessonPanel; }
    bool saveScenario(const QString &path);
    bool saveTable(const QString &path, TableForm form = TableForm::Standard);
    bool savePicture(const QString &path);
    bool saveBeatLog(const QString &path, TableForm form = TableForm::Standard);
    bool saveComparison(const QString &path, TableForm form = TableForm::Standard);

    // Before the window closes: true when nothing would be lost, or the user
    // saved the run (and a lesson's answers) or chose to discard it.
    bool mayDiscardRun();
    // Before a lesson is closed or replaced: true when it has no answers that
    // are not saved, or the user saved them or chose to discard them.
    bool mayDiscardAnswers();

    // The commands, the panels beside the form and what opens next in the
    // language now in use; a dialog already open keeps its own.
    void relabel();

    void showMenu(const QPoint &globalPosition);
    bool handleMenuKey(const QKeyEvent &event);

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setFileChooser(PathChooser chooser);
    void setMessageReporter(MessageReporter reporter) { m_report = std::move(reporter); }
    // Asks for a link to open; empty when the user cancelled.
    void setLinkQuestion(std::function<QString()> question) { m_askLink = std::move(question); }
    // What was opened, said briefly and asking nothing of the user.
    void setNoticeReporter(MessageReporter reporter) { m_notice = std::move(reporter); }
    void setReplayTick(RecordedRun::TickFunction tick) { m_replayTick = tick; }
    void setSaveQuestion(SaveQuestion question) { m_askToSave = std::move(question); }
    void setAnswersQuestion(SaveQuestion question) { m_askToSaveAnswers = std::move(question); }
    void setNameQuestion(NameQuestion question) { m_askName = std::move(question); }
    void setResultOffer(ResultOffer offer) { m_offerResult = std::move(offer); }

private:
    void chooseAndOpen();
    void askAndOpenLink();
    bool openText(const std::string &text, const QString &path);
    bool openLessonText(const std::string &text, const QString &path);
    bool openResult(const std::string &text, const QString &path);
    // Replays a scenario with progress and hands the run to the window; false
    // when it failed (the user has been told why) or was cancelled.
    bool replayIntoWindow(const std::string &scenario, const QString &name, const QString &path);
    LessonPanel &showLessonPanel();
    void chooseLesson();
    void offerResult();
    void chooseAndSaveResult();
    void showLessonState();
    void chooseAndSave(
        const QString &caption, const QString &suffix, const QString &filter, bool (RunKeeper::*save)(const QString &));
    void chooseAndSaveTable(const QString &caption, bool (RunKeeper::*save)(const QString &, TableForm));
    bool cannotSave(const QString &path, const QString &reason, bool runKept);
    bool saveText(const QString &path, const std::string &text);
    void showBeatPanel();
    void showReferenceState();
    static bool isSpecialFile(const QString &path);
    QString suggestedPath(const QString &suffix) const;

    Ml &m_window;
    RunMenu *m_menu;
    BeatPanel *m_beatPanel = nullptr;
    LessonPanel *m_lessonPanel = nullptr;
    FileChooser m_chooseFile;
    MessageReporter m_report;
    MessageReporter m_notice;
    SaveQuestion m_askToSave;
    SaveQuestion m_askToSaveAnswers;
    NameQuestion m_askName;
    ResultOffer m_offerResult;
    std::uint64_t m_keptTicks = 0; // the run's ticks when it was last opened or saved
    RecordedRun::TickFunction m_replayTick = &runTick;
    QString m_folder; // where the last file was opened or saved
    std::function<QString()> m_askLink;
    TableForm m_tableForm = TableForm::Standard; // the kind of table last chosen, offered first next time
};

} // namespace talbrix
