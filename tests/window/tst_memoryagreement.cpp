// The real window and the scenario runner's in-memory window must be the same
// thing to the model: the same ticks with the same control changes give the
// same text in every one of the thirteen boxes and the same state.

#include "mltesting.h"

#include "circulation.h"
#include "memorywindow.h"

#include <QRadioButton>

#include <vector>

using namespace mltesting;

namespace {

// A change a user makes between two ticks.
struct Change {
    int beforeTick; // applied before this tick (1-based)
    int slider; // 1..6, or 0 for the option buttons
    int position; // slider position; for the options 1 = fibrillate, 2 = defibrillate
};

void apply(const Change &change, talbrix::Ml &window, talbrix::MemoryWindow &memory)
{
    if (change.slider > 0) {
        slider(window, change.slider)->setValue(change.position);
        memory.setSlider(change.slider, change.position);
    } else if (change.position == 1) {
        QTest::mouseClick(control<QRadioButton>(window, QStringLiteral("Option1")), Qt::LeftButton);
        memory.selectFibrillation();
    } else {
        QTest::mouseClick(control<QRadioButton>(window, QStringLiteral("Option2")), Qt::LeftButton);
        memory.selectDefibrillation();
    }
}

QString describe(const std::array<QString, 13> &window, const talbrix::MemoryWindow &memory)
{
    QString out;
    for (int box = 1; box <= 13; ++box)
        out += QStringLiteral("Text%1 '%2' vs '%3'\n")
                   .arg(box)
                   .arg(window[static_cast<std::size_t>(box - 1)])
                   .arg(QString::fromStdString(memory.text(static_cast<talbrix::Readout>(box))));
    return out;
}

} // namespace

Q_DECLARE_METATYPE(std::vector<Change>)

class MemoryAgreementTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameTextsAsInMemory_data();
    void sameTextsAsInMemory();
};

void MemoryAgreementTest::sameTextsAsInMemory_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<std::vector<Change>>("changes");
    QTest::newRow("load positions, past the first boundaries") << 400 << std::vector<Change> {};
    QTest::newRow("every slider moved mid-beat")
        << 900
        << std::vector<Change> { { 120, 1, 0 }, { 200, 2, 10 }, { 260, 3, 10 }, { 333, 4, 0 }, { 401, 5, 0 },
               { 402, 6, 10 }, { 600, 3, 0 }, { 700, 1, 10 } };
    QTest::newRow("fibrillate then defibrillate") << 1200 << std::vector<Change> { { 450, 0, 1 }, { 900, 0, 2 } };
    QTest::newRow("through the first sweep restart") << 4900 << std::vector<Change> { { 3000, 3, 7 } };
}

void MemoryAgreementTest::sameTextsAsInMemory()
{
    QFETCH(int, ticks);
    QFETCH(std::vector<Change>, changes);

    talbrix::Ml window;
    talbrix::MemoryWindow memory;
    talbrix::CirculationState memoryState;
    talbrix::loadCirculation(memoryState, memory);

    auto next = changes.begin();
    for (int tick = 1; tick <= ticks; ++tick) {
        for (; next != changes.end() && next->beforeTick == tick; ++next)
            apply(*next, window, memory);
        window.Timer1_Timer();
        talbrix::runTick(memoryState, memory);
        if (tick % 100 == 0 || tick == ticks) {
            const auto shown = texts(window);
            for (int box = 1; box <= 13; ++box)
                QVERIFY2(shown[static_cast<std::size_t>(box - 1)].toStdString()
                        == memory.text(static_cast<talbrix::Readout>(box)),
                    qPrintable(QStringLiteral("tick %1\n").arg(tick) + describe(shown, memory)));
        }
    }
    const talbrix::CirculationState &shown = window.state();
    QCOMPARE(shown.simTime, memoryState.simTime);
    QCOMPARE(shown.beatStart, memoryState.beatStart);
    QCOMPARE(shown.lvVolume, memoryState.lvVolume);
    QCOMPARE(shown.aortaVolume, memoryState.aortaVolume);
    QCOMPARE(shown.aop, memoryState.aop);
    QCOMPARE(shown.aopSum, memoryState.aopSum);
    QCOMPARE(shown.venousPressure, memoryState.venousPressure);
    QCOMPARE(shown.strokeVolume, memoryState.strokeVolume);
    QCOMPARE(shown.heartRate, memoryState.heartRate);
    QCOMPARE(shown.ejecting, memoryState.ejecting);
    QCOMPARE(shown.plotX, memoryState.plotX);
    QCOMPARE(shown.plotY, memoryState.plotY);
}

QTEST_MAIN(MemoryAgreementTest)
#include "tst_memoryagreement.moc"
