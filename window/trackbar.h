#pragma once

#include <QSlider>

namespace talbrix {

// A horizontal slider of whole positions 0..10 (small change 1, large change
// 5) whose keys follow the classic desktop track bar rather than Qt's default:
// Up and Page Up move the thumb left (towards 0), Down and Page Down right.
// The mouse wheel moves it one position per notch, as the Up and Down keys do:
// away from the user towards 0, towards the user towards 10.
class TrackBar : public QSlider {
    Q_OBJECT

public:
    explicit TrackBar(QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    int m_wheelRemainder = 0; // eighths of a degree not yet making a notch
};

} // namespace talbrix
