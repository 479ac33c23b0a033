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

// The tag fields' rows, then the chapter switch in a row of its own.
constexpr int kClientWidth = 374;
constexpr int kClientHeight = 284;

// Control placement: one label and one control per row, the buttons below.
constexpr int kMargin = 16;
constexpr int kLabelWidth = 64;
constexpr int kFieldLeft = kMargin + kLabelWidth + 4;
constexpr int kFullFieldWidth = kClientWidth - kFieldLeft - kMargin;
constexpr int kYearWidth = 80;
constexpr int kTrackWidth = 40;
constexpr int kFirstRowTop = 12;
constexpr int kRowPitch = 29;
constexpr int kRowHeight = 22;
constexpr int kButtonTop = 249;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 20;
constexpr int kButtonsLeft = (kClientWidth - 3 * kButtonWidth - 2 * kButtonGap) / 2;

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
                     QWidget *parent)
    : QDialog(parent), m_tagValues(tagValues), m_settings(settings), m_errorReport(errorReport)
{
    setWindowTitle(QStringLiteral("ID3"));
    setFixedSize(kClientWidth, kClientHeight);
    createControls();
}

void TagDialog::createControls()
{
    edt_title =
        addEdit(QStringLiteral("Title: "), QStringLiteral("edt_title"), kTitleRow, kFullFieldWidth);
    edt_artist = addEdit(QStringLiteral("Artist: "), QStringLiteral("edt_artist"), kArtistRow,
                         kFullFieldWidth);
    edt_album =
        addEdit(QStringLiteral("Album: "), QStringLiteral("edt_album"), kAlbumRow, kFullFieldWidth);
    edt_year = addEdit(QStringLiteral("Year: "), QStringLiteral("edt_year"), kYearRow, kYearWidth);
    edt_track =
        addEdit(QStringLiteral("Track: "), QStringLiteral("edt_track"), kTrackRow, kTrackWidth);
    edt_track->setMaxLength(kTrackMaxLength);
    edt_year->installEventFilter(this);
    edt_track->installEventFilter(this);

    auto *genreLabel = new QLabel(QStringLiteral("Genre: "), this);
    genreLabel->setGeometry(kMargin, rowTop(kGenreRow), kLabelWidth, kRowHeight);
    cb_genre = new QComboBox(this);
    cb_genre->setObjectName(QStringLiteral("cb_genre"));
    cb_genre->setEditable(false);
    cb_genre->addItems(ValueLists::genreCaptions());
    cb_genre->setGeometry(kFieldLeft, rowTop(kGenreRow), kFullFieldWidth, kRowHeight);
    genreLabel->setBuddy(cb_genre);

    edt_comment = addEdit(QStringLiteral("Comment: "), QStringLiteral("edt_comment"), kCommentRow,
                          kFullFieldWidth);

    // Chapters are tags of the joined file, set for every join until changed.
    cbx_chapters = new QCheckBox(QStringLiteral("Add a chapter for each file"), this);
    cbx_chapters->setObjectName(QStringLiteral("cbx_chapters"));
    cbx_chapters->setGeometry(kFieldLeft, rowTop(kChaptersRow), kFullFieldWidth, kRowHeight);

    btn_ok = addButton(QStringLiteral("Ok"), QStringLiteral("btn_ok"), 0);
    btn_reset = addButton(QStringLiteral("Reset"), QStringLiteral("btn_reset"), 1);
    btn_cancel = addButton(QStringLiteral("Cancel"), QStringLiteral("btn_cancel"), 2);
    // Enter confirms, as in any dialog; Escape cancels.
    btn_ok->setDefault(true);
    connect(btn_ok, &QPushButton::clicked, this,
            [this] { runGuarded(m_errorReport, [this] { btn_okClick(); }); });
    connect(btn_reset, &QPushButton::clicked, this,
            [this] { runGuarded(m_errorReport, [this] { btn_resetClick(); }); });
    connect(btn_cancel, &QPushButton::clicked, this,
            [this] { runGuarded(m_errorReport, [this] { btn_cancelClick(); }); });
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
        runGuarded(m_errorReport, [this] { formShow(); });
}

void TagDialog::formShow()
{
    edt_artist->setText(m_tagValues.artist);
    edt_album->setText(m_tagValues.album);
    // An index outside the list (-1 included) selects nothing.
    cb_genre->setCurrentIndex(ValueLists::contains(cb_genre->count(), m_tagValues.genreIndex)
                                  ? m_tagValues.genreIndex
                                  : -1);
    edt_track->setText(QString::number(m_tagValues.track));
    edt_comment->setText(m_tagValues.comment);
    edt_year->setText(QString::number(m_tagValues.year));
    edt_title->setText(m_tagValues.title);
    cbx_chapters->setChecked(m_settings.readSwitch(SettingsKeys::kJoin, SettingsKeys::kChapters,
                                                   ValueLists::kDefaultChapters));
}

void TagDialog::btn_okClick()
{
    m_tagValues.artist = edt_artist->text();
    m_tagValues.year = toIntegerOr(edt_year->text(), TagValues::kInitialYear);
    m_tagValues.album = edt_album->text();
    m_tagValues.comment = edt_comment->text();
    const int genre = cb_genre->currentIndex();
    m_tagValues.genreText = genre >= 0 ? cb_genre->currentText() : QString();
    m_tagValues.genreIndex = genre >= 0 ? genre : TagValues::kNoGenre;
    m_tagValues.track = toIntegerOr(edt_track->text(), TagValues::kInitialTrack);
    m_tagValues.title = edt_title->text();
    accept();
    // Last: the tags are the dialog's own and are kept whatever the settings
    // file does; a refused write is reported once the dialog has closed.
    m_settings.writeSwitch(SettingsKeys::kJoin, SettingsKeys::kChapters, cbx_chapters->isChecked());
}

void TagDialog::btn_resetClick()
{
    edt_title->clear();
    edt_artist->clear();
    edt_album->clear();
    edt_year->clear();
    edt_track->clear();
    edt_comment->clear();
    cb_genre->setCurrentIndex(-1);
}

void TagDialog::btn_cancelClick()
{
    reject();
}

bool TagDialog::eventFilter(QObject *watched, QEvent *event)
{
    bool refused = false;
    if (watched == edt_year || watched == edt_track)
        runGuarded(m_errorReport, [&] { refused = NumberInput::refuses(*event); });
    return refused || QDialog::eventFilter(watched, event);
}
