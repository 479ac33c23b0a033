#include "dialogs/tagdialog.h"
#include "audio/audiofile.h"
#include "audio/tags/tagvalues.h"
#include "joinlist/joinlist.h"
#include "platform/apppaths.h"
#include "platform/errorreport.h"
#include "platform/messages.h"
#include "settings/settings.h"
#include "support/pictures.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <functional>

namespace {

class RecordingErrorReport : public ErrorReport {
public:
    void report(const std::exception &error) override { texts << QString::fromUtf8(error.what()); }
    QStringList texts;
};

class TagDialogTest : public testing::Test {
protected:
    void SetUp() override { settings.open(); }
    void TearDown() override
    {
        EXPECT_TRUE(errors.texts.isEmpty()) << qPrintable(errors.texts.join('\n'));
    }

    // Opens the dialog the way the main window does and runs the script while it is shown.
    void open(const std::function<void(TagDialog &)> &script)
    {
        prompter.queueDialog([&](QDialog &shown) { script(static_cast<TagDialog &>(shown)); });
        prompter.showModal(dialog);
        ASSERT_FALSE(dialog.isVisible());
    }

    QLineEdit *edit(const char *name) { return dialog.findChild<QLineEdit *>(QLatin1String(name)); }
    QComboBox *genre() { return dialog.findChild<QComboBox *>(QStringLiteral("cb_genre")); }
    QCheckBox *chapters() { return dialog.findChild<QCheckBox *>(QStringLiteral("cbx_chapters")); }
    QString storedChapters() const
    {
        return settings.readText(QStringLiteral("join"), QStringLiteral("chapters"), "none");
    }
    void click(const char *name) { dialog.findChild<QPushButton *>(QLatin1String(name))->click(); }

    void fillAll()
    {
        edit("edt_title")->setText(QStringLiteral("A Title"));
        edit("edt_artist")->setText(QStringLiteral("An Artist"));
        edit("edt_album")->setText(QStringLiteral("An Album"));
        edit("edt_year")->setText(QStringLiteral("1987"));
        edit("edt_track")->setText(QStringLiteral("42"));
        edit("edt_comment")->setText(QStringLiteral("A comment"));
        genre()->setCurrentIndex(17);
    }

    static TagValues someStoredValues()
    {
        TagValues values;
        values.title = QStringLiteral("Stored title");
        values.artist = QStringLiteral("Stored artist");
        values.album = QStringLiteral("Stored album");
        values.comment = QStringLiteral("Stored comment");
        values.genreText = QStringLiteral("Jazz");
        values.genreIndex = 8;
        values.year = 1970;
        values.track = 3;
        return values;
    }

    TagValues tags;
    Settings settings{AppPaths::settingsFile()};
    RecordingErrorReport errors;
    ScriptedPrompter prompter;
    // The first input's book tags, as the window reads them when the dialog opens.
    BookTags firstInput;
    QStringList inputs;
    TagDialog dialog{
        tags, settings, errors, prompter, [this] { return inputs; }, [this] { return firstInput; }};
};

TEST_F(TagDialogTest, IsAFixedDialogCaptionedId3WithTheGenreList)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ID3"));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    // The fields keep their places and widths; the cover column is added at their right.
    EXPECT_EQ(edit("edt_title")->geometry(), QRect(84, 12, 274, 22));
    EXPECT_GE(dialog.findChild<QLabel *>(QStringLiteral("lbl_cover"))->mapTo(&dialog, QPoint()).x(),
              374);
    EXPECT_TRUE(genre()->isEditable());
    ASSERT_EQ(genre()->count(), 148);
    EXPECT_EQ(genre()->itemText(0), QStringLiteral("Blues"));
    EXPECT_EQ(genre()->itemText(12), QStringLiteral("Other"));
    EXPECT_EQ(genre()->itemText(147), QStringLiteral("SynthPop"));
    EXPECT_EQ(edit("edt_track")->maxLength(), 2);
}

TEST_F(TagDialogTest, OpeningAfterStartShowsTheInitialValues)
{
    open([&](TagDialog &) {
        for (const char *name : {"edt_title", "edt_artist", "edt_album", "edt_comment"})
            EXPECT_EQ(edit(name)->text(), QString()) << name;
        EXPECT_EQ(edit("edt_year")->text(), QStringLiteral("2006"));
        EXPECT_EQ(edit("edt_track")->text(), QStringLiteral("0"));
        EXPECT_EQ(genre()->currentText(), QStringLiteral("Other"));
    });
}

TEST_F(TagDialogTest, OkStoresWhatWasEnteredAndReopeningShowsIt)
{
    open([&](TagDialog &) {
        fillAll();
        click("btn_ok");
    });
    EXPECT_EQ(tags.title, QStringLiteral("A Title"));
    EXPECT_EQ(tags.artist, QStringLiteral("An Artist"));
    EXPECT_EQ(tags.album, QStringLiteral("An Album"));
    EXPECT_EQ(tags.comment, QStringLiteral("A comment"));
    EXPECT_EQ(tags.year, 1987);
    EXPECT_EQ(tags.track, 42);
    EXPECT_EQ(tags.genreIndex, 17);
    EXPECT_EQ(tags.genreText, QStringLiteral("Rock"));

    open([&](TagDialog &) {
        EXPECT_EQ(edit("edt_title")->text(), QStringLiteral("A Title"));
        EXPECT_EQ(edit("edt_year")->text(), QStringLiteral("1987"));
        EXPECT_EQ(edit("edt_track")->text(), QStringLiteral("42"));
        EXPECT_EQ(genre()->currentIndex(), 17);
    });
}

TEST_F(TagDialogTest, EnterConfirmsAndEscapeCancels)
{
    open([&](TagDialog &) {
        edit("edt_title")->setText(QStringLiteral("Typed"));
        QTest::keyClick(edit("edt_album"), Qt::Key_Escape);
    });
    EXPECT_EQ(tags, TagValues());

    open([&](TagDialog &) {
        edit("edt_title")->setText(QStringLiteral("Typed"));
        QTest::keyClick(edit("edt_year"), Qt::Key_Return);
    });
    EXPECT_EQ(tags.title, QStringLiteral("Typed"));
}

TEST_F(TagDialogTest, OkWithTheInitialValuesFillsTheGenreText)
{
    open([&](TagDialog &) { click("btn_ok"); });
    EXPECT_EQ(tags.genreIndex, 12);
    EXPECT_EQ(tags.genreText, QStringLiteral("Other"));
    EXPECT_EQ(tags.year, 2006);
    EXPECT_EQ(tags.track, 0);
}

TEST_F(TagDialogTest, YearAndTrackThatDoNotConvertFallBack)
{
    struct Case {
        QString year;
        QString track;
        int expectedYear;
        int expectedTrack;
    };
    const Case cases[] = {
        {QString(), QString(), 2006, 0},
        {QStringLiteral("9999999999"), QStringLiteral("7"), 2006, 7},
        {QStringLiteral("2147483647"), QStringLiteral("99"), 2147483647, 99},
        // Pasted text passes the key filter.
        {QStringLiteral("19x5"), QStringLiteral("a1"), 2006, 0},
        {QStringLiteral("1999"), QStringLiteral("05"), 1999, 5},
    };
    for (const Case &c : cases) {
        tags = someStoredValues();
        open([&](TagDialog &) {
            edit("edt_year")->setText(c.year);
            edit("edt_track")->setText(c.track);
            click("btn_ok");
        });
        EXPECT_EQ(tags.year, c.expectedYear) << qPrintable(c.year);
        EXPECT_EQ(tags.track, c.expectedTrack) << qPrintable(c.track);
    }
}

TEST_F(TagDialogTest, YearAndTrackTakeOnlyTypedDigitsAndBackspace)
{
    open([&](TagDialog &) {
        QLineEdit *year = edit("edt_year");
        year->clear();
        QTest::keyClicks(year, QStringLiteral("1a9 b8-+.7"));
        EXPECT_EQ(year->text(), QStringLiteral("1987"));
        QTest::keyClick(year, Qt::Key_Backspace);
        EXPECT_EQ(year->text(), QStringLiteral("198"));

        QLineEdit *track = edit("edt_track");
        track->clear();
        QTest::keyClicks(track, QStringLiteral("x1y"));
        EXPECT_EQ(track->text(), QStringLiteral("1"));
        QTest::keyClicks(track, QStringLiteral("23"));
        EXPECT_EQ(track->text(), QStringLiteral("12"));

        // Other edits are not filtered.
        QLineEdit *title = edit("edt_title");
        QTest::keyClicks(title, QStringLiteral("a1"));
        EXPECT_EQ(title->text(), QStringLiteral("a1"));
        click("btn_ok");
    });
    EXPECT_EQ(tags.year, 198);
    EXPECT_EQ(tags.track, 12);
}

// Alt and AltGr (Ctrl+Alt) still type characters, and an input method commits
// text without a key press; none of it may bring letters into the two fields.
TEST_F(TagDialogTest, YearAndTrackRefuseLettersFromAltAltGrAndInputMethods)
{
    const auto commit = [](QLineEdit *edit, const QString &text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(edit, &event);
    };
    open([&](TagDialog &) {
        for (const char *name : {"edt_year", "edt_track"}) {
            QLineEdit *numbers = edit(name);
            numbers->clear();
            QTest::keyClick(numbers, 'a', Qt::AltModifier);
            QTest::sendKeyEvent(QTest::Click, numbers, Qt::Key_E, QStringLiteral("€"),
                                Qt::ControlModifier | Qt::AltModifier);
            QTest::keyClick(numbers, 'q', Qt::ControlModifier | Qt::AltModifier);
            commit(numbers, QStringLiteral("xy"));
            EXPECT_EQ(numbers->text(), QString()) << name;

            QTest::keyClick(numbers, '1');
            commit(numbers, QStringLiteral("2"));
            EXPECT_EQ(numbers->text(), QStringLiteral("12")) << name;
        }
        click("btn_ok");
    });
    EXPECT_EQ(tags.year, 12);
    EXPECT_EQ(tags.track, 12);
}

TEST_F(TagDialogTest, ResetEmptiesTheFieldsWithoutStoring)
{
    tags = someStoredValues();
    open([&](TagDialog &) {
        click("btn_reset");
        for (const char *name :
             {"edt_title", "edt_artist", "edt_album", "edt_year", "edt_track", "edt_comment"})
            EXPECT_EQ(edit(name)->text(), QString()) << name;
        EXPECT_EQ(genre()->currentIndex(), -1);
        EXPECT_TRUE(dialog.isVisible());
        click("btn_cancel");
    });
    EXPECT_EQ(tags, someStoredValues());
}

TEST_F(TagDialogTest, ResetThenOkStoresNoGenreAndTheFallBacks)
{
    tags = someStoredValues();
    open([&](TagDialog &) {
        click("btn_reset");
        click("btn_ok");
    });
    TagValues expected;
    expected.genreIndex = -1;
    expected.genreText = QString();
    EXPECT_EQ(tags, expected);

    // The stored "no genre" shows as no selection next time.
    open([&](TagDialog &) { EXPECT_EQ(genre()->currentIndex(), -1); });
}

TEST_F(TagDialogTest, CancelAndTheCloseBoxStoreNothing)
{
    tags = someStoredValues();
    open([&](TagDialog &) {
        fillAll();
        click("btn_cancel");
    });
    EXPECT_EQ(tags, someStoredValues());

    // A script that leaves the dialog open has it closed as by the close box.
    open([&](TagDialog &) { fillAll(); });
    EXPECT_EQ(tags, someStoredValues());

    open([&](TagDialog &) {
        EXPECT_EQ(edit("edt_title")->text(), QStringLiteral("Stored title"));
        EXPECT_EQ(edit("edt_track")->text(), QStringLiteral("3"));
        EXPECT_EQ(genre()->currentText(), QStringLiteral("Jazz"));
    });
}

// Unlike the tags, the switch lasts: it is stored in the settings file, on Ok only.
TEST_F(TagDialogTest, TheChapterSwitchIsStoredOnOkAndShownFromTheSettingsFile)
{
    const QRect comment = edit("edt_comment")->geometry();
    const QRect ok = dialog.findChild<QPushButton *>(QStringLiteral("btn_ok"))->geometry();
    EXPECT_GE(chapters()->y(), comment.bottom());
    EXPECT_LE(chapters()->geometry().bottom(), ok.top());
    EXPECT_EQ(chapters()->x(), comment.x());

    open([&](TagDialog &) {
        EXPECT_TRUE(chapters()->isChecked()) << "on while the file has no value";
        chapters()->setChecked(false);
        click("btn_reset");
        click("btn_cancel");
    });
    EXPECT_EQ(storedChapters(), "none");
    open([&](TagDialog &) {
        EXPECT_TRUE(chapters()->isChecked());
        chapters()->setChecked(false);
        click("btn_ok");
    });
    EXPECT_EQ(storedChapters(), "0");
    open([&](TagDialog &) {
        EXPECT_FALSE(chapters()->isChecked());
        chapters()->setChecked(true);
        click("btn_ok");
    });
    EXPECT_EQ(storedChapters(), "1");

    settings.writeText(QStringLiteral("join"), QStringLiteral("chapters"), "off");
    open([&](TagDialog &) { EXPECT_TRUE(chapters()->isChecked()) << "unreadable reads as on"; });
}

TEST_F(TagDialogTest, OkKeepsTheTagsWhenTheSettingsFileRefusesTheSwitch)
{
    settings.close();  // every write now fails as a read-only file makes it fail
    open([&](TagDialog &) {
        fillAll();
        chapters()->setChecked(false);
        click("btn_ok");
    });
    EXPECT_EQ(tags.title, QStringLiteral("A Title"));
    EXPECT_EQ(tags.genreIndex, 17);
    ASSERT_EQ(errors.texts.size(), 1);
    EXPECT_TRUE(errors.texts.first().contains(QFileInfo(settings.filePath()).fileName()));
    errors.texts.clear();
}

// "Chapters…" edits the list rows' titles, showing the rule's where none was
// set: Ok keeps what differs from the rule, Cancel nothing; no rows, no editor.
TEST_F(TagDialogTest, ChaptersEditsTheTitlesOfTheListRows)
{
    QTemporaryDir data;
    AudioFile probe;
    QTreeWidget lv;
    JoinList list(lv, prompter, settings, probe, probe);
    dialog.setChapterRows(list);
    open([&](TagDialog &) { click("btn_chapters"); });
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kAddFile});

    const auto tone = [&](const QString &name) {
        return Tones::write(data.filePath(name), ToneFormat::Wav16, 8000, 1, 0.2);
    };
    const QString tagged = tone("tagged.wav");
    Tones::setTitle(tagged, "From the tag");
    list.addPaths({tone("01 - Intro.wav"), tagged, tone("03_Outro.wav")});
    list.setChapterTitle(2, "Set before");
    const auto editTitles = [&](const QStringList &shown, const QStringList &typed,
                                const char *button) {
        open([&](TagDialog &) {
            prompter.queueDialog([&](QDialog &editor) {
                auto *table = editor.findChild<QTableWidget *>("tbl_chapters");
                for (int row = 0; row < table->rowCount(); ++row) {
                    EXPECT_EQ(table->item(row, 1)->text(), shown.value(row)) << row;
                    table->item(row, 1)->setText(typed.value(row));
                }
                editor.findChild<QPushButton *>(button)->click();
            });
            click("btn_chapters");
        });
    };
    editTitles({"Intro", "From the tag", "Set before"}, {"The Beginning", "From the tag", "  "},
               "btn_ok");
    EXPECT_EQ(list.chapterTitles(), QStringList({"The Beginning", "", ""}));
    editTitles({"The Beginning", "From the tag", "Outro"}, {"Not", "kept", "at all"}, "btn_cancel");
    EXPECT_EQ(list.chapterTitles(), QStringList({"The Beginning", "", ""}));
}

// Unset book tags show the first input's in grey and stay unset; a typed one is
// stored, and shown on reopening; Reset makes them unset again.
TEST_F(TagDialogTest, BookTagsShowTheFirstInputsUntilTyped)
{
    firstInput = {"First's album artist", "First's narrator", "First's description",
                  "First's series", "2"};
    QPlainTextEdit *description =
        dialog.findChild<QPlainTextEdit *>(QStringLiteral("edt_description"));
    open([&](TagDialog &) {
        EXPECT_EQ(edit("edt_album_artist")->placeholderText(), firstInput.albumArtist);
        EXPECT_EQ(edit("edt_series_part")->placeholderText(), firstInput.seriesPart);
        EXPECT_EQ(description->placeholderText(), firstInput.description);
        EXPECT_EQ(edit("edt_composer")->text(), QString());
        edit("edt_composer")->setText("Typed narrator");
        description->setPlainText("Line one\nline two");
        edit("edt_series_part")->setText("2.5");
        click("btn_ok");
    });
    EXPECT_EQ(tags.composer, "Typed narrator");
    EXPECT_EQ(tags.description, "Line one\nline two");
    EXPECT_EQ(tags.seriesPart, "2.5");
    EXPECT_EQ(tags.albumArtist, std::nullopt);
    EXPECT_EQ(tags.series, std::nullopt);

    open([&](TagDialog &) {
        EXPECT_EQ(edit("edt_composer")->text(), "Typed narrator");
        EXPECT_EQ(description->toPlainText(), "Line one\nline two");
        click("btn_reset");
        EXPECT_EQ(edit("edt_series_part")->text(), QString());
        click("btn_ok");
    });
    EXPECT_EQ(tags.composer, std::nullopt);
    EXPECT_EQ(tags.description, std::nullopt);
    EXPECT_EQ(tags.seriesPart, std::nullopt);
}

// A typed genre outside the list is taken as typed and shown so again; a typed
// caption of the list, in any case, is that genre.
TEST_F(TagDialogTest, TheGenreTakesTypedText)
{
    open([&](TagDialog &) {
        genre()->setEditText("Audiobook");
        QTest::keyClick(genre()->lineEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(tags.genreText, "Audiobook");
    EXPECT_EQ(tags.genreIndex, TagValues::kNoGenre);
    open([&](TagDialog &) {
        EXPECT_EQ(genre()->currentText(), "Audiobook");
        genre()->setEditText("jAZZ");
        click("btn_ok");
    });
    EXPECT_EQ(tags.genreText, "Jazz");
    EXPECT_EQ(tags.genreIndex, 8);
}

TEST(TagValuesTest, ResetRestoresTheInitialValues)
{
    TagValues values;
    values.title = values.artist = values.album = values.comment = values.genreText =
        QStringLiteral("x");
    values.genreIndex = -1;
    values.year = 0;
    values.track = 99;
    values.composer = QStringLiteral("x");
    values.seriesPart = QString();
    values.reset();
    EXPECT_EQ(values, TagValues());
    EXPECT_EQ(values.genreIndex, 12);
    EXPECT_EQ(values.year, 2006);
    EXPECT_EQ(values.track, 0);
    EXPECT_TRUE(values.title.isEmpty() && values.genreText.isEmpty() && values.comment.isEmpty());
}

}  // namespace

// The thumbnail shows the cover the next join carries: found beside the list's
// first file, chosen, or none; Ok stores the choice, Cancel drops it, Reset goes
// back to the automatic one, and a chosen file that is no picture is refused at once.
TEST_F(TagDialogTest, TheCoverIsChosenRemovedAndResetAndStoredOnOk)
{
    QTemporaryDir dir;
    inputs = {Tones::write(dir.filePath("01.wav"), ToneFormat::Wav16, 8000, 1, 0.1)};
    const QRgb red = qRgb(255, 0, 0);
    const QRgb blue = qRgb(0, 0, 255);
    Pictures::write(dir.filePath("Cover.PNG"), Pictures::encoded("PNG", red));
    const QString chosen =
        Pictures::write(dir.filePath("chosen.png"), Pictures::encoded("PNG", blue));
    const QString gif = Pictures::write(dir.filePath("anim.png"), Pictures::kGifHead);
    auto *thumbnail = dialog.findChild<QLabel *>(QStringLiteral("lbl_cover"));
    const auto shown = [&]() -> QVariant {
        const QImage image = thumbnail->pixmap().toImage();
        if (image.isNull())
            return thumbnail->text();
        return image.pixel(image.width() / 2, image.height() / 2);
    };

    open([&](TagDialog &) {
        EXPECT_EQ(shown(), QVariant(red));
        prompter.queueOpenFiles({gif});
        click("btn_cover_choose");
        EXPECT_TRUE(prompter.messages().join(' ').contains(gif))
            << qPrintable(prompter.messages().join(' '));
        EXPECT_EQ(shown(), QVariant(red));
        prompter.queueOpenFiles({chosen});
        click("btn_cover_choose");
        EXPECT_EQ(shown(), QVariant(blue));
        click("btn_ok");
    });
    EXPECT_EQ(tags.cover, CoverChoice::chosen(chosen));

    open([&](TagDialog &) {
        EXPECT_EQ(shown(), QVariant(blue));
        click("btn_cover_remove");
        EXPECT_EQ(shown(), QVariant(QStringLiteral("No cover")));
        click("btn_cancel");
    });
    EXPECT_EQ(tags.cover, CoverChoice::chosen(chosen));

    open([&](TagDialog &) {
        click("btn_cover_remove");
        click("btn_ok");
    });
    EXPECT_EQ(tags.cover, CoverChoice::none());

    open([&](TagDialog &) {
        click("btn_reset");
        EXPECT_EQ(shown(), QVariant(red));
        click("btn_ok");
    });
    EXPECT_EQ(tags.cover, CoverChoice());
    inputs.clear();
    open([&](TagDialog &) { EXPECT_EQ(shown(), QVariant(QStringLiteral("No cover"))); });
}
