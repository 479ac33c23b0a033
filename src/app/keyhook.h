#pragma once

#include <QObject>

class QEvent;
class Tfm_main;

// Sees every key of every window of the program before it is delivered, and
// never swallows one: Escape closes the main window while it is the active
// window; F1 opens the help from anywhere, dialogs included.
class KeyHook : public QObject {
    Q_OBJECT
public:
    explicit KeyHook(Tfm_main &main);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void handleKey(int key);

    Tfm_main &m_main;
    // A key press travels up the parents of its receiver as one event; act once.
    const QEvent *m_lastKeyPress = nullptr;
};
