#include "runmenu.h"

#include "catalogue.h"
#include "shown.h"

#include <QAction>
#include <QActionGroup>
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
    , m_savePicture(addAction("savePicture", "menu.run.save-picture", {}))
    , m_saveTable(addAction("saveRunAsTable", "menu.run.save-table", {}))
    , m_saveScenario(addAction("saveRunAsScenario", "menu.run.save-scenario", QKeySequence(Qt::CTRL | Qt::Key_S)))
    , m_openScenario(addAction("openScenario", "menu.run.open-scenario", QKeySequence(Qt::CTRL | Qt::Key_O)))
    , m_openLink(addAction("openLink", "menu.run.open-link", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)))
    , m_showBeats([this] {
        addSeparator();
        return addAction("showBeats", "menu.beats.show", QKeySequence(Qt::CTRL | Qt::Key_B));
    }())
    , m_holdReference(addAction("holdReference", "menu.beats.hold", QKeySequence(Qt::CTRL | Qt::Key_R)))
    , m_clearReference(addAction("clearReference", "menu.beats.clear", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)))
    , m_saveBeatLog(addAction("saveBeatLog", "menu.beats.save-log", {}))
    , m_saveComparison(addAction("saveComparison", "menu.beats.save-comparison", {}))
    , m_lessons([this] {
        addSeparator();
        return addAction("lessons", "menu.lessons.open", QKeySequence(Qt::CTRL | Qt::Key_L));
    }())
    , m_saveResult(addAction("saveResult", "menu.lessons.save-result", {}))
    , m_zoomIn([this] {
        addSeparator();
        return addAction("zoomIn", "menu.view.zoom-in", QKeySequence(QKeySequence::ZoomIn));
    }())
    , m_zoomOut(addAction("zoomOut", "menu.view.zoom-out", QKeySequence(QKeySequence::ZoomOut)))
    , m_actualSize(addAction("actualSize", "menu.view.actual-size", QKeySequence(Qt::CTRL | Qt::Key_0)))
    , m_languageMenu(addLanguageMenu())
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

QAction *RunMenu::addAction(const char *name, const char *key, const QKeySequence &shortcut)
{
    auto *action = new QAction(shown(key), &m_window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(action);
    m_keys.emplace(action, key);
    return action;
}

// Each language by its own name, so that a student who cannot read the
// language in use still finds theirs; in the order of their tags.
QMenu *RunMenu::addLanguageMenu()
{
    auto *menu = new QMenu(&m_window);
    menu->setObjectName(QStringLiteral("languageMenu"));
    m_languages = new QActionGroup(menu);
    m_languages->setExclusive(true);
    for (const std::string &language : shippedLanguages()) {
        const Catalogue *catalogue = shippedCatalogue(language);
        auto *choice = new QAction(QString::fromStdString(catalogue ? catalogue->name() : language), m_languages);
        choice->setObjectName(QStringLiteral("language-") + QString::fromStdString(language));
        choice->setData(QString::fromStdString(language));
        choice->setCheckable(true);
        menu->addAction(choice);
        connect(
            choice, &QAction::triggered, this, [this, choice] { Q_EMIT languageChosen(choice->data().toString()); });
    }
    m_language = addAction("language", "menu.view.language", {});
    m_language->setMenu(menu);
    menu->setTitle(m_language->text());
    checkLanguageInUse();
    return menu;
}

// A teacher's catalogue tried from a file is none of them: nothing is checked.
void RunMenu::checkLanguageInUse()
{
    const QString inUse = QString::fromStdString(texts().language());
    for (QAction *choice : m_languages->actions())
        choice->setChecked(choice->data().toString() == inUse);
}

void RunMenu::relabel()
{
    for (const auto &[action, key] : m_keys)
        action->setText(shown(key));
    m_languageMenu->setTitle(m_language->text());
    checkLanguageInUse();
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
