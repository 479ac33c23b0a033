#include "dialogs/outputsettingsdialog.h"
#include "kit/updown.h"
#include "platform/apppaths.h"
#include "platform/errorreport.h"
#include "settings/settings.h"
#include "settings/valuelists.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <tuple>

namespace {

class RecordingReport : public ErrorReport {
public:
    void report(const std::exception &error) override
    {
        texts << QString::fromStdString(error.what());
    }
    QStringList texts;
};

// What the first confirmation writes on a machine without settings.
const QByteArray kFirstConfirmation =
    "[mp3]\nbitrate=11\nchannel=1\nfrequency=7\nquality=9\nenable vbr=0\n"
    "vbr bitrate=11\nvbr quality=9\n"
    "[wav]\nmode=0\nbit=1\nchannel=1\nfrequency=7\n"
    "[wma]\nformat=9\n"
    "[ogg]\nchannel=1\nfrequency=7\nbitrate=11\nmax bitrate=11\nmin bitrate=11\n"
    "enable quality=1\nquality=300\n"
    "[flac]\nchannel=1\nfrequency=7\nbit=0\ncompression level=5\n"
    "[m4b]\nchannel=1\nfrequency=2\nbitrate=8\n"
    "[join]\nmatch loudness=0\nloudness target=0\ncopy=0\npause=0\ncrossfade=0\n";

class OutputSettingsDialogTest : public testing::Test {
protected:
    void SetUp() override { settings.open(); }

    void store(const QByteArray &content)
    {
        QFile file(AppPaths::settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray stored() const
    {
        QFile file(AppPaths::settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Shows the dialog modally and runs the script while it is open.
    void open(ScriptedPrompter::DialogScript script)
    {
        prompter.queueDialog(std::move(script));
        prompter.showModal(dialog);
    }

    template <typename T>
    T *child(const char *name)
    {
        T *widget = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox *list(const char *name) { return child<QComboBox>(name); }
    QLineEdit *edit(const char *name) { return child<QLineEdit>(name); }
    UpDown *spin(const char *name) { return child<UpDown>(name); }
    QCheckBox *check(const char *name) { return child<QCheckBox>(name); }
    QRadioButton *radio(const char *name) { return child<QRadioButton>(name); }
    void click(const char *button) { child<QPushButton>(button)->click(); }
    void leave(QLineEdit *edit)
    {
        QFocusEvent focusOut(QEvent::FocusOut);
        QCoreApplication::sendEvent(edit, &focusOut);
    }
    // What every control of a dialog shows, by object name: list and spin
    // positions, ticks and radio buttons.
    static QMap<QString, int> shown(const QDialog &shownDialog)
    {
        QMap<QString, int> values;
        for (QComboBox *box : shownDialog.findChildren<QComboBox *>())
            values[box->objectName()] = box->currentIndex();
        for (UpDown *updown : shownDialog.findChildren<UpDown *>())
            values[updown->objectName()] = updown->position();
        for (QAbstractButton *button : shownDialog.findChildren<QAbstractButton *>()) {
            if (button->isCheckable())
                values[button->objectName()] = int(button->isChecked());
        }
        return values;
    }
    // Moves every control off what it shows, as a user could.
    void changeEveryControl()
    {
        for (QComboBox *box : dialog.findChildren<QComboBox *>())
            box->setCurrentIndex((box->currentIndex() + 1) % box->count());
        for (UpDown *updown : dialog.findChildren<UpDown *>())
            updown->setPosition(updown->position() > 0 ? updown->position() - 1 : 1);
        for (QCheckBox *box : dialog.findChildren<QCheckBox *>())
            box->click();
        for (QRadioButton *button : dialog.findChildren<QRadioButton *>()) {
            if (!button->isChecked()) {
                button->click();
                break;
            }
        }
    }
    QStringList labelTexts()
    {
        QStringList texts;
        for (QLabel *label : dialog.findChildren<QLabel *>())
            texts << label->text();
        return texts;
    }

    Settings settings{AppPaths::settingsFile()};
    RecordingReport report;
    ScriptedPrompter prompter;
    OutputSettingsDialog dialog{settings, report};
};

TEST_F(OutputSettingsDialogTest, WindowHasItsCaptionSizePagesAndWords)
{
    EXPECT_EQ(dialog.windowTitle(), "Settings");
    EXPECT_EQ(dialog.size(), QSize(391, 349));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    // Every page's controls fit the fixed client area without being squeezed.
    const QSize needed = dialog.layout()->totalMinimumSize();
    EXPECT_LE(needed.width(), 391);
    EXPECT_LE(needed.height(), 349);

    QTabWidget *pc = child<QTabWidget>("pc");
    ASSERT_EQ(pc->count(), 7);
    EXPECT_EQ(pc->tabText(0), "MP3");
    EXPECT_EQ(pc->tabText(1), "WAV");
    EXPECT_EQ(pc->tabText(2), "OGG");
    EXPECT_EQ(pc->tabText(3), "WMA");
    EXPECT_EQ(pc->tabText(4), "FLAC");
    EXPECT_EQ(pc->tabText(5), "M4B");
    EXPECT_EQ(pc->tabText(6), "Join");

    EXPECT_EQ(child<QPushButton>("btn_ok")->text(), "OK");
    EXPECT_EQ(child<QPushButton>("btn_default")->text(), "Default");
    EXPECT_EQ(child<QPushButton>("btn_cancel")->text(), "Cancel");

    QStringList groups;
    for (QGroupBox *group : dialog.findChildren<QGroupBox *>())
        groups << group->title();
    EXPECT_EQ(groups.count("Output Settings"), 1);
    EXPECT_EQ(groups.count("General Options"), 5);
    EXPECT_EQ(groups.count("VBR (Variable Bit Rate)"), 2);
    EXPECT_EQ(groups.count("Mode"), 1);
    EXPECT_EQ(groups.count("WMA Format"), 1);

    const QStringList labels = labelTexts();
    for (const char *text :
         {"Frequency: ", "Channel: ", "Bitrate: ", "Quality: ", "VBR Bitrate: ", "VBR Quality: ",
          "Bit Per Sample:", "Channel:", "Min Bitrate: ", "Max Bitrate: ", "Compression: ",
          "8Kbps - poor quality, small file, 350Kbps - good quality, big file",
          "Quality: 0 - best quality, low speed, 9 - low quality, fast speed. ",
          "To set the parameters below, please choose \"Custom Format\" ",
          "To small created file, low frequency or bit per sample, but ",
          "quality will be lowed accordingly. ",
          "0 - best quality, low speed, 1000 - low quality, fast speed . ",
          "If quality enabled, the bitrate just affects the convertation ",
          "speed and the quality of the result file, not decide. "}) {
        EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
    }
    EXPECT_EQ(labels.count("Quality: 0 - best quality, low speed, 9 - low quality, fast speed. "),
              2);
    EXPECT_EQ(check("cb_vbr")->text(), "Enable VBR");
    EXPECT_EQ(check("cb_ogg_quality")->text(), "Enable Quality");
    EXPECT_EQ(radio("rb_cdquality")->text(), "CD quality WAV format (for burning audio CD)");
    EXPECT_EQ(radio("rb_custom")->text(), "Custom format");
}

// Tab takes the controls of each page as they are read: line by line, left to
// right.
TEST_F(OutputSettingsDialogTest, TabOrderFollowsEachPageLineByLine)
{
    open([&](QDialog &) {
        QTabWidget *pages = child<QTabWidget>("pc");
        for (int index = 0; index < pages->count(); ++index) {
            pages->setCurrentIndex(index);
            QCoreApplication::processEvents();
            QWidget *page = pages->widget(index);
            QList<QRect> places;
            for (QWidget *next = page->nextInFocusChain(); next != page;
                 next = next->nextInFocusChain()) {
                if (page->isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus))
                    places << QRect(next->mapTo(page, QPoint(0, 0)), next->size());
            }
            ASSERT_FALSE(places.isEmpty()) << index;
            for (qsizetype i = 1; i < places.size(); ++i) {
                const QRect &before = places[i - 1];
                const QRect &after = places[i];
                const bool sameLine = std::abs(after.center().y() - before.center().y()) < 4;
                EXPECT_TRUE(sameLine ? after.left() > before.right()
                                     : after.top() > before.bottom())
                    << pages->tabText(index).toStdString() << " control " << i;
            }
        }
    });
}

TEST_F(OutputSettingsDialogTest, ListsHoldTheValueListCaptions)
{
    auto items = [](QComboBox *box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    };
    for (const char *name :
         {"cb_mp3_frequency", "cb_wav_frequency", "cb_ogg_fre", "cb_flac_frequency"})
        EXPECT_EQ(items(list(name)), ValueLists::sampleRateCaptions()) << name;
    for (const char *name :
         {"cb_mp3_bitrate", "cb_mp3_vbr", "cb_ogg_bitrate", "cb_ogg_minbit", "cb_ogg_maxbit"})
        EXPECT_EQ(items(list(name)), ValueLists::bitRateCaptions()) << name;
    for (const char *name : {"cb_mp3_channel", "cb_wav_channel", "cb_ogg_channel",
                             "cb_flac_channel", "cb_m4b_channel"})
        EXPECT_EQ(items(list(name)), QStringList({"Mono", "Stereo"})) << name;
    EXPECT_EQ(items(list("cb_wav_bit")), QStringList({"8 bps", "16 bps"}));
    EXPECT_EQ(items(list("cb_flac_bit")), QStringList({"16 bps", "24 bps"}));
    EXPECT_EQ(items(list("cb_m4b_frequency")),
              QStringList({"22050 Hz", "32000 Hz", "44100 Hz", "48000 Hz"}));
    EXPECT_EQ(items(list("cb_m4b_bitrate")), ValueLists::bitRateCaptions().mid(3)) << "from 32";
    EXPECT_EQ(items(list("cb_wma")), ValueLists::wmaProfileCaptions());
    EXPECT_EQ(list("cb_mp3_frequency")->itemText(0), "8000 Hz");
    EXPECT_EQ(list("cb_mp3_frequency")->itemText(8), "48000 Hz");
    EXPECT_EQ(list("cb_mp3_bitrate")->itemText(0), "8 Kbps");
    EXPECT_EQ(list("cb_mp3_bitrate")->itemText(16), "320 Kbps");
    EXPECT_EQ(list("cb_wma")->itemText(34), "WMA9 8KHz,  12Kbps, Stereo, CBR");
}

TEST_F(OutputSettingsDialogTest, FirstOpeningWithoutSettingsShowsTheDialogDefaults)
{
    open([&](QDialog &) {
        QTabWidget *pc = child<QTabWidget>("pc");
        EXPECT_EQ(pc->currentIndex(), 0);
        EXPECT_LE(pc->tabBar()->sizeHint().width(), pc->width()) << "all seven tabs show whole";
        EXPECT_EQ(list("cb_mp3_bitrate")->currentText(), "128 Kbps");
        EXPECT_EQ(list("cb_mp3_channel")->currentText(), "Stereo");
        EXPECT_EQ(list("cb_mp3_frequency")->currentText(), "44100 Hz");
        EXPECT_EQ(edit("edt_mp3_quality")->text(), "9");
        EXPECT_FALSE(check("cb_vbr")->isChecked());
        EXPECT_EQ(list("cb_mp3_vbr")->currentText(), "128 Kbps");
        EXPECT_EQ(edit("edt_mp3_vbr")->text(), "9");
        EXPECT_FALSE(list("cb_mp3_vbr")->isEnabled());
        EXPECT_FALSE(edit("edt_mp3_vbr")->isEnabled());
        EXPECT_FALSE(spin("ud_mp3_vbr")->isEnabled());

        EXPECT_TRUE(radio("rb_cdquality")->isChecked());
        EXPECT_FALSE(radio("rb_custom")->isChecked());
        EXPECT_EQ(list("cb_wav_bit")->currentText(), "16 bps");
        EXPECT_FALSE(list("cb_wav_frequency")->isEnabled());
        EXPECT_FALSE(list("cb_wav_bit")->isEnabled());
        EXPECT_FALSE(list("cb_wav_channel")->isEnabled());

        EXPECT_EQ(list("cb_wma")->currentText(), "WMA9 44KHz, 128Kbps, Stereo, CBR");

        EXPECT_TRUE(check("cb_ogg_quality")->isChecked());
        EXPECT_EQ(edit("edt_ogg_quality")->text(), "300");
        EXPECT_TRUE(edit("edt_ogg_quality")->isEnabled());
        EXPECT_TRUE(spin("ud_ogg_quality")->isEnabled());
        EXPECT_FALSE(list("cb_ogg_minbit")->isEnabled());
        EXPECT_FALSE(list("cb_ogg_maxbit")->isEnabled());
        EXPECT_TRUE(list("cb_ogg_bitrate")->isEnabled());

        EXPECT_EQ(list("cb_flac_frequency")->currentText(), "44100 Hz");
        EXPECT_EQ(list("cb_flac_bit")->currentText(), "16 bps");
        EXPECT_EQ(edit("edt_flac_level")->text(), "5");
        EXPECT_EQ(list("cb_m4b_frequency")->currentText(), "44100 Hz");
        EXPECT_EQ(list("cb_m4b_channel")->currentText(), "Stereo");
        EXPECT_EQ(list("cb_m4b_bitrate")->currentText(), "128 Kbps");
    });
    EXPECT_FALSE(QFile::exists(AppPaths::settingsFile()));
    EXPECT_TRUE(report.texts.isEmpty());
}

TEST_F(OutputSettingsDialogTest, FirstConfirmationWritesEveryKeyInOrder)
{
    open([&](QDialog &) { click("btn_ok"); });
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(stored(), kFirstConfirmation);
}

TEST_F(OutputSettingsDialogTest, ShowsStoredValuesEachTimeItOpens)
{
    store("; mine\n[mp3]\nbitrate=3\nchannel=0\nfrequency=$2\nquality=4\nenable vbr=2\nvbr "
          "bitrate=16\n"
          "vbr quality=1\n[wav]\nmode=1\nbit=0\nchannel=0\nfrequency=0\n[wma]\nformat=46\n"
          "[ogg]\nchannel=0\nfrequency=8\nbitrate=0\nmax bitrate=16\nmin bitrate=1\nenable "
          "quality=0\nquality=5000\n");
    open([&](QDialog &) {
        child<QTabWidget>("pc")->setCurrentIndex(2);
        EXPECT_EQ(list("cb_mp3_bitrate")->currentText(), "32 Kbps");
        EXPECT_EQ(list("cb_mp3_channel")->currentText(), "Mono");
        EXPECT_EQ(list("cb_mp3_frequency")->currentText(), "12000 Hz");
        EXPECT_EQ(spin("ud_mp3_quality")->position(), 4);
        EXPECT_TRUE(check("cb_vbr")->isChecked()) << "any value but 0 ticks it";
        EXPECT_TRUE(list("cb_mp3_vbr")->isEnabled());
        EXPECT_TRUE(spin("ud_mp3_vbr")->isEnabled());
        EXPECT_EQ(edit("edt_mp3_vbr")->text(), "1");
        EXPECT_TRUE(radio("rb_custom")->isChecked());
        EXPECT_TRUE(list("cb_wav_bit")->isEnabled());
        EXPECT_EQ(list("cb_wav_bit")->currentText(), "8 bps");
        EXPECT_EQ(list("cb_wma")->currentIndex(), 46);
        EXPECT_FALSE(check("cb_ogg_quality")->isChecked());
        EXPECT_FALSE(edit("edt_ogg_quality")->isEnabled());
        EXPECT_TRUE(list("cb_ogg_minbit")->isEnabled());
        EXPECT_EQ(list("cb_ogg_minbit")->currentText(), "16 Kbps");
        EXPECT_EQ(edit("edt_ogg_quality")->text(), "1,000") << "the spin keeps to its range";
        click("btn_cancel");
    });
    open([&](QDialog &) {
        EXPECT_EQ(child<QTabWidget>("pc")->currentIndex(), 0) << "always opens on MP3";
    });
}

TEST_F(OutputSettingsDialogTest, FlacAndM4bPagesLoadAndStoreTheirKeys)
{
    // No M4B bit rate stored: mono starts at 64 Kbps.
    store("[flac]\nchannel=0\nfrequency=8\nbit=1\ncompression level=8\n"
          "[m4b]\nchannel=0\nfrequency=3\n");
    open([&](QDialog &) {
        EXPECT_EQ(list("cb_flac_channel")->currentText(), "Mono");
        EXPECT_EQ(list("cb_flac_frequency")->currentText(), "48000 Hz");
        EXPECT_EQ(list("cb_flac_bit")->currentText(), "24 bps");
        EXPECT_EQ(edit("edt_flac_level")->text(), "8");
        EXPECT_EQ(list("cb_m4b_channel")->currentText(), "Mono");
        EXPECT_EQ(list("cb_m4b_frequency")->currentText(), "48000 Hz");
        EXPECT_EQ(list("cb_m4b_bitrate")->currentText(), "64 Kbps");

        QTest::keyClick(edit("edt_flac_level"), Qt::Key_Up);
        EXPECT_EQ(spin("ud_flac_level")->position(), 8) << "8 is the top level";
        QTest::keyClick(edit("edt_flac_level"), Qt::Key_Down);
        list("cb_m4b_bitrate")->setCurrentIndex(13);
        click("btn_ok");
    });
    // Default then OK is covered with the other pages' defaults.
    EXPECT_EQ(stored(), "[flac]\nchannel=0\nfrequency=8\nbit=1\ncompression level=7\n"
                        "[m4b]\nchannel=0\nfrequency=3\nbitrate=13\n"
                            + kFirstConfirmation.left(kFirstConfirmation.indexOf("[flac]"))
                            + kFirstConfirmation.mid(kFirstConfirmation.indexOf("[join]")));
}

TEST_F(OutputSettingsDialogTest, JoinPageLoadsAndStoresTheLoudnessMatchWithItsDefaults)
{
    QStringList targets;
    open([&](QDialog &) {
        EXPECT_EQ(check("cb_loudness")->text(), "Match the loudness of the files");
        EXPECT_FALSE(check("cb_loudness")->isChecked());
        QComboBox *target = list("cb_loudness_target");
        for (int i = 0; i < target->count(); ++i)
            targets << target->itemText(i);
        EXPECT_EQ(target->currentIndex(), 0);
        EXPECT_FALSE(target->isEnabled());
        check("cb_loudness")->click();
        EXPECT_TRUE(target->isEnabled());
        target->setCurrentIndex(2);
        click("btn_ok");
    });
    EXPECT_EQ(targets, QStringList({"-16 LUFS (speech, podcasts)", "-14 LUFS (music streaming)",
                                    "-23 LUFS (broadcast)"}));
    EXPECT_TRUE(stored().endsWith("[join]\nmatch loudness=1\nloudness target=2\ncopy=0\n"
                                  "pause=0\ncrossfade=0\n"));

    open([&](QDialog &) {
        EXPECT_TRUE(check("cb_loudness")->isChecked());
        EXPECT_EQ(list("cb_loudness_target")->currentIndex(), 2);
        click("btn_default");
        EXPECT_FALSE(check("cb_loudness")->isChecked());
        EXPECT_EQ(list("cb_loudness_target")->currentIndex(), 0);
        EXPECT_FALSE(list("cb_loudness_target")->isEnabled());
        click("btn_ok");
    });
    EXPECT_TRUE(stored().endsWith("[join]\nmatch loudness=0\nloudness target=0\ncopy=0\n"
                                  "pause=0\ncrossfade=0\n"));

    // Hand-edited: an unreadable switch reads as off, a target outside the list shows none.
    store("[join]\nmatch loudness=yes\nloudness target=7\n");
    open([&](QDialog &) {
        EXPECT_FALSE(check("cb_loudness")->isChecked());
        EXPECT_EQ(list("cb_loudness_target")->currentIndex(), -1);
        click("btn_cancel");
    });
}

// One choice of what goes between the files, with one length: the other key is
// written as 0, so that the two never both hold.
TEST_F(OutputSettingsDialogTest, JoinPageChoosesAPauseOrACrossfadeBetweenFiles)
{
    QStringList choices;
    open([&](QDialog &) {
        QComboBox *junction = list("cb_junction");
        for (int i = 0; i < junction->count(); ++i)
            choices << junction->itemText(i);
        EXPECT_EQ(junction->currentIndex(), 0);
        EXPECT_FALSE(edit("edt_junction_ms")->isEnabled());
        junction->setCurrentIndex(2);
        EXPECT_TRUE(edit("edt_junction_ms")->isEnabled());
        QTest::keyClicks(edit("edt_junction_ms"), "1500");
        EXPECT_EQ(spin("ud_junction_ms")->position(), 1500);
        click("btn_ok");
    });
    EXPECT_EQ(choices, QStringList({"None", "Pause", "Crossfade"}));
    EXPECT_TRUE(stored().endsWith("pause=0\ncrossfade=1500\n"));

    // Hand-edited with both: the crossfade is shown; out of range or not a number: none.
    for (const auto &[content, shown, milliseconds] :
         {std::tuple("[join]\npause=300\ncrossfade=40\n", 2, 40),
          std::tuple("[join]\npause=250\ncrossfade=10001\n", 1, 250),
          std::tuple("[join]\npause=ten\ncrossfade=-5\n", 0, 0)}) {
        store(content);
        open([&](QDialog &) {
            EXPECT_EQ(list("cb_junction")->currentIndex(), shown) << content;
            EXPECT_EQ(spin("ud_junction_ms")->position(), milliseconds) << content;
            click("btn_default");
            EXPECT_EQ(list("cb_junction")->currentIndex(), 0);
            EXPECT_EQ(spin("ud_junction_ms")->position(), 0);
            EXPECT_FALSE(edit("edt_junction_ms")->isEnabled());
            click("btn_cancel");
        });
    }
}

// Whatever is chosen on any page reaches the file on OK, and a dialog shown
// later shows it again; Cancel keeps nothing of it.
TEST_F(OutputSettingsDialogTest, EveryChoiceIsStoredOnOkAndShownAgain)
{
    QMap<QString, int> untouched;
    QMap<QString, int> chosen;
    open([&](QDialog &) {
        untouched = shown(dialog);
        changeEveryControl();
        click("btn_cancel");
    });
    EXPECT_FALSE(QFile::exists(AppPaths::settingsFile()));
    open([&](QDialog &) {
        EXPECT_EQ(shown(dialog), untouched);
        changeEveryControl();
        chosen = shown(dialog);
        click("btn_ok");
    });
    ASSERT_EQ(chosen.keys(), untouched.keys());
    for (const QString &name : chosen.keys())
        EXPECT_NE(chosen[name], untouched[name]) << qPrintable(name);

    OutputSettingsDialog later(settings, report);
    prompter.queueDialog([&](QDialog &) { EXPECT_EQ(shown(later), chosen); });
    prompter.showModal(later);
}

// Default puts every control back to its key's default: OK then writes what the
// first confirmation writes, but for the VBR quality.
TEST_F(OutputSettingsDialogTest, DefaultRestoresEveryControl)
{
    open([&](QDialog &) {
        changeEveryControl();
        click("btn_default");
        click("btn_ok");
    });
    QByteArray expected = kFirstConfirmation;
    expected.replace("vbr quality=9", "vbr quality=0");
    EXPECT_EQ(stored(), expected);
}

TEST_F(OutputSettingsDialogTest, DefaultThenCancelOrCloseBoxWritesNothing)
{
    const QByteArray before = "[mp3]\nbitrate=3\nvbr quality=7\n[wav]\nmode=1\n";
    store(before);
    open([&](QDialog &) {
        click("btn_default");
        EXPECT_EQ(list("cb_mp3_bitrate")->currentIndex(), 11);
        click("btn_cancel");
    });
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    open([&](QDialog &) {
        EXPECT_EQ(list("cb_mp3_bitrate")->currentIndex(), 3) << "unconfirmed changes are lost";
        click("btn_default");
    });  // left open: the prompter closes it by the close box
    EXPECT_EQ(stored(), before);
}

TEST_F(OutputSettingsDialogTest, DefaultThenOkStoresTheDefaultsWithVbrQualityZero)
{
    store("[mp3]\nbitrate=3\nchannel=0\nfrequency=12\nquality=2\nenable vbr=1\nvbr bitrate=1\nvbr "
          "quality=7\n"
          "[wav]\nmode=2\nbit=0\n[wma]\nformat=60\n[ogg]\nenable quality=0\nquality=12\nmin "
          "bitrate=0\n");
    open([&](QDialog &) {
        click("btn_default");
        // The enabling rules follow the values Default set.
        EXPECT_FALSE(list("cb_mp3_vbr")->isEnabled());
        EXPECT_FALSE(list("cb_wav_frequency")->isEnabled());
        EXPECT_TRUE(radio("rb_cdquality")->isChecked());
        EXPECT_FALSE(list("cb_ogg_minbit")->isEnabled());
        EXPECT_TRUE(edit("edt_ogg_quality")->isEnabled());
        EXPECT_EQ(edit("edt_mp3_vbr")->text(), "0");
        click("btn_ok");
    });
    QByteArray expected = kFirstConfirmation;
    expected.replace("vbr quality=9", "vbr quality=0");
    // Keys keep their places in the file; the ogg section's order was the hand-edited one.
    expected.replace(
        "[ogg]\nchannel=1\nfrequency=7\nbitrate=11\nmax bitrate=11\nmin bitrate=11\nenable "
        "quality=1\n"
        "quality=300\n",
        "[ogg]\nenable quality=1\nquality=300\nmin bitrate=11\nchannel=1\nfrequency=7\nbitrate=11\n"
        "max bitrate=11\n");
    EXPECT_EQ(stored(), expected);
}

TEST_F(OutputSettingsDialogTest, StoredWavModeTwoSelectsNeitherButtonAndStaysTwo)
{
    store("[wav]\nmode=2\n");
    open([&](QDialog &) {
        EXPECT_FALSE(radio("rb_cdquality")->isChecked());
        EXPECT_FALSE(radio("rb_custom")->isChecked());
        EXPECT_FALSE(list("cb_wav_frequency")->isEnabled());
        EXPECT_FALSE(list("cb_wav_bit")->isEnabled());
        EXPECT_FALSE(list("cb_wav_channel")->isEnabled());
        click("btn_ok");
    });
    EXPECT_TRUE(stored().startsWith("[wav]\nmode=2\nbit=1\nchannel=1\nfrequency=7\n[mp3]\n"))
        << stored().constData();

    open([&](QDialog &) {
        radio("rb_custom")->click();
        EXPECT_TRUE(list("cb_wav_bit")->isEnabled());
        click("btn_ok");
    });
    EXPECT_TRUE(stored().startsWith("[wav]\nmode=1\n"));
}

TEST_F(OutputSettingsDialogTest, StoredIndexOutsideItsListShowsNoSelectionAndOkWritesMinusOne)
{
    store("[mp3]\nfrequency=12\n[wma]\nformat=-3\n[ogg]\nchannel=2\n");
    open([&](QDialog &) {
        EXPECT_EQ(list("cb_mp3_frequency")->currentIndex(), -1);
        EXPECT_EQ(list("cb_mp3_frequency")->currentText(), "");
        EXPECT_EQ(list("cb_wma")->currentIndex(), -1);
        EXPECT_EQ(list("cb_ogg_channel")->currentIndex(), -1);
        click("btn_ok");
    });
    EXPECT_EQ(settings.readInteger("mp3", "frequency", 0), -1);
    EXPECT_EQ(settings.readInteger("wma", "format", 0), -1);
    EXPECT_EQ(settings.readInteger("ogg", "channel", 0), -1);
}

TEST_F(OutputSettingsDialogTest, DisabledControlsAreStoredToo)
{
    open([&](QDialog &) {
        list("cb_mp3_vbr")->setCurrentIndex(2);
        list("cb_wav_bit")->setCurrentIndex(0);
        list("cb_ogg_maxbit")->setCurrentIndex(16);
        ASSERT_FALSE(list("cb_mp3_vbr")->isEnabled());
        click("btn_ok");
    });
    EXPECT_EQ(settings.readInteger("mp3", "vbr bitrate", 0), 2);
    EXPECT_EQ(settings.readInteger("wav", "bit", 1), 0);
    EXPECT_EQ(settings.readInteger("ogg", "max bitrate", 0), 16);
}

TEST_F(OutputSettingsDialogTest, EnablingRulesFollowStatesSetFromCode)
{
    open([&](QDialog &) {
        check("cb_vbr")->setChecked(true);
        EXPECT_TRUE(list("cb_mp3_vbr")->isEnabled());
        EXPECT_TRUE(edit("edt_mp3_vbr")->isEnabled());
        EXPECT_TRUE(spin("ud_mp3_vbr")->isEnabled());
        check("cb_vbr")->setChecked(false);
        EXPECT_FALSE(spin("ud_mp3_vbr")->isEnabled());

        radio("rb_custom")->setChecked(true);
        EXPECT_TRUE(list("cb_wav_channel")->isEnabled());
        radio("rb_cdquality")->setChecked(true);
        EXPECT_FALSE(list("cb_wav_channel")->isEnabled());

        check("cb_ogg_quality")->click();
        EXPECT_FALSE(edit("edt_ogg_quality")->isEnabled());
        EXPECT_FALSE(spin("ud_ogg_quality")->isEnabled());
        EXPECT_TRUE(list("cb_ogg_minbit")->isEnabled());
        EXPECT_TRUE(list("cb_ogg_maxbit")->isEnabled());
        click("btn_cancel");
    });
}

TEST_F(OutputSettingsDialogTest, TypingAboveNineHundredNinetyNineGivesOneThousand)
{
    open([&](QDialog &) {
        QLineEdit *quality = edit("edt_ogg_quality");
        quality->clear();
        QTest::keyClicks(quality, "1500");
        EXPECT_EQ(spin("ud_ogg_quality")->position(), 1000);
        EXPECT_EQ(quality->text(), "1,000");
        click("btn_ok");
    });
    EXPECT_EQ(settings.readInteger("ogg", "quality", 0), 1000);
}

TEST_F(OutputSettingsDialogTest, EmptyOggQualityIsZeroAndShowsZeroOnLeaving)
{
    open([&](QDialog &) {
        QLineEdit *quality = edit("edt_ogg_quality");
        QTest::keyClick(quality, Qt::Key_End);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(quality, Qt::Key_Backspace);
        EXPECT_EQ(quality->text(), "");
        EXPECT_EQ(spin("ud_ogg_quality")->position(), 0);
        leave(quality);
        EXPECT_EQ(quality->text(), "0");
        EXPECT_EQ(spin("ud_ogg_quality")->position(), 0);
    });
}

TEST_F(OutputSettingsDialogTest, NumericEditsTakeDigitsAndBackspaceOnly)
{
    open([&](QDialog &) {
        check("cb_vbr")->setChecked(true);
        for (const char *name :
             {"edt_mp3_quality", "edt_mp3_vbr", "edt_ogg_quality", "edt_flac_level"}) {
            QLineEdit *numbers = edit(name);
            numbers->clear();
            QTest::keyClicks(numbers, "a -.,x");
            EXPECT_EQ(numbers->text(), "") << name;
            QTest::keyClicks(numbers, "b4");
            EXPECT_EQ(numbers->text(), "4") << name;
            QTest::keyClick(numbers, Qt::Key_Backspace);
            EXPECT_EQ(numbers->text(), "") << name;
        }
        // A typed digit is what OK stores.
        QTest::keyClicks(edit("edt_mp3_quality"), "3");
        EXPECT_EQ(edit("edt_mp3_quality")->text(), "3") << "one character only";
        QTest::keyClicks(edit("edt_mp3_quality"), "7");
        EXPECT_EQ(edit("edt_mp3_quality")->text(), "3");
        click("btn_ok");
    });
    EXPECT_EQ(settings.readInteger("mp3", "quality", -1), 3);
}

TEST_F(OutputSettingsDialogTest, PastedNonNumberIsReportedAndLeavesTheSpin)
{
    open([&](QDialog &) {
        QLineEdit *quality = edit("edt_ogg_quality");
        quality->selectAll();
        quality->insert("12a");  // as pasted: no key filter
        EXPECT_EQ(report.texts, QStringList({"'12a' is not a valid integer value"}));
        EXPECT_EQ(spin("ud_ogg_quality")->position(), 300);
        EXPECT_TRUE(dialog.isVisible());

        report.texts.clear();
        quality->selectAll();
        quality->insert("1,2,3");
        EXPECT_TRUE(report.texts.isEmpty());
        EXPECT_EQ(spin("ud_ogg_quality")->position(), 123) << "commas are removed";
        click("btn_ok");
    });
    EXPECT_EQ(settings.readInteger("ogg", "quality", 0), 123);
}

TEST_F(OutputSettingsDialogTest, SpinsStepWithinTheirRangesWithoutWrapping)
{
    store("[mp3]\nquality=8\n[ogg]\nquality=998\n");
    open([&](QDialog &) {
        QLineEdit *mp3 = edit("edt_mp3_quality");
        QTest::keyClick(mp3, Qt::Key_Up);
        EXPECT_EQ(mp3->text(), "9");
        QTest::keyClick(mp3, Qt::Key_Up);
        EXPECT_EQ(mp3->text(), "9");
        EXPECT_EQ(spin("ud_mp3_quality")->position(), 9);

        UpDown *ogg = spin("ud_ogg_quality");
        QToolButton *up = ogg->findChild<QToolButton *>("up");
        QToolButton *down = ogg->findChild<QToolButton *>("down");
        ASSERT_TRUE(up && down);
        up->click();
        up->click();
        up->click();
        EXPECT_EQ(ogg->position(), 1000);
        EXPECT_EQ(edit("edt_ogg_quality")->text(), "1,000");
        down->click();
        EXPECT_EQ(edit("edt_ogg_quality")->text(), "999");

        edit("edt_mp3_quality")->setText("0");
        QTest::keyClick(mp3, Qt::Key_Down);
        EXPECT_EQ(mp3->text(), "0");
        QTest::keyClick(mp3, Qt::Key_Up);
        EXPECT_EQ(spin("ud_mp3_quality")->position(), 1);
        click("btn_ok");
    });
    EXPECT_EQ(settings.readInteger("mp3", "quality", 0), 1);
    EXPECT_EQ(settings.readInteger("ogg", "quality", 0), 999);
}

TEST_F(OutputSettingsDialogTest, FailingWriteReportsAndKeepsTheDialogOpen)
{
    // A regular file where the settings folder should be: no write can succeed.
    store("x");
    Settings blocked(AppPaths::settingsFile() + "/vantorel.ini");
    blocked.open();
    OutputSettingsDialog blockedDialog(blocked, report);
    bool stillOpen = false;
    prompter.queueDialog([&](QDialog &shown) {
        shown.findChild<QPushButton *>("btn_ok")->click();
        stillOpen = shown.isVisible();
    });
    prompter.showModal(blockedDialog);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(report.texts, QStringList({"Unable to write to vantorel.ini"}))
        << "OK stops at the first failure";
    EXPECT_EQ(blockedDialog.result(), QDialog::Rejected);
}

}  // namespace
