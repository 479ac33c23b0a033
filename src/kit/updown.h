#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A spin control attached to an edit (its buddy): the arrow buttons, and the Up
// and Down keys while the edit has the focus, step the position by 1 within the
// range, without wrapping, and write the new position into the edit. Like the
// classic up-down control it also takes up a number typed into the edit when
// that number lies within its range.
class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget *parent = nullptr);

    void setBuddy(QLineEdit *edit);
    void setRange(int minimum, int maximum);
    // Positions of 1000 and more show as "1,000".
    void setThousandsSeparator(bool on) { m_thousandsSeparator = on; }

    int position() const { return m_position; }
    // Clamps to the range and shows the position in the edit.
    void setPosition(int value);
    // Clamps to the range and leaves the edit's text as it is.
    void setPositionQuietly(int value);
    void stepBy(int steps);

    QString positionText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *addArrowButton(Qt::ArrowType arrow, const QString &name);
    void takeUpBuddyText(const QString &text);
    int clamped(int value) const;

    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    QLineEdit *m_buddy = nullptr;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    bool m_thousandsSeparator = false;
};
