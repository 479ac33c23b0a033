#pragma once

#include <QObject>

class QEvent;
class QKeyEvent;
class MainWindow;

// Sees every key of every window of the program before it is delivered:
// Escape closes the main window while it is the active window; F1 opens the
// help from anywhere, dialogs included. Both go on to their receiver. The list
// commands' keys are taken from the list alone, so that the list does not move
// its own cursor as well: Delete removes the selected row, Ctrl+Up and
// Ctrl+Down move it.
class KeyHook : public QObject {
    Q_OBJECT
public:
    explicit KeyHook(MainWindow &main);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool isListCommand(const QKeyEvent &event);
    void handleListKey(int key);
    void handleKey(int key);

    MainWindow &m_main;
    // A key press travels up the parents of its receiver as one event; act once.
    const QEvent *m_lastKeyPress = nullptr;
};
