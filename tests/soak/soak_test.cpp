// A lab afternoon compressed: a random user drags every slider to every
// position, toggles fibrillation and types anything into the heart-rate box,
// at random moments, through many sweep restarts. After every tick the model
// must still be running (no run-time error) and every state field finite and
// within the bounds derived below.
//
// TALBRIX_SOAK_TICKS sets the number of ticks (default 300000, about 50
// minutes of simulated time); TALBRIX_SOAK_SEED the random seed.
//
// Bounds, derived from the formulas for slider positions 0..10 (k is the
// contractility (15 s + 320) / 130, in [2.4615, 3.6154]):
// - Per-slider parameters: aorticCompliance ((s + 6) / 10)^2 in [0.36, 2.56],
//   resistance (s + 1) / 3 in [1/3, 11/3], peakFlow 50 s + 200 in
//   [200, 700], heartRate 16 s + 16 in 16..176 (a multiple of 16), so
//   beatPeriod = 60 / heartRate in [0.3409, 3.75] s.
// - aortaVolume >= 0: it starts at 20, and a tick multiplies it by at least
//   1 - dt / (R C) >= 1 - 0.01 / (1/3 x 0.36) = 0.917 before adding the
//   (non-negative) ejection and inflow from the veins. So aop >= 0, every
//   beat's mean >= 0, and venousPressure = (300 - mean) / 25 + s5 - s6 - 2,
//   clamped at 0, lies in [0, 300 / 25 + 8] = [0, 20].
// - lvVolume <= 180: the refill caps it and ejection only lowers it. The
//   ventricle ejects only while k (lvVolume - 10) > aop >= 0, so only above
//   10 ml, and removes at most dt x peakFlow <= 7 ml per tick: lvVolume
//   > 3. (The smallest refill, 43.6 x 0.21045 = 9.18 ml, is above that.)
//   Hence lvPressure = k (lvVolume - 10) in [3.6154 x -7, 3.6154 x 170]
//   = [-25.31, 614.62], and a beat ejects at most 180 - 3 = 177 ml, which
//   bounds ejectedVolume and strokeVolume.
// - ejectionFlow is 0 or in [10, peakFlow]: peakFlow (1 - aop / lvPressure)
//   with 0 <= aop < lvPressure, and anything below 10 is dropped.
// - aortaVolume <= 1580.4: it grows through ejection only while aop <
//   lvPressure <= 614.62, i.e. below 614.62 x 2.56 = 1573.4 ml, by at most
//   7 ml a tick; inflow from the veins only while aop < venousPressure <= 20,
//   i.e. below 51.2 ml. So aop = aortaVolume / aorticCompliance <= 1580.4 /
//   0.36 = 4390 (the plot's CInt would already fail above about 3497, and
//   that is a run-time error, caught here as one).
// - aopSum adds one aop per tick since the last boundary, at most 3.75 /
//   0.01 + 2 ticks, plus the 60 loaded for the first beat.
// - fillFraction = 1 - 2^-((beatPeriod - 0.3) / 0.12) in [0.21045, 1] from
//   the first boundary on.
// - Time: a boundary comes at the first tick past beatStart + beatPeriod,
//   so simTime - beatStart <= 3.75 + dt. The sweep restarts at the first
//   boundary after the plotted x passed 9600 (simTime 48.0025): that
//   beat started at most one tick later (48.0125) and lasts at most 3.75 s,
//   so the largest plotted x is CInt(200 x 51.7625) = 10353, and simTime
//   never exceeds 51.7725. plotY, the venous point, is CInt(2160 - 120 x
//   venousPressure) in [-240, 2160].

#include "circulation.h"
#include "circulationstate.h"
#include "memorywindow.h"
#include "runtimeerror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <sstream>
#include <string>

namespace talbrix {
namespace {

std::uint64_t environmentNumber(const char *name, std::uint64_t fallback)
{
    const char *text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

// Texts a student might type into Text8, from the sensible to the absurd:
// numbers in every form Val reads, numbers beyond range, and junk.
std::string typedText(std::mt19937_64 &random)
{
    static const char *const samples[] = { "100", "0", "-50", "80.5", "", " ", ".", "-0", "1E300", "1E400",
        "-1e400", "1e-400", "&HFFFFFFFF", "&H7FFFFFFF", "&H100000000", "&O777", "1D308", "abc", "12abc", "+-5",
        "9999999999999999999999", "1 2 0", "\t\n", "1e", "&", "&H", "ØØ", "1.7976931348623157e308" };
    std::uniform_int_distribution<int> kind(0, 3);
    switch (kind(random)) {
    case 0:
    case 1:
        return samples[std::uniform_int_distribution<std::size_t>(0, std::size(samples) - 1)(random)];
    case 2: { // random printable junk
        std::string text(std::uniform_int_distribution<std::size_t>(0, 24)(random), ' ');
        for (char &c : text)
            c = static_cast<char>(std::uniform_int_distribution<int>(32, 126)(random));
        return text;
    }
    default: { // a long run of digits, maybe with a point and an exponent
        std::string text(std::uniform_int_distribution<std::size_t>(1, 400)(random), '9');
        for (char &c : text)
            c = static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(random));
        if (random() % 2)
            text.insert(random() % text.size(), ".");
        if (random() % 2)
            text += "E" + std::to_string(static_cast<int>(random() % 800) - 400);
        return text;
    }
    }
}

// Acts at random moments: mostly quick bursts, sometimes a pause of
// minutes so that the model settles wherever the sliders were left.
class RandomUser {
public:
    explicit RandomUser(std::uint64_t seed)
        : m_random(seed)
    {
        scheduleNext(0);
    }

    void actIfDue(std::uint64_t tick, MemoryWindow &window)
    {
        while (tick >= m_nextAction) {
            act(tick, window);
            scheduleNext(tick);
        }
    }

    std::string recentActions() const
    {
        std::ostringstream out;
        for (const std::string &action : m_log)
            out << "  " << action << '\n';
        return out.str();
    }

    std::uint64_t actions() const { return m_actions; }

private:
    void scheduleNext(std::uint64_t tick)
    {
        const auto regime = m_random() % 100;
        std::uint64_t gap = 0;
        if (regime < 85)
            gap = m_random() % 20;
        else if (regime < 98)
            gap = 20 + m_random() % 1000;
        else
            gap = 1000 + m_random() % 10000;
        m_nextAction = tick + gap;
    }

    void act(std::uint64_t tick, MemoryWindow &window)
    {
        std::ostringstream action;
        action << "before tick " << tick << ": ";
        const auto choice = m_random() % 100;
        if (choice < 60) {
            const int slider = 1 + static_cast<int>(m_random() % 6);
            // The ends are where faults hide: a third of the moves go there.
            const std::int32_t position = m_random() % 3 == 0 ? static_cast<std::int32_t>(m_random() % 2) * 10
                                                               : static_cast<std::int32_t>(m_random() % 11);
            window.setSlider(slider, position);
            action << "slider " << slider << ' ' << position;
        } else if (choice < 75) {
            if (window.option1()) {
                window.selectDefibrillation();
                action << "defibrillate";
            } else {
                window.selectFibrillation();
                action << "fibrillate";
            }
        } else {
            const std::string text = typedText(m_random);
            window.setText(Readout::Text8, text);
            action << "text8 '" << text.substr(0, 60) << (text.size() > 60 ? "...'" : "'");
        }
        ++m_actions;
        m_log.push_back(action.str());
        if (m_log.size() > 20)
            m_log.pop_front();
    }

    std::mt19937_64 m_random;
    std::uint64_t m_nextAction = 0;
    std::uint64_t m_actions = 0;
    std::deque<std::string> m_log;
};

// The derived bounds (see the top of the file).
constexpr float maxAortaVolume = 1580.4f;
constexpr float maxAop = maxAortaVolume / 0.36f;
constexpr float maxTicksPerBeat = 3.75f / 0.01f + 2;

// Returns what is wrong with the state, or an empty text.
std::string violation(const CirculationState &s, bool afterFirstBeat)
{
    std::ostringstream out;
    const auto check = [&out](bool ok, const char *what, double value) {
        if (!ok)
            out << what << " = " << value << "; ";
    };
    for (const float field : { s.lvVolume, s.aop, s.peakFlow, s.dt, s.lvPressure, s.aortaVolume, s.ejectionFlow,
             s.simTime, s.beatStart, s.ejectedVolume, s.resistance, s.aorticCompliance, s.beatPeriod,
             s.strokeVolume, s.heartRate, s.venousPressure, s.aopSum, s.fillFraction })
        check(std::isfinite(field), "a field is not finite", field);
    check(s.dt == 0.01f, "dt", s.dt);
    check(s.aorticCompliance >= 0.36f && s.aorticCompliance <= 2.56f, "aorticCompliance", s.aorticCompliance);
    check(s.resistance >= 1.0f / 3 && s.resistance <= 11.0f / 3, "resistance", s.resistance);
    check(s.peakFlow >= 200 && s.peakFlow <= 700, "peakFlow", s.peakFlow);
    check(s.heartRate >= 16 && s.heartRate <= 176 && std::fmod(s.heartRate, 16.0f) == 0, "heartRate", s.heartRate);
    check(s.beatPeriod >= 60.0f / 176 && s.beatPeriod <= 3.75f, "beatPeriod", s.beatPeriod);
    check(s.lvVolume > 3 && s.lvVolume <= 180, "lvVolume", s.lvVolume);
    check(s.lvPressure >= -25.31f && s.lvPressure <= 614.62f, "lvPressure", s.lvPressure);
    check(s.ejectionFlow == 0 || (s.ejectionFlow >= 10 && s.ejectionFlow <= s.peakFlow), "ejectionFlow",
        s.ejectionFlow);
    check(s.ejectedVolume >= 0 && s.ejectedVolume <= 177, "ejectedVolume", s.ejectedVolume);
    check(s.strokeVolume >= 0 && s.strokeVolume <= 177, "strokeVolume", s.strokeVolume);
    check(s.venousPressure >= 0 && s.venousPressure <= 20, "venousPressure", s.venousPressure);
    check(s.aortaVolume >= 0 && s.aortaVolume <= maxAortaVolume, "aortaVolume", s.aortaVolume);
    check(s.aop >= 0 && s.aop <= maxAop, "aop", s.aop);
    check(s.aopSum >= 0 && s.aopSum <= 60 + maxTicksPerBeat * maxAop, "aopSum", s.aopSum);
    if (afterFirstBeat)
        check(s.fillFraction >= 0.21045f && s.fillFraction <= 1, "fillFraction", s.fillFraction);
    check(s.simTime > 0 && s.simTime <= 51.7725f, "simTime", s.simTime);
    check(s.beatStart >= 0 && s.simTime - s.beatStart <= 3.75f + 0.0101f, "simTime - beatStart",
        s.simTime - s.beatStart);
    check(s.plotX >= 2 && s.plotX <= 10353, "plotX", s.plotX);
    check(s.plotY >= -240 && s.plotY <= 2160, "plotY", s.plotY);
    return out.str();
}

// What the model writes into a readout is a number's text, whatever was typed.
bool looksNumeric(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ' ' || c == 'E' || c == '+';
    });
}

struct Extremes {
    float aop = 0;
    float aortaVolume = 0;
    float venousPressure = 0;
    float minLvVolume = 180;
    float lvPressure = 0;
    std::int16_t plotX = 0;

    void take(const CirculationState &s)
    {
        aop = std::max(aop, s.aop);
        aortaVolume = std::max(aortaVolume, s.aortaVolume);
        venousPressure = std::max(venousPressure, s.venousPressure);
        minLvVolume = std::min(minLvVolume, s.lvVolume);
        lvPressure = std::max(lvPressure, s.lvPressure);
        plotX = std::max(plotX, s.plotX);
    }
};

TEST(Soak, RandomUseNeverStopsTheModelAndKeepsItBounded)
{
    const std::uint64_t ticks = environmentNumber("TALBRIX_SOAK_TICKS", 300000);
    const std::uint64_t seed = environmentNumber("TALBRIX_SOAK_SEED", 20250611);
    MemoryWindow window;
    CirculationState state;
    loadCirculation(state, window);
    RandomUser user(seed);
    Extremes extremes;
    std::uint64_t restarts = 0;
    std::uint64_t beats = 0;

    for (std::uint64_t tick = 1; tick <= ticks; ++tick) {
        user.actIfDue(tick, window);
        TickOutcome outcome;
        try {
            outcome = runTick(state, window);
        } catch (const RuntimeError &error) {
            FAIL() << "seed " << seed << ", tick " << tick << ": run-time error " << error.what()
                   << "\nlast actions:\n"
                   << user.recentActions();
        }
        beats += outcome.beat ? 1 : 0;
        restarts += outcome.cleared ? 1 : 0;
        const std::string problem = violation(state, beats > 0);
        if (!problem.empty())
            FAIL() << "seed " << seed << ", tick " << tick << ": " << problem << "\nlast actions:\n"
                   << user.recentActions();
        for (int box = 1; box <= readoutCount; ++box) {
            const auto readout = static_cast<Readout>(box);
            if (readout != Readout::Text8 && !looksNumeric(window.text(readout)))
                FAIL() << "seed " << seed << ", tick " << tick << ": Text" << box << " shows '"
                       << window.text(readout) << "'\nlast actions:\n"
                       << user.recentActions();
        }
        extremes.take(state);
    }

    // The run must really have gone through the restart many times.
    EXPECT_GE(restarts, ticks / 6000) << "too few sweep restarts for " << ticks << " ticks";
    std::printf("soak: %llu ticks, %llu user actions, %llu beats, %llu sweep restarts, seed %llu\n"
                "largest seen: aop %.1f mmHg, aortaVolume %.1f ml, venousPressure %.2f mmHg, "
                "lvPressure %.1f mmHg, plotX %d; smallest lvVolume %.2f ml\n",
        static_cast<unsigned long long>(ticks), static_cast<unsigned long long>(user.actions()),
        static_cast<unsigned long long>(beats), static_cast<unsigned long long>(restarts),
        static_cast<unsigned long long>(seed), extremes.aop, extremes.aortaVolume, extremes.venousPressure,
        extremes.lvPressure, extremes.plotX, extremes.minLvVolume);
}

} // namespace
} // namespace talbrix
