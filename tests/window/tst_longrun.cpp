// A long afternoon with a restless student: a random user drags sliders to
// any position (the ends a third of the time), presses slider keys, flips
// fibrillation, types anything into Text8, presses Start and Pause, resizes
// and minimises the window, and now and then lets the real timer run. The same
// changes go to the scenario runner's in-memory window, and after every tick
// the two must show the same thirteen texts and hold the same state, bit for
// bit; after every resize, and at the end, the plot must show exactly the
// in-memory window's points. No run-time error may arise (none can with the controls' ranges), and
// no readout may show anything but a number.
//
// TALBRIX_SOAK_TICKS sets the length (default 50000, ten sweep restarts);
// TALBRIX_SOAK_SEED the seed. scripts/soak.sh runs it for millions of ticks.

#include "mltesting.h"

#include "circulation.h"
#include "memorywindow.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <cstdlib>
#include <deque>
#include <random>

using namespace mltesting;
using talbrix::CirculationState;
using talbrix::Readout;

namespace {

unsigned long long environmentNumber(const char *name, unsigned long long fallback)
{
    const char *text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

// From the sensible to the absurd: every form Val reads, numbers beyond
// range, junk, and long runs of digits.
QString typedText(std::mt19937_64 &random)
{
    static const char *const samples[]
        = { "100", "0", "-50", "80.5", "", ".", "-0", "1E300", "1E400", "1e-400", "&HFFFFFFFF", "&H7FFFFFFF",
              "&H100000000", "&O777", "1D308", "abc", "12abc", "+-5", " 7 2", "1e", "&H", "1.7976931348623157e308" };
    QString text;
    switch (random() % 4) {
    case 0:
    case 1:
        return QString::fromLatin1(samples[random() % std::size(samples)]);
    case 2:
        for (auto length = random() % 20; length > 0; --length)
            text += QChar(static_cast<char16_t>(32 + random() % 95));
        return text;
    default:
        for (auto length = 1 + random() % 300; length > 0; --length)
            text += QChar(static_cast<char16_t>('0' + random() % 10));
        if (random() % 2)
            text.insert(static_cast<qsizetype>(random() % static_cast<unsigned>(text.size())), QLatin1Char('.'));
        if (random() % 2)
            text += QStringLiteral("E%1").arg(static_cast<int>(random() % 800) - 400);
        return text;
    }
}

bool looksNumeric(const std::string &text)
{
    return text.find_first_not_of("0123456789.-+E ") == std::string::npos;
}

} // namespace

class LongRunTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowAndMemoryAgreeAfterEveryTick();

private:
    void act();
    void mirrorTicks(int count);
    void compare();

    std::mt19937_64 m_random;
    talbrix::Ml *m_window = nullptr;
    talbrix::MemoryWindow m_memory;
    CirculationState m_state;
    int m_firings = 0; // real timer firings not yet mirrored
    long long m_ticks = 0;
    int m_starts = 0;
    int m_beeps = 0;
    QStringList m_errors;
    std::deque<QString> m_log;
    QImage m_blank; // the plot before any point
};

void LongRunTest::windowAndMemoryAgreeAfterEveryTick()
{
    const auto ticks = static_cast<long long>(environmentNumber("TALBRIX_SOAK_TICKS", 50000));
    const auto seed = environmentNumber("TALBRIX_SOAK_SEED", 20250611);
    m_random.seed(seed);
    talbrix::Ml window;
    m_window = &window;
    window.setBeep([this] { ++m_beeps; });
    window.setErrorReporter([this](const QString &name) { m_errors << name; });
    auto *timer = control<QTimer>(window, QStringLiteral("Timer1"));
    connect(timer, &QTimer::timeout, this, [this] { ++m_firings; });
    talbrix::loadCirculation(m_state, m_memory);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    m_blank = plotImage(window);

    int timerTicks = 0;
    while (m_ticks < ticks && !QTest::currentTestFailed()) {
        // Mostly quick bursts of actions, sometimes minutes of quiet.
        const auto quiet = m_random() % 100 < 97 ? m_random() % 20 : m_random() % 3000;
        for (auto tick = quiet; tick > 0 && m_ticks < ticks && !QTest::currentTestFailed(); --tick) {
            window.Timer1_Timer();
            mirrorTicks(1);
        }
        act();
        if (m_random() % 20 == 0) { // a real-time stretch: only a started timer ticks
            const bool running = timer->isActive();
            QTest::qWait(40);
            QVERIFY(running || m_firings == 0);
            timerTicks += m_firings;
            mirrorTicks(m_firings);
        }
    }
    timer->stop(); // no firing between the last comparison and the picture
    mirrorTicks(m_firings);
    verifyPlot(plotImage(window), m_blank, m_memory.points());
    QCOMPARE(m_beeps, m_starts);
    QVERIFY2(timerTicks > 0, "the real timer never fired while started");
    qInfo("seed %llu: %lld ticks, %d by the real timer, %d Start presses", seed, m_ticks, timerTicks, m_starts);
}

void LongRunTest::act()
{
    talbrix::Ml &window = *m_window;
    const auto choice = m_random() % 100;
    QString action;
    // Key and mouse events may run the event loop; a firing in the middle of
    // an action would tick with the controls half changed, which the
    // in-memory window cannot mirror. The timer runs between actions.
    QSignalBlocker noFiringsMidAction(control<QTimer>(window, QStringLiteral("Timer1")));
    if (choice < 40) {
        const int number = 1 + static_cast<int>(m_random() % 6);
        const int position = static_cast<int>(m_random() % 3 == 0 ? m_random() % 2 * 10 : m_random() % 11);
        slider(window, number)->setValue(position);
        action = QStringLiteral("Slider%1 to %2").arg(number).arg(position);
    } else if (choice < 55) {
        static constexpr Qt::Key keys[] = { Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp,
            Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End };
        const int number = 1 + static_cast<int>(m_random() % 6);
        const Qt::Key key = keys[m_random() % std::size(keys)];
        QTest::keyClick(slider(window, number), key);
        action = QStringLiteral("Slider%1 key %2").arg(number).arg(int(key), 0, 16);
    } else if (choice < 65) {
        const QString name = m_random() % 2 ? QStringLiteral("Option1") : QStringLiteral("Option2");
        QTest::mouseClick(control<QRadioButton>(window, name), Qt::LeftButton);
        action = QStringLiteral("click ") + name;
    } else if (choice < 85) {
        QLineEdit *box = text(window, 8);
        const QString typed = typedText(m_random);
        QTest::keyClick(box, Qt::Key_End);
        if (m_random() % 2)
            QTest::keyClick(box, Qt::Key_Backspace);
        if (m_random() % 2) {
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Delete);
        }
        QTest::keyClicks(box, typed);
        action = QStringLiteral("type '%1' into Text8").arg(typed.left(40));
    } else if (choice < 95) {
        const bool start = m_random() % 2;
        QTest::mouseClick(control<QPushButton>(window, QLatin1String(start ? "Command1" : "Command2")), Qt::LeftButton);
        m_starts += start ? 1 : 0;
        QCOMPARE(control<QTimer>(window, QStringLiteral("Timer1"))->isActive(), start);
        action = start ? QStringLiteral("Start") : QStringLiteral("Pause");
    } else {
        // Painting and clipping at any size; pending events run, so the timer
        // may fire, and those firings are mirrored like any other tick.
        const auto how = m_random() % 4;
        if (how == 0)
            window.showMinimized();
        else if (how == 1)
            window.showMaximized();
        else {
            window.showNormal();
            window.resize(40 + static_cast<int>(m_random() % 1400), 30 + static_cast<int>(m_random() % 900));
        }
        QCoreApplication::processEvents();
        window.repaint();
        verifyPlot(plotImage(window), m_blank, m_memory.points());
        action = QStringLiteral("resize");
    }
    noFiringsMidAction.unblock();
    // The in-memory window takes the controls as the user left them.
    for (int number = 1; number <= 6; ++number)
        m_memory.setSlider(number, slider(window, number)->value());
    if (control<QRadioButton>(window, QStringLiteral("Option1"))->isChecked())
        m_memory.selectFibrillation();
    else if (control<QRadioButton>(window, QStringLiteral("Option2"))->isChecked())
        m_memory.selectDefibrillation();
    m_memory.setText(Readout::Text8, text(window, 8)->text().toStdString());
    m_log.push_back(QStringLiteral("tick %1: ").arg(m_ticks) + action);
    if (m_log.size() > 15)
        m_log.pop_front();
    mirrorTicks(m_firings);
}

void LongRunTest::mirrorTicks(int count)
{
    m_firings = 0;
    for (int tick = 0; tick < count; ++tick) {
        talbrix::runTick(m_state, m_memory);
        ++m_ticks;
    }
    compare();
}

void LongRunTest::compare()
{
    QString problem;
    if (!m_errors.isEmpty())
        problem = QStringLiteral("run-time error ") + m_errors.join(QLatin1Char(' '));
    for (int number = 1; number <= 13 && problem.isEmpty(); ++number) {
        const std::string shown = text(*m_window, number)->text().toStdString();
        const std::string &expected = m_memory.text(static_cast<Readout>(number));
        if (shown != expected || (number != 8 && !looksNumeric(shown)))
            problem = QStringLiteral("Text%1 shows '%2', in memory '%3'")
                          .arg(number)
                          .arg(QString::fromStdString(shown), QString::fromStdString(expected));
    }
    const CirculationState &a = m_window->state();
    const CirculationState &b = m_state;
    for (const auto field : { &CirculationState::lvVolume, &CirculationState::aop, &CirculationState::peakFlow,
             &CirculationState::dt, &CirculationState::lvPressure, &CirculationState::aortaVolume,
             &CirculationState::ejectionFlow, &CirculationState::simTime, &CirculationState::beatStart,
             &CirculationState::ejectedVolume, &CirculationState::resistance, &CirculationState::aorticCompliance,
             &CirculationState::beatPeriod, &CirculationState::strokeVolume, &CirculationState::heartRate,
             &CirculationState::venousPressure, &CirculationState::aopSum, &CirculationState::fillFraction })
        if (problem.isEmpty() && (!std::isfinite(a.*field) || std::memcmp(&(a.*field), &(b.*field), sizeof(float))))
            problem = QStringLiteral("a state field is %1 in the window, %2 in memory").arg(a.*field).arg(b.*field);
    if (problem.isEmpty() && (a.ejecting != b.ejecting || a.plotX != b.plotX || a.plotY != b.plotY))
        problem = QStringLiteral("ejecting or the plot position differ");
    if (problem.isEmpty())
        return;
    QString history;
    for (const QString &line : m_log)
        history += QStringLiteral("  ") + line + QLatin1Char('\n');
    QFAIL(qPrintable(QStringLiteral("tick %1: %2\nlast actions:\n%3").arg(m_ticks).arg(problem, history)));
}

QTEST_MAIN(LongRunTest)
#include "tst_longrun.moc"
