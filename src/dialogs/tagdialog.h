#pragma once

#include "audio/tags/booktags.h"
#include "dialogs/coverpanel.h"

#include <QDialog>

#include <functional>
#include <optional>

class ErrorReport;
class JoinList;
class Prompter;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class Settings;
struct TagValues;

// The tag dialog: edits the tag values of the next join, and whether each joined
// file becomes a chapter of the output (join/chapters in the settings file). It
// shows the stored values each time it opens and stores them only on "Ok".
// The book tags left unset show the first input's, which the join will take,
// in grey: firstInputBookTags gives them when the dialog opens. The cover
// column at its right finds the automatic cover among the inputs.
class TagDialog : public QDialog {
    Q_OBJECT

public:
    using BookTagsSource = std::function<BookTags()>;

    TagDialog(TagValues &tagValues, Settings &settings, ErrorReport &errorReport,
              Prompter &prompter, CoverPanel::InputsSource inputs,
              BookTagsSource firstInputBookTags = {}, QWidget *parent = nullptr);

    // The rows whose chapter titles "Chapters…" edits; without them the
    // button is disabled.
    void setChapterRows(JoinList &rows);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    QLineEdit *addEdit(const QString &caption, const QString &objectName, int row, int width);
    QPushButton *addButton(const QString &caption, const QString &objectName, int column);
    void createBookControls();
    void loadBookValues();
    void acceptBookValues();

    void loadValues();
    void acceptValues();
    void resetValues();
    void discardValues();
    void editChapterTitles();

    TagValues &m_tagValues;
    Settings &m_settings;
    ErrorReport &m_errorReport;
    Prompter &m_prompter;
    BookTagsSource m_firstInputBookTags;

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
    QLineEdit *m_albumArtistEdit = nullptr;
    QLineEdit *m_composerEdit = nullptr;
    QPlainTextEdit *m_descriptionEdit = nullptr;
    QLineEdit *m_seriesEdit = nullptr;
    QLineEdit *m_seriesPartEdit = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_resetButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    CoverPanel *m_coverPanel = nullptr;
};
