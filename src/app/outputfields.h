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

    void browseClick();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool movesWithinTheWindow(Qt::FocusReason reason);
    void edt_filenameEnter();
    // True when the key is refused.
    bool edt_filenameKeyPress(const QString &typed);
    void edt_filenameExit();

    MainWindow &m_main;
    QString m_savedFilename;
};
