// Lessons in the real window: a scripted student follows every lesson that
// ships, once answering right and once wrong, with the form's own controls
// and the lesson panel's; the results it saves grade as expected and
// verified. A forged result opens as not verified, and bad files, a failed
// save and a cancelled open lose nothing.

#include "mltesting.h"

#include "lessonpanel.h"
#include "lessonresult.h"
#include "lessonstudent.h"
#include "runkeeper.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace mltesting;
using sessiontesting::Answering;

namespace {

struct LessonWindow : QuietWindow {
    QTemporaryDir folder;
    QString nextPath;
    QString suggested; // by the last file dialog
    QStringList messages;
    QString student = QStringLiteral("Ada");
    int answersAsked = 0;
    int answersReply = QMessageBox::Cancel;

    LessonWindow()
    {
        talbrix::RunKeeper &keeper = window.runKeeper();
        keeper.setFileChooser([this](const QString &, const QString &path, const QString &, bool) {
            suggested = path;
            return nextPath;
        });
        keeper.setMessageReporter([this](const QString &message) { messages << message; });
        keeper.setNoticeReporter([](const QString &) { });
        keeper.setNameQuestion([this](const QString &) { return student; });
        keeper.setResultOffer([] { return false; });
        keeper.setAnswersQuestion([this] {
            ++answersAsked;
            return answersReply;
        });
        keeper.setSaveQuestion([] { return int(QMessageBox::Discard); });
    }
    talbrix::LessonPanel *panel() { return window.runKeeper().lessonPanel(); }
    QString path(const QString &name) const { return folder.filePath(name); }
    bool saveResult(const QString &path)
    {
        nextPath = path;
        control<QAction>(window, QStringLiteral("saveResult"))->trigger();
        QFile file(path);
        return file.exists();
    }
    bool open(const QString &path) { return window.runKeeper().openScenario(path); }
};

template <typename Widget>
Widget *inPanel(talbrix::LessonPanel *panel, const std::string &name)
{
    auto *found = panel->findChild<Widget *>(QString::fromStdString(name));
    if (!found)
        qFatal("no %s in the lesson panel", name.c_str());
    return found;
}

// The student's hands on the real window: Start and Pause, the sliders, the
// option buttons and the menu's commands, and the panel's own controls.
class WindowHands final : public sessiontesting::LessonHands {
public:
    // The timer's own firings are kept from the model: the student's ticks
    // are the test's, one at a time, so that the run is the probe's.
    explicit WindowHands(LessonWindow &w)
        : m_w(w)
    {
        control<QTimer>(w.window, QStringLiteral("Timer1"))->blockSignals(true);
    }

    const talbrix::LessonRun &lesson() const override { return m_w.panel()->lesson(); }
    void setRunning(bool running) override
    {
        if (running != m_w.window.running())
            control<QPushButton>(m_w.window, running ? QStringLiteral("Command1") : QStringLiteral("Command2"))->click();
    }
    void tick() override
    {
        if (m_w.window.running())
            m_w.window.Timer1_Timer();
    }
    std::int32_t slider(int number) const override { return mltesting::slider(m_w.window, number)->value(); }
    void setSlider(int number, std::int32_t position) override
    {
        mltesting::slider(m_w.window, number)->setValue(position);
    }
    void fibrillate() override { control<QRadioButton>(m_w.window, QStringLiteral("Option1"))->click(); }
    void defibrillate() override { control<QRadioButton>(m_w.window, QStringLiteral("Option2"))->click(); }
    void holdReference() override { control<QAction>(m_w.window, QStringLiteral("holdReference"))->trigger(); }
    void clearReference() override { control<QAction>(m_w.window, QStringLiteral("clearReference"))->trigger(); }
    void answer(const std::string &id, const std::string &item, const std::string &value) override
    {
        talbrix::LessonPanel *panel = m_w.panel();
        if (talbrix::isQuestion(panel->lesson().lesson(), id)) {
            inPanel<QPlainTextEdit>(panel, id + "_question")->setFocus();
            QTest::keyClicks(inPanel<QPlainTextEdit>(panel, id + "_question"), QString::fromStdString(value));
        } else if (panel->lesson().lesson().prediction(id)->kind == talbrix::Prediction::Kind::Number) {
            auto *edit = inPanel<QLineEdit>(panel, id + "_number");
            edit->clear();
            QTest::keyClicks(edit, QString::fromStdString(value));
        } else {
            inPanel<QRadioButton>(panel, id + '_' + item + '_' + value)->click();
        }
    }
    void next() override { inPanel<QPushButton>(m_w.panel(), "lessonNext")->click(); }

private:
    LessonWindow &m_w;
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The grade table's row for a result file, by column.
std::map<QString, QString> gradeOf(const std::string &lessonText, const QString &path)
{
    const talbrix::LessonReading reading = talbrix::readLesson(lessonText);
    const talbrix::GradeTable table(*reading.lesson, talbrix::lessonIdentity(lessonText));
    const QStringList names = QString::fromStdString(table.header()).trimmed().split(QLatin1Char(','));
    // The cells this test reads hold no commas.
    const QStringList cells
        = QString::fromStdString(table.row("r", contents(path).toStdString())).trimmed().split(QLatin1Char(','));
    std::map<QString, QString> row;
    for (int i = 0; i < names.size() && i < cells.size(); ++i)
        row[QString(names[i]).remove(QLatin1Char('"'))] = QString(cells[i]).remove(QLatin1Char('"'));
    return row;
}

} // namespace

class TestLessons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyShippedLessonIsFollowedRightAndWrong();
    void aForgedResultOpensAsNotVerified();
    void badFilesAFailedSaveAndACancelledOpenLoseNothing();
    void lessonsListsWhatShipsAndOpensOne();
};

void TestLessons::everyShippedLessonIsFollowedRightAndWrong()
{
    const QStringList shipped = talbrix::RunKeeper::shippedLessons();
    QVERIFY(shipped.size() >= 6);
    for (const QString &file : shipped) {
        const std::string text = talbrix::RunKeeper::shippedLesson(file);
        QFile source(QStringLiteral(TALBRIX_LESSONS_DIR "/") + file);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QCOMPARE(QByteArray::fromStdString(text), source.readAll());
        sessiontesting::HeadlessLesson probe(text, "Probe");
        const sessiontesting::Observed seen = sessiontesting::followLesson(probe, Answering::Probe);
        for (const Answering answering : { Answering::Right, Answering::Wrong }) {
            LessonWindow w;
            w.window.show();
            QVERIFY(w.window.runKeeper().openLesson(text, file));
            QVERIFY(w.panel()->isVisible());
            WindowHands hands(w);
            const sessiontesting::Observed observed = sessiontesting::followLesson(hands, answering, seen);
            QCOMPARE(observed, seen);
            const QString result = w.path(file + QStringLiteral(".result"));
            QVERIFY2(w.saveResult(result), qPrintable(w.messages.join(QLatin1Char('\n'))));
            QVERIFY(!w.panel()->lesson().unsaved());
            QVERIFY2(w.suggested.endsWith(QStringLiteral("/Ada.result")), qPrintable(w.suggested));
            const auto grade = gradeOf(text, result);
            QCOMPARE(grade.at(QStringLiteral("verified")), QStringLiteral("yes"));
            QCOMPARE(grade.at(QStringLiteral("student")), QStringLiteral("Ada"));
            const QString outOf = grade.at(QStringLiteral("out of"));
            QCOMPARE(grade.at(QStringLiteral("score")), answering == Answering::Right ? outOf : QStringLiteral("0"));
            // The panel says so too, in words a screen reader reads.
            const QString score = inPanel<QLabel>(w.panel(), "lessonScore")->text();
            QVERIFY2(score.contains(QStringLiteral("%1 of %2 right")
                                        .arg(answering == Answering::Right ? outOf : QStringLiteral("0"), outOf)),
                qPrintable(score));

            // Opened again, in another window, the result shows the answers and is verified.
            LessonWindow teacher;
            QVERIFY(teacher.open(result));
            QVERIFY(inPanel<QLabel>(teacher.panel(), "verification")->text().startsWith(QStringLiteral("Verified")));
            QCOMPARE(teacher.panel()->lesson().answers(), w.panel()->lesson().answers());
            QCOMPARE(teacher.window.ticks(), w.window.ticks());
            QCOMPARE(texts(teacher.window), texts(w.window));
        }
    }
}

void TestLessons::aForgedResultOpensAsNotVerified()
{
    const QString file = QStringLiteral("peripheral-resistance.lesson");
    const std::string text = talbrix::RunKeeper::shippedLesson(file);
    sessiontesting::HeadlessLesson student(text, "Mallory");
    sessiontesting::followLesson(student, Answering::Probe);
    std::string result = student.result();
    // The student's "same" answers made right by a forged value: 3997 ml/min becomes 3998.
    const std::size_t at = result.find(" 3997 ");
    QVERIFY(at != std::string::npos);
    result.replace(at, 6, " 3998 ");
    LessonWindow w;
    const QString path = w.path(QStringLiteral("forged.result"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(result.data(), static_cast<qint64>(result.size()));
    out.close();
    QVERIFY(w.open(path));
    const QString verification = inPanel<QLabel>(w.panel(), "verification")->text();
    QVERIFY2(verification.startsWith(QStringLiteral("Not verified: 'afterload': Text5 at reference is 3997 in the "
                                                    "replay, 3998 in the result")),
        qPrintable(verification));
}

void TestLessons::badFilesAFailedSaveAndACancelledOpenLoseNothing()
{
    LessonWindow w;
    const std::string text = talbrix::RunKeeper::shippedLesson(QStringLiteral("heart-rate.lesson"));
    QVERIFY(w.window.runKeeper().openLesson(text, QStringLiteral("heart-rate.lesson")));
    WindowHands hands(w);
    hands.setRunning(true);
    while (!w.panel()->lesson().canGoNext())
        hands.tick();
    hands.next();
    hands.answer("fast", "Text5", "up");
    const auto answers = w.panel()->lesson().answers();
    const std::string scenario = w.window.scenario();

    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile file(w.path(QString::fromLatin1(name)));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    };
    const QString badLesson = write("bad.lesson", "talbrix lesson 1\ntitle T\nstep S\ntask jump\n");
    const QString badResult = write("bad.result", "talbrix result 1\nlesson 00\n");
    const QString otherLesson = write("other.lesson", QByteArray::fromStdString(text));
    for (const QString &bad : { badLesson, badResult }) {
        w.messages.clear();
        QVERIFY(!w.open(bad));
        QCOMPARE(w.messages.size(), 1);
        QVERIFY2(w.messages.first().contains(QStringLiteral("line ")), qPrintable(w.messages.first()));
    }
    QVERIFY(w.messages.first().contains(QStringLiteral("line 2: ")));
    // Unsaved answers: opening another lesson asks first, and Cancel keeps all.
    QVERIFY(!w.open(otherLesson));
    QCOMPARE(w.answersAsked, 1);
    // A failed save (no such folder) keeps them too, still unsaved.
    w.messages.clear();
    QVERIFY(!w.saveResult(w.path(QStringLiteral("no/such/folder/x.result"))));
    QCOMPARE(w.messages.size(), 1);
    QVERIFY(w.panel()->lesson().unsaved());
    // A student who cancels the name question opens nothing.
    w.answersReply = QMessageBox::Discard;
    w.student.clear();
    QVERIFY(!w.open(otherLesson));
    QCOMPARE(w.panel()->lesson().answers(), answers);
    QCOMPARE(w.window.scenario(), scenario);
    QCOMPARE(w.panel()->lesson().step(), std::size_t { 1 });
}

void TestLessons::lessonsListsWhatShipsAndOpensOne()
{
    LessonWindow w;
    QStringList listed;
    QTimer::singleShot(0, &w.window, [&] {
        auto *dialog = w.window.findChild<QDialog *>(QStringLiteral("lessonsDialog"));
        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("lessonList"));
        for (int row = 0; row < list->count(); ++row)
            listed << list->item(row)->text();
        list->setCurrentRow(int(listed.indexOf(QStringLiteral("Fibrillation and defibrillation"))));
        QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("lessonNotes"))->text().startsWith(QStringLiteral("For teachers: ")));
        dialog->accept();
    });
    control<QAction>(w.window, QStringLiteral("lessons"))->trigger();
    QCOMPARE(listed.size(), talbrix::RunKeeper::shippedLessons().size());
    QVERIFY(w.panel());
    QCOMPARE(w.panel()->lesson().lesson().title, std::string("Fibrillation and defibrillation"));
    QCOMPARE(w.panel()->lesson().student(), std::string("Ada"));
}

QTEST_MAIN(TestLessons)
#include "tst_lessons.moc"
