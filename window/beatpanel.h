#pragma once

#include <QAbstractTableModel>
#include <QWidget>

class QComboBox;
class QLabel;
class QTableView;
class QTableWidget;

namespace talbrix {

class BeatLog;
class Ml;

// The run's beat log as a table for a view: a row per beat, newest last.
class BeatLogModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit BeatLogModel(const Ml &window, QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // After the log grew, or the run was replaced.
    void sync();
    // The headers and the rhythm again, in the language now in use.
    void relabel();

private:
    const BeatLog &log() const;

    const Ml &m_window;
    std::uint64_t m_firstBeat = 0; // of the rows the view knows
    int m_rows = 0;
};

// A small plot of one or two readouts, beat by beat, over the latest beats.
class TrendPlot : public QWidget {
    Q_OBJECT

public:
    TrendPlot(const Ml &window, QWidget *parent);
    void show(int first, int second); // readouts 1..13, second 0 for none

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const Ml &m_window;
    int m_first = 3;
    int m_second = 0;
};

// Beside the form, in a window of its own: the beat log, a trend, when the
// run settled, and the reference with the comparison. It only shows what the
// run holds; its buttons are the window's own commands.
class BeatPanel : public QWidget {
    Q_OBJECT

public:
    BeatPanel(Ml &window, const QList<QAction *> &commands);

    // Every text again, in the language now in use.
    void relabel();

private:
    void showBeats();
    void showComparison();
    void showTrend();

    Ml &m_window;
    BeatLogModel *m_model;
    QTableView *m_table;
    QLabel *m_steady;
    TrendPlot *m_trend;
    QComboBox *m_firstTrend;
    QComboBox *m_secondTrend;
    QLabel *m_trendLabel;
    QLabel *m_referenceState;
    QTableWidget *m_comparison;
    QLabel *m_changes;
};

} // namespace talbrix
