#pragma once

#include "lesson.h"
#include "lessonrun.h"

#include <QWidget>

#include <optional>
#include <string>

class QAction;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace talbrix {

class Ml;

// Beside the form, in a window of its own: the lesson a student follows, a
// step at a time, with its tasks, its prediction controls and what the run
// showed. The lesson watches the window's run after every tick and every
// change of a control; the form itself stays as it is.
class LessonPanel : public QWidget {
    Q_OBJECT

public:
    LessonPanel(Ml &window, QAction *saveResult);

    // A lesson begun afresh on the run the window now holds.
    void start(std::string lessonText, Lesson lesson, const std::string &student);
    // A result reopened: its answers, the marks and observations as the
    // replay took them again, and whether they agree with the file.
    void restore(std::string lessonText, LessonRun lesson, const QString &verification);
    // The lesson let go (the window took another run).
    void close();
    // Every text of the panel again, in the language now in use; a result's
    // verification stays as it was told.
    void relabel();

    bool hasLesson() const { return m_lesson.has_value(); }
    const LessonRun &lesson() const { return *m_lesson; }
    void markSaved() { m_lesson->markSaved(); }
    const std::string &lessonText() const { return m_lessonText; }

    // What the student does, also for tests: answer an item, Back, Next.
    void answer(const std::string &id, const std::string &item, const std::string &value);
    void goBack();
    void goNext();

Q_SIGNALS:
    // The student pressed Next on the last step.
    void finished();

private:
    void watch();
    void showStep();
    void showNavigation();
    void addText(const TextBlock &block);
    void addTask(const Task &task, std::size_t index);
    void addPrediction(const Prediction &prediction);
    void addObservation(const Observation &observation);
    void addQuestion(const Question &question);
    bool answerable(const std::string &id) const;

    Ml &m_window;
    std::optional<LessonRun> m_lesson;
    std::string m_lessonText;
    QLabel *m_heading;
    QLabel *m_verification;
    QWidget *m_page;
    QVBoxLayout *m_items;
    QPushButton *m_back;
    QPushButton *m_next;
    bool m_watching = false; // guards against the lesson's own commands re-entering
};

} // namespace talbrix
