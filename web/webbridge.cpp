// The simulator's model and form for the web page: the same model, number
// conversions, in-memory window and run library as the desktop and the
// scenario runner, behind the handful of C functions the page's bridge
// calls. The page owns the controls; before each tick it hands over what the
// user changed, and after a batch of ticks it reads back the readouts' texts
// and the new points, already as pixels and colours.

#include "beatlog.h"
#include "csvoutput.h"
#include "catalogue.h"
#include "formjson.h"
#include "jsonwriter.h"
#include "lesson.h"
#include "lessonresult.h"
#include "lessonrun.h"
#include "memorywindow.h"
#include "plotpixels.h"
#include "recordedrun.h"
#include "reference.h"
#include "replayjob.h"
#include "scenarioreplay.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talbrix {

// The lessons that ship (shippedlessons.cpp, made from lessons/ by the build).
extern const std::array<std::string_view, TALBRIX_SHIPPED_LESSONS> shippedLessonTexts;

namespace {

// The in-memory window, counting what the page must show: each readout's
// writes (a box a user typed into keeps its text until the model writes it
// again, even with the same number) and the plot's clears (a clear followed
// by new points is not the same as points merely added).
class PageWindow : public MemoryWindow {
public:
    void publish(Readout readout, Number value, TextForm form) override
    {
        ++m_writes.at(static_cast<std::size_t>(readout) - 1);
        MemoryWindow::publish(readout, value, form);
    }
    void clearPlot() override
    {
        ++m_clears;
        MemoryWindow::clearPlot();
    }
    std::uint32_t writes(Readout readout) const { return m_writes.at(static_cast<std::size_t>(readout) - 1); }
    std::uint32_t clears() const { return m_clears; }

    // Takes over a replayed window; every box and the plot count as written,
    // so the page shows them all again.
    void adopt(const MemoryWindow &replayed)
    {
        static_cast<MemoryWindow &>(*this) = replayed;
        for (std::uint32_t &count : m_writes)
            ++count;
        ++m_clears;
    }

private:
    std::array<std::uint32_t, readoutCount> m_writes {};
    std::uint32_t m_clears = 0;
};

// One point as the page draws it: a pixel of the drawing area and its colour
// in CSS order; column -1 for a point that falls outside and is not shown.
struct PagePixel {
    std::int16_t column;
    std::int16_t row;
    std::uint32_t rgb; // 0xRRGGBB
};

// A lesson the page follows beside the form, and one being opened: read and
// checked, waiting for its case (or a result's run) to be replayed.
struct PageLesson {
    std::optional<LessonRun> run;
    std::string text; // normalised
    std::string verification; // for a reopened result
    bool changedControls = false; // a step set a control the page must show
    bool changedView = false;
};
struct OpeningLesson {
    std::string text;
    Lesson lesson;
    std::optional<LessonResult> result;
    std::optional<ResultCheck> check;
};

struct Page {
    PageWindow window;
    RecordedRun run; // the run from load, with its record
    PageLesson lesson;
    std::string error; // the run-time error's name, once one has ended the run
    std::string text; // the last text handed to the page
    std::vector<PagePixel> pixels;
};

// A replay the page drives a slice at a time (opening a scenario, writing
// the run's table), and the table text it has not taken yet.
struct Job {
    std::unique_ptr<ReplayJob> replay;
    std::string chunk;
};

Page *page = nullptr;
std::unique_ptr<Job> job;
std::optional<OpeningLesson> opening;
std::string openingError;
// Tables go out for spreadsheets that read a decimal comma (the page's
// choice, talbrix_table_form), made by the run library's own converter.
bool decimalCommaTables = false;

std::string inTableForm(std::string table)
{
    return decimalCommaTables ? DecimalCommaCsv().convert(table) : table;
}

// The lesson looks at the run after every tick and every change, as on the
// desktop; the commands a step carries out act on the page's controls.
void watchLesson(bool running)
{
    PageLesson &lesson = page->lesson;
    if (!lesson.run)
        return;
    const bool changed = lesson.run->watch(
        page->run, [] { return page->window.controlSettings(); }, running, [&lesson](const ScenarioCommand &command) {
            applyControl(command, page->window, page->run);
            lesson.changedControls = true;
        });
    lesson.changedView = lesson.changedView || changed;
}

const char *keep(std::string text)
{
    page->text = std::move(text);
    return page->text.c_str();
}

enum JobStatus { jobRunning = 0, jobFinished = 1, jobFailed = 2 };

} // namespace
} // namespace talbrix

using talbrix::job;
using talbrix::keep;
using talbrix::page;

extern "C" {

// The form's table as JSON, built once.
EMSCRIPTEN_KEEPALIVE const char *talbrix_form_json()
{
    static const std::string json = talbrix::formJson();
    return json.c_str();
}

// A new window and the load step; any earlier run is discarded.
EMSCRIPTEN_KEEPALIVE int talbrix_load()
{
    delete page;
    page = new talbrix::Page;
    try {
        page->run.load(page->window);
    } catch (const std::exception &error) {
        page->error = error.what();
        return 1;
    }
    return 0;
}

EMSCRIPTEN_KEEPALIVE void talbrix_set_slider(int slider, int position)
{
    page->window.setSlider(slider, position);
}

// 1 selects Option1 (fibrillate), 2 selects Option2.
EMSCRIPTEN_KEEPALIVE void talbrix_select_option(int option)
{
    if (option == 1)
        page->window.selectFibrillation();
    else
        page->window.selectDefibrillation();
}

// The box's text as UTF-8 bytes, as the user left it.
EMSCRIPTEN_KEEPALIVE void talbrix_set_text(int readout, const char *utf8, int length)
{
    page->window.setText(static_cast<talbrix::Readout>(readout), std::string(utf8, static_cast<std::size_t>(length)));
}

// Runs up to `count` ticks; returns how many ran. A run-time error stops at
// the failing tick (not counted) and is kept for talbrix_error().
EMSCRIPTEN_KEEPALIVE int talbrix_ticks(int count)
{
    if (!page->error.empty())
        return 0;
    int done = 0;
    try {
        for (; done < count; ++done) {
            page->run.tick(page->window);
            talbrix::watchLesson(true);
        }
    } catch (const std::exception &error) {
        page->error = error.what();
    }
    return done;
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_error()
{
    return page->error.c_str();
}

EMSCRIPTEN_KEEPALIVE std::uint32_t talbrix_publish_count(int readout)
{
    return page->window.writes(static_cast<talbrix::Readout>(readout));
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_text(int readout)
{
    return page->window.text(static_cast<talbrix::Readout>(readout)).c_str();
}

EMSCRIPTEN_KEEPALIVE int talbrix_point_count()
{
    return static_cast<int>(page->window.points().size());
}

// The points since the last clear from index `from` on, as the page draws
// them (PagePixel records of 8 bytes).
EMSCRIPTEN_KEEPALIVE const talbrix::PagePixel *talbrix_pixels(int from)
{
    const auto &points = page->window.points();
    page->pixels.clear();
    for (std::size_t i = static_cast<std::size_t>(from); i < points.size(); ++i) {
        const auto pixel = talbrix::form::plotPixel(points[i].x, points[i].y);
        const talbrix::form::Rgb rgb = talbrix::form::rgbOf(points[i].colour);
        page->pixels.push_back({ static_cast<std::int16_t>(pixel ? pixel->column : -1),
            static_cast<std::int16_t>(pixel ? pixel->row : -1),
            static_cast<std::uint32_t>(rgb.red) << 16 | static_cast<std::uint32_t>(rgb.green) << 8 | rgb.blue });
    }
    return page->pixels.data();
}

EMSCRIPTEN_KEEPALIVE std::uint32_t talbrix_clear_count()
{
    return page->window.clears();
}

// The run so far as a scenario, ending with the controls as they stand.
EMSCRIPTEN_KEEPALIVE const char *talbrix_scenario()
{
    return keep(page->run.scenario(page->window));
}

// Ticks in the run from load (an opened run's included).
EMSCRIPTEN_KEEPALIVE double talbrix_run_ticks()
{
    return static_cast<double>(page->run.ticks());
}

// Why a file of `bytes` bytes is not opened at all, or "" when it may be:
// the page asks before it reads the file into memory.
EMSCRIPTEN_KEEPALIVE const char *talbrix_open_refusal(double bytes)
{
    return keep(bytes > static_cast<double>(talbrix::maxOpenedBytes) ? talbrix::tooLargeToOpen() : std::string());
}

// Begins opening a scenario from the bytes of its file, as they are.
EMSCRIPTEN_KEEPALIVE int talbrix_job_open(const char *bytes, int length)
{
    job = std::make_unique<talbrix::Job>();
    job->replay = talbrix::ReplayJob::opening(std::string(bytes, static_cast<std::size_t>(length)));
    return 0;
}

// The form of the tables written from now on: 1 for spreadsheets that read
// a decimal comma, 0 for the standard CSV.
EMSCRIPTEN_KEEPALIVE void talbrix_table_form(int decimalComma)
{
    talbrix::decimalCommaTables = decimalComma == 1;
}

// Begins writing the table of the run so far.
EMSCRIPTEN_KEEPALIVE int talbrix_job_table()
{
    job = std::make_unique<talbrix::Job>();
    talbrix::Job *current = job.get();
    talbrix::CsvOutput::Sink take = [current](std::string_view block) { current->chunk.append(block); };
    if (talbrix::decimalCommaTables)
        take = talbrix::DecimalCommaCsv::sink(std::move(take));
    job->replay = talbrix::ReplayJob::table(page->run.scenario(page->window), std::move(take));
    return 0;
}

// Does up to `budget` more work: 0 while the job goes on, 1 when it has
// finished, 2 when it failed or the file was refused (talbrix_job_error()).
EMSCRIPTEN_KEEPALIVE int talbrix_job_advance(double budget)
{
    using Status = talbrix::ReplayJob::Status;
    if (!job)
        return talbrix::jobFailed;
    switch (job->replay->advance(static_cast<std::uint64_t>(budget))) {
    case Status::Running:
        return talbrix::jobRunning;
    case Status::Finished:
        return talbrix::jobFinished;
    case Status::Refused:
    case Status::Failed:
        break;
    }
    return talbrix::jobFailed;
}

// 1 when the job ended because its file is not a valid scenario, before any
// tick was replayed.
EMSCRIPTEN_KEEPALIVE int talbrix_job_refused()
{
    return job && job->replay->status() == talbrix::ReplayJob::Status::Refused ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE double talbrix_job_progress()
{
    return job ? job->replay->progress() : 0;
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_job_error()
{
    return keep(job ? job->replay->error() : std::string());
}

// The table text written since the last call.
EMSCRIPTEN_KEEPALIVE const char *talbrix_job_take_chunk()
{
    if (!job)
        return keep({});
    keep(std::move(job->chunk));
    job->chunk.clear();
    return page->text.c_str();
}

// The opened scenario becomes the page's run: its controls, readouts, trace
// and state, and its record, from which recording goes on.
EMSCRIPTEN_KEEPALIVE void talbrix_job_adopt()
{
    if (!job || job->replay->status() != talbrix::ReplayJob::Status::Finished)
        return;
    page->window.adopt(job->replay->window());
    page->run = job->replay->takeRun();
    page->error.clear();
    job.reset();
}

EMSCRIPTEN_KEEPALIVE void talbrix_job_end()
{
    job.reset();
}

// --- The beat log and the reference ------------------------------------------

// The beat log's column names, in the table's order, as JSON.
EMSCRIPTEN_KEEPALIVE const char *talbrix_beat_columns()
{
    talbrix::JsonWriter json;
    // The page's own words are the language's; the readouts and sliders keep
    // the form's names, and the saved table keeps its English header.
    json.open('[').value(talbrix::textOf("beats.column.beat")).value(talbrix::textOf("beats.column.tick"));
    json.value(talbrix::textOf("beats.column.time"));
    for (int box = 1; box <= talbrix::readoutCount; ++box)
        json.value(talbrix::readoutName(static_cast<talbrix::Readout>(box)));
    for (int slider = 1; slider <= talbrix::sliderCount; ++slider)
        json.value(talbrix::sliderName(slider));
    json.value(talbrix::textOf("beats.column.rhythm")).close(']');
    return keep(json.take());
}

// The beats after beat `after` that the log keeps, and the steady mark, as
// JSON: {"beats": B, "steady": S or null, "rows": [[beat, tick, time, texts...,
// positions..., rhythm], ...]}.
EMSCRIPTEN_KEEPALIVE const char *talbrix_beats(double after)
{
    const talbrix::BeatLog &log = page->run.beatLog();
    talbrix::JsonWriter json;
    json.open('{').key("beats").value(log.beats()).key("steady");
    if (const auto steady = log.steadyFrom())
        json.value(*steady);
    else
        json.null();
    json.key("rows").open('[');
    const std::string beating = talbrix::rhythmText(false);
    const std::string fibrillating = talbrix::rhythmText(true);
    auto row = log.rows().end();
    while (row != log.rows().begin() && static_cast<double>(std::prev(row)->beat) > after)
        --row;
    for (; row != log.rows().end(); ++row) {
        json.open('[').value(row->beat).value(row->tick).value(talbrix::secondsOf(row->tick));
        for (const std::string &text : row->texts)
            json.value(text);
        for (const std::int32_t position : row->sliders)
            json.value(static_cast<int>(position));
        json.value(row->fibrillating ? fibrillating : beating).close(']');
    }
    json.close(']').close('}');
    return keep(json.take());
}

EMSCRIPTEN_KEEPALIVE double talbrix_beat_count()
{
    return static_cast<double>(page->run.beatLog().beats());
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_beat_table()
{
    return keep(talbrix::inTableForm(talbrix::beatTable(page->run.beatLog())));
}

EMSCRIPTEN_KEEPALIVE void talbrix_hold_reference()
{
    page->run.holdReference(page->window);
}

EMSCRIPTEN_KEEPALIVE void talbrix_clear_reference()
{
    page->run.clearReference(page->window);
}

// The held reference beside the run as JSON, or null: {"tick": T,
// "readouts": [[name, unit, reference, now, difference, percent], ...],
// "changes": ["Slider2 Aortic Compl. 3 -> 0", ...] in the language in use}; numbers as the
// comparison table writes them.
EMSCRIPTEN_KEEPALIVE const char *talbrix_comparison()
{
    const auto comparison = page->run.comparison(page->window);
    if (!comparison)
        return keep("null");
    talbrix::JsonWriter json;
    json.open('{').key("tick").value(page->run.reference()->tick).key("readouts").open('[');
    for (const talbrix::ReadoutComparison &row : comparison->readouts) {
        json.open('[').value(row.name).value(row.unit).value(row.reference).value(row.now);
        json.value(row.difference ? talbrix::shortNumber(*row.difference) : std::string());
        json.value(row.percent ? talbrix::shortNumber(*row.percent) : std::string()).close(']');
    }
    json.close(']').key("changes").open('[');
    for (const talbrix::ControlChange &change : comparison->changes)
        json.value(talbrix::changeText(change));
    json.close(']').close('}');
    return keep(json.take());
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_comparison_table()
{
    const auto comparison = page->run.comparison(page->window);
    return keep(talbrix::inTableForm(comparison
            ? talbrix::comparisonTable(*comparison, *page->run.reference(), page->window.controlSettings())
            : std::string(talbrix::comparisonHeader)));
}

// The reference's sweep as pixels, as talbrix_pixels gives the live points,
// in the reference's colours; 0 points while none is held.
EMSCRIPTEN_KEEPALIVE int talbrix_reference_pixel_count()
{
    const auto &reference = page->run.reference();
    return reference ? static_cast<int>(2 * reference->sweep.size()) : 0;
}

EMSCRIPTEN_KEEPALIVE const talbrix::PagePixel *talbrix_reference_pixels()
{
    page->pixels.clear();
    if (const auto &reference = page->run.reference()) {
        for (const talbrix::SweepPoint &point : reference->sweep) {
            for (const auto &[y, rgb] : { std::pair { point.aorticY, talbrix::referenceAorticRgb },
                     std::pair { point.venousY, talbrix::referenceVenousRgb } }) {
                const auto pixel = talbrix::form::plotPixel(point.x, y);
                page->pixels.push_back({ static_cast<std::int16_t>(pixel ? pixel->column : -1),
                    static_cast<std::int16_t>(pixel ? pixel->row : -1), rgb });
            }
        }
    }
    return page->pixels.data();
}

EMSCRIPTEN_KEEPALIVE int talbrix_slider(int slider)
{
    return page->window.slider(slider);
}

// 0: neither option button selected, 1: Option1, 2: Option2.
EMSCRIPTEN_KEEPALIVE int talbrix_option()
{
    return page->window.option1() ? 1 : page->window.option2() ? 2 : 0;
}

// For tests only: put the model where the controls cannot take it (a sweep
// time far beyond the plot), to provoke a run-time error.
EMSCRIPTEN_KEEPALIVE void talbrix_test_set_time(float seconds)
{
    page->run.state().simTime = seconds;
    page->run.state().beatStart = seconds;
}

// --- Lessons -------------------------------------------------------------------

// The lessons that ship, built into the module: [{"title": T, "notes": [..]}, ...]
// in the order talbrix_shipped_lesson() numbers them.
EMSCRIPTEN_KEEPALIVE const char *talbrix_lessons()
{
    talbrix::JsonWriter json;
    json.open('[');
    for (const std::string_view text : talbrix::shippedLessonTexts) {
        const talbrix::LessonReading reading = talbrix::readLesson(text);
        json.open('{').key("title").value(reading.lesson ? reading.lesson->title : std::string("?"));
        json.key("notes").open('[');
        if (reading.lesson)
            for (const std::string &line : reading.lesson->notes)
                json.value(line);
        json.close(']').close('}');
    }
    json.close(']');
    return keep(json.take());
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_shipped_lesson(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= talbrix::shippedLessonTexts.size())
        return keep({});
    return keep(std::string(talbrix::shippedLessonTexts[static_cast<std::size_t>(index)]));
}

// What a file opened is, by its first line: 0 a scenario, 1 a lesson, 2 a
// result, both read and checked and waiting for talbrix_job_open_lesson();
// -1 a lesson or result with a mistake, told by talbrix_opening_error().
EMSCRIPTEN_KEEPALIVE int talbrix_prepare(const char *bytes, int length)
{
    talbrix::opening.reset();
    const std::string_view text(bytes, static_cast<std::size_t>(length));
    const talbrix::FileKind kind = talbrix::fileKindOf(text);
    if (kind == talbrix::FileKind::Scenario)
        return 0;
    const auto refuse = [](std::string reason) {
        talbrix::openingError = std::move(reason);
        return -1;
    };
    if (kind == talbrix::FileKind::Lesson) {
        talbrix::LessonReading reading = talbrix::readLesson(text);
        if (!reading.lesson)
            return refuse(reading.error);
        talbrix::opening = talbrix::OpeningLesson { talbrix::normalisedText(text), std::move(*reading.lesson), {}, {} };
        return 1;
    }
    talbrix::ResultReading reading = talbrix::readResult(text);
    if (!reading.result)
        return refuse(reading.error);
    talbrix::LessonReading inside = talbrix::readLesson(reading.result->lessonText);
    if (!inside.lesson)
        return refuse("The lesson inside the result cannot be read: " + inside.error);
    talbrix::ResultCheck check = talbrix::checkResult(*inside.lesson, *reading.result);
    const std::string lessonText = reading.result->lessonText;
    talbrix::opening = talbrix::OpeningLesson {
        lessonText, std::move(*inside.lesson), std::move(*reading.result), std::move(check) };
    return 2;
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_opening_error()
{
    return keep(talbrix::openingError);
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_opening_title()
{
    return keep(talbrix::opening ? talbrix::opening->lesson.title : std::string());
}

// Replays what the lesson opens with: its case, or the result's run.
EMSCRIPTEN_KEEPALIVE int talbrix_job_open_lesson()
{
    if (!talbrix::opening)
        return 1;
    job = std::make_unique<talbrix::Job>();
    job->replay = talbrix::ReplayJob::opening(
        talbrix::opening->result ? talbrix::opening->result->run : talbrix::opening->lesson.caseScenario);
    return 0;
}

// Once the replay is adopted: the lesson begins for `student` (UTF-8), or
// the result is shown with its answers and whether it is verified.
EMSCRIPTEN_KEEPALIVE void talbrix_lesson_begin(const char *student, int length)
{
    if (!talbrix::opening)
        return;
    talbrix::OpeningLesson &opened = *talbrix::opening;
    talbrix::PageLesson &lesson = page->lesson;
    lesson.text = opened.text;
    if (opened.result) {
        lesson.run.emplace(std::move(opened.lesson), opened.result->student);
        lesson.run->restore(opened.result->answers, opened.check->marks, opened.check->observations,
            opened.result->reached, opened.result->finished);
        lesson.verification = opened.check->verified
            ? talbrix::textOf("lesson.verified", { opened.result->student })
            : talbrix::textOf("lesson.not-verified", { opened.check->problem });
    } else {
        lesson.run.emplace(std::move(opened.lesson), std::string(student, static_cast<std::size_t>(length)));
        lesson.verification.clear();
    }
    talbrix::opening.reset();
    lesson.changedView = true;
    talbrix::watchLesson(false);
}

EMSCRIPTEN_KEEPALIVE void talbrix_lesson_close()
{
    page->lesson = {};
}

// After the page changed a control, started or paused the run: the lesson
// looks. Returns what changed since the last call: 1 the panel, 2 a control
// the lesson set (the page shows the controls again), both as 3.
EMSCRIPTEN_KEEPALIVE int talbrix_lesson_watch(int running)
{
    talbrix::watchLesson(running != 0);
    talbrix::PageLesson &lesson = page->lesson;
    const int changes = (lesson.changedView ? 1 : 0) | (lesson.changedControls ? 2 : 0);
    lesson.changedView = lesson.changedControls = false;
    return changes;
}

// "id\titem\tvalue", the value last (it may hold anything but a NUL).
EMSCRIPTEN_KEEPALIVE int talbrix_lesson_answer(const char *bytes, int length)
{
    if (!page->lesson.run)
        return 0;
    const std::string text(bytes, static_cast<std::size_t>(length));
    const std::size_t first = text.find('\t');
    const std::size_t second = first == std::string::npos ? first : text.find('\t', first + 1);
    if (second == std::string::npos)
        return 0;
    return page->lesson.run->answer(text.substr(0, first), text.substr(first + 1, second - first - 1),
               text.substr(second + 1), page->run.ticks())
        ? 1
        : 0;
}

EMSCRIPTEN_KEEPALIVE void talbrix_lesson_back()
{
    if (page->lesson.run)
        page->lesson.run->back();
}

// Returns 1 when Next finished the lesson.
EMSCRIPTEN_KEEPALIVE int talbrix_lesson_next(int running)
{
    if (!page->lesson.run || !page->lesson.run->canGoNext())
        return 0;
    page->lesson.run->next();
    talbrix::watchLesson(running != 0);
    return page->lesson.run->finished() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int talbrix_lesson_unsaved()
{
    return page->lesson.run && page->lesson.run->unsaved() ? 1 : 0;
}

// The open lesson's text, as a link hands it on; "" with none open.
EMSCRIPTEN_KEEPALIVE const char *talbrix_lesson_text()
{
    return keep(page->lesson.run ? page->lesson.text : std::string());
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_lesson_result()
{
    if (!page->lesson.run)
        return keep({});
    return keep(talbrix::resultText(
        *page->lesson.run, page->lesson.text, page->run.scenario(page->window), talbrix::utcNow()));
}

EMSCRIPTEN_KEEPALIVE void talbrix_lesson_saved()
{
    if (page->lesson.run)
        page->lesson.run->markSaved();
}

// The step shown, as the panel draws it, as JSON (null with no lesson):
// {"title", "student", "step", "steps", "heading", "verification",
//  "canBack", "canNext", "last", "finished", "score": [right, graded],
//  "items": [{"kind": "text", "list": b, "spans": [[text, emphasis], ...]},
//            {"kind": "task", "text", "words", "state": "done"|"now"|"then"},
//            {"kind": "predict", "id", "type", "open", "rows": [[item, name, answer]],
//             "options": [[key, text]]},
//            {"kind": "observe", "id", "made", "lines": [...], "feedback", "hint"},
//            {"kind": "question", "id", "answer", "open"}]}
EMSCRIPTEN_KEEPALIVE const char *talbrix_lesson_view()
{
    using namespace talbrix;
    if (!page->lesson.run)
        return keep("null");
    const LessonRun &lesson = *page->lesson.run;
    const Step &step = lesson.lesson().steps[lesson.step()];
    const bool here = lesson.step() == lesson.reached();
    const auto [right, graded] = lesson.score();
    JsonWriter json;
    json.open('{').key("title").value(lesson.lesson().title).key("student").value(lesson.student());
    json.key("step").value(std::uint64_t { lesson.step() + 1 }).key("steps").value(std::uint64_t { lesson.stepCount() });
    json.key("heading").value(step.title).key("verification").value(page->lesson.verification);
    json.key("canBack").value(lesson.canGoBack()).key("canNext").value(lesson.canGoNext());
    json.key("last").value(lesson.step() + 1 == lesson.stepCount()).key("finished").value(lesson.finished());
    json.key("score").open('[').value(static_cast<std::uint64_t>(right)).value(static_cast<std::uint64_t>(graded)).close(']');
    json.key("items").open('[');
    const auto answerOf = [&](const std::string &id, const std::string &item) {
        const Answer *given = lesson.answerTo(id, item);
        return given ? given->value : std::string();
    };
    for (std::size_t i = 0; i < step.items.size(); ++i) {
        const StepItem &item = step.items[i];
        if (const auto *text = std::get_if<TextBlock>(&item)) {
            json.open('{').key("kind").value("text").key("list").value(text->listItem).key("spans").open('[');
            for (const TextSpan &span : text->spans)
                json.open('[').value(span.text).value(span.emphasis).close(']');
            json.close(']').close('}');
        } else if (const auto *task = std::get_if<Task>(&item)) {
            const bool done = !here || lesson.done(i);
            json.open('{').key("kind").value("task").key("text").value(taskText(*task)).key("words").value(task->words);
            json.key("state").value(done ? "done" : here && i == lesson.pending() ? "now" : "then").close('}');
        } else if (const auto *prediction = std::get_if<Prediction>(&item)) {
            const char *type = prediction->kind == Prediction::Kind::Direction ? "direction"
                : prediction->kind == Prediction::Kind::Number                 ? "number"
                                                                               : "choice";
            json.open('{').key("kind").value("predict").key("id").value(prediction->id).key("type").value(type);
            json.key("open").value(here && !lesson.locked(prediction->id)).key("rows").open('[');
            if (prediction->kind == Prediction::Kind::Choice) {
                json.open('[').value("-").value("").value(answerOf(prediction->id, "-")).close(']');
            } else {
                for (const Readout readout : prediction->readouts) {
                    const std::string key = prediction->kind == Prediction::Kind::Direction ? readoutWord(readout) : "-";
                    json.open('[').value(key).value(readoutName(readout)).value(answerOf(prediction->id, key)).close(']');
                }
            }
            json.close(']').key("options").open('[');
            for (const ChoiceOption &option : prediction->options)
                json.open('[').value(option.key).value(option.text).close(']');
            json.close(']').close('}');
        } else if (const auto *observation = std::get_if<Observation>(&item)) {
            const Prediction &predicted = *lesson.lesson().prediction(observation->prediction);
            const std::vector<Verdict> verdicts = lesson.verdicts(observation->prediction);
            const bool made = lesson.observation(observation->prediction) != nullptr;
            json.open('{').key("kind").value("observe").key("id").value(observation->prediction);
            json.key("made").value(made).key("lines").open('[');
            for (const Verdict &verdict : verdicts)
                json.value(verdictText(predicted, verdict));
            json.close(']').key("feedback").value(made ? feedbackText(*observation, verdicts) : std::string());
            json.key("hint").value(made ? hintText(*observation, verdicts) : std::string()).close('}');
        } else if (const auto *question = std::get_if<Question>(&item)) {
            json.open('{').key("kind").value("question").key("id").value(question->id);
            json.key("answer").value(answerOf(question->id, "-")).key("open").value(here).close('}');
        }
    }
    json.close(']').close('}');
    return keep(json.take());
}

// --- Texts ---------------------------------------------------------------------

namespace {
std::string shownText; // the last text handed to the page, valid until the next
}

// Chooses the page's language from the preferences, BCP 47 tags one a line,
// most preferred first (the address's lang=, then the browser's): returns the
// tag of the catalogue now in use.
EMSCRIPTEN_KEEPALIVE const char *talbrix_use_language(const char *bytes, int length)
{
    std::vector<std::string> preferred;
    const std::string_view lines(bytes, static_cast<std::size_t>(length));
    for (std::size_t start = 0; start <= lines.size();) {
        const std::size_t end = std::min(lines.find('\n', start), lines.size());
        preferred.emplace_back(lines.substr(start, end - start));
        start = end + 1;
    }
    talbrix::useTexts(talbrix::shippedTexts(talbrix::chooseLanguage(preferred, talbrix::shippedLanguages())));
    shownText = talbrix::texts().language();
    return shownText.c_str();
}

// The access key of a key's text in the language in use, lower case: the
// letter after its '&', or "" for a text without one.
EMSCRIPTEN_KEEPALIVE const char *talbrix_access_key(const char *bytes, int length)
{
    shownText = talbrix::accessKeyOf(talbrix::texts().pattern(std::string_view(bytes, static_cast<std::size_t>(length))));
    return shownText.c_str();
}

// The languages that ship, for the page's choice: [[tag, name], ...], each
// named in itself ("Deutsch"), in the order of their tags.
EMSCRIPTEN_KEEPALIVE const char *talbrix_languages()
{
    talbrix::JsonWriter json;
    json.open('[');
    for (const std::string &tag : talbrix::shippedLanguages())
        json.open('[').value(tag).value(talbrix::shippedCatalogue(tag)->name()).close(']');
    json.close(']');
    shownText = json.take();
    return shownText.c_str();
}

// "key\targument\t...": the text in the language in use, its placeholders
// filled, without access-key markers (the page underlines no letter).
EMSCRIPTEN_KEEPALIVE const char *talbrix_catalogue_text(const char *bytes, int length)
{
    const std::string_view request(bytes, static_cast<std::size_t>(length));
    const std::size_t keyEnd = std::min(request.find('\t'), request.size());
    std::vector<std::string> arguments;
    for (std::size_t start = keyEnd + 1; start <= request.size();) {
        const std::size_t end = std::min(request.find('\t', start), request.size());
        arguments.emplace_back(request.substr(start, end - start));
        start = end + 1;
    }
    // The markers go before the arguments come in: a lesson's title may hold an '&'.
    shownText = talbrix::fillPlaceholders(
        talbrix::withoutAccessKey(talbrix::texts().pattern(request.substr(0, keyEnd))), arguments);
    return shownText.c_str();
}

} // extern "C"
