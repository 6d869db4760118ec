#pragma once

#include <QPushButton>

namespace talbrix {

// Start and Pause. Neither is the window's default button, so Return or Enter
// typed elsewhere in the window presses nothing; but with the focus on one of
// them, Return or Enter presses it, as Space does and as users of the classic
// desktop expect. A key held down presses once.
class CommandButton : public QPushButton {
    Q_OBJECT

public:
    CommandButton(const QString &caption, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace talbrix
