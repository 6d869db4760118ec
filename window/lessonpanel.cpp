#include "lessonpanel.h"

#include "beatlog.h"
#include "catalogue.h"
#include "ml.h"
#include "shown.h"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace talbrix {

namespace {

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

QString htmlOf(const std::vector<TextSpan> &spans)
{
    QString html;
    for (const TextSpan &span : spans) {
        const QString text = fromStd(span.text).toHtmlEscaped();
        html += span.emphasis ? QStringLiteral("<b>%1</b>").arg(text) : text;
    }
    return html;
}

QLabel *wrappedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QString objectNameOf(const std::string &id, const std::string &item)
{
    return fromStd(id + '_' + item);
}

} // namespace

LessonPanel::LessonPanel(Ml &window, QAction *saveResult)
    : QWidget(&window, Qt::Window)
    , m_window(window)
    , m_heading(new QLabel(this))
    , m_verification(new QLabel(this))
    , m_page(new QWidget)
    , m_items(new QVBoxLayout(m_page))
    , m_back(new QPushButton(shown("lesson.panel.back"), this))
    , m_next(new QPushButton(shown("lesson.panel.next"), this))
{
    setObjectName(QStringLiteral("lessonPanel"));
    m_heading->setObjectName(QStringLiteral("stepHeading"));
    m_heading->setWordWrap(true);
    QFont headingFont = m_heading->font();
    headingFont.setBold(true);
    // The window's look sizes its face in pixels.
    if (headingFont.pixelSize() > 0)
        headingFont.setPixelSize(headingFont.pixelSize() * 6 / 5);
    else
        headingFont.setPointSizeF(headingFont.pointSizeF() * 1.2);
    m_heading->setFont(headingFont);
    m_verification->setObjectName(QStringLiteral("verification"));
    m_verification->setWordWrap(true);
    m_verification->hide();
    m_back->setObjectName(QStringLiteral("lessonBack"));
    m_next->setObjectName(QStringLiteral("lessonNext"));
    auto *save = new QPushButton(saveResult->text(), this);
    save->setObjectName(QStringLiteral("saveResultButton"));
    connect(save, &QPushButton::clicked, saveResult, &QAction::trigger);
    connect(saveResult, &QAction::changed, save, [save, saveResult] { save->setText(saveResult->text()); });
    connect(m_back, &QPushButton::clicked, this, &LessonPanel::goBack);
    connect(m_next, &QPushButton::clicked, this, &LessonPanel::goNext);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(m_page);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_verification);
    layout->addWidget(m_heading);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
    resize(460, 520);

    for (auto signal : { &Ml::ticked, &Ml::controlsChanged, &Ml::runningChanged, &Ml::referenceChanged })
        connect(&window, signal, this, &LessonPanel::watch);
}

void LessonPanel::start(std::string lessonText, Lesson lesson, const std::string &student)
{
    m_lessonText = std::move(lessonText);
    m_lesson.emplace(std::move(lesson), student);
    m_verification->hide();
    setWindowTitle(shown("lesson.window-title", { m_lesson->lesson().title }));
    showStep();
    watch();
}

void LessonPanel::restore(std::string lessonText, LessonRun lesson, const QString &verification)
{
    m_lessonText = std::move(lessonText);
    m_lesson.emplace(std::move(lesson));
    m_verification->setText(verification);
    m_verification->setAccessibleName(verification);
    m_verification->show();
    setWindowTitle(shown("lesson.window-title", { m_lesson->lesson().title }));
    showStep();
    watch();
}

void LessonPanel::relabel()
{
    m_back->setText(shown("lesson.panel.back"));
    m_next->setText(shown("lesson.panel.next"));
    if (!m_lesson)
        return;
    setWindowTitle(shown("lesson.window-title", { m_lesson->lesson().title }));
    showStep();
}

void LessonPanel::close()
{
    m_lesson.reset();
    m_lessonText.clear();
    QWidget::close();
}

// After every tick and change: the lesson looks at the run; the commands a
// step carries out go to the controls, and the page is shown again only
// when something on it has changed.
void LessonPanel::watch()
{
    if (!m_lesson || m_watching)
        return;
    m_watching = true;
    const bool changed = m_lesson->watch(
        m_window.run(), [this] { return m_window.controlSettings(); }, m_window.running(),
        [this](const ScenarioCommand &command) { m_window.applyCommand(command); });
    m_watching = false;
    if (changed)
        showStep();
}

void LessonPanel::answer(const std::string &id, const std::string &item, const std::string &value)
{
    if (m_lesson && m_lesson->answer(id, item, value, m_window.ticks()))
        showNavigation();
}

void LessonPanel::goBack()
{
    if (!m_lesson)
        return;
    m_lesson->back();
    showStep();
}

void LessonPanel::goNext()
{
    if (!m_lesson || !m_lesson->canGoNext())
        return;
    m_lesson->next();
    showStep();
    watch();
    if (m_lesson->finished())
        Q_EMIT finished();
}

bool LessonPanel::answerable(const std::string &id) const
{
    return m_lesson->step() == m_lesson->reached() && (isQuestion(m_lesson->lesson(), id) || !m_lesson->locked(id));
}

void LessonPanel::showNavigation()
{
    const bool last = m_lesson->step() + 1 == m_lesson->stepCount();
    m_back->setEnabled(m_lesson->canGoBack());
    m_next->setEnabled(m_lesson->canGoNext());
    m_next->setText(m_lesson->finished() && last ? shown("lesson.panel.finished")
            : last                                ? shown("lesson.panel.finish")
                                                  : shown("lesson.panel.next"));
}

// The page is made anew for the step; the control that had the focus gets
// it back, so that a task done while the student types does not take it.
void LessonPanel::showStep()
{
    if (!m_lesson)
        return;
    QWidget *focused = m_page->focusWidget();
    const QString focusName = focused && m_page->isAncestorOf(focused) ? focused->objectName() : QString();
    while (QLayoutItem *item = m_items->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const Step &step = m_lesson->lesson().steps[m_lesson->step()];
    m_heading->setText(shown("lesson.step-heading",
        { std::to_string(m_lesson->step() + 1), std::to_string(m_lesson->stepCount()), step.title }));
    for (std::size_t i = 0; i < step.items.size(); ++i) {
        const StepItem &item = step.items[i];
        if (const auto *text = std::get_if<TextBlock>(&item))
            addText(*text);
        else if (const auto *task = std::get_if<Task>(&item))
            addTask(*task, i);
        else if (const auto *prediction = std::get_if<Prediction>(&item))
            addPrediction(*prediction);
        else if (const auto *observation = std::get_if<Observation>(&item))
            addObservation(*observation);
        else if (const auto *question = std::get_if<Question>(&item))
            addQuestion(*question);
    }
    if (m_lesson->finished() && m_lesson->step() + 1 == m_lesson->stepCount()) {
        const auto [right, graded] = m_lesson->score();
        auto *done = wrappedLabel(shown("lesson.score", { std::to_string(right), std::to_string(graded) }), m_page);
        done->setObjectName(QStringLiteral("lessonScore"));
        m_items->addWidget(done);
    }
    m_items->addStretch();
    showNavigation();
    if (!focusName.isEmpty())
        if (auto *widget = m_page->findChild<QWidget *>(focusName))
            widget->setFocus();
}

void LessonPanel::addText(const TextBlock &block)
{
    const QString html = htmlOf(block.spans);
    m_items->addWidget(wrappedLabel(block.listItem ? QStringLiteral("\u2022 ") + html : html, m_page));
}

void LessonPanel::addTask(const Task &task, std::size_t index)
{
    const bool here = m_lesson->step() == m_lesson->reached();
    const bool done = !here || m_lesson->done(index);
    const bool current = here && index == m_lesson->pending();
    const std::string text = taskText(task);
    auto *label = wrappedLabel(done ? shown("lesson.progress.done", { text })
            : current               ? shown("lesson.progress.now", { text })
                                    : shown("lesson.progress.then", { text }),
        m_page);
    label->setObjectName(QStringLiteral("task%1").arg(index));
    if (current) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    m_items->addWidget(label);
}

void LessonPanel::addPrediction(const Prediction &prediction)
{
    auto *box = new QGroupBox(shown("lesson.prediction"), m_page);
    box->setObjectName(fromStd(prediction.id));
    const bool open = answerable(prediction.id);
    auto *grid = new QGridLayout(box);
    const auto choice = [&](const std::string &item, const std::string &value, const QString &text, int row,
                            int column, QButtonGroup *group) {
        auto *button = new QRadioButton(text, box);
        button->setObjectName(objectNameOf(prediction.id, item + '_' + value));
        const Answer *given = m_lesson->answerTo(prediction.id, item);
        button->setChecked(given && given->value == value);
        button->setEnabled(open);
        group->addButton(button);
        connect(button, &QRadioButton::toggled, this, [this, id = prediction.id, item, value](bool on) {
            if (on)
                answer(id, item, value);
        });
        grid->addWidget(button, row, column);
        return button;
    };
    switch (prediction.kind) {
    case Prediction::Kind::Direction: {
        int row = 0;
        for (const Readout readout : prediction.readouts) {
            const std::string item = readoutWord(readout);
            const QString name = fromStd(readoutName(readout));
            grid->addWidget(new QLabel(name, box), row, 0);
            auto *group = new QButtonGroup(box);
            int column = 1;
            for (const auto &[value, text] : { std::pair { "up", shown("lesson.answer.up") },
                     std::pair { "down", shown("lesson.answer.down") }, std::pair { "same", shown("lesson.answer.same") } }) {
                QRadioButton *button = choice(item, value, text, row, column++, group);
                button->setAccessibleName(QStringLiteral("%1: %2").arg(name, text));
            }
            ++row;
        }
        break;
    }
    case Prediction::Kind::Number: {
        const QString name = fromStd(readoutName(prediction.readouts.front()));
        grid->addWidget(new QLabel(name, box), 0, 0);
        auto *edit = new QLineEdit(box);
        edit->setObjectName(objectNameOf(prediction.id, "number"));
        edit->setAccessibleName(name);
        if (const Answer *given = m_lesson->answerTo(prediction.id, "-"))
            edit->setText(fromStd(given->value));
        edit->setEnabled(open);
        connect(edit, &QLineEdit::textEdited, this,
            [this, id = prediction.id](const QString &text) { answer(id, "-", text.toStdString()); });
        grid->addWidget(edit, 0, 1);
        break;
    }
    case Prediction::Kind::Choice: {
        auto *group = new QButtonGroup(box);
        int row = 0;
        for (const ChoiceOption &option : prediction.options)
            choice("-", option.key, fromStd(option.text), row++, 0, group);
        break;
    }
    }
    m_items->addWidget(box);
}

void LessonPanel::addObservation(const Observation &observation)
{
    const Prediction &prediction = *m_lesson->lesson().prediction(observation.prediction);
    auto *label = wrappedLabel({}, m_page);
    label->setObjectName(fromStd("feedback_" + observation.prediction));
    if (!m_lesson->observation(observation.prediction)) {
        label->setText(shown("lesson.waiting"));
    } else {
        const std::vector<Verdict> verdicts = m_lesson->verdicts(observation.prediction);
        QStringList lines;
        for (const Verdict &verdict : verdicts)
            lines << fromStd(verdictText(prediction, verdict)).toHtmlEscaped();
        if (const std::string feedback = feedbackText(observation, verdicts); !feedback.empty())
            lines << QStringLiteral("<b>%1</b>").arg(fromStd(feedback).toHtmlEscaped());
        if (const std::string hint = hintText(observation, verdicts); !hint.empty())
            lines << fromStd(textOf("lesson.hint", { hint })).toHtmlEscaped();
        label->setText(lines.join(QStringLiteral("<br>")));
    }
    label->setAccessibleName(label->text());
    m_items->addWidget(label);
}

void LessonPanel::addQuestion(const Question &question)
{
    auto *edit = new QPlainTextEdit(m_page);
    edit->setObjectName(objectNameOf(question.id, "question"));
    edit->setAccessibleName(shown("lesson.your-answer"));
    edit->setTabChangesFocus(true);
    if (const Answer *given = m_lesson->answerTo(question.id, "-"))
        edit->setPlainText(fromStd(given->value));
    edit->setReadOnly(!answerable(question.id));
    edit->setMaximumHeight(edit->fontMetrics().lineSpacing() * 6);
    connect(edit, &QPlainTextEdit::textChanged, this,
        [this, edit, id = question.id] { answer(id, "-", edit->toPlainText().toStdString()); });
    m_items->addWidget(edit);
}

} // namespace talbrix
