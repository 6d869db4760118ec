#include "runmenu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>

namespace talbrix {

RunMenu::RunMenu(QWidget &window)
    : QObject(&window)
    , m_window(window)
    , m_savePicture(addAction("savePicture", tr("Save &Picture..."), {}))
    , m_saveTable(addAction("saveRunAsTable", tr("Save Run as &Table..."), {}))
    , m_saveScenario(addAction("saveRunAsScenario", tr("Save Run as &Scenario..."), QKeySequence(Qt::CTRL | Qt::Key_S)))
    , m_openScenario(addAction("openScenario", tr("&Open Scenario..."), QKeySequence(Qt::CTRL | Qt::Key_O)))
    , m_openLink(addAction("openLink", tr("Open Lin&k..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)))
    , m_showBeats([this] {
        addSeparator();
        return addAction("showBeats", tr("&Beats and Reference..."), QKeySequence(Qt::CTRL | Qt::Key_B));
    }())
    , m_holdReference(addAction("holdReference", tr("&Hold as Reference"), QKeySequence(Qt::CTRL | Qt::Key_R)))
    , m_clearReference(
          addAction("clearReference", tr("&Clear Reference"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)))
    , m_saveBeatLog(addAction("saveBeatLog", tr("Save Beat &Log as Table..."), {}))
    , m_saveComparison(addAction("saveComparison", tr("Save Co&mparison as Table..."), {}))
    , m_lessons([this] {
        addSeparator();
        return addAction("lessons", tr("L&essons..."), QKeySequence(Qt::CTRL | Qt::Key_L));
    }())
    , m_saveResult(addAction("saveResult", tr("Save &Result..."), {}))
    , m_zoomIn([this] {
        addSeparator();
        return addAction("zoomIn", tr("Zoom &In"), QKeySequence(QKeySequence::ZoomIn));
    }())
    , m_zoomOut(addAction("zoomOut", tr("Zoom &Out"), QKeySequence(QKeySequence::ZoomOut)))
    , m_actualSize(addAction("actualSize", tr("&Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0)))
{
    setObjectName(QStringLiteral("runMenu"));
    // Ctrl+= is Ctrl+Plus without the Shift that most layouts need for "+";
    // the keypad's plus and minus come as the same keys with the keypad
    // modifier, which shortcuts look past.
    m_zoomIn->setShortcuts({ QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal) });
}

// Between the run's files and what is shown beside the form.
void RunMenu::addSeparator()
{
    auto *separator = new QAction(&m_window);
    separator->setSeparator(true);
    m_window.addAction(separator);
}

QAction *RunMenu::addAction(const char *name, const QString &text, const QKeySequence &shortcut)
{
    auto *action = new QAction(text, &m_window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(action);
    return action;
}

void RunMenu::show(const QPoint &globalPosition)
{
    if (m_held)
        return;
    QMenu menu(&m_window);
    menu.setObjectName(QStringLiteral("runMenu"));
    menu.addActions(m_window.actions());
    menu.exec(globalPosition);
}

bool RunMenu::handleMenuKey(const QKeyEvent &event)
{
    if (event.key() != Qt::Key_F10 || event.modifiers() != Qt::ShiftModifier)
        return false;
    QWidget *focus = m_window.focusWidget();
    if (!focus)
        focus = &m_window;
    // A text box keeps its own edit menu for the keyboard too.
    if (auto *box = qobject_cast<QLineEdit *>(focus)) {
        const QPoint at = box->rect().center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, at, box->mapToGlobal(at));
        QCoreApplication::sendEvent(box, &menuEvent);
        return true;
    }
    show(focus->mapToGlobal(focus->rect().center()));
    return true;
}

} // namespace talbrix
