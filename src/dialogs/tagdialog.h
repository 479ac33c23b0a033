#pragma once

#include <QDialog>

class ErrorReport;
class JoinList;
class Prompter;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class Settings;
struct TagValues;

// The tag dialog: edits the tag values of the next join, and whether each joined
// file becomes a chapter of the output (join/chapters in the settings file). It
// shows the stored values each time it opens and stores them only on "Ok".
class TagDialog : public QDialog {
    Q_OBJECT

public:
    TagDialog(TagValues &tagValues, Settings &settings, ErrorReport &errorReport,
              QWidget *parent = nullptr);

    // The rows whose chapter titles "Chapters…" edits, in a dialog shown
    // through prompter; without them the button is disabled.
    void setChapterRows(JoinList &rows, Prompter &prompter);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    QLineEdit *addEdit(const QString &caption, const QString &objectName, int row, int width);
    QPushButton *addButton(const QString &caption, const QString &objectName, int column);

    void loadValues();
    void acceptValues();
    void resetValues();
    void discardValues();
    void editChapterTitles();

    TagValues &m_tagValues;
    Settings &m_settings;
    ErrorReport &m_errorReport;

    QLineEdit *m_titleEdit = nullptr;
    QLineEdit *m_artistEdit = nullptr;
    QLineEdit *m_albumEdit = nullptr;
    QLineEdit *m_yearEdit = nullptr;
    QLineEdit *m_trackEdit = nullptr;
    QComboBox *m_genreList = nullptr;
    QLineEdit *m_commentEdit = nullptr;
    QCheckBox *m_chaptersCheck = nullptr;
    QPushButton *m_chapterTitlesButton = nullptr;
    JoinList *m_chapterRows = nullptr;
    Prompter *m_prompter = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_resetButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
