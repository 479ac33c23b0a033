#include "dialogs/outputsettingsdialog.h"

#include "audio/core/outputformats.h"
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
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>

namespace {

const QSize kClientSize(391, 349);
// The fixed client area holds all controls only at the small dialog font it was
// laid out for, whatever the desktop's own font size.
constexpr int kDialogFontPointSize = 8;
const QSize kButtonSize(75, 25);
constexpr int kListVisibleItems = 12;

constexpr int kMp3QualityMaximum = 9;
constexpr int kOggQualityMaximum = 1000;

const QString kBitrateNote =
    QStringLiteral("8Kbps - poor quality, small file, 350Kbps - good quality, big file");
const QString kMp3QualityNote =
    QStringLiteral("Quality: 0 - best quality, low speed, 9 - low quality, fast speed. ");

// Object names of the controls that other rows or the handlers refer to.
const QString kVbrSwitch = QStringLiteral("cb_vbr");
const QString kCustomWavButton = QStringLiteral("rb_custom");
const QString kOggQualitySwitch = QStringLiteral("cb_ogg_quality");
const QString kOggQualityEdit = QStringLiteral("edt_ogg_quality");
const QString kLoudnessSwitch = QStringLiteral("cb_loudness");
const QString kJunctionList = QStringLiteral("cb_junction");
const QString kJunctionEdit = QStringLiteral("edt_junction_ms");

// The M4B bit rate of a missing key follows the stored channel count.
int m4bBitRateForStoredChannels(const Settings &settings, const QString &section)
{
    return ValueLists::m4bDefaultBitRateIndex(ValueLists::channelsAt(
        settings.readIndex(section, SettingsKeys::kChannel, ValueLists::kDefaultChannelIndex,
                           ValueLists::kChannelCount)));
}

// Whether a control enables those that name it: a check box or radio button
// while it is on, a list while it shows anything but its first entry.
bool isOn(const QWidget *enabler)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(enabler))
        return button->isChecked();
    return qobject_cast<const QComboBox *>(enabler)->currentIndex() != 0;
}

void setIndexShown(QComboBox *list, int index)
{
    list->setCurrentIndex(ValueLists::contains(list->count(), index) ? index : -1);
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

// One line of a page: a group, a control or a note. A group takes the rows
// after it up to the next group: controls without a cell on lines of their own,
// then a grid of the controls with one, filled by cell, then the notes. The
// controls stand in the order their keys are stored in.
struct OutputSettingsDialog::Row {
    enum class Kind { Group, Check, Radio, List, Number, Note };
    // A label in column 0 or 2 of the group's grid and its control beside it; a
    // check box spans both.
    struct Cell {
        int row = -1;
        int column = 0;
    };
    struct Extras {
        QString enabledBy{};  // the check box, radio button or list that enables it
        bool enabledWhenOff = false;
        std::optional<int> resetValue{};  // what Default sets, where it differs
        int (*storedDefault)(const Settings &, const QString &section) = nullptr;
        int visibleItems = kListVisibleItems;
        bool thousandsSeparator = false;
    };

    Kind kind = Kind::Note;
    QString name{};     // the control's object name
    QString caption{};  // the group's title, the label, the box's or button's text, the note
    // The key in the page's section; none: the page's hooks load and store it. A
    // radio button after another one has none: it stands for the next value.
    QString key{};
    int defaultValue = 0;  // shown for a missing key, and set by Default
    Cell cell{};
    QStringList (*items)() = nullptr;
    int maximum = 0;
    Extras extras{};
};

struct OutputSettingsDialog::Page {
    using Row = OutputSettingsDialog::Row;
    using Cell = Row::Cell;
    using Extras = Row::Extras;

    QString section;  // of its keys; the page is named ts_<section>
    QString caption;  // the Join page's; a format's tab is captioned from its table row
    QList<Row> rows;
    // What the rows leave out, after them.
    void (OutputSettingsDialog::*load)() = nullptr;
    void (OutputSettingsDialog::*store)() = nullptr;

    static const QList<Page> &all();
    static const Page &of(const QString &section);

    static Row group(const QString &title) { return {Row::Kind::Group, {}, title}; }
    static Row note(const QString &text) { return {Row::Kind::Note, {}, text}; }
    static Row check(const QString &name, const QString &caption, const QString &key,
                     bool defaultValue, Cell cell = {})
    {
        return {Row::Kind::Check, name, caption, key, int(defaultValue), cell};
    }
    static Row radio(const QString &name, const QString &caption, const QString &key = {},
                     int defaultValue = 0)
    {
        return {Row::Kind::Radio, name, caption, key, defaultValue};
    }
    static Row list(const QString &name, const QString &caption, QStringList (*items)(),
                    const QString &key, int defaultValue, Cell cell, const Extras &extras = {})
    {
        return {Row::Kind::List, name, caption, key, defaultValue, cell, items, 0, extras};
    }
    static Row number(const QString &name, const QString &caption, int maximum, const QString &key,
                      int defaultValue, Cell cell, const Extras &extras = {})
    {
        return {Row::Kind::Number, name,    caption, key, defaultValue, cell,
                nullptr,           maximum, extras};
    }
};

// In the settings file's order, which the dialog loads and stores.
const QList<OutputSettingsDialog::Page> &OutputSettingsDialog::Page::all()
{
    static_assert(ValueLists::kWavModeCdQuality == 0 && ValueLists::kWavModeCustom == 1);
    using namespace SettingsKeys;
    using namespace ValueLists;
    static const QList<Page> pages = {
        {kMp3,
         {},
         {
             group("General Options"),
             list("cb_mp3_bitrate", "Bitrate: ", bitRateCaptions, kBitrate, kDefaultBitRateIndex,
                  {1, 0}),
             list("cb_mp3_channel", "Channel: ", channelCaptions, kChannel, kDefaultChannelIndex,
                  {0, 2}),
             list("cb_mp3_frequency", "Frequency: ", sampleRateCaptions, kFrequency,
                  kDefaultSampleRateIndex, {0, 0}),
             number("edt_mp3_quality", "Quality: ", kMp3QualityMaximum, kQuality, 9, {1, 2}),
             note(kBitrateNote),
             note(kMp3QualityNote),
             group("VBR (Variable Bit Rate)"),
             check(kVbrSwitch, "Enable VBR", kEnableVbr, false),
             list("cb_mp3_vbr", "VBR Bitrate: ", bitRateCaptions, kVbrBitrate, kDefaultBitRateIndex,
                  {0, 0}, {.enabledBy = kVbrSwitch}),
             number("edt_mp3_vbr", "VBR Quality: ", kMp3QualityMaximum, kVbrQuality, 9, {0, 2},
                    {.enabledBy = kVbrSwitch, .resetValue = 0}),
             note(kMp3QualityNote),
         }},
        {kWav,
         {},
         {
             group("Mode"),
             // The buttons stand for the modes 0 and 1, in this order.
             radio("rb_cdquality", "CD quality WAV format (for burning audio CD)", kMode,
                   kWavModeCdQuality),
             radio(kCustomWavButton, "Custom format"),
             note("To set the parameters below, please choose \"Custom Format\" "),
             group("General Options"),
             list("cb_wav_bit", "Bit Per Sample:", bitsPerSampleCaptions, kBit,
                  kDefaultBitsPerSampleIndex, {1, 0}, {.enabledBy = kCustomWavButton}),
             list("cb_wav_channel", "Channel:", channelCaptions, kChannel, kDefaultChannelIndex,
                  {2, 0}, {.enabledBy = kCustomWavButton}),
             list("cb_wav_frequency", "Frequency: ", sampleRateCaptions, kFrequency,
                  kDefaultSampleRateIndex, {0, 0}, {.enabledBy = kCustomWavButton}),
             note("To small created file, low frequency or bit per sample, but "),
             note("quality will be lowed accordingly. "),
         }},
        {kWma,
         {},
         {
             group("WMA Format"),
             list("cb_wma", {}, wmaProfileCaptions, kFormat, kDefaultWmaProfileIndex, {},
                  {.visibleItems = 16}),
         }},
        {kOgg,
         {},
         {
             group("General Options"),
             list("cb_ogg_channel", "Channel: ", channelCaptions, kChannel, kDefaultChannelIndex,
                  {0, 2}),
             list("cb_ogg_fre", "Frequency: ", sampleRateCaptions, kFrequency,
                  kDefaultSampleRateIndex, {0, 0}),
             list("cb_ogg_bitrate", "Bitrate: ", bitRateCaptions, kBitrate, kDefaultBitRateIndex,
                  {1, 0}),
             note(kBitrateNote),
             group("VBR (Variable Bit Rate)"),
             list("cb_ogg_maxbit", "Max Bitrate: ", bitRateCaptions, kMaxBitrate,
                  kDefaultBitRateIndex, {1, 2},
                  {.enabledBy = kOggQualitySwitch, .enabledWhenOff = true}),
             list("cb_ogg_minbit", "Min Bitrate: ", bitRateCaptions, kMinBitrate,
                  kDefaultBitRateIndex, {1, 0},
                  {.enabledBy = kOggQualitySwitch, .enabledWhenOff = true}),
             check(kOggQualitySwitch, "Enable Quality", kEnableQuality, true, {0, 0}),
             number(kOggQualityEdit, "VBR Quality: ", kOggQualityMaximum, kQuality, 300, {0, 2},
                    {.enabledBy = kOggQualitySwitch, .thousandsSeparator = true}),
             note("0 - best quality, low speed, 1000 - low quality, fast speed . "),
             note("If quality enabled, the bitrate just affects the convertation "),
             note("speed and the quality of the result file, not decide. "),
         }},
        {kFlac,
         {},
         {
             group("General Options"),
             list("cb_flac_channel", "Channel: ", channelCaptions, kChannel, kDefaultChannelIndex,
                  {0, 2}),
             list("cb_flac_frequency", "Frequency: ", sampleRateCaptions, kFrequency,
                  kDefaultSampleRateIndex, {0, 0}),
             list("cb_flac_bit", "Bit Per Sample:", flacBitsPerSampleCaptions, kBit,
                  kDefaultFlacBitsIndex, {1, 0}),
             number("edt_flac_level", "Compression: ", kFlacLevelMaximum, kCompressionLevel,
                    kDefaultFlacLevel, {1, 2}),
             note("Lossless: exactly the joined audio, about half the size of WAV. "),
             note("Compression: 0 - fastest, bigger file, 8 - slowest, smallest file. "),
         }},
        {kM4b,
         {},
         {
             group("General Options"),
             list("cb_m4b_channel", "Channel: ", channelCaptions, kChannel, kDefaultChannelIndex,
                  {0, 2}),
             list("cb_m4b_frequency", "Frequency: ", m4bSampleRateCaptions, kFrequency,
                  kDefaultM4bSampleRateIndex, {0, 0}),
             list("cb_m4b_bitrate", "Bitrate: ", m4bBitRateCaptions, kBitrate,
                  m4bDefaultBitRateIndex(channelsAt(kDefaultChannelIndex)), {1, 0},
                  {.storedDefault = m4bBitRateForStoredChannels}),
             note("AAC audio book: players keep the place where listening stopped. "),
             note("64Kbps mono or 128Kbps stereo suit most spoken books. "),
         }},
        {kJoin,
         "Join",
         {
             group("Loudness"),
             check(kLoudnessSwitch, "Match the loudness of the files", kMatchLoudness, false),
             list("cb_loudness_target", "Target: ", loudnessTargetCaptions, kLoudnessTarget,
                  kDefaultLoudnessTargetIndex, {0, 0}, {.enabledBy = kLoudnessSwitch}),
             note("The files are measured before the join, and each is played back at one "
                  "steady volume that meets the target. A file with high peaks is held at "
                  "-1 dBTP and stays a little quieter. "),
             group("Between Files"),
             list(kJunctionList, "Insert: ", junctionCaptions, {}, int(Junction::None), {0, 0}),
             number(kJunctionEdit, "Milliseconds: ", kJunctionMillisecondsMaximum, {},
                    kDefaultJunctionMilliseconds, {0, 2}, {.enabledBy = kJunctionList}),
             note("A pause puts silence between the files; a crossfade lets each file fade "
                  "into the next, and the output is shorter by that much at each join. "),
             // Untitled: the page has no room for another group title.
             group({}),
             check("cb_copy", "Copy the audio where the inputs allow it (no re-encoding)", kCopy,
                   kDefaultCopy),
         },
         &OutputSettingsDialog::loadJunction,
         &OutputSettingsDialog::storeJunction},
    };
    return pages;
}

const OutputSettingsDialog::Page &OutputSettingsDialog::Page::of(const QString &section)
{
    const QList<Page> &pages = all();
    return *std::ranges::find(pages, section, &Page::section);
}

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
    connectHandlers();
    setFixedSize(kClientSize);
}

// ---- Building the window ---------------------------------------------------

void OutputSettingsDialog::createControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 8);
    layout->setSpacing(8);

    auto *outputGroup = new QGroupBox(QStringLiteral("Output Settings"), this);
    auto *outputLayout = new QVBoxLayout(outputGroup);
    outputLayout->setContentsMargins(4, 2, 4, 4);
    m_pages = new QTabWidget(outputGroup);
    m_pages->setObjectName(QStringLiteral("pc"));
    using namespace SettingsKeys;
    // The format tabs in the table's page order, which is not the settings
    // file's, then the join's own.
    for (const OutputFormatInfo *format : outputFormatPages())
        m_pages->addTab(createPage(Page::of(QString(format->section))), QString(format->caption));
    const Page &joinPage = Page::of(kJoin);
    m_pages->addTab(createPage(joinPage), joinPage.caption);
    outputLayout->addWidget(m_pages);

    layout->addWidget(outputGroup, 1);
    layout->addWidget(createButtonRow());

    for (Binding &binding : m_bindings) {
        if (!binding.row->extras.enabledBy.isEmpty())
            binding.enabler = findChild<QWidget *>(binding.row->extras.enabledBy);
    }
    m_oggQualityEdit = bindingOf(kOggQualityEdit).edit;
    m_oggQuality = static_cast<UpDown *>(bindingOf(kOggQualityEdit).control);
    m_junction = static_cast<QComboBox *>(bindingOf(kJunctionList).control);
    m_junctionMilliseconds = static_cast<UpDown *>(bindingOf(kJunctionEdit).control);
}

QWidget *OutputSettingsDialog::createPage(const Page &page)
{
    auto *widget = new QWidget;
    widget->setObjectName(QStringLiteral("ts_") + page.section);
    auto *layout = newPageLayout(widget);

    // One binding per row, in row order, whatever order the grids are filled in.
    const std::span<const Row> rows(page.rows.constData(), size_t(page.rows.size()));
    QList<Binding> bindings(page.rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        bindings[i] = {&rows[i], &page};
        if (i > 0 && rows[i].kind == Row::Kind::Radio && rows[i - 1].kind == Row::Kind::Radio) {
            bindings[i].row = bindings[i - 1].row;
            bindings[i].value = bindings[i - 1].value + 1;
        }
    }
    QList<QGridLayout *> grids;
    for (size_t first = 0; first < rows.size();) {
        size_t end = first + 1;
        while (end < rows.size() && rows[end].kind != Row::Kind::Group)
            ++end;
        if (QGridLayout *grid = createGroup(widget, rows.subspan(first, end - first),
                                            std::span(bindings).subspan(first, end - first)))
            grids << grid;
        first = end;
    }
    alignLabelColumns(grids);
    layout->addStretch(1);

    for (const Binding &binding : std::as_const(bindings)) {
        if (binding.control)
            m_bindings << binding;
    }
    return widget;
}

QGridLayout *OutputSettingsDialog::createGroup(QWidget *page, std::span<const Row> rows,
                                               std::span<Binding> bindings)
{
    auto *group = new QGroupBox(rows.front().caption, page);
    auto *layout = newGroupLayout(group);
    QList<size_t> cells;
    for (size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].cell.row >= 0)
            cells << i;
        else if (rows[i].kind != Row::Kind::Note)
            layout->addWidget(createControl(rows[i], bindings[i]));
    }

    QGridLayout *grid = nullptr;
    if (!cells.isEmpty()) {
        grid = newGrid();
        std::ranges::stable_sort(
            cells, {}, [&](size_t i) { return std::pair(rows[i].cell.row, rows[i].cell.column); });
        for (size_t i : std::as_const(cells)) {
            const Row &row = rows[i];
            QWidget *control = createControl(row, bindings[i]);
            if (row.kind == Row::Kind::Check) {
                grid->addWidget(control, row.cell.row, row.cell.column, 1, 2);
                continue;
            }
            auto *label = new QLabel(row.caption);
            label->setObjectName(QStringLiteral("lbl_") + row.name.section(QLatin1Char('_'), 1));
            label->setBuddy(bindings[i].edit ? bindings[i].edit : control);
            grid->addWidget(label, row.cell.row, row.cell.column);
            grid->addWidget(control, row.cell.row, row.cell.column + 1);
        }
        // A single column of controls leaves the room on its right empty.
        if (std::ranges::none_of(cells, [&](size_t i) { return rows[i].cell.column > 0; })) {
            grid->setColumnStretch(3, 0);
            grid->setColumnStretch(2, 1);
        }
        layout->addLayout(grid);
    }

    for (const Row &row : rows) {
        if (row.kind == Row::Kind::Note) {
            auto *note = new QLabel(row.caption);
            note->setWordWrap(true);
            note->setObjectName(QStringLiteral("note"));
            layout->addWidget(note);
        }
    }
    page->layout()->addWidget(group);
    return grid;
}

// Returns the widget that goes into the layout: a number's edit and up-down
// come in one holder.
QWidget *OutputSettingsDialog::createControl(const Row &row, Binding &binding)
{
    switch (row.kind) {
    case Row::Kind::Check:
        binding.control = new QCheckBox(row.caption);
        break;
    case Row::Kind::Radio:
        binding.control = new QRadioButton(row.caption);
        break;
    case Row::Kind::List: {
        auto *list = new QComboBox;
        list->addItems(row.items());
        list->setMaxVisibleItems(row.extras.visibleItems);
        binding.control = list;
        break;
    }
    case Row::Kind::Number: {
        auto *holder = new QWidget;
        auto *pair = new QHBoxLayout(holder);
        pair->setContentsMargins(0, 0, 0, 0);
        pair->setSpacing(0);
        auto *edit = new QLineEdit;
        edit->setObjectName(row.name);
        // Room for the largest number as the up-down shows it.
        const qsizetype length =
            (row.extras.thousandsSeparator ? IntegerText::withThousandsSeparator(row.maximum)
                                           : QString::number(row.maximum))
                .size();
        edit->setMaxLength(int(length));
        edit->setFixedWidth(length > 1 ? 56 : 32);
        edit->installEventFilter(this);
        auto *updown = new UpDown;
        updown->setObjectName(QStringLiteral("ud_") + row.name.section(QLatin1Char('_'), 1));
        updown->setRange(0, row.maximum);
        updown->setThousandsSeparator(row.extras.thousandsSeparator);
        updown->setBuddy(edit);
        updown->setFixedHeight(edit->sizeHint().height());
        pair->addWidget(edit);
        pair->addWidget(updown);
        pair->addStretch(1);
        binding.control = updown;
        binding.edit = edit;
        return holder;
    }
    case Row::Kind::Group:
    case Row::Kind::Note:
        return nullptr;
    }
    binding.control->setObjectName(row.name);
    return binding.control;
}

QWidget *OutputSettingsDialog::createButtonRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 2, 0);
    layout->setSpacing(8);
    layout->addStretch(1);
    auto addButton = [&](const QString &caption, const QString &name, auto handler) {
        auto *button = new QPushButton(caption, row);
        button->setObjectName(name);
        button->setFixedSize(kButtonSize);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this,
                [this, handler] { runGuarded(m_errorReport, handler); });
        return button;
    };
    // A refused write throws out of OK: the keys before it stay written and the
    // dialog stays open.
    addButton(QStringLiteral("OK"), QStringLiteral("btn_ok"), [this] {
        storeValues();
        accept();
    })->setDefault(true);
    addButton(QStringLiteral("Default"), QStringLiteral("btn_default"),
              [this] { restoreDefaults(); });
    addButton(QStringLiteral("Cancel"), QStringLiteral("btn_cancel"), [this] { reject(); });
    return row;
}

void OutputSettingsDialog::connectHandlers()
{
    auto guarded = [this](void (OutputSettingsDialog::*handler)()) {
        return
            [this, handler] { runGuarded(m_errorReport, [this, handler] { (this->*handler)(); }); };
    };
    QList<QWidget *> enablers;
    for (const Binding &binding : std::as_const(m_bindings)) {
        if (binding.enabler && !enablers.contains(binding.enabler))
            enablers << binding.enabler;
    }
    // Toggled rather than clicked: a state set from code re-applies the rules too.
    for (QWidget *enabler : std::as_const(enablers)) {
        if (auto *button = qobject_cast<QAbstractButton *>(enabler))
            connect(button, &QAbstractButton::toggled, this,
                    guarded(&OutputSettingsDialog::updateEnabledControls));
        else
            connect(qobject_cast<QComboBox *>(enabler), &QComboBox::currentIndexChanged, this,
                    guarded(&OutputSettingsDialog::updateEnabledControls));
    }
    connect(m_oggQualityEdit, &QLineEdit::textChanged, this,
            guarded(&OutputSettingsDialog::readOggQualityText));
}

const OutputSettingsDialog::Binding &OutputSettingsDialog::bindingOf(const QString &name) const
{
    return *std::ranges::find_if(m_bindings, [&](const Binding &binding) {
        return (binding.edit ? binding.edit->objectName() : binding.control->objectName()) == name;
    });
}

// ---- Loading and storing ---------------------------------------------------

int OutputSettingsDialog::storedValue(const Binding &binding) const
{
    const Row &row = *binding.row;
    const QString &section = binding.page->section;
    const int fallback =
        row.extras.storedDefault ? row.extras.storedDefault(m_settings, section) : row.defaultValue;
    if (row.kind == Row::Kind::Check)
        return int(m_settings.readSwitch(section, row.key, fallback != 0));
    return m_settings.readInteger(section, row.key, fallback);
}

void OutputSettingsDialog::showValue(const Binding &binding, int value)
{
    switch (binding.row->kind) {
    case Row::Kind::List:
        setIndexShown(static_cast<QComboBox *>(binding.control), value);
        break;
    case Row::Kind::Number:
        static_cast<UpDown *>(binding.control)->setPosition(value);
        break;
    case Row::Kind::Check:
        static_cast<QCheckBox *>(binding.control)->setChecked(value != 0);
        break;
    case Row::Kind::Radio:
        // Any other value leaves the buttons as they were.
        if (value == binding.value)
            static_cast<QRadioButton *>(binding.control)->setChecked(true);
        break;
    case Row::Kind::Group:
    case Row::Kind::Note:
        break;
    }
}

void OutputSettingsDialog::storeValue(const Binding &binding)
{
    const QString &section = binding.page->section;
    const QString &key = binding.row->key;
    switch (binding.row->kind) {
    case Row::Kind::List:
        // The raw position: -1 when the list shows no entry.
        m_settings.writeInteger(section, key,
                                static_cast<QComboBox *>(binding.control)->currentIndex());
        break;
    case Row::Kind::Number:
        m_settings.writeInteger(section, key, static_cast<UpDown *>(binding.control)->position());
        break;
    case Row::Kind::Check:
        m_settings.writeSwitch(section, key,
                               static_cast<QCheckBox *>(binding.control)->isChecked());
        break;
    case Row::Kind::Radio:
        // With no button on, the stored value stays.
        if (static_cast<QRadioButton *>(binding.control)->isChecked())
            m_settings.writeInteger(section, key, binding.value);
        break;
    case Row::Kind::Group:
    case Row::Kind::Note:
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
    m_junction->setCurrentIndex(int(shown));
    m_junctionMilliseconds->setPosition(shown == Junction::Crossfade ? crossfade : pause);
}

void OutputSettingsDialog::storeJunction()
{
    using ValueLists::Junction;
    const auto chosen = Junction(m_junction->currentIndex());
    const int milliseconds = m_junctionMilliseconds->position();
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
        runGuarded(m_errorReport, [this] { loadValues(); });
}

void OutputSettingsDialog::loadValues()
{
    m_pages->setCurrentIndex(0);
    for (const Page &page : Page::all()) {
        for (const Binding &binding : std::as_const(m_bindings)) {
            if (binding.page == &page && !binding.row->key.isEmpty())
                showValue(binding, storedValue(binding));
        }
        if (page.load)
            (this->*page.load)();
    }
    updateEnabledControls();
}

void OutputSettingsDialog::storeValues()
{
    for (const Page &page : Page::all()) {
        for (const Binding &binding : std::as_const(m_bindings)) {
            if (binding.page == &page && !binding.row->key.isEmpty())
                storeValue(binding);
        }
        if (page.store)
            (this->*page.store)();
    }
}

void OutputSettingsDialog::restoreDefaults()
{
    for (const Binding &binding : std::as_const(m_bindings))
        showValue(binding, binding.row->extras.resetValue.value_or(binding.row->defaultValue));
    updateEnabledControls();
}

void OutputSettingsDialog::updateEnabledControls()
{
    for (const Binding &binding : std::as_const(m_bindings)) {
        if (!binding.enabler)
            continue;
        const bool enabled = isOn(binding.enabler) != binding.row->extras.enabledWhenOff;
        binding.control->setEnabled(enabled);
        if (binding.edit)
            binding.edit->setEnabled(enabled);
    }
}

void OutputSettingsDialog::readOggQualityText()
{
    const QString text = m_oggQualityEdit->text();
    if (text.trimmed().isEmpty()) {
        m_oggQuality->setPositionQuietly(0);
        return;
    }
    QString digits = text;
    digits.remove(QLatin1Char(','));
    const std::optional<int> number = IntegerText::parse(digits);
    if (!number)
        throw std::invalid_argument(Messages::kNotValidInteger.arg(digits).toStdString());
    m_oggQuality->setPosition(*number > kOggQualityMaximum - 1 ? kOggQualityMaximum : *number);
}

void OutputSettingsDialog::fillEmptyOggQuality()
{
    if (m_oggQualityEdit->text().isEmpty())
        m_oggQualityEdit->setText(QStringLiteral("0"));
}

bool OutputSettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    bool discard = false;
    runGuarded(m_errorReport, [&] {
        // The number edits are the ones that carry this filter.
        if (qobject_cast<QLineEdit *>(watched))
            discard = NumberInput::refuses(*event);
        if (watched == m_oggQualityEdit && event->type() == QEvent::FocusOut)
            fillEmptyOggQuality();
    });
    return discard || QDialog::eventFilter(watched, event);
}
