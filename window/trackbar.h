#pragma once

#include <QSlider>

namespace talbrix {

// A horizontal slider of whole positions 0..10 (small change 1, large change
// 5) whose keys follow the classic desktop track bar rather than Qt's default:
// Up and Page Up move the thumb left (towards 0), Down and Page Down right.
class TrackBar : public QSlider {
    Q_OBJECT

public:
    explicit TrackBar(QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace talbrix
