#pragma once

#include "dialogs/coverpanel.h"

#include <QDialog>

class ErrorReport;
class Prompter;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class Settings;
struct TagValues;

// The tag dialog: edits the tag values of the next join, and whether each joined
// file becomes a chapter of the output (join/chapters in the settings file). It
// shows the stored values each time it opens and stores them only on "Ok". The
// cover column at its right finds the automatic cover among inputs.
class TagDialog : public QDialog {
    Q_OBJECT

public:
    TagDialog(TagValues &tagValues, Settings &settings, ErrorReport &errorReport,
              Prompter &prompter, CoverPanel::InputsSource inputs, QWidget *parent = nullptr);

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
    QPushButton *m_okButton = nullptr;
    QPushButton *m_resetButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    CoverPanel *m_coverPanel = nullptr;
};
