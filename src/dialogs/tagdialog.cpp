#include "dialogs/tagdialog.h"

#include "audio/tags/tagvalues.h"
#include "kit/numberinput.h"
#include "platform/errorreport.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "settings/valuelists.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

// The tag fields' rows, then the chapter switch in a row of its own; the cover
// column at their right.
constexpr int kFieldsWidth = 374;
constexpr int kClientWidth = kFieldsWidth + CoverPanel::kWidth + 16;
constexpr int kClientHeight = 284;

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
constexpr int kButtonTop = 249;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;
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
    kChaptersRow
};

int rowTop(int row)
{
    return kFirstRowTop + row * kRowPitch;
}

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
                     Prompter &prompter, CoverPanel::InputsSource inputs, QWidget *parent)
    : QDialog(parent), m_tagValues(tagValues), m_settings(settings), m_errorReport(errorReport)
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
    m_genreList->setEditable(false);
    m_genreList->addItems(ValueLists::genreCaptions());
    m_genreList->setGeometry(kFieldLeft, rowTop(kGenreRow), kFullFieldWidth, kRowHeight);
    genreLabel->setBuddy(m_genreList);

    m_commentEdit = addEdit(QStringLiteral("Comment: "), QStringLiteral("edt_comment"), kCommentRow,
                            kFullFieldWidth);

    // Chapters are tags of the joined file, set for every join until changed.
    m_chaptersCheck = new QCheckBox(QStringLiteral("Add a chapter for each file"), this);
    m_chaptersCheck->setObjectName(QStringLiteral("cbx_chapters"));
    m_chaptersCheck->setGeometry(kFieldLeft, rowTop(kChaptersRow), kFullFieldWidth, kRowHeight);

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
    m_coverPanel->setChoice(m_tagValues.cover);
}

void TagDialog::acceptValues()
{
    m_tagValues.artist = m_artistEdit->text();
    m_tagValues.year = toIntegerOr(m_yearEdit->text(), TagValues::kInitialYear);
    m_tagValues.album = m_albumEdit->text();
    m_tagValues.comment = m_commentEdit->text();
    const int genre = m_genreList->currentIndex();
    m_tagValues.genreText = genre >= 0 ? m_genreList->currentText() : QString();
    m_tagValues.genreIndex = genre >= 0 ? genre : TagValues::kNoGenre;
    m_tagValues.track = toIntegerOr(m_trackEdit->text(), TagValues::kInitialTrack);
    m_tagValues.title = m_titleEdit->text();
    m_tagValues.cover = m_coverPanel->choice();
    accept();
    // Last: the tags are the dialog's own and are kept whatever the settings
    // file does; a refused write is reported once the dialog has closed.
    m_settings.writeSwitch(SettingsKeys::kJoin, SettingsKeys::kChapters,
                           m_chaptersCheck->isChecked());
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
    m_coverPanel->setChoice({});
}

void TagDialog::discardValues()
{
    reject();
}

bool TagDialog::eventFilter(QObject *watched, QEvent *event)
{
    bool refused = false;
    if (watched == m_yearEdit || watched == m_trackEdit)
        runGuarded(m_errorReport, [&] { refused = NumberInput::refuses(*event); });
    return refused || QDialog::eventFilter(watched, event);
}
