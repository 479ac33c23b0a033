#pragma once

#include <QObject>
#include <QString>

#include <functional>

class BusyState;
class ErrorReport;
class Prompter;
class QEvent;
class QLineEdit;
class Settings;

// The output name field's checks while typing and on leaving, and the choice
// of the output folder.
class OutputFields : public QObject {
    Q_OBJECT
public:
    // What the fields use: the two edits, the services behind them, and the
    // folder question, which returns the folder chosen or nothing.
    struct Parts {
        QLineEdit &fileNameEdit;
        QLineEdit &folderEdit;
        Prompter &prompter;
        Settings &settings;
        BusyState &busy;
        ErrorReport &report;
        std::function<QString(const QString &caption, const QString &prompt)> askFolder;
    };

    OutputFields(Parts parts, QObject *parent);

    void chooseOutputFolder();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool movesWithinTheWindow(Qt::FocusReason reason);
    void rememberFileName();
    // True when the key is refused, after saying why.
    bool refuseInvalidKey(const QString &typed);
    void restoreEmptyFileName();

    Parts m_parts;
    QString m_savedFileName;
};
