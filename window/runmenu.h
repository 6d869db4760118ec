#pragma once

#include <QObject>

#include <map>
#include <string>

class QAction;
class QActionGroup;
class QKeyEvent;
class QMenu;
class QKeySequence;
class QPoint;
class QString;
class QWidget;

namespace talbrix {

// The run commands on the window: the context menu (anywhere but inside a
// text box, which keeps its own edit menu; also the Menu key and Shift+F10)
// and the shortcuts, never on the form, whose layout is fixed. Each command
// is an action of the window, named for tests and wired by whoever carries
// it out; its text is the catalogue's, in the language in use.
class RunMenu : public QObject {
    Q_OBJECT

public:
    explicit RunMenu(QWidget &window);

    QAction *savePicture() const { return m_savePicture; }
    QAction *saveTable() const { return m_saveTable; }
    QAction *saveScenario() const { return m_saveScenario; }
    QAction *openScenario() const { return m_openScenario; }
    QAction *openLink() const { return m_openLink; }
    QAction *showBeats() const { return m_showBeats; }
    QAction *holdReference() const { return m_holdReference; }
    QAction *clearReference() const { return m_clearReference; }
    QAction *saveBeatLog() const { return m_saveBeatLog; }
    QAction *saveComparison() const { return m_saveComparison; }
    QAction *lessons() const { return m_lessons; }
    QAction *saveResult() const { return m_saveResult; }
    // The form's zoom for a projector: in, out, and back to 100 %.
    QAction *zoomIn() const { return m_zoomIn; }
    QAction *zoomOut() const { return m_zoomOut; }
    QAction *actualSize() const { return m_actualSize; }
    // The shipped languages, each by its own name, the one in use checked.
    QMenu *languageMenu() const { return m_languageMenu; }

    // Every command's text again, after the language changed.
    void relabel();

    // The menu at a global position; the Menu key and Shift+F10 show it at the
    // focused control's centre. Nothing shows while the commands are held.
    void show(const QPoint &globalPosition);
    // Shift+F10 on a control that has no menu of its own; true when handled.
    bool handleMenuKey(const QKeyEvent &event);
    // While a command runs, no other can start.
    void hold(bool held) { m_held = held; }
    bool held() const { return m_held; }

Q_SIGNALS:
    // A language's tag, chosen in the Language submenu.
    void languageChosen(const QString &language);

private:
    QAction *addAction(const char *name, const char *key, const QKeySequence &shortcut);
    void addSeparator();
    QMenu *addLanguageMenu();
    void checkLanguageInUse();

    QWidget &m_window;
    // Before the actions: the constructor fills them while it makes those.
    std::map<QAction *, std::string> m_keys; // each command's text in the catalogue
    QActionGroup *m_languages = nullptr;
    QAction *m_language = nullptr; // the submenu's entry
    QAction *m_savePicture;
    QAction *m_saveTable;
    QAction *m_saveScenario;
    QAction *m_openScenario;
    QAction *m_openLink;
    QAction *m_showBeats;
    QAction *m_holdReference;
    QAction *m_clearReference;
    QAction *m_saveBeatLog;
    QAction *m_saveComparison;
    QAction *m_lessons;
    QAction *m_saveResult;
    QAction *m_zoomIn;
    QAction *m_zoomOut;
    QAction *m_actualSize;
    QMenu *m_languageMenu;
    bool m_held = false;
};

} // namespace talbrix
