#include "ml.h"

#include "applicationlook.h"
#include "catalogue.h"
#include "circulation.h"
#include "formtable.h"
#include "linecontrol.h"
#include "memorywindow.h"
#include "plotarea.h"
#include "plotpixels.h"
#include "runkeeper.h"
#include "runmenu.h"
#include "runtimeerror.h"
#include "shown.h"
#include "trackbar.h"
#include "twips.h"
#include "windowsettings.h"
#include "zoom.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <exception>

namespace talbrix {

namespace {

constexpr QSize clientSize(tw(form::window.width), tw(form::window.height));

// The zoom remembered between sessions (windowSettings), in percent: 100,
// 200 or 300.
constexpr char zoomKey[] = "window/zoomPercent";

// One tick advances the model by 0.01 s, so a 10 ms period runs it in real
// time. A precise timer keeps the period's phase, so firings neither drift
// nor bunch up; late firings are not made up.
constexpr int tickMilliseconds = form::timerMilliseconds;

// Applies the look before any control is created, so that every caption is
// measured in the font the layout was designed for.
QWidget *withLook(QWidget *parent)
{
    applyApplicationLook();
    return parent;
}

} // namespace

Ml::Ml(QWidget *parent)
    : QWidget(withLook(parent))
    , m_controls(createControls(*this))
    , m_readouts(m_controls.texts)
    , m_reportError([this](const QString &errorName) {
        QMessageBox::critical(this, windowTitle(), shown("error.run-time", { errorName.toStdString() }));
    })
    , m_beep([] { QApplication::beep(); })
{
    setObjectName(QLatin1String(form::window.name));
    setWindowTitle(QLatin1String(form::window.caption));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    resize(clientSize);
    createTimer();
    m_runKeeper = new RunKeeper(*this);
    connectHandlers();
    connectZoomCommands();
    Form_Load();
}

void Ml::createTimer()
{
    m_timer = new QTimer(this);
    m_timer->setObjectName(QLatin1String(form::timerName));
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(tickMilliseconds);
}

void Ml::connectHandlers()
{
    connect(m_controls.command1, &QPushButton::clicked, this, &Ml::Command1_Click);
    connect(m_controls.command2, &QPushButton::clicked, this, &Ml::Command2_Click);
    connect(m_timer, &QTimer::timeout, this, &Ml::Timer1_Timer);
    for (TrackBar *slider : m_controls.sliders)
        connect(slider, &QSlider::valueChanged, this, &Ml::controlsChanged);
    connect(m_controls.option1, &QRadioButton::toggled, this, &Ml::controlsChanged);
    connect(m_controls.option2, &QRadioButton::toggled, this, &Ml::controlsChanged);
    connect(m_controls.heartRate(), &QLineEdit::textEdited, this, &Ml::controlsChanged);
}

// The run menu is the run keeper's; the zoom is the window's own.
void Ml::connectZoomCommands()
{
    const RunMenu *menu = findChild<RunMenu *>(QString(), Qt::FindDirectChildrenOnly);
    Q_ASSERT(menu);
    connect(menu->zoomIn(), &QAction::triggered, this, &Ml::zoomIn);
    connect(menu->zoomOut(), &QAction::triggered, this, &Ml::zoomOut);
    connect(menu->actualSize(), &QAction::triggered, this, &Ml::actualSize);
    menu->zoomOut()->setEnabled(false);
    connect(menu, &RunMenu::languageChosen, this, &Ml::useLanguage);
}

// At once, for what is open and what opens next; remembered for the next
// start, where the --language option still wins.
void Ml::useLanguage(const QString &language)
{
    useTexts(shippedTexts(language.toStdString()));
    m_runKeeper->relabel();
    if (m_remembersChoices)
        rememberLanguage(language);
}

void Ml::setZoom(int zoom)
{
    zoom = clampedZoom(zoom);
    const RunMenu *menu = findChild<RunMenu *>(QString(), Qt::FindDirectChildrenOnly);
    menu->zoomIn()->setEnabled(zoom < maximumZoom);
    menu->zoomOut()->setEnabled(zoom > minimumZoom);
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    markZoom(*this, zoom);
    zoomControls(*this, m_controls, zoom);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        resize(clientSize * zoom);
    update();
    if (m_remembersChoices)
        windowSettings().setValue(QLatin1String(zoomKey), zoom * 100);
}

// A damaged or hand-edited setting gives the nearest zoom there is. Only the
// program started from its command line remembers its zoom and its language,
// so that a window made by a test or a tool leaves the user's settings alone.
void Ml::restoreZoom()
{
    m_remembersChoices = true;
    bool isNumber = false;
    const int percent = windowSettings().value(QLatin1String(zoomKey), 100).toInt(&isNumber);
    if (isNumber)
        setZoom((percent + 50) / 100);
}

void Ml::setErrorReporter(ErrorReporter reporter)
{
    m_reportError = std::move(reporter);
}

void Ml::setBeep(Beep beep)
{
    m_beep = std::move(beep);
}

// No exception may leave a Qt slot. A run-time error abandons the handler,
// is reported, and ends the program; none arises with the controls' ranges.
template <typename Handler>
void Ml::runGuarded(Handler handler)
{
    try {
        handler();
    } catch (const RuntimeError &error) {
        endWithRunTimeError(QString::fromUtf8(error.what()));
    } catch (const std::exception &error) {
        endWithRunTimeError(QString::fromUtf8(error.what()));
    } catch (...) {
        endWithRunTimeError(shown("error.unknown"));
    }
}

// Runs before the window is first shown: the model's starting state, the
// timer off, and the three readouts the load step rewrites.
void Ml::Form_Load()
{
    runGuarded([this] {
        m_timer->stop();
        m_run.load(*this);
    });
}

// Start: the beep, then the timer. Pressing Start while running beeps again
// but leaves the timer's rhythm alone.
void Ml::Command1_Click()
{
    runGuarded([this] {
        m_beep();
        if (!m_timer->isActive()) {
            m_timer->start();
            Q_EMIT runningChanged();
        }
    });
}

// Pause: the state, readouts and trace stay exactly as they are.
void Ml::Command2_Click()
{
    runGuarded([this] {
        const bool wasRunning = m_timer->isActive();
        m_timer->stop();
        if (wasRunning)
            Q_EMIT runningChanged();
    });
}

void Ml::Timer1_Timer()
{
    runGuarded([this] {
        if (m_run.tick(*this).beat)
            Q_EMIT beatLogged();
        Q_EMIT ticked();
    });
}

void Ml::holdReference()
{
    m_run.holdReference(*this);
    m_controls.picture1->setReference(m_run.reference()->sweep);
    Q_EMIT referenceChanged();
}

void Ml::clearReference()
{
    m_run.clearReference(*this);
    m_controls.picture1->clearReference();
    Q_EMIT referenceChanged();
}

void Ml::openFromCommandLine(const QStringList &arguments)
{
    restoreZoom();
    if (arguments.size() < 2)
        return;
    if (arguments.size() > 2) {
        QMessageBox::warning(this, windowTitle(), shown("start.usage"));
        return;
    }
    // After the window is up, so that a long replay shows its progress on it.
    QTimer::singleShot(0, this, [this, path = arguments.at(1)] { m_runKeeper->openScenario(path); });
}

bool Ml::stopTimer()
{
    const bool wasRunning = m_timer->isActive();
    m_timer->stop();
    if (wasRunning)
        Q_EMIT runningChanged();
    return wasRunning;
}

void Ml::restartTimer()
{
    m_timer->start();
    Q_EMIT runningChanged();
}

bool Ml::running() const
{
    return m_timer->isActive();
}

namespace {

// A radio button can only be cleared by hand with its group's exclusivity
// suspended; at load neither option is selected, and an opened run may need
// that back.
void setOption(QRadioButton &button, bool checked)
{
    button.setAutoExclusive(false);
    button.setChecked(checked);
    button.setAutoExclusive(true);
}

} // namespace

void Ml::adoptRun(const MemoryWindow &replayed, RecordedRun run)
{
    for (std::size_t index = 0; index < m_controls.sliders.size(); ++index)
        m_controls.sliders[index]->setValue(replayed.slider(static_cast<int>(index) + 1));
    setOption(*m_controls.option1, replayed.option1());
    setOption(*m_controls.option2, replayed.option2());
    for (int box = 1; box <= readoutCount; ++box) {
        const auto readout = static_cast<Readout>(box);
        m_controls.text(readout)->setText(QString::fromStdString(replayed.text(readout)));
    }

    // The in-memory window starts with white for the plot's drawing colour at
    // load; the real plot starts with the scheme's window background.
    PlotArea &plot = *m_controls.picture1;
    const std::int32_t loadColour = MemoryWindow().drawColour();
    const QColor base = plot.palette().color(QPalette::Base);
    const std::int32_t baseColour = form::colourOf({ static_cast<std::uint8_t>(base.red()),
        static_cast<std::uint8_t>(base.green()), static_cast<std::uint8_t>(base.blue()) });
    const auto plotColour = [&](std::int32_t colour) { return colour == loadColour ? baseColour : colour; };
    plot.clearPoints();
    for (const PlottedPoint &point : replayed.points()) {
        plot.setDrawColour(plotColour(point.colour));
        plot.plotPoint(point.x, point.y);
    }
    plot.setDrawColour(plotColour(replayed.drawColour()));

    m_run = std::move(run);
    if (m_run.reference())
        plot.setReference(m_run.reference()->sweep);
    else
        plot.clearReference();
    Q_EMIT beatLogged();
    Q_EMIT referenceChanged();
}

void Ml::applyCommand(const ScenarioCommand &command)
{
    if (const auto *slider = std::get_if<SliderCommand>(&command))
        m_controls.sliders.at(static_cast<std::size_t>(slider->slider) - 1)->setValue(slider->position);
    else if (std::holds_alternative<FibrillateCommand>(command))
        m_controls.option1->setChecked(true);
    else if (std::holds_alternative<DefibrillateCommand>(command))
        m_controls.option2->setChecked(true);
    else if (const auto *text8 = std::get_if<Text8Command>(&command))
        m_controls.heartRate()->setText(QString::fromStdString(text8->text));
    else if (std::holds_alternative<HoldReferenceCommand>(command))
        holdReference();
    else if (std::holds_alternative<ClearReferenceCommand>(command))
        clearReference();
    Q_EMIT controlsChanged();
}

std::string Ml::readoutText(Readout readout) const
{
    return m_controls.text(readout)->text().toStdString();
}

ControlSettings Ml::controlSettings() const
{
    ControlSettings settings;
    for (std::size_t i = 0; i < settings.sliders.size(); ++i)
        settings.sliders[i] = m_controls.sliders[i]->value();
    if (m_controls.option1->isChecked())
        settings.option = OptionSelection::Fibrillate;
    else if (m_controls.option2->isChecked())
        settings.option = OptionSelection::Defibrillate;
    settings.text8 = m_controls.heartRate()->text().toStdString();
    return settings;
}

void Ml::endWithRunTimeError(const QString &errorName)
{
    m_timer->stop();
    m_reportError(errorName);
    QCoreApplication::exit(1);
}

std::int32_t Ml::readSlider(int slider)
{
    return m_controls.sliders.at(static_cast<std::size_t>(slider - 1))->value();
}

bool Ml::fibrillationSelected()
{
    return m_controls.option1->isChecked();
}

std::string Ml::heartRateText()
{
    return m_readouts.heartRateText();
}

void Ml::publish(Readout readout, Number value, TextForm form)
{
    m_readouts.publish(readout, value, form);
}

void Ml::plotPoint(std::int16_t x, std::int16_t y)
{
    m_controls.picture1->plotPoint(x, y);
}

void Ml::setDrawColour(std::int32_t colour)
{
    m_controls.picture1->setDrawColour(colour);
}

void Ml::clearPlot()
{
    m_controls.picture1->clearPoints();
}

// The window's own surface: its lines, beneath every child control.
void Ml::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    for (const LineControl *line : m_controls.windowLines)
        line->paint(painter, palette(), QPoint(0, 0), event->rect(), m_zoom);
}

// A run with ticks since it was opened or saved is not thrown away unasked.
void Ml::closeEvent(QCloseEvent *event)
{
    if (m_runKeeper->mayDiscardRun())
        event->accept();
    else
        event->ignore();
}

void Ml::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange && m_controls.menuColouredLabel)
        applyMenuColour(*m_controls.menuColouredLabel);
    QWidget::changeEvent(event);
}

// Right-clicks anywhere but in a text box (which has its own edit menu), and
// the Menu key on a control without a menu, end up here.
void Ml::contextMenuEvent(QContextMenuEvent *event)
{
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        const QWidget *focus = focusWidget() ? focusWidget() : this;
        at = focus->mapToGlobal(focus->rect().center());
    }
    m_runKeeper->showMenu(at);
}

void Ml::keyPressEvent(QKeyEvent *event)
{
    if (!m_runKeeper->handleMenuKey(*event))
        QWidget::keyPressEvent(event);
}

} // namespace talbrix
