#include "dialogs/outputsettingsdialog.h"

#include "kit/numberinput.h"
#include "kit/updown.h"
#include "platform/errorreport.h"
#include "platform/messages.h"
#include "settings/integertext.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "settings/valuelists.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace {

const QSize kClientSize(391, 349);
// The fixed client area holds all controls only at the small dialog font it was
// laid out for, whatever the desktop's own font size.
constexpr int kDialogFontPointSize = 8;
const QSize kButtonSize(75, 25);

constexpr int kMp3QualityMaximum = 9;
constexpr int kOggQualityMaximum = 1000;
constexpr int kMp3QualityLength = 1;
constexpr int kFlacLevelLength = 1;
constexpr int kOggQualityLength = 5;

// What the dialog shows for a key that is missing.
constexpr int kShowMp3Quality = 9;
constexpr int kShowVbrQuality = 9;
constexpr int kShowWavMode = 0;
constexpr bool kShowOggEnableQuality = true;
constexpr int kShowOggQuality = 300;
// What Default sets where it differs from the above.
constexpr int kDefaultVbrQuality = 0;

using ValueLists::kWavModeCdQuality;
using ValueLists::kWavModeCustom;

const QString kBitrateNote =
    QStringLiteral("8Kbps - poor quality, small file, 350Kbps - good quality, big file");
const QString kMp3QualityNote =
    QStringLiteral("Quality: 0 - best quality, low speed, 9 - low quality, fast speed. ");
const QString kModeNote =
    QStringLiteral("To set the parameters below, please choose \"Custom Format\" ");
const QString kWavNoteFirstLine =
    QStringLiteral("To small created file, low frequency or bit per sample, but ");
const QString kWavNoteSecondLine = QStringLiteral("quality will be lowed accordingly. ");
const QString kOggQualityNote =
    QStringLiteral("0 - best quality, low speed, 1000 - low quality, fast speed . ");
const QString kOggBitrateNoteFirstLine =
    QStringLiteral("If quality enabled, the bitrate just affects the convertation ");
const QString kOggBitrateNoteSecondLine =
    QStringLiteral("speed and the quality of the result file, not decide. ");
const QString kFlacNote =
    QStringLiteral("Lossless: exactly the joined audio, about half the size of WAV. ");
const QString kFlacLevelNote =
    QStringLiteral("Compression: 0 - fastest, bigger file, 8 - slowest, smallest file. ");
const QString kM4bNote =
    QStringLiteral("AAC audio book: players keep the place where listening stopped. ");
const QString kM4bBitrateNote =
    QStringLiteral("64Kbps mono or 128Kbps stereo suit most spoken books. ");
const QString kLoudnessNote =
    QStringLiteral("The files are measured before the join, and each is played back at one "
                   "steady volume that meets the target. A file with high peaks is held at "
                   "-1 dBTP and stays a little quieter. ");

const QString kJunctionNote =
    QStringLiteral("A pause puts silence between the files; a crossfade lets each file fade "
                   "into the next, and the output is shorter by that much at each join. ");
constexpr int kMillisecondsLength = 5;

void setIndexShown(QComboBox *list, int index)
{
    list->setCurrentIndex(ValueLists::contains(list->count(), index) ? index : -1);
}

QGroupBox *newGroup(const QString &title, QWidget *parent)
{
    return new QGroupBox(title, parent);
}

QGridLayout *newGrid()
{
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(2, 0);
    return grid;
}

// Gives the label columns of grids in different groups one width, so that the
// controls of a page line up under each other.
void alignLabelColumns(const QList<QGridLayout *> &grids)
{
    for (int column : {0, 2}) {
        int width = 0;
        for (QGridLayout *grid : grids) {
            for (int row = 0; row < grid->rowCount(); ++row) {
                QLayoutItem *item = grid->itemAtPosition(row, column);
                if (item && item->widget() && qobject_cast<QLabel *>(item->widget()))
                    width = std::max(width, item->widget()->sizeHint().width());
            }
        }
        for (QGridLayout *grid : grids)
            grid->setColumnMinimumWidth(column, width);
    }
}

QVBoxLayout *newGroupLayout(QGroupBox *group)
{
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(2);
    return layout;
}

QVBoxLayout *newPageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    return layout;
}

}  // namespace

OutputSettingsDialog::OutputSettingsDialog(Settings &settings, ErrorReport &errorReport,
                                           QWidget *parent)
    : QDialog(parent), m_settings(settings), m_errorReport(errorReport)
{
    setObjectName(QStringLiteral("fm_set"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont dialogFont = font();
    dialogFont.setPointSize(kDialogFontPointSize);
    setFont(dialogFont);
    createControls();
    createBindings();
    connectHandlers();
    setFixedSize(kClientSize);
}

// ---- Building the window ---------------------------------------------------

void OutputSettingsDialog::createControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 8);
    layout->setSpacing(8);

    auto *outputGroup = newGroup(QStringLiteral("Output Settings"), this);
    auto *outputLayout = new QVBoxLayout(outputGroup);
    outputLayout->setContentsMargins(4, 2, 4, 4);
    pc = new QTabWidget(outputGroup);
    pc->setObjectName(QStringLiteral("pc"));
    pc->addTab(createMp3Page(), QStringLiteral("MP3"));
    pc->addTab(createWavPage(), QStringLiteral("WAV"));
    pc->addTab(createOggPage(), QStringLiteral("OGG"));
    pc->addTab(createWmaPage(), QStringLiteral("WMA"));
    pc->addTab(createFlacPage(), QStringLiteral("FLAC"));
    pc->addTab(createM4bPage(), QStringLiteral("M4B"));
    pc->addTab(createJoinPage(), QStringLiteral("Join"));
    outputLayout->addWidget(pc);

    layout->addWidget(outputGroup, 1);
    layout->addWidget(createButtonRow());
}

QComboBox *OutputSettingsDialog::addList(QGridLayout *grid, int row, int column,
                                         const QString &caption, const QString &name,
                                         const QStringList &items)
{
    auto *list = new QComboBox;
    list->setObjectName(name);
    list->addItems(items);
    list->setMaxVisibleItems(12);
    auto *label = new QLabel(caption);
    label->setObjectName(QStringLiteral("lbl_") + name.mid(3));
    label->setBuddy(list);
    grid->addWidget(label, row, column);
    grid->addWidget(list, row, column + 1);
    return list;
}

QLineEdit *OutputSettingsDialog::addNumberEdit(QGridLayout *grid, int row, int column,
                                               const QString &caption, const QString &name,
                                               int maxLength, UpDown *&spin,
                                               const QString &spinName, int maximum)
{
    auto *holder = new QWidget;
    auto *pair = new QHBoxLayout(holder);
    pair->setContentsMargins(0, 0, 0, 0);
    pair->setSpacing(0);
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(maxLength > 1 ? 56 : 32);
    edit->installEventFilter(this);
    spin = new UpDown;
    spin->setObjectName(spinName);
    spin->setRange(0, maximum);
    spin->setBuddy(edit);
    spin->setFixedHeight(edit->sizeHint().height());
    pair->addWidget(edit);
    pair->addWidget(spin);
    pair->addStretch(1);

    auto *label = new QLabel(caption);
    label->setObjectName(QStringLiteral("lbl_") + name.mid(4));
    label->setBuddy(edit);
    grid->addWidget(label, row, column);
    grid->addWidget(holder, row, column + 1);
    return edit;
}

QLabel *OutputSettingsDialog::addNote(QVBoxLayout *layout, const QString &text)
{
    auto *note = new QLabel(text);
    note->setWordWrap(true);
    note->setObjectName(QStringLiteral("note"));
    layout->addWidget(note);
    return note;
}

QWidget *OutputSettingsDialog::createMp3Page()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ts_mp3"));
    auto *pageLayout = newPageLayout(page);

    auto *general = newGroup(QStringLiteral("General Options"), page);
    auto *generalLayout = newGroupLayout(general);
    auto *grid = newGrid();
    cb_mp3_frequency =
        addList(grid, 0, 0, QStringLiteral("Frequency: "), QStringLiteral("cb_mp3_frequency"),
                ValueLists::sampleRateCaptions());
    cb_mp3_channel = addList(grid, 0, 2, QStringLiteral("Channel: "),
                             QStringLiteral("cb_mp3_channel"), ValueLists::channelCaptions());
    cb_mp3_bitrate = addList(grid, 1, 0, QStringLiteral("Bitrate: "),
                             QStringLiteral("cb_mp3_bitrate"), ValueLists::bitRateCaptions());
    edt_mp3_quality = addNumberEdit(
        grid, 1, 2, QStringLiteral("Quality: "), QStringLiteral("edt_mp3_quality"),
        kMp3QualityLength, ud_mp3_quality, QStringLiteral("ud_mp3_quality"), kMp3QualityMaximum);
    generalLayout->addLayout(grid);
    addNote(generalLayout, kBitrateNote);
    addNote(generalLayout, kMp3QualityNote);

    auto *vbr = newGroup(QStringLiteral("VBR (Variable Bit Rate)"), page);
    auto *vbrLayout = newGroupLayout(vbr);
    cb_vbr = new QCheckBox(QStringLiteral("Enable VBR"));
    cb_vbr->setObjectName(QStringLiteral("cb_vbr"));
    vbrLayout->addWidget(cb_vbr);
    auto *vbrGrid = newGrid();
    cb_mp3_vbr = addList(vbrGrid, 0, 0, QStringLiteral("VBR Bitrate: "),
                         QStringLiteral("cb_mp3_vbr"), ValueLists::bitRateCaptions());
    edt_mp3_vbr = addNumberEdit(vbrGrid, 0, 2, QStringLiteral("VBR Quality: "),
                                QStringLiteral("edt_mp3_vbr"), kMp3QualityLength, ud_mp3_vbr,
                                QStringLiteral("ud_mp3_vbr"), kMp3QualityMaximum);
    vbrLayout->addLayout(vbrGrid);
    addNote(vbrLayout, kMp3QualityNote);
    alignLabelColumns({grid, vbrGrid});

    pageLayout->addWidget(general);
    pageLayout->addWidget(vbr);
    pageLayout->addStretch(1);
    return page;
}

QWidget *OutputSettingsDialog::createWavPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ts_wav"));
    auto *pageLayout = newPageLayout(page);

    auto *mode = newGroup(QStringLiteral("Mode"), page);
    auto *modeLayout = newGroupLayout(mode);
    rb_cdquality = new QRadioButton(QStringLiteral("CD quality WAV format (for burning audio CD)"));
    rb_cdquality->setObjectName(QStringLiteral("rb_cdquality"));
    rb_custom = new QRadioButton(QStringLiteral("Custom format"));
    rb_custom->setObjectName(QStringLiteral("rb_custom"));
    modeLayout->addWidget(rb_cdquality);
    modeLayout->addWidget(rb_custom);
    addNote(modeLayout, kModeNote);

    auto *general = newGroup(QStringLiteral("General Options"), page);
    auto *generalLayout = newGroupLayout(general);
    auto *grid = newGrid();
    grid->setColumnStretch(3, 0);
    cb_wav_frequency =
        addList(grid, 0, 0, QStringLiteral("Frequency: "), QStringLiteral("cb_wav_frequency"),
                ValueLists::sampleRateCaptions());
    cb_wav_bit = addList(grid, 1, 0, QStringLiteral("Bit Per Sample:"),
                         QStringLiteral("cb_wav_bit"), ValueLists::bitsPerSampleCaptions());
    cb_wav_channel = addList(grid, 2, 0, QStringLiteral("Channel:"),
                             QStringLiteral("cb_wav_channel"), ValueLists::channelCaptions());
    grid->setColumnStretch(2, 1);
    generalLayout->addLayout(grid);
    addNote(generalLayout, kWavNoteFirstLine);
    addNote(generalLayout, kWavNoteSecondLine);

    pageLayout->addWidget(mode);
    pageLayout->addWidget(general);
    pageLayout->addStretch(1);
    return page;
}

QWidget *OutputSettingsDialog::createOggPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ts_ogg"));
    auto *pageLayout = newPageLayout(page);

    auto *general = newGroup(QStringLiteral("General Options"), page);
    auto *generalLayout = newGroupLayout(general);
    auto *grid = newGrid();
    cb_ogg_fre = addList(grid, 0, 0, QStringLiteral("Frequency: "), QStringLiteral("cb_ogg_fre"),
                         ValueLists::sampleRateCaptions());
    cb_ogg_channel = addList(grid, 0, 2, QStringLiteral("Channel: "),
                             QStringLiteral("cb_ogg_channel"), ValueLists::channelCaptions());
    cb_ogg_bitrate = addList(grid, 1, 0, QStringLiteral("Bitrate: "),
                             QStringLiteral("cb_ogg_bitrate"), ValueLists::bitRateCaptions());
    generalLayout->addLayout(grid);
    addNote(generalLayout, kBitrateNote);

    auto *vbr = newGroup(QStringLiteral("VBR (Variable Bit Rate)"), page);
    auto *vbrLayout = newGroupLayout(vbr);
    auto *vbrGrid = newGrid();
    cb_ogg_quality = new QCheckBox(QStringLiteral("Enable Quality"));
    cb_ogg_quality->setObjectName(QStringLiteral("cb_ogg_quality"));
    vbrGrid->addWidget(cb_ogg_quality, 0, 0, 1, 2);
    edt_ogg_quality = addNumberEdit(
        vbrGrid, 0, 2, QStringLiteral("VBR Quality: "), QStringLiteral("edt_ogg_quality"),
        kOggQualityLength, ud_ogg_quality, QStringLiteral("ud_ogg_quality"), kOggQualityMaximum);
    ud_ogg_quality->setThousandsSeparator(true);
    cb_ogg_minbit = addList(vbrGrid, 1, 0, QStringLiteral("Min Bitrate: "),
                            QStringLiteral("cb_ogg_minbit"), ValueLists::bitRateCaptions());
    cb_ogg_maxbit = addList(vbrGrid, 1, 2, QStringLiteral("Max Bitrate: "),
                            QStringLiteral("cb_ogg_maxbit"), ValueLists::bitRateCaptions());
    vbrLayout->addLayout(vbrGrid);
    addNote(vbrLayout, kOggQualityNote);
    addNote(vbrLayout, kOggBitrateNoteFirstLine);
    addNote(vbrLayout, kOggBitrateNoteSecondLine);
    alignLabelColumns({grid, vbrGrid});

    pageLayout->addWidget(general);
    pageLayout->addWidget(vbr);
    pageLayout->addStretch(1);
    return page;
}

QWidget *OutputSettingsDialog::createWmaPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ts_wma"));
    auto *pageLayout = newPageLayout(page);

    auto *group = newGroup(QStringLiteral("WMA Format"), page);
    auto *groupLayout = newGroupLayout(group);
    cb_wma = new QComboBox;
    cb_wma->setObjectName(QStringLiteral("cb_wma"));
    cb_wma->addItems(ValueLists::wmaProfileCaptions());
    cb_wma->setMaxVisibleItems(16);
    groupLayout->addWidget(cb_wma);

    pageLayout->addWidget(group);
    pageLayout->addStretch(1);
    return page;
}

QWidget *OutputSettingsDialog::createFlacPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ts_flac"));
    auto *pageLayout = newPageLayout(page);

    auto *general = newGroup(QStringLiteral("General Options"), page);
    auto *generalLayout = newGroupLayout(general);
    auto *grid = newGrid();
    cb_flac_frequency =
        addList(grid, 0, 0, QStringLiteral("Frequency: "), QStringLiteral("cb_flac_frequency"),
                ValueLists::sampleRateCaptions());
    cb_flac_channel = addList(grid, 0, 2, QStringLiteral("Channel: "),
                              QStringLiteral("cb_flac_channel"), ValueLists::channelCaptions());
    cb_flac_bit = addList(grid, 1, 0, QStringLiteral("Bit Per Sample:"),
                          QStringLiteral("cb_flac_bit"), ValueLists::flacBitsPerSampleCaptions());
    edt_flac_level =
        addNumberEdit(grid, 1, 2, QStringLiteral("Compression: "), QStringLiteral("edt_flac_level"),
                      kFlacLevelLength, ud_flac_level, QStringLiteral("ud_flac_level"),
                      ValueLists::kFlacLevelMaximum);
    generalLayout->addLayout(grid);
    addNote(generalLayout, kFlacNote);
    addNote(generalLayout, kFlacLevelNote);

    pageLayout->addWidget(general);
    pageLayout->addStretch(1);
    return page;
}

QWidget *OutputSettingsDialog::createM4bPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ts_m4b"));
    auto *pageLayout = newPageLayout(page);

    auto *general = newGroup(QStringLiteral("General Options"), page);
    auto *generalLayout = newGroupLayout(general);
    auto *grid = newGrid();
    cb_m4b_frequency =
        addList(grid, 0, 0, QStringLiteral("Frequency: "), QStringLiteral("cb_m4b_frequency"),
                ValueLists::m4bSampleRateCaptions());
    cb_m4b_channel = addList(grid, 0, 2, QStringLiteral("Channel: "),
                             QStringLiteral("cb_m4b_channel"), ValueLists::channelCaptions());
    cb_m4b_bitrate = addList(grid, 1, 0, QStringLiteral("Bitrate: "),
                             QStringLiteral("cb_m4b_bitrate"), ValueLists::m4bBitRateCaptions());
    generalLayout->addLayout(grid);
    addNote(generalLayout, kM4bNote);
    addNote(generalLayout, kM4bBitrateNote);

    pageLayout->addWidget(general);
    pageLayout->addStretch(1);
    return page;
}

QWidget *OutputSettingsDialog::createJoinPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ts_join"));
    auto *pageLayout = newPageLayout(page);

    auto *loudness = newGroup(QStringLiteral("Loudness"), page);
    auto *loudnessLayout = newGroupLayout(loudness);
    cb_loudness = new QCheckBox(QStringLiteral("Match the loudness of the files"));
    cb_loudness->setObjectName(QStringLiteral("cb_loudness"));
    loudnessLayout->addWidget(cb_loudness);
    auto *grid = newGrid();
    cb_loudness_target =
        addList(grid, 0, 0, QStringLiteral("Target: "), QStringLiteral("cb_loudness_target"),
                ValueLists::loudnessTargetCaptions());
    grid->setColumnStretch(3, 0);
    grid->setColumnStretch(2, 1);
    loudnessLayout->addLayout(grid);
    addNote(loudnessLayout, kLoudnessNote);

    auto *junction = newGroup(QStringLiteral("Between Files"), page);
    auto *junctionLayout = newGroupLayout(junction);
    auto *junctionGrid = newGrid();
    cb_junction = addList(junctionGrid, 0, 0, QStringLiteral("Insert: "),
                          QStringLiteral("cb_junction"), ValueLists::junctionCaptions());
    edt_junction_ms =
        addNumberEdit(junctionGrid, 0, 2, QStringLiteral("Milliseconds: "),
                      QStringLiteral("edt_junction_ms"), kMillisecondsLength, ud_junction_ms,
                      QStringLiteral("ud_junction_ms"), ValueLists::kJunctionMillisecondsMaximum);
    junctionLayout->addLayout(junctionGrid);
    addNote(junctionLayout, kJunctionNote);
    alignLabelColumns({grid, junctionGrid});

    pageLayout->addWidget(loudness);
    pageLayout->addWidget(junction);
    pageLayout->addStretch(1);
    return page;
}

QWidget *OutputSettingsDialog::createButtonRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 2, 0);
    layout->setSpacing(8);
    layout->addStretch(1);
    auto addButton = [&](const QString &caption, const QString &name) {
        auto *button = new QPushButton(caption, row);
        button->setObjectName(name);
        button->setFixedSize(kButtonSize);
        layout->addWidget(button);
        return button;
    };
    btn_ok = addButton(QStringLiteral("OK"), QStringLiteral("btn_ok"));
    btn_default = addButton(QStringLiteral("Default"), QStringLiteral("btn_default"));
    btn_cancel = addButton(QStringLiteral("Cancel"), QStringLiteral("btn_cancel"));
    btn_ok->setDefault(true);
    return row;
}

void OutputSettingsDialog::createBindings()
{
    using Kind = Binding::Kind;
    using namespace SettingsKeys;
    m_bindings = {
        {Kind::Index, kMp3, kBitrate, cb_mp3_bitrate, ValueLists::kDefaultBitRateIndex},
        {Kind::Index, kMp3, kChannel, cb_mp3_channel, ValueLists::kDefaultChannelIndex},
        {Kind::Index, kMp3, kFrequency, cb_mp3_frequency, ValueLists::kDefaultSampleRateIndex},
        {Kind::Position, kMp3, kQuality, ud_mp3_quality, kShowMp3Quality},
        {Kind::Switch, kMp3, kEnableVbr, cb_vbr, false},
        {Kind::Index, kMp3, kVbrBitrate, cb_mp3_vbr, ValueLists::kDefaultBitRateIndex},
        {Kind::Position, kMp3, kVbrQuality, ud_mp3_vbr, kShowVbrQuality},
        {Kind::WavMode, kWav, kMode, nullptr, kShowWavMode},
        {Kind::Index, kWav, kBit, cb_wav_bit, ValueLists::kDefaultBitsPerSampleIndex},
        {Kind::Index, kWav, kChannel, cb_wav_channel, ValueLists::kDefaultChannelIndex},
        {Kind::Index, kWav, kFrequency, cb_wav_frequency, ValueLists::kDefaultSampleRateIndex},
        {Kind::Index, kWma, kFormat, cb_wma, ValueLists::kDefaultWmaProfileIndex},
        {Kind::Index, kOgg, kChannel, cb_ogg_channel, ValueLists::kDefaultChannelIndex},
        {Kind::Index, kOgg, kFrequency, cb_ogg_fre, ValueLists::kDefaultSampleRateIndex},
        {Kind::Index, kOgg, kBitrate, cb_ogg_bitrate, ValueLists::kDefaultBitRateIndex},
        {Kind::Index, kOgg, kMaxBitrate, cb_ogg_maxbit, ValueLists::kDefaultBitRateIndex},
        {Kind::Index, kOgg, kMinBitrate, cb_ogg_minbit, ValueLists::kDefaultBitRateIndex},
        {Kind::Switch, kOgg, kEnableQuality, cb_ogg_quality, kShowOggEnableQuality},
        {Kind::Position, kOgg, kQuality, ud_ogg_quality, kShowOggQuality},
        {Kind::Index, kFlac, kChannel, cb_flac_channel, ValueLists::kDefaultChannelIndex},
        {Kind::Index, kFlac, kFrequency, cb_flac_frequency, ValueLists::kDefaultSampleRateIndex},
        {Kind::Index, kFlac, kBit, cb_flac_bit, ValueLists::kDefaultFlacBitsIndex},
        {Kind::Position, kFlac, kCompressionLevel, ud_flac_level, ValueLists::kDefaultFlacLevel},
        {Kind::Index, kM4b, kChannel, cb_m4b_channel, ValueLists::kDefaultChannelIndex},
        {Kind::Index, kM4b, kFrequency, cb_m4b_frequency, ValueLists::kDefaultM4bSampleRateIndex},
        {Kind::M4bBitrate, kM4b, kBitrate, cb_m4b_bitrate,
         ValueLists::kDefaultM4bStereoBitRateIndex},
        {Kind::Switch, kJoin, kMatchLoudness, cb_loudness, false},
        {Kind::Index, kJoin, kLoudnessTarget, cb_loudness_target,
         ValueLists::kDefaultLoudnessTargetIndex},
    };
}

void OutputSettingsDialog::connectHandlers()
{
    auto guarded = [this](void (OutputSettingsDialog::*handler)()) {
        return
            [this, handler] { runGuarded(m_errorReport, [this, handler] { (this->*handler)(); }); };
    };
    connect(btn_ok, &QPushButton::clicked, this, guarded(&OutputSettingsDialog::btn_okClick));
    connect(btn_default, &QPushButton::clicked, this,
            guarded(&OutputSettingsDialog::btn_defaultClick));
    connect(btn_cancel, &QPushButton::clicked, this,
            guarded(&OutputSettingsDialog::btn_cancelClick));
    // Toggled rather than clicked: a state set from code re-applies the rule too.
    connect(cb_vbr, &QCheckBox::toggled, this, guarded(&OutputSettingsDialog::cb_vbrClick));
    connect(rb_cdquality, &QRadioButton::toggled, this,
            guarded(&OutputSettingsDialog::rb_modeClick));
    connect(rb_custom, &QRadioButton::toggled, this, guarded(&OutputSettingsDialog::rb_modeClick));
    connect(cb_ogg_quality, &QCheckBox::toggled, this,
            guarded(&OutputSettingsDialog::cb_ogg_qualityClick));
    connect(cb_loudness, &QCheckBox::toggled, this,
            guarded(&OutputSettingsDialog::cb_loudnessClick));
    connect(cb_junction, &QComboBox::currentIndexChanged, this,
            guarded(&OutputSettingsDialog::cb_junctionChange));
    connect(edt_ogg_quality, &QLineEdit::textChanged, this,
            guarded(&OutputSettingsDialog::edt_ogg_qualityChange));
}

// ---- Loading and storing ---------------------------------------------------

void OutputSettingsDialog::loadBinding(const Binding &binding)
{
    switch (binding.kind) {
    case Binding::Kind::Index:
        setIndexShown(static_cast<QComboBox *>(binding.control),
                      m_settings.readInteger(binding.section, binding.key, binding.defaultValue));
        break;
    case Binding::Kind::Position:
        static_cast<UpDown *>(binding.control)
            ->setPosition(
                m_settings.readInteger(binding.section, binding.key, binding.defaultValue));
        break;
    case Binding::Kind::Switch:
        static_cast<QCheckBox *>(binding.control)
            ->setChecked(
                m_settings.readSwitch(binding.section, binding.key, binding.defaultValue != 0));
        break;
    case Binding::Kind::M4bBitrate: {
        const int channels = ValueLists::channelsAt(
            m_settings.readIndex(binding.section, SettingsKeys::kChannel,
                                 ValueLists::kDefaultChannelIndex, ValueLists::kChannelCount));
        setIndexShown(static_cast<QComboBox *>(binding.control),
                      m_settings.readInteger(binding.section, binding.key,
                                             ValueLists::m4bDefaultBitRateIndex(channels)));
        break;
    }
    case Binding::Kind::WavMode: {
        // Any other mode leaves both buttons as they were.
        const int mode = m_settings.readInteger(binding.section, binding.key, binding.defaultValue);
        if (mode == kWavModeCdQuality)
            rb_cdquality->setChecked(true);
        else if (mode == kWavModeCustom)
            rb_custom->setChecked(true);
        break;
    }
    }
}

void OutputSettingsDialog::storeBinding(const Binding &binding)
{
    switch (binding.kind) {
    case Binding::Kind::Index:
    case Binding::Kind::M4bBitrate:
        // The raw position: -1 when the list shows no entry.
        m_settings.writeInteger(binding.section, binding.key,
                                static_cast<QComboBox *>(binding.control)->currentIndex());
        break;
    case Binding::Kind::Position:
        m_settings.writeInteger(binding.section, binding.key,
                                static_cast<UpDown *>(binding.control)->position());
        break;
    case Binding::Kind::Switch:
        m_settings.writeSwitch(binding.section, binding.key,
                               static_cast<QCheckBox *>(binding.control)->isChecked());
        break;
    case Binding::Kind::WavMode:
        if (rb_cdquality->isChecked())
            m_settings.writeInteger(binding.section, binding.key, kWavModeCdQuality);
        else if (rb_custom->isChecked())
            m_settings.writeInteger(binding.section, binding.key, kWavModeCustom);
        break;
    }
}

// join/pause and join/crossfade are one choice: a file that sets both shows
// the crossfade, as the join does.
void OutputSettingsDialog::loadJunction()
{
    const auto read = [this](const QString &key) {
        return m_settings.readIndex(SettingsKeys::kJoin, key,
                                    ValueLists::kDefaultJunctionMilliseconds,
                                    ValueLists::kJunctionMillisecondsMaximum + 1);
    };
    const int crossfade = read(SettingsKeys::kCrossfade);
    const int pause = read(SettingsKeys::kPause);
    using ValueLists::Junction;
    const Junction shown = crossfade > 0 ? Junction::Crossfade
                           : pause > 0   ? Junction::Pause
                                         : Junction::None;
    cb_junction->setCurrentIndex(int(shown));
    ud_junction_ms->setPosition(shown == Junction::Crossfade ? crossfade : pause);
}

void OutputSettingsDialog::storeJunction()
{
    using ValueLists::Junction;
    const auto chosen = Junction(cb_junction->currentIndex());
    const int milliseconds = ud_junction_ms->position();
    m_settings.writeInteger(SettingsKeys::kJoin, SettingsKeys::kPause,
                            chosen == Junction::Pause ? milliseconds : 0);
    m_settings.writeInteger(SettingsKeys::kJoin, SettingsKeys::kCrossfade,
                            chosen == Junction::Crossfade ? milliseconds : 0);
}

// ---- Handlers --------------------------------------------------------------

void OutputSettingsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        runGuarded(m_errorReport, [this] { formShow(); });
}

void OutputSettingsDialog::formShow()
{
    pc->setCurrentIndex(0);
    for (const Binding &binding : std::as_const(m_bindings))
        loadBinding(binding);
    loadJunction();
    applyEnablingRules();
}

void OutputSettingsDialog::btn_okClick()
{
    // A refused write throws out of here: the keys before it stay written and
    // the dialog stays open.
    for (const Binding &binding : std::as_const(m_bindings))
        storeBinding(binding);
    storeJunction();
    accept();
}

void OutputSettingsDialog::btn_defaultClick()
{
    cb_mp3_bitrate->setCurrentIndex(ValueLists::kDefaultBitRateIndex);
    cb_mp3_channel->setCurrentIndex(ValueLists::kDefaultChannelIndex);
    cb_mp3_frequency->setCurrentIndex(ValueLists::kDefaultSampleRateIndex);
    ud_mp3_quality->setPosition(kShowMp3Quality);
    cb_vbr->setChecked(false);
    cb_mp3_vbr->setCurrentIndex(ValueLists::kDefaultBitRateIndex);
    ud_mp3_vbr->setPosition(kDefaultVbrQuality);

    rb_cdquality->setChecked(true);
    cb_wav_bit->setCurrentIndex(ValueLists::kDefaultBitsPerSampleIndex);
    cb_wav_channel->setCurrentIndex(ValueLists::kDefaultChannelIndex);
    cb_wav_frequency->setCurrentIndex(ValueLists::kDefaultSampleRateIndex);

    cb_wma->setCurrentIndex(ValueLists::kDefaultWmaProfileIndex);

    cb_ogg_channel->setCurrentIndex(ValueLists::kDefaultChannelIndex);
    cb_ogg_fre->setCurrentIndex(ValueLists::kDefaultSampleRateIndex);
    cb_ogg_bitrate->setCurrentIndex(ValueLists::kDefaultBitRateIndex);
    cb_ogg_maxbit->setCurrentIndex(ValueLists::kDefaultBitRateIndex);
    cb_ogg_minbit->setCurrentIndex(ValueLists::kDefaultBitRateIndex);
    cb_ogg_quality->setChecked(kShowOggEnableQuality);
    ud_ogg_quality->setPosition(kShowOggQuality);

    cb_flac_channel->setCurrentIndex(ValueLists::kDefaultChannelIndex);
    cb_flac_frequency->setCurrentIndex(ValueLists::kDefaultSampleRateIndex);
    cb_flac_bit->setCurrentIndex(ValueLists::kDefaultFlacBitsIndex);
    ud_flac_level->setPosition(ValueLists::kDefaultFlacLevel);

    cb_m4b_channel->setCurrentIndex(ValueLists::kDefaultChannelIndex);
    cb_m4b_frequency->setCurrentIndex(ValueLists::kDefaultM4bSampleRateIndex);
    cb_m4b_bitrate->setCurrentIndex(ValueLists::m4bDefaultBitRateIndex(
        ValueLists::channelsAt(ValueLists::kDefaultChannelIndex)));

    cb_loudness->setChecked(false);
    cb_loudness_target->setCurrentIndex(ValueLists::kDefaultLoudnessTargetIndex);
    cb_junction->setCurrentIndex(int(ValueLists::Junction::None));
    ud_junction_ms->setPosition(ValueLists::kDefaultJunctionMilliseconds);
    applyEnablingRules();
}

void OutputSettingsDialog::btn_cancelClick()
{
    reject();
}

void OutputSettingsDialog::cb_vbrClick()
{
    const bool on = cb_vbr->isChecked();
    cb_mp3_vbr->setEnabled(on);
    edt_mp3_vbr->setEnabled(on);
    ud_mp3_vbr->setEnabled(on);
}

void OutputSettingsDialog::rb_modeClick()
{
    const bool custom = rb_custom->isChecked();
    cb_wav_frequency->setEnabled(custom);
    cb_wav_bit->setEnabled(custom);
    cb_wav_channel->setEnabled(custom);
}

void OutputSettingsDialog::cb_ogg_qualityClick()
{
    const bool quality = cb_ogg_quality->isChecked();
    edt_ogg_quality->setEnabled(quality);
    ud_ogg_quality->setEnabled(quality);
    cb_ogg_minbit->setEnabled(!quality);
    cb_ogg_maxbit->setEnabled(!quality);
}

void OutputSettingsDialog::cb_loudnessClick()
{
    cb_loudness_target->setEnabled(cb_loudness->isChecked());
}

void OutputSettingsDialog::cb_junctionChange()
{
    const bool milliseconds = cb_junction->currentIndex() != int(ValueLists::Junction::None);
    edt_junction_ms->setEnabled(milliseconds);
    ud_junction_ms->setEnabled(milliseconds);
}

void OutputSettingsDialog::applyEnablingRules()
{
    cb_vbrClick();
    rb_modeClick();
    cb_ogg_qualityClick();
    cb_loudnessClick();
    cb_junctionChange();
}

void OutputSettingsDialog::edt_ogg_qualityChange()
{
    const QString text = edt_ogg_quality->text();
    if (text.trimmed().isEmpty()) {
        ud_ogg_quality->setPositionQuietly(0);
        return;
    }
    QString digits = text;
    digits.remove(QLatin1Char(','));
    const std::optional<int> number = IntegerText::parse(digits);
    if (!number)
        throw std::invalid_argument(Messages::kNotValidInteger.arg(digits).toStdString());
    ud_ogg_quality->setPosition(*number > kOggQualityMaximum - 1 ? kOggQualityMaximum : *number);
}

void OutputSettingsDialog::edt_ogg_qualityExit()
{
    if (edt_ogg_quality->text().isEmpty())
        edt_ogg_quality->setText(QStringLiteral("0"));
}

bool OutputSettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    bool discard = false;
    runGuarded(m_errorReport, [&] {
        const bool numberEdit = watched == edt_mp3_quality || watched == edt_mp3_vbr
                                || watched == edt_ogg_quality || watched == edt_flac_level
                                || watched == edt_junction_ms;
        if (numberEdit)
            discard = NumberInput::refuses(*event);
        if (watched == edt_ogg_quality && event->type() == QEvent::FocusOut)
            edt_ogg_qualityExit();
    });
    return discard || QDialog::eventFilter(watched, event);
}
