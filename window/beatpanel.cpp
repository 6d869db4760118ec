#include "beatpanel.h"

#include "beatlog.h"
#include "ml.h"
#include "reference.h"
#include "shown.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace talbrix {

namespace {

constexpr int fixedColumns = 3; // beat, tick, time
constexpr int columns = fixedColumns + readoutCount + sliderCount + 1; // and the rhythm
constexpr int trendBeats = 60; // the latest, across the trend plot

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

QString timeOf(std::uint64_t tick)
{
    return QString::fromStdString(secondsOf(tick));
}

QString shortText(double value)
{
    return QString::fromStdString(shortNumber(value));
}

} // namespace

// --- The log as a table --------------------------------------------------

BeatLogModel::BeatLogModel(const Ml &window, QObject *parent)
    : QAbstractTableModel(parent)
    , m_window(window)
{
    sync();
}

const BeatLog &BeatLogModel::log() const
{
    return m_window.run().beatLog();
}

int BeatLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int BeatLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant BeatLogModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows)
        return {};
    const BeatRow &row = log().rows()[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (column == 0)
        return QVariant::fromValue(row.beat);
    if (column == 1)
        return QVariant::fromValue(row.tick);
    if (column == 2)
        return timeOf(row.tick);
    if (column < fixedColumns + readoutCount)
        return fromStd(row.texts[static_cast<std::size_t>(column - fixedColumns)]);
    if (column < columns - 1)
        return row.sliders[static_cast<std::size_t>(column - fixedColumns - readoutCount)];
    return fromStd(rhythmText(row.fibrillating));
}

QVariant BeatLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == 0)
        return shown("beats.column.beat");
    if (section == 1)
        return shown("beats.column.tick");
    if (section == 2)
        return shown("beats.column.time");
    if (section < fixedColumns + readoutCount)
        return fromStd(readoutName(static_cast<Readout>(section - fixedColumns + 1)));
    if (section < columns - 1)
        return fromStd(sliderName(section - fixedColumns - readoutCount + 1));
    return shown("beats.column.rhythm");
}

void BeatLogModel::relabel()
{
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columns - 1);
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0, columns - 1), index(m_rows - 1, columns - 1), { Qt::DisplayRole });
}

void BeatLogModel::sync()
{
    const auto &rows = log().rows();
    const std::uint64_t first = rows.empty() ? 0 : rows.front().beat;
    const int count = static_cast<int>(rows.size());
    // New rows at the end are inserted; anything else (the oldest let go,
    // another run opened) is a new table.
    if (first != m_firstBeat && m_rows > 0) {
        beginResetModel();
        m_firstBeat = first;
        m_rows = count;
        endResetModel();
    } else if (count > m_rows) {
        beginInsertRows({}, m_rows, count - 1);
        m_firstBeat = first;
        m_rows = count;
        endInsertRows();
    } else if (count < m_rows) {
        beginResetModel();
        m_firstBeat = first;
        m_rows = count;
        endResetModel();
    }
}

// --- The trend -------------------------------------------------------------

TrendPlot::TrendPlot(const Ml &window, QWidget *parent)
    : QWidget(parent)
    , m_window(window)
{
    setMinimumSize(320, 110);
}

void TrendPlot::show(int first, int second)
{
    m_first = first;
    m_second = second;
    update();
}

void TrendPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const auto &rows = m_window.run().beatLog().rows();
    const std::size_t shown = std::min<std::size_t>(rows.size(), trendBeats);
    if (shown < 2)
        return;
    const QRectF area = QRectF(rect()).adjusted(6, 18, -6, -6);
    // Each readout on its own scale, its range written at the top.
    int label = 0;
    for (const auto &[readout, colour] : { std::pair { m_first, QColor(Qt::black) }, std::pair { m_second, QColor(Qt::blue) } }) {
        if (readout < 1)
            continue;
        std::vector<double> values;
        for (std::size_t i = rows.size() - shown; i < rows.size(); ++i)
            values.push_back(readoutNumber(rows[i].texts[static_cast<std::size_t>(readout) - 1]).value_or(0));
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        const double span = *high > *low ? *high - *low : 1;
        QPainterPath path;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const QPointF point(area.left() + area.width() * static_cast<double>(i) / (trendBeats - 1),
                area.bottom() - area.height() * (values[i] - *low) / span);
            i == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        painter.setPen(QPen(colour, 1.5));
        painter.drawPath(path);
        painter.drawText(QPointF(6 + label++ * width() / 2.0, 13),
            QStringLiteral("%1: %2 - %3").arg(fromStd(readoutName(static_cast<Readout>(readout))),
                shortText(*low), shortText(*high)));
    }
}

// --- The panel ---------------------------------------------------------------

BeatPanel::BeatPanel(Ml &window, const QList<QAction *> &commands)
    : QWidget(&window, Qt::Window)
    , m_window(window)
    , m_model(new BeatLogModel(window, this))
    , m_table(new QTableView(this))
    , m_steady(new QLabel(this))
    , m_trend(new TrendPlot(window, this))
    , m_firstTrend(new QComboBox(this))
    , m_secondTrend(new QComboBox(this))
    , m_trendLabel(new QLabel(this))
    , m_referenceState(new QLabel(this))
    , m_comparison(new QTableWidget(readoutCount, 6, this))
    , m_changes(new QLabel(this))
{
    setObjectName(QStringLiteral("beatPanel"));
    m_table->setObjectName(QStringLiteral("beatLog"));
    m_table->setModel(m_model);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_steady->setObjectName(QStringLiteral("steadyMark"));
    m_changes->setObjectName(QStringLiteral("changedControls"));
    m_changes->setWordWrap(true);
    m_comparison->setObjectName(QStringLiteral("comparison"));
    m_comparison->verticalHeader()->hide();
    m_comparison->setEditTriggers(QAbstractItemView::NoEditTriggers);

    for (int readout = 1; readout <= readoutCount; ++readout) {
        const QString name = fromStd(readoutName(static_cast<Readout>(readout)));
        m_firstTrend->addItem(name, readout);
        m_secondTrend->addItem(name, readout);
    }
    m_secondTrend->insertItem(0, QString(), 0);
    m_firstTrend->setCurrentIndex(2); // stroke volume
    m_secondTrend->setCurrentIndex(1); // and aortic pressure
    m_firstTrend->setObjectName(QStringLiteral("firstTrend"));
    m_secondTrend->setObjectName(QStringLiteral("secondTrend"));
    m_trend->setObjectName(QStringLiteral("trend"));
    connect(m_firstTrend, &QComboBox::currentIndexChanged, this, &BeatPanel::showTrend);
    connect(m_secondTrend, &QComboBox::currentIndexChanged, this, &BeatPanel::showTrend);

    auto *buttons = new QHBoxLayout;
    for (QAction *command : commands) {
        auto *button = new QPushButton(command->text(), this);
        button->setObjectName(command->objectName() + QStringLiteral("Button"));
        connect(button, &QPushButton::clicked, command, &QAction::trigger);
        // The command's own text, also once the language changed.
        connect(command, &QAction::changed, button, [button, command] { button->setText(command->text()); });
        buttons->addWidget(button);
    }
    auto *trendChoice = new QHBoxLayout;
    trendChoice->addWidget(m_trendLabel);
    trendChoice->addWidget(m_firstTrend);
    trendChoice->addWidget(m_secondTrend);
    trendChoice->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_steady);
    layout->addWidget(m_table, 2);
    layout->addLayout(trendChoice);
    layout->addWidget(m_trend, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_referenceState);
    layout->addWidget(m_comparison, 2);
    layout->addWidget(m_changes);
    resize(760, 720);

    connect(&window, &Ml::beatLogged, this, &BeatPanel::showBeats);
    connect(&window, &Ml::referenceChanged, this, &BeatPanel::showComparison);
    relabel();
}

void BeatPanel::relabel()
{
    setWindowTitle(shown("beats.title", { m_window.windowTitle().toStdString() }));
    m_table->setAccessibleName(shown("beats.log"));
    m_comparison->setAccessibleName(shown("beats.comparison"));
    m_comparison->setHorizontalHeaderLabels({ shown("beats.comparison.readout"), shown("beats.comparison.unit"),
        shown("beats.comparison.reference"), shown("beats.comparison.now"), shown("beats.comparison.difference"),
        shown("beats.comparison.difference-percent") });
    m_trendLabel->setText(shown("beats.trend"));
    m_trend->setAccessibleName(shown("beats.trend.picture"));
    m_firstTrend->setAccessibleName(shown("beats.trend.first"));
    m_secondTrend->setAccessibleName(shown("beats.trend.second"));
    m_secondTrend->setItemText(0, shown("beats.trend.none"));
    m_model->relabel();
    showBeats();
}

void BeatPanel::showBeats()
{
    // A student who scrolled up to read an earlier beat stays there; one at
    // the newest beat follows the log.
    const QScrollBar *bar = m_table->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    m_model->sync();
    if (isVisible() && following)
        m_table->scrollToBottom();
    const auto steady = m_window.run().beatLog().steadyFrom();
    m_steady->setText(steady ? shown("beats.steady", { std::to_string(*steady) }) : shown("beats.not-steady"));
    showTrend();
    showComparison();
}

void BeatPanel::showTrend()
{
    m_trend->show(m_firstTrend->currentData().toInt(), m_secondTrend->currentData().toInt());
}

void BeatPanel::showComparison()
{
    const auto comparison = m_window.run().comparison(m_window);
    m_comparison->setEnabled(comparison.has_value());
    if (!comparison) {
        m_referenceState->setText(shown("beats.no-reference"));
        m_comparison->clearContents();
        m_changes->clear();
        return;
    }
    const Reference &reference = *m_window.run().reference();
    m_referenceState->setText(
        shown("beats.reference-held", { std::to_string(reference.tick), secondsOf(reference.tick) }));
    for (int row = 0; row < readoutCount; ++row) {
        const ReadoutComparison &readout = comparison->readouts[static_cast<std::size_t>(row)];
        const QStringList cells { fromStd(readout.name), fromStd(readout.unit), fromStd(readout.reference),
            fromStd(readout.now), readout.difference ? shortText(*readout.difference) : QString(),
            readout.percent ? shortText(*readout.percent) : QString() };
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = m_comparison->item(row, column);
            if (!item)
                m_comparison->setItem(row, column, item = new QTableWidgetItem);
            item->setText(cells[column]);
        }
    }
    QStringList changes;
    for (const ControlChange &change : comparison->changes)
        changes << fromStd(changeText(change));
    m_changes->setText(changes.isEmpty()
            ? shown("beats.no-change")
            : shown("beats.changed", { changes.join(QStringLiteral("; ")).toStdString() }));
}

} // namespace talbrix
