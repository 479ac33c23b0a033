#pragma once

#include <QDialog>

class ErrorReport;
class QComboBox;
class QLineEdit;
class QPushButton;
struct TagValues;

// The tag dialog: edits the tag values of the next join. It shows the stored
// values each time it opens and stores them only on "Ok".
class Tfm_id3 : public QDialog {
    Q_OBJECT

public:
    Tfm_id3(TagValues &tagValues, ErrorReport &errorReport, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    QLineEdit *addEdit(const QString &caption, const QString &objectName, int row, int width);
    QPushButton *addButton(const QString &caption, const QString &objectName, int column);

    void FormShow();
    void btn_okClick();
    void btn_resetClick();
    void btn_cancelClick();

    TagValues &m_tagValues;
    ErrorReport &m_errorReport;

    QLineEdit *edt_title = nullptr;
    QLineEdit *edt_artist = nullptr;
    QLineEdit *edt_album = nullptr;
    QLineEdit *edt_year = nullptr;
    QLineEdit *edt_track = nullptr;
    QComboBox *cb_genre = nullptr;
    QLineEdit *edt_comment = nullptr;
    QPushButton *btn_ok = nullptr;
    QPushButton *btn_reset = nullptr;
    QPushButton *btn_cancel = nullptr;
};
