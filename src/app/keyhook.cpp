#include "app/keyhook.h"

#include "app/mainwindow.h"

#include <QApplication>
#include <QKeyEvent>

KeyHook::KeyHook(MainWindow &main) : QObject(&main), m_main(main) {}

bool KeyHook::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress) {
        // Every new key press is preceded by other events (its shortcut check
        // at least), so only the travel of one press up the parents repeats it.
        m_lastKeyPress = nullptr;
        return QObject::eventFilter(watched, event);
    }
    if (event == m_lastKeyPress)
        return false;
    m_lastKeyPress = event;
    const auto *keyEvent = static_cast<QKeyEvent *>(event);
    if (watched == m_main.listView() && isListCommand(*keyEvent)) {
        const int key = keyEvent->key();
        runGuarded(m_main, [this, key] { handleListKey(key); });
        return true;
    }
    const int key = keyEvent->key();
    runGuarded(m_main, [this, key] { handleKey(key); });
    return false;
}

bool KeyHook::isListCommand(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    switch (event.key()) {
    case Qt::Key_Delete:
        return modifiers == Qt::NoModifier;
    case Qt::Key_Up:
    case Qt::Key_Down:
        return modifiers == Qt::ControlModifier;
    default:
        return false;
    }
}

void KeyHook::handleListKey(int key)
{
    if (key == Qt::Key_Delete)
        m_main.removeFile();
    else if (key == Qt::Key_Up)
        m_main.moveUp();
    else
        m_main.moveDown();
}

void KeyHook::handleKey(int key)
{
    if (key == Qt::Key_Escape) {
        // While a dialog is open the main window is not active: Escape is the
        // dialog's. An open menu or drop-down list takes Escape for itself too.
        if (QApplication::activeWindow() == &m_main && !QApplication::activePopupWidget())
            m_main.close();
    } else if (key == Qt::Key_F1) {
        m_main.showHelp();
    }
}
