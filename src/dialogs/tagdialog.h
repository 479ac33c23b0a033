#pragma once

#include <QDialog>

class ErrorReport;
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

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    QLineEdit *addEdit(const QString &caption, const QString &objectName, int row, int width);
    QPushButton *addButton(const QString &caption, const QString &objectName, int column);

    void formShow();
    void btn_okClick();
    void btn_resetClick();
    void btn_cancelClick();

    TagValues &m_tagValues;
    Settings &m_settings;
    ErrorReport &m_errorReport;

    QLineEdit *edt_title = nullptr;
    QLineEdit *edt_artist = nullptr;
    QLineEdit *edt_album = nullptr;
    QLineEdit *edt_year = nullptr;
    QLineEdit *edt_track = nullptr;
    QComboBox *cb_genre = nullptr;
    QLineEdit *edt_comment = nullptr;
    QCheckBox *cbx_chapters = nullptr;
    QPushButton *btn_ok = nullptr;
    QPushButton *btn_reset = nullptr;
    QPushButton *btn_cancel = nullptr;
};
