#include "dialogs/tagdialog.h"

#include "audio/tags/tagvalues.h"
#include "dialogs/chaptertitlesdialog.h"
#include "joinlist/joinlist.h"
#include "kit/numberinput.h"
#include "platform/errorreport.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "settings/valuelists.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include <tuple>
#include <utility>

namespace {

// The tag fields' rows, the chapter switch in a row of its own, then the
// book's fields; the cover column at their right.
constexpr int kFieldsWidth = 374;
constexpr int kClientWidth = kFieldsWidth + CoverPanel::kWidth + 16;

// Control placement: one label and one control per row, the buttons below.
constexpr int kMargin = 16;
constexpr int kLabelWidth = 64;
constexpr int kFieldLeft = kMargin + kLabelWidth + 4;
constexpr int kFullFieldWidth = kFieldsWidth - kFieldLeft - kMargin;
constexpr int kYearWidth = 80;
constexpr int kTrackWidth = 40;
constexpr int kFirstRowTop = 12;
constexpr int kRowPitch = 29;
constexpr int kRowHeight = 22;
constexpr int kChapterTitlesWidth = 80;
constexpr int kChapterTitlesGap = 6;
constexpr int kButtonWidth = 80;
constexpr int kButtonGap = 20;
constexpr int kButtonsLeft = (kFieldsWidth - 3 * kButtonWidth - 2 * kButtonGap) / 2;

constexpr int kTrackMaxLength = TagValues::kTrackDigits;

enum Row {
    kTitleRow,
    kArtistRow,
    kAlbumRow,
    kYearRow,
    kTrackRow,
    kGenreRow,
    kCommentRow,
    kChaptersRow,
    kAlbumArtistRow,
    kComposerRow,
    kDescriptionRow,  // two rows high
    kSeriesRow = kDescriptionRow + 2,
    kSeriesPartRow,
    kRowCount
};

int rowTop(int row)
{
    return kFirstRowTop + row * kRowPitch;
}

constexpr int kDescriptionHeight = kRowPitch + kRowHeight;
constexpr int kButtonTop = kFirstRowTop + kRowCount * kRowPitch + 5;
constexpr int kButtonHeight = 25;
constexpr int kClientHeight = kButtonTop + kButtonHeight + 10;

// The whole text as a decimal 32-bit integer, or the fallback when it is not one
// (empty, other characters, out of range).
int toIntegerOr(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : fallback;
}

}  // namespace

TagDialog::TagDialog(TagValues &tagValues, Settings &settings, ErrorReport &errorReport,
                     Prompter &prompter, CoverPanel::InputsSource inputs,
                     BookTagsSource firstInputBookTags, QWidget *parent)
    : QDialog(parent),
      m_tagValues(tagValues),
      m_settings(settings),
      m_errorReport(errorReport),
      m_prompter(prompter),
      m_firstInputBookTags(std::move(firstInputBookTags))
{
    setWindowTitle(QStringLiteral("ID3"));
    setFixedSize(kClientWidth, kClientHeight);
    createControls();
    m_coverPanel = new CoverPanel(prompter, errorReport, std::move(inputs), this);
    m_coverPanel->move(kFieldsWidth, kFirstRowTop);
}

void TagDialog::createControls()
{
    m_titleEdit =
        addEdit(QStringLiteral("Title: "), QStringLiteral("edt_title"), kTitleRow, kFullFieldWidth);
    m_artistEdit = addEdit(QStringLiteral("Artist: "), QStringLiteral("edt_artist"), kArtistRow,
                           kFullFieldWidth);
    m_albumEdit =
        addEdit(QStringLiteral("Album: "), QStringLiteral("edt_album"), kAlbumRow, kFullFieldWidth);
    m_yearEdit =
        addEdit(QStringLiteral("Year: "), QStringLiteral("edt_year"), kYearRow, kYearWidth);
    m_trackEdit =
        addEdit(QStringLiteral("Track: "), QStringLiteral("edt_track"), kTrackRow, kTrackWidth);
    m_trackEdit->setMaxLength(kTrackMaxLength);
    m_yearEdit->installEventFilter(this);
    m_trackEdit->installEventFilter(this);

    auto *genreLabel = new QLabel(QStringLiteral("Genre: "), this);
    genreLabel->setGeometry(kMargin, rowTop(kGenreRow), kLabelWidth, kRowHeight);
    m_genreList = new QComboBox(this);
    m_genreList->setObjectName(QStringLiteral("cb_genre"));
    // Any text is a genre ("Audiobook"); the list offers the ID3v1 ones.
    m_genreList->setEditable(true);
    m_genreList->setInsertPolicy(QComboBox::NoInsert);
    m_genreList->addItems(ValueLists::genreCaptions());
    m_genreList->setGeometry(kFieldLeft, rowTop(kGenreRow), kFullFieldWidth, kRowHeight);
    genreLabel->setBuddy(m_genreList);

    m_commentEdit = addEdit(QStringLiteral("Comment: "), QStringLiteral("edt_comment"), kCommentRow,
                            kFullFieldWidth);

    // Chapters are tags of the joined file, set for every join until changed.
    m_chaptersCheck = new QCheckBox(QStringLiteral("Add a chapter for each file"), this);
    m_chaptersCheck->setObjectName(QStringLiteral("cbx_chapters"));
    m_chaptersCheck->setGeometry(kFieldLeft, rowTop(kChaptersRow),
                                 kFullFieldWidth - kChapterTitlesWidth - kChapterTitlesGap,
                                 kRowHeight);
    m_chapterTitlesButton = new QPushButton(QStringLiteral("Chapters…"), this);
    m_chapterTitlesButton->setObjectName(QStringLiteral("btn_chapters"));
    m_chapterTitlesButton->setAutoDefault(false);
    m_chapterTitlesButton->setEnabled(false);
    m_chapterTitlesButton->setGeometry(kFieldLeft + kFullFieldWidth - kChapterTitlesWidth,
                                       rowTop(kChaptersRow), kChapterTitlesWidth, kRowHeight);
    connect(m_chapterTitlesButton, &QPushButton::clicked, this,
            [this] { runGuarded(m_errorReport, [this] { editChapterTitles(); }); });
    createBookControls();

    m_okButton = addButton(QStringLiteral("Ok"), QStringLiteral("btn_ok"), 0);
    m_resetButton = addButton(QStringLiteral("Reset"), QStringLiteral("btn_reset"), 1);
    m_cancelButton = addButton(QStringLiteral("Cancel"), QStringLiteral("btn_cancel"), 2);
    // Enter confirms, as in any dialog; Escape cancels.
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this,
            [this] { runGuarded(m_errorReport, [this] { acceptValues(); }); });
    connect(m_resetButton, &QPushButton::clicked, this,
            [this] { runGuarded(m_errorReport, [this] { resetValues(); }); });
    connect(m_cancelButton, &QPushButton::clicked, this,
            [this] { runGuarded(m_errorReport, [this] { discardValues(); }); });
}

QLineEdit *TagDialog::addEdit(const QString &caption, const QString &objectName, int row, int width)
{
    auto *label = new QLabel(caption, this);
    label->setGeometry(kMargin, rowTop(row), kLabelWidth, kRowHeight);
    auto *edit = new QLineEdit(this);
    edit->setObjectName(objectName);
    edit->setGeometry(kFieldLeft, rowTop(row), width, kRowHeight);
    label->setBuddy(edit);
    return edit;
}

void TagDialog::createBookControls()
{
    m_albumArtistEdit =
        addEdit(QStringLiteral("Album artist: "), QStringLiteral("edt_album_artist"),
                kAlbumArtistRow, kFullFieldWidth);
    m_composerEdit = addEdit(QStringLiteral("Composer: "), QStringLiteral("edt_composer"),
                             kComposerRow, kFullFieldWidth);
    auto *descriptionLabel = new QLabel(QStringLiteral("Description: "), this);
    descriptionLabel->setGeometry(kMargin, rowTop(kDescriptionRow), kLabelWidth, kRowHeight);
    m_descriptionEdit = new QPlainTextEdit(this);
    m_descriptionEdit->setObjectName(QStringLiteral("edt_description"));
    // Tab moves on to the next field, as in every other row.
    m_descriptionEdit->setTabChangesFocus(true);
    m_descriptionEdit->setGeometry(kFieldLeft, rowTop(kDescriptionRow), kFullFieldWidth,
                                   kDescriptionHeight);
    descriptionLabel->setBuddy(m_descriptionEdit);
    m_seriesEdit = addEdit(QStringLiteral("Series: "), QStringLiteral("edt_series"), kSeriesRow,
                           kFullFieldWidth);
    m_seriesPartEdit = addEdit(QStringLiteral("Part: "), QStringLiteral("edt_series_part"),
                               kSeriesPartRow, kYearWidth);
}

QPushButton *TagDialog::addButton(const QString &caption, const QString &objectName, int column)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setGeometry(kButtonsLeft + column * (kButtonWidth + kButtonGap), kButtonTop,
                        kButtonWidth, kButtonHeight);
    return button;
}

void TagDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window manager restoring the window is no new opening.
    if (!event->spontaneous())
        runGuarded(m_errorReport, [this] { loadValues(); });
}

void TagDialog::loadValues()
{
    m_artistEdit->setText(m_tagValues.artist);
    m_albumEdit->setText(m_tagValues.album);
    // An index outside the list (-1 included) selects nothing.
    m_genreList->setCurrentIndex(ValueLists::contains(m_genreList->count(), m_tagValues.genreIndex)
                                     ? m_tagValues.genreIndex
                                     : -1);
    m_trackEdit->setText(QString::number(m_tagValues.track));
    m_commentEdit->setText(m_tagValues.comment);
    m_yearEdit->setText(QString::number(m_tagValues.year));
    m_titleEdit->setText(m_tagValues.title);
    m_chaptersCheck->setChecked(m_settings.readSwitch(SettingsKeys::kJoin, SettingsKeys::kChapters,
                                                      ValueLists::kDefaultChapters));
    // A genre outside the list shows as typed.
    if (m_genreList->currentIndex() < 0)
        m_genreList->setEditText(m_tagValues.genreText);
    m_coverPanel->setChoice(m_tagValues.cover);
    loadBookValues();
}

void TagDialog::loadBookValues()
{
    const BookTags first = m_firstInputBookTags ? m_firstInputBookTags() : BookTags();
    for (const auto &[edit, value, placeholder] :
         {std::tuple(m_albumArtistEdit, &m_tagValues.albumArtist, first.albumArtist),
          std::tuple(m_composerEdit, &m_tagValues.composer, first.composer),
          std::tuple(m_seriesEdit, &m_tagValues.series, first.series),
          std::tuple(m_seriesPartEdit, &m_tagValues.seriesPart, first.seriesPart)}) {
        edit->setText(value->value_or(QString()));
        edit->setPlaceholderText(placeholder);
    }
    m_descriptionEdit->setPlainText(m_tagValues.description.value_or(QString()));
    m_descriptionEdit->setPlaceholderText(first.description);
}

void TagDialog::acceptValues()
{
    m_tagValues.artist = m_artistEdit->text();
    m_tagValues.year = toIntegerOr(m_yearEdit->text(), TagValues::kInitialYear);
    m_tagValues.album = m_albumEdit->text();
    m_tagValues.comment = m_commentEdit->text();
    // A typed caption of the list is that genre, in the list's spelling.
    const QString genreText = m_genreList->currentText().trimmed();
    const int genre = ValueLists::genreIndexOf(genreText);
    m_tagValues.genreText = genre >= 0 ? ValueLists::genreCaptions().at(genre) : genreText;
    m_tagValues.genreIndex = genre >= 0 ? genre : TagValues::kNoGenre;
    m_tagValues.track = toIntegerOr(m_trackEdit->text(), TagValues::kInitialTrack);
    m_tagValues.title = m_titleEdit->text();
    acceptBookValues();
    m_tagValues.cover = m_coverPanel->choice();
    accept();
    // Last: the tags are the dialog's own and are kept whatever the settings
    // file does; a refused write is reported once the dialog has closed.
    m_settings.writeSwitch(SettingsKeys::kJoin, SettingsKeys::kChapters,
                           m_chaptersCheck->isChecked());
}

// An empty field leaves the tag to the first input.
void TagDialog::acceptBookValues()
{
    const auto typed = [](const QString &text) {
        return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
    };
    m_tagValues.albumArtist = typed(m_albumArtistEdit->text());
    m_tagValues.composer = typed(m_composerEdit->text());
    m_tagValues.description = typed(m_descriptionEdit->toPlainText());
    m_tagValues.series = typed(m_seriesEdit->text());
    m_tagValues.seriesPart = typed(m_seriesPartEdit->text());
}

void TagDialog::resetValues()
{
    m_titleEdit->clear();
    m_artistEdit->clear();
    m_albumEdit->clear();
    m_yearEdit->clear();
    m_trackEdit->clear();
    m_commentEdit->clear();
    m_genreList->setCurrentIndex(-1);
    m_albumArtistEdit->clear();
    m_composerEdit->clear();
    m_descriptionEdit->clear();
    m_seriesEdit->clear();
    m_seriesPartEdit->clear();
    m_coverPanel->setChoice({});
}

void TagDialog::discardValues()
{
    reject();
}

void TagDialog::setChapterRows(JoinList &rows)
{
    m_chapterRows = &rows;
    m_chapterTitlesButton->setEnabled(true);
}

void TagDialog::editChapterTitles()
{
    if (!m_chapterRows)
        return;
    // Titles belong to the rows: with none there is nothing to name.
    if (m_chapterRows->rowCount() == 0) {
        m_prompter.information(Messages::kAddFile);
        return;
    }
    ChapterTitlesDialog dialog(*m_chapterRows, this);
    m_prompter.showModal(dialog);
}

bool TagDialog::eventFilter(QObject *watched, QEvent *event)
{
    bool refused = false;
    if (watched == m_yearEdit || watched == m_trackEdit)
        runGuarded(m_errorReport, [&] { refused = NumberInput::refuses(*event); });
    return refused || QDialog::eventFilter(watched, event);
}
