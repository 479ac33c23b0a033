// The join list without a window: admission with its messages and totals, Add
// File, the folder scan, the editing commands, and what its view takes from a
// drag, on files the tests write themselves. What the window does with the
// list's and the view's signals is tested with it.

#include "joinlist/joinlist.h"
#include "audio/audiofile.h"
#include "joinlist/joinlistview.h"
#include "platform/apppaths.h"
#include "platform/messages.h"
#include "settings/settings.h"
#include "support/dragstep.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUrl>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Kind = ScriptedPrompter::Kind;

class JoinListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid());
        settings.open();
    }

    // A short mono tone; lengths are what the tests look at, not the sound.
    QString tone(const QString &name, double seconds, int rate = 8000)
    {
        return Tones::write(dataPath(name), ToneFormat::Wav8, rate, 1, seconds);
    }

    QString notAudio(const QString &path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("These are notes, not music.\n");
        return path;
    }

    QString dataPath(const QString &name = QString()) const
    {
        return name.isEmpty() ? m_data.path() : m_data.filePath(name);
    }

    QStringList column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < lv.topLevelItemCount(); ++row)
            texts << lv.topLevelItem(row)->text(column);
        return texts;
    }

    QString totalTimeShown() const
    {
        return totalTimes.isEmpty() ? QStringLiteral("<not shown>")
                                    : totalTimes.last().first().toString();
    }

    void addFiles(const QStringList &files)
    {
        prompter.queueOpenFiles(files);
        list.addFile();
    }

    Qt::DropAction drag(QEvent::Type type, const QMimeData &mime, QPoint at,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction)
    {
        return dragStep(*lv.viewport(), type, mime, at, offered);
    }

    QString settingsText() const
    {
        QFile file(AppPaths::settingsFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // A PCM WAV file of 8-bit silence with any channel count, which the
    // program's own writer would refuse to make.
    QString wavWithChannels(const QString &name, int channels)
    {
        constexpr quint32 kRate = 8000;
        const QByteArray samples(qsizetype(kRate) * channels, '\x80');
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("RIFF", 4);
        out << quint32(36 + samples.size());
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << quint16(1) << quint16(channels) << kRate << quint32(kRate * channels)
            << quint16(channels) << quint16(8);
        out.writeRawData("data", 4);
        out << quint32(samples.size());
        out.writeRawData(samples.constData(), int(samples.size()));
        QFile file(dataPath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir m_data;
    ScriptedPrompter prompter;
    Settings settings{AppPaths::settingsFile()};
    AudioFile addFileProbe;
    AudioFile scanProbe;
    JoinListView lv;
    JoinList list{lv, prompter, settings, addFileProbe, scanProbe};
    QSignalSpy totalTimes{&list, &JoinList::totalTimeChanged};
};

}  // namespace

TEST_F(JoinListTest, RowsShowTruncatedSecondsAndTheTotalSumsTruncatedRows)
{
    const QString long59 = tone("long.wav", 59.9);
    const QString a = tone("a.wav", 1.5);
    const QString b = tone("b.wav", 1.5);
    addFiles({long59});
    EXPECT_EQ(column(JoinList::TimeColumn), QStringList{"00:00:59"});
    list.clear();
    addFiles({a, b});
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "b.wav"}));
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList({a, b}));
    EXPECT_EQ(column(JoinList::TimeColumn), QStringList({"00:00:01", "00:00:01"}));
    EXPECT_EQ(column(JoinList::StatusColumn), QStringList({"unconverted", "unconverted"}));
    EXPECT_EQ(list.totalSeconds(), 2);
    EXPECT_EQ(list.totalSamples(), 2 * 12000);
    EXPECT_EQ(totalTimeShown(), "00:00:02");
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(JoinListTest, SameFileTwiceDoublesBothTotals)
{
    const QString a = tone("a.wav", 2.0);
    addFiles({a, a});
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList({a, a}));
    EXPECT_EQ(list.totalSeconds(), 4);
    EXPECT_EQ(list.totalSamples(), 32000);
}

TEST_F(JoinListTest, BadFilesAreRefusedOneByOneAndTheRunGoesOn)
{
    const QString first = tone("first.wav", 1.0);
    const QString notes = notAudio(dataPath("notes.mp3"));
    const QString third = tone("third.wav", 2.0);
    const QString gone = dataPath("gone.wav");
    QSignalSpy starts(&list, &JoinList::admissionStarts);
    QSignalSpy ends(&list, &JoinList::admissionEnds);
    addFiles({first, notes, third, gone});
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList({first, third}));
    EXPECT_EQ(prompter.messages(), QStringList({notes + Messages::kInvalidAudioSuffix,
                                                gone + Messages::kFileRemovedSuffix}));
    EXPECT_EQ(prompter.kinds(), QList<Kind>({Kind::OpenDialog, Kind::Plain, Kind::Plain}));
    EXPECT_EQ(totalTimeShown(), "00:00:03");
    EXPECT_EQ(starts.count(), 1);
    EXPECT_EQ(ends.count(), 1);
}

TEST_F(JoinListTest, AddFileStartsInTheRememberedFolderAndRemembersTheNewOne)
{
    settings.writeText("join", "file path", "/srv/music");
    addFiles({tone("a.wav", 1.0)});
    EXPECT_EQ(prompter.lastOpenRequest().startFolder, "/srv/music");
    // The first line lists every input the list takes; each has a line of its own too.
    const QStringList filters = prompter.lastOpenRequest().nameFilters;
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_TRUE(filters.first().startsWith("All Supported Files"));
    for (const char *pattern : {"*.mp3", "*.wav", "*.wma", "*.ogg", "*.oga", "*.flac", "*.opus",
                                "*.m4a", "*.m4b", "*.aac", "*.aif", "*.aiff"}) {
        EXPECT_TRUE(filters.first().contains(pattern)) << pattern;
        EXPECT_EQ(filters.mid(1).filter(pattern).size(), 1) << pattern;
    }
    EXPECT_TRUE(settingsText().contains("file path=" + dataPath())) << settingsText().toStdString();
}

TEST_F(JoinListTest, CancelledOpenDialogChangesNothing)
{
    settings.writeText("join", "file path", "/srv/music");
    const QString before = settingsText();
    QSignalSpy starts(&list, &JoinList::admissionStarts);
    list.addFile();
    EXPECT_EQ(lv.topLevelItemCount(), 0);
    EXPECT_EQ(settingsText(), before);
    EXPECT_TRUE(totalTimes.isEmpty());
    EXPECT_TRUE(starts.isEmpty());
}

TEST_F(JoinListTest, AnAdmissionEndedByAnErrorStillSignalsItsEnd)
{
    // The settings file cannot be written: the admission fails at its first write.
    QFile::remove(AppPaths::settingsFile());
    QDir().mkpath(AppPaths::settingsFile());
    QSignalSpy ends(&list, &JoinList::admissionEnds);
    prompter.queueOpenFiles({tone("a.wav", 1.0)});
    EXPECT_THROW(list.addFile(), SettingsError);
    EXPECT_EQ(ends.count(), 1);
    QDir().rmdir(AppPaths::settingsFile());
}

TEST_F(JoinListTest, FolderScanTakesOnlyAcceptedNamesAndEntersSubFoldersWhenAsked)
{
    const QString root = dataPath("scan");
    QDir().mkpath(root + "/inner/deeper");
    Tones::write(root + "/SONG.MP3", ToneFormat::Mp3, 8000, 1, 0.5);
    Tones::write(root + "/one.wav", ToneFormat::Wav8, 8000, 1, 0.5);
    Tones::write(root + "/.hidden.wav", ToneFormat::Wav8, 8000, 1, 0.5);
    Tones::write(root + "/.mp3", ToneFormat::Wav8, 8000, 1, 0.5);
    QFile::copy(root + "/one.wav", root + "/song.mp3.bak");
    QFile::copy(root + "/one.wav", root + "/song.mp4");
    Tones::write(root + "/inner/two.ogg", ToneFormat::Ogg, 8000, 1, 0.5);
    Tones::write(root + "/inner/deeper/three.wav", ToneFormat::Wav8, 8000, 1, 0.5);

    list.addPath(root);
    QStringList names = column(JoinList::FileNameColumn);
    names.sort();
    EXPECT_EQ(names, QStringList({"SONG.MP3", "one.wav"}));
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();

    list.clear();
    settings.writeSwitch("basic", "enable sub dir", true);
    list.addPath(root);
    // Each folder's entries in natural order, a sub-folder's files where it falls.
    EXPECT_EQ(column(JoinList::FileNameColumn),
              QStringList({"three.wav", "two.ogg", "one.wav", "SONG.MP3"}));
    // Each finished folder shows the total so far.
    EXPECT_EQ(totalTimes.count(), 1 + 1 + 3);
}

TEST_F(JoinListTest, FolderScanAndSortByNameTakeNaturalNameOrder)
{
    const QString root = dataPath("book");
    QDir().mkpath(root + "/Chapter 9");
    QStringList expected;
    for (int chapter = 1; chapter <= 12; ++chapter)
        expected << QStringLiteral("%1-chapter.wav").arg(chapter, 2, 10, QLatin1Char('0'));
    for (const QString &name : expected)
        tone("book/" + name, 1.0);
    tone("book/Chapter 9/inside.wav", 2.0);
    tone("book/chapter 10.wav", 1.0);
    expected << "inside.wav"
             << "chapter 10.wav";
    settings.writeSwitch("basic", "enable sub dir", true);
    list.addPath(root);
    EXPECT_EQ(column(JoinList::FileNameColumn), expected);

    // Sort by Name puts rows built in any order back, each with its values.
    list.clear();
    const QStringList shuffled = {"12-chapter.wav", "chapter 10.wav", "02-chapter.wav",
                                  "Chapter 9/inside.wav", "01-chapter.wav"};
    QStringList paths;
    for (const QString &name : shuffled)
        paths << root + "/" + name;
    list.addPaths(paths);
    list.selectRow(3);  // inside.wav, two seconds long
    list.sortByName();
    EXPECT_EQ(column(JoinList::FileNameColumn),
              QStringList({"01-chapter.wav", "02-chapter.wav", "12-chapter.wav", "chapter 10.wav",
                           "inside.wav"}));
    EXPECT_EQ(list.selectedRow(), 4);
    EXPECT_EQ(list.admittedSamples(4), 16000);
    EXPECT_EQ(list.totalSamples(), 6 * 8000);
    list.removeFile();
    EXPECT_EQ(list.totalSamples(), 4 * 8000);
}

// What cannot be read is named, never left out in silence, and a name whose
// bytes are not UTF-8 never leads to the file whose name merely looks the same.
TEST_F(JoinListTest, EveryInputThatCannotBeReadIsNamed)
{
    const QString root = dataPath("odd");
    QDir().mkpath(root);
    const QString twin = tone(QStringLiteral("odd/b\uFFFD.wav"), 1.0);
    // Linked by its bytes: by text it would be the twin itself, and the
    // temporary folder could not remove it either.
    const QByteArray odd = QFile::encodeName(root) + "/b\xe9.wav";
    ASSERT_EQ(::link(QFile::encodeName(twin).constData(), odd.constData()), 0);
    const auto removeOdd = qScopeGuard([&] { ::unlink(odd.constData()); });
    const QString fifo = root + "/pipe.wav";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString nine = wavWithChannels("nine.wav", 9);
    const QString eight = wavWithChannels("eight.wav", 8);

    list.addPath(root);
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList{twin});
    EXPECT_EQ(prompter.messages(), QStringList({twin + Messages::kNameNotUtf8Suffix,
                                                fifo + Messages::kNotRegularFileSuffix}));

    prompter.clear();
    list.clear();
    addFiles({"/dev/zero", nine, eight});
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList{eight});
    EXPECT_EQ(prompter.messages(),
              QStringList({"/dev/zero" + Messages::kNotRegularFileSuffix,
                           Messages::kCannotJoinFormat.arg(nine).arg(9).arg(8000)}));

    // Dropped, the name that cannot be reached is told apart by its bytes.
    prompter.clear();
    list.clear();
    lv.resize(400, 200);
    lv.show();
    QMimeData mime;
    mime.setUrls(
        {QUrl::fromLocalFile(twin), QUrl::fromEncoded("file://" + odd.toPercentEncoding("/"))});
    QSignalSpy dropped(&lv, &JoinListView::pathsDropped);
    drag(QEvent::DragEnter, mime, {});
    drag(QEvent::Drop, mime, {});
    ASSERT_EQ(dropped.count(), 1);
    list.addPaths(dropped[0][0].toStringList(), dropped[0][1].toStringList());
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList{twin});
    EXPECT_EQ(prompter.messages(), QStringList{twin + Messages::kNameNotUtf8Suffix});

    // Modes are not checked for the superuser: the rest needs another one.
    if (geteuid() == 0)
        GTEST_SKIP() << "running with permissions that ignore file modes";
    prompter.clear();
    list.clear();
    const QString locked = root + "/locked";
    QDir().mkpath(locked);
    tone("odd/locked/inside.wav", 1.0);
    const QString unreadable = tone("odd/unreadable.wav", 1.0);
    QFile::setPermissions(locked, QFile::WriteOwner);
    QFile::setPermissions(unreadable, QFile::WriteOwner);
    settings.writeSwitch("basic", "enable sub dir", true);
    list.addPaths({root, locked + "/inside.wav"});
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(prompter.messages(),
              QStringList(
                  {twin + Messages::kNameNotUtf8Suffix, locked + Messages::kCannotReadSuffix,
                   fifo + Messages::kNotRegularFileSuffix, unreadable + Messages::kCannotReadSuffix,
                   locked + "/inside.wav" + Messages::kCannotReadSuffix}));
}

TEST_F(JoinListTest, FolderScanTakesTheLosslessOpusAacAndAiffNamesInAnyCase)
{
    const QString root = dataPath("formats");
    QDir().mkpath(root);
    const QList<std::pair<const char *, ToneFormat>> files = {
        {"a.flac", ToneFormat::Flac}, {"b.OGA", ToneFormat::OggFlac}, {"c.opus", ToneFormat::Opus},
        {"d.m4a", ToneFormat::M4a},   {"e.M4B", ToneFormat::M4b},     {"f.aac", ToneFormat::Adts},
        {"g.aif", ToneFormat::Aiff},  {"h.Aiff", ToneFormat::Aiff}};
    QStringList expected;
    for (const auto &[name, format] : files) {
        Tones::write(root + "/" + name, format, 48000, 1, 0.5);
        expected << name;
    }
    list.addPath(root);
    QStringList names = column(JoinList::FileNameColumn);
    names.sort();
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();
}

TEST_F(JoinListTest, FolderLinkBackUpTheTreeDoesNotMakeTheScanEndless)
{
    const QString root = dataPath("loop");
    QDir().mkpath(root + "/sub");
    Tones::write(root + "/sub/a.wav", ToneFormat::Wav8, 8000, 1, 0.5);
    ASSERT_TRUE(QFile::link(root, root + "/sub/back"));
    settings.writeSwitch("basic", "enable sub dir", true);
    list.addPath(root);
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList{"a.wav"});
}

TEST_F(JoinListTest, DroppedFilesAndFoldersAreAdmittedInTheirOrder)
{
    const QString folder = dataPath("folder");
    QDir().mkpath(folder);
    const QString inFolder = Tones::write(folder + "/b.wav", ToneFormat::Wav8, 8000, 1, 1.0);
    const QString a = tone("a.wav", 1.0), c = tone("c.wav", 1.0);
    const QString notes = notAudio(dataPath("notes.wav"));
    list.addPaths({a, folder, notes, c});
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList({a, inFolder, c}));
    EXPECT_EQ(prompter.messages(), QStringList{notes + Messages::kInvalidAudioSuffix});
    EXPECT_EQ(totalTimeShown(), "00:00:03");
}

TEST_F(JoinListTest, RemovingSelectsTheFollowingOrTheNewLastRow)
{
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 2.0), c = tone("c.wav", 3.0);
    addFiles({a, b, c});
    QSignalSpy removed(&list, &JoinList::rowRemoved);
    list.selectRow(1);
    list.removeFile();
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "c.wav"}));
    EXPECT_EQ(list.selectedRow(), 1);
    EXPECT_EQ(totalTimeShown(), "00:00:04");
    list.removeFile();
    EXPECT_EQ(list.selectedRow(), 0);
    list.removeFile();
    EXPECT_EQ(lv.topLevelItemCount(), 0);
    EXPECT_EQ(list.selectedRow(), -1);
    EXPECT_EQ(list.totalSamples(), 0);
    EXPECT_EQ(totalTimeShown(), "00:00:00");
    EXPECT_EQ(removed.count(), 3);
    EXPECT_EQ(removed.first().first().toInt(), 1);
    // Nothing selected: no row changes, the total is shown again.
    const qsizetype shown = totalTimes.count();
    list.removeFile();
    EXPECT_EQ(totalTimes.count(), shown + 1);
    EXPECT_EQ(removed.count(), 3);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(JoinListTest, RemovalTakesOffWhatWasAdmittedWhateverBecameOfTheFile)
{
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 2.0), c = tone("c.wav", 3.0);
    const QString d = tone("d.wav", 4.0);
    addFiles({a, b, c, d});
    QFile::remove(b);
    notAudio(c);         // damaged after admission
    tone("d.wav", 9.0);  // replaced by a longer file
    for (int i = 0; i < 3; ++i) {
        list.selectRow(1);
        list.removeFile();
    }
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList{"a.wav"});
    EXPECT_EQ(list.totalSamples(), 8000);
    EXPECT_EQ(list.totalSeconds(), 1);
    list.selectRow(0);
    list.removeFile();
    EXPECT_EQ(list.totalSamples(), 0);
    EXPECT_EQ(totalTimeShown(), "00:00:00");
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(JoinListTest, MovesExchangeWholeRowsAndSayWhich)
{
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 2.0), c = tone("c.wav", 3.0);
    addFiles({a, b, c});
    QSignalSpy exchanged(&list, &JoinList::rowsExchanged);
    list.setStatus(1, "Playing");
    list.selectRow(0);
    list.moveDown();
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"b.wav", "a.wav", "c.wav"}));
    EXPECT_EQ(column(JoinList::TimeColumn), QStringList({"00:00:02", "00:00:01", "00:00:03"}));
    EXPECT_EQ(column(JoinList::StatusColumn),
              QStringList({"Playing", "unconverted", "unconverted"}));
    EXPECT_EQ(list.selectedRow(), 1);
    list.moveUp();
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(list.selectedRow(), 0);
    // The first row cannot go up, the last cannot go down.
    list.moveUp();
    list.selectRow(2);
    list.moveDown();
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(exchanged.count(), 2);
    EXPECT_EQ(exchanged.at(0), QList<QVariant>({0, 1}));
    // A removal takes off the values that moved with the row.
    list.selectRow(0);
    list.removeFile();
    EXPECT_EQ(list.totalSeconds(), 5);
}

TEST_F(JoinListTest, ClearEmptiesTheListAndShowsZeroEvenWhenAlreadyEmpty)
{
    list.clear();
    EXPECT_EQ(totalTimeShown(), "00:00:00");
    addFiles({tone("a.wav", 2.0)});
    list.clear();
    EXPECT_EQ(lv.topLevelItemCount(), 0);
    EXPECT_EQ(list.totalSamples(), 0);
    EXPECT_EQ(list.totalSeconds(), 0);
    EXPECT_EQ(totalTimeShown(), "00:00:00");
}

TEST_F(JoinListTest, MovingARowCarriesItsValuesAndTheSelection)
{
    addFiles({tone("a.wav", 1.0), tone("b.wav", 2.0), tone("c.wav", 3.0)});
    list.moveRow(0, 2);
    list.moveRow(0, 3);  // no such place
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"b.wav", "c.wav", "a.wav"}));
    EXPECT_EQ(column(JoinList::TimeColumn), QStringList({"00:00:02", "00:00:03", "00:00:01"}));
    EXPECT_EQ(list.selectedRow(), 2);
    list.removeFile();  // takes off the values that moved with the row
    EXPECT_EQ(list.totalSeconds(), 5);
}

// A chapter title the user gave belongs to its row through moves, sorts,
// removals and rows added after it.
TEST_F(JoinListTest, ChapterTitlesStayWithTheirRows)
{
    addFiles({tone("c.wav", 1.0), tone("a.wav", 1.0), tone("b.wav", 1.0)});
    list.setChapterTitle(0, "Cee");
    list.setChapterTitle(2, "Bee");
    list.sortByName();
    EXPECT_EQ(list.chapterTitles(), QStringList({"", "Bee", "Cee"}));
    list.moveRow(2, 0);
    EXPECT_EQ(list.chapterTitles(), QStringList({"Cee", "", "Bee"}));
    list.selectRow(0);
    list.moveDown();
    list.selectRow(1);
    list.removeFile();
    addFiles({tone("d.wav", 1.0)});
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "b.wav", "d.wav"}));
    EXPECT_EQ(list.chapterTitles(), QStringList({"", "Bee", ""}));
}

TEST_F(JoinListTest, ViewShowsWhereADropLandsAndSignalsWhatItAsksFor)
{
    addFiles({tone("a.wav", 1.0), tone("b.wav", 1.0), tone("c.wav", 1.0)});
    lv.resize(400, 200);
    lv.show();
    QSignalSpy moves(&lv, &JoinListView::rowMoveRequested);
    QSignalSpy dropped(&lv, &JoinListView::pathsDropped);
    const std::unique_ptr<QMimeData> first(lv.rowDragData(0));
    const QRect second = lv.visualItemRect(lv.topLevelItem(1));
    EXPECT_EQ(drag(QEvent::DragEnter, *first, second.topLeft()), Qt::MoveAction);
    EXPECT_EQ(lv.dropPlace(), 1);
    // A line in the list's selection colour between the first and the second row.
    EXPECT_EQ(lv.viewport()->grab().toImage().pixelColor(second.center().x(), second.top()).name(),
              lv.palette().color(QPalette::Highlight).name());
    drag(QEvent::Drop, *first, second.bottomLeft());
    EXPECT_EQ(lv.dropPlace(), -1);
    ASSERT_EQ(moves.count(), 1);
    EXPECT_EQ(moves.first(), QList<QVariant>({0, 1}));

    // Files are copied, never moved away, and land at the end wherever let go.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(dataPath()), QUrl("https://example.org/d.mp3")});
    EXPECT_EQ(drag(QEvent::DragEnter, files, second.topLeft(), Qt::MoveAction | Qt::CopyAction),
              Qt::CopyAction);
    EXPECT_EQ(lv.dropPlace(), 3);
    drag(QEvent::Drop, files, second.topLeft());
    EXPECT_EQ(dropped.first().first().toStringList(), QStringList{dataPath()});

    // The owner is asked again at the drop; another list's rows are never taken.
    bool welcome = true;
    lv.setDropGate({{}, [&] { return welcome; }});
    drag(QEvent::DragEnter, *first, second.bottomLeft());
    welcome = false;
    EXPECT_EQ(drag(QEvent::Drop, *first, second.bottomLeft()), Qt::IgnoreAction);
    const std::unique_ptr<QMimeData> foreign(JoinListView().rowDragData(0));
    EXPECT_EQ(drag(QEvent::DragEnter, *foreign, second.topLeft()), Qt::IgnoreAction);
    EXPECT_EQ(moves.count(), 1);
}
