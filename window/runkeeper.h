#pragma once

#include "recordedrun.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QKeyEvent;
class QPoint;

namespace talbrix {

class BeatPanel;
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
    using FileChooser = std::function<QString(
        const QString &caption, const QString &suggestedPath, const QString &filter, bool forSaving)>;
    // Tells the user why a command failed.
    using MessageReporter = std::function<void(const QString &message)>;
    // Asks whether to save a run before it is thrown away: a
    // QMessageBox::Save, Discard or Cancel.
    using SaveQuestion = std::function<int()>;

    explicit RunKeeper(Ml &window);

    // The run so far as scenario text, ending with the controls as they are.
    std::string scenario() const;

    // False when the file could not be opened or replayed (the user has been
    // told why) or the user cancelled.
    bool openScenario(const QString &path);
    bool saveScenario(const QString &path);
    bool saveTable(const QString &path);
    bool savePicture(const QString &path);
    bool saveBeatLog(const QString &path);
    bool saveComparison(const QString &path);

    // Before the window closes: true when nothing would be lost, or the user
    // saved the run or chose to discard it.
    bool mayDiscardRun();

    void showMenu(const QPoint &globalPosition);
    bool handleMenuKey(const QKeyEvent &event);

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setMessageReporter(MessageReporter reporter) { m_report = std::move(reporter); }
    // What was opened, said briefly and asking nothing of the user.
    void setNoticeReporter(MessageReporter reporter) { m_notice = std::move(reporter); }
    void setReplayTick(RecordedRun::TickFunction tick) { m_replayTick = tick; }
    void setSaveQuestion(SaveQuestion question) { m_askToSave = std::move(question); }

private:
    void chooseAndOpen();
    void chooseAndSave(
        const QString &caption, const QString &suffix, const QString &filter, bool (RunKeeper::*save)(const QString &));
    bool cannotSave(const QString &path, const QString &reason, bool runKept);
    bool saveText(const QString &path, const std::string &text);
    void showBeatPanel();
    void showReferenceState();
    static bool isSpecialFile(const QString &path);
    QString suggestedPath(const QString &suffix) const;

    Ml &m_window;
    RunMenu *m_menu;
    BeatPanel *m_beatPanel = nullptr;
    FileChooser m_chooseFile;
    MessageReporter m_report;
    MessageReporter m_notice;
    SaveQuestion m_askToSave;
    std::uint64_t m_keptTicks = 0; // the run's ticks when it was last opened or saved
    RecordedRun::TickFunction m_replayTick = &runTick;
    QString m_folder; // where the last file was opened or saved
};

} // namespace talbrix
