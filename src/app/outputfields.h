#pragma once

#include <QObject>
#include <QString>

class QEvent;
class MainWindow;

// The output name field's checks while typing and on leaving, and the choice
// of the output folder.
class OutputFields : public QObject {
    Q_OBJECT
public:
    explicit OutputFields(MainWindow &main);

    void chooseOutputFolder();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool movesWithinTheWindow(Qt::FocusReason reason);
    void rememberFileName();
    // True when the key is refused, after saying why.
    bool refuseInvalidKey(const QString &typed);
    void restoreEmptyFileName();

    MainWindow &m_main;
    QString m_savedFileName;
};
