#include "platform/apppaths.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { settings.open(); }

    void store(const QByteArray &content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray stored() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    int integerOf(const QByteArray &value, int defaultValue = -7)
    {
        store("[mp3]\nbitrate=" + value + "\n");
        return settings.readInteger("mp3", "bitrate", defaultValue);
    }

    QString path = AppPaths::settingsFile();
    Settings settings{path};
};

TEST_F(SettingsFileTest, LivesInTheConfigurationFolder)
{
    EXPECT_EQ(QFileInfo(path).fileName(), "vantorel.ini");
    EXPECT_EQ(QFileInfo(path).absolutePath(),
              QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).absolutePath());
}

TEST_F(SettingsFileTest, MissingFileSectionOrKeyGivesDefaults)
{
    EXPECT_EQ(settings.readText("join", "output directory", "dflt"), "dflt");
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 11), 11);
    EXPECT_TRUE(settings.readSwitch("ogg", "enable quality", true));
    EXPECT_FALSE(QFile::exists(path)) << "reading must not create the file";

    store("[mp3]\nchannel=0\n");
    EXPECT_EQ(settings.readInteger("wav", "channel", 1), 1);
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 11), 11);
    EXPECT_EQ(settings.readInteger("mp3", "channel", 1), 0);
}

TEST_F(SettingsFileTest, IntegerReadingRules)
{
    EXPECT_EQ(integerOf("12"), 12);
    EXPECT_EQ(integerOf("   42"), 42);
    EXPECT_EQ(integerOf("-5"), -5);
    EXPECT_EQ(integerOf("+5"), 5);
    EXPECT_EQ(integerOf("0x0B"), 11);
    EXPECT_EQ(integerOf("0X1f"), 31);
    EXPECT_EQ(integerOf("$ff"), 255);
    EXPECT_EQ(integerOf("-$10"), -16);
    EXPECT_EQ(integerOf("2147483647"), 2147483647);
    EXPECT_EQ(integerOf("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(integerOf("007"), 7);
}

TEST_F(SettingsFileTest, UnreadableIntegersGiveTheDefault)
{
    for (const QByteArray value :
         {"", "abc", "12abc", "1 2", "0x", "$", "-", "+-1", "0xG1", "1.5", "2147483648",
          "-2147483649", "0x80000000", "99999999999999999999"}) {
        EXPECT_EQ(integerOf(value), -7) << value.constData();
    }
}

TEST_F(SettingsFileTest, SwitchIsOnForEveryNumberButZero)
{
    store("[mp3]\na=1\nb=0\nc=2\nd=-1\ne=yes\nf=\n");
    EXPECT_TRUE(settings.readSwitch("mp3", "a", false));
    EXPECT_FALSE(settings.readSwitch("mp3", "b", true));
    EXPECT_TRUE(settings.readSwitch("mp3", "c", false));
    EXPECT_TRUE(settings.readSwitch("mp3", "d", false));
    EXPECT_TRUE(settings.readSwitch("mp3", "e", true));
    EXPECT_FALSE(settings.readSwitch("mp3", "e", false));
    EXPECT_TRUE(settings.readSwitch("mp3", "f", true));
}

TEST_F(SettingsFileTest, TextReadingRules)
{
    const QByteArray longText(3000, 'x');
    store("[join]\noutput directory=\nfile path=" + longText
          + "\nname =  spaced value  \nodd=a=b\n");
    EXPECT_EQ(settings.readText("join", "output directory", "dflt"), "")
        << "present but empty is empty";
    EXPECT_EQ(settings.readText("join", "file path", "dflt"), QString(2047, 'x'));
    EXPECT_EQ(settings.readText("join", "name", "dflt"), "spaced value");
    EXPECT_EQ(settings.readText("join", "odd", "dflt"), "a=b");
}

TEST_F(SettingsFileTest, NamesMatchWithoutCaseAndBlanks)
{
    store("  [ MP3 ]  \n  BitRate   =   0x0B  \n\t[Join]\n Output Directory = /music \n");
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 0), 11);
    EXPECT_EQ(settings.readText("join", "output directory", ""), "/music");
}

TEST_F(SettingsFileTest, FirstSectionAndFirstKeyWin)
{
    store("[mp3]\nbitrate=1\nbitrate=2\n[mp3]\nbitrate=3\nquality=4\n");
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 0), 1);
    EXPECT_EQ(settings.readInteger("mp3", "quality", 0), 0)
        << "the duplicate section is never searched";

    settings.writeInteger("mp3", "bitrate", 9);
    EXPECT_EQ(stored(), "[mp3]\nbitrate=9\nbitrate=2\n[mp3]\nbitrate=3\nquality=4\n");
}

TEST_F(SettingsFileTest, KeysBeforeAnySectionAndCommentsAreNotSettings)
{
    store("bitrate=5\n; bitrate=6\n[mp3]\n;bitrate=7\n# note\nbitrate\n");
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 11), 11);
}

TEST_F(SettingsFileTest, CrLfFilesReadAndKeepTheirLineEnds)
{
    store("[mp3]\r\nbitrate=3\r\n[ogg]\r\nquality=700\r\n");
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 0), 3);
    EXPECT_EQ(settings.readInteger("ogg", "quality", 0), 700);

    settings.writeInteger("mp3", "channel", 0);
    settings.writeInteger("wma", "format", 9);
    EXPECT_EQ(stored(),
              "[mp3]\r\nbitrate=3\r\nchannel=0\r\n[ogg]\r\nquality=700\r\n[wma]\r\nformat=9\r\n");
}

TEST_F(SettingsFileTest, FirstWriteCreatesTheFile)
{
    settings.writeText("join", "output directory", "/home/me/Music");
    settings.writeInteger("join", "format", 2);
    settings.writeSwitch("basic", "enable sub dir", true);
    settings.writeSwitch("basic", "enable sub dir", false);
    EXPECT_EQ(stored(),
              "[join]\noutput directory=/home/me/Music\nformat=2\n[basic]\nenable sub dir=0\n");
    EXPECT_EQ(settings.readText("join", "output directory", ""), "/home/me/Music");
}

TEST_F(SettingsFileTest, WritesKeepForeignLinesWhereTheyWere)
{
    store("; my notes\n[Other]\nkeep = me \n\n[MP3]\n; tuned by hand\nBitRate = "
          "4\nunknown=x\n\n[tail]\nz=1");
    settings.writeInteger("mp3", "bitrate", 13);
    settings.writeInteger("mp3", "quality", 2);
    settings.writeInteger("ogg", "quality", 300);
    EXPECT_EQ(stored(),
              "; my notes\n[Other]\nkeep = me \n\n[MP3]\n; tuned by hand\nBitRate=13\nunknown=x\n"
              "quality=2\n\n[tail]\nz=1\n[ogg]\nquality=300\n");
}

TEST_F(SettingsFileTest, LineBreaksInAValueCannotAddLines)
{
    settings.writeText("join", "output directory", "/a\n[mp3]\r\nbitrate=0");
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 11), 11);
    EXPECT_EQ(stored().count('\n'), 2);
}

TEST_F(SettingsFileTest, BadInputNeverCrashes)
{
    QByteArray garbage;
    for (int i = 0; i < 70000; ++i)
        garbage += char((i * 7919 + i / 13) & 0xff);
    garbage += "\n[mp3]\nbitrate=4\n";
    store(garbage);
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 0), 4);
    settings.writeInteger("mp3", "bitrate", 5);
    EXPECT_TRUE(stored().startsWith(garbage.left(70000))) << "foreign bytes are kept byte for byte";
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 0), 5);

    const QByteArray megaLine(1 << 20, 'q');
    store("[join]\noutput directory=" + megaLine + "\n" + megaLine + "\n[mp3]\nbitrate=6");
    EXPECT_EQ(settings.readText("join", "output directory", "").size(), 2047);
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 0), 6);
    settings.writeInteger("mp3", "quality", 1);
    EXPECT_TRUE(stored().endsWith("\n[mp3]\nbitrate=6\nquality=1\n"));

    store(QByteArray("[mp\0"
                     "3]\nbit\0rate=1\n",
                     17));
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 8), 8);
}

TEST_F(SettingsFileTest, ByteOrderMarkDoesNotHideTheFirstSection)
{
    store("\xEF\xBB\xBF[mp3]\nbitrate=2\n");
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 0), 2);
    settings.writeInteger("mp3", "bitrate", 3);
    EXPECT_EQ(stored(), "\xEF\xBB\xBF[mp3]\nbitrate=3\n");
}

TEST_F(SettingsFileTest, ReadIndexStaysInsideItsList)
{
    store("[mp3]\nfrequency=12\nchannel=-1\nbitrate=16\n");
    EXPECT_EQ(settings.readIndex("mp3", "frequency", 7, 9), 7);
    EXPECT_EQ(settings.readIndex("mp3", "channel", 1, 2), 1);
    EXPECT_EQ(settings.readIndex("mp3", "bitrate", 11, 17), 16);
    EXPECT_EQ(settings.readIndex("mp3", "bitrate", 11, 16), 11);
}

TEST_F(SettingsFileTest, OutsideOpenAndCloseReadsGiveDefaultsAndWritesFail)
{
    store("[mp3]\nbitrate=2\n");
    Settings closed(path);
    EXPECT_EQ(closed.readInteger("mp3", "bitrate", 11), 11);
    EXPECT_THROW(closed.writeInteger("mp3", "bitrate", 3), SettingsError);

    settings.close();
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 11), 11);
    EXPECT_THROW(settings.writeInteger("mp3", "bitrate", 3), SettingsError);
    EXPECT_EQ(stored(), "[mp3]\nbitrate=2\n");
}

TEST_F(SettingsFileTest, CreatesAMissingConfigurationFolder)
{
    const QString nested = QFileInfo(path).absolutePath() + "/deeper/still/vantorel.ini";
    Settings deeper(nested);
    deeper.open();
    deeper.writeInteger("join", "format", 1);
    EXPECT_EQ(deeper.readInteger("join", "format", 0), 1);
}

TEST_F(SettingsFileTest, WriteThatCannotBeDoneRaisesTheMessage)
{
    // A regular file where the folder should be, and a folder where the file should be.
    store("[mp3]\nbitrate=2\n");
    Settings underAFile(path + "/vantorel.ini");
    underAFile.open();
    try {
        underAFile.writeInteger("mp3", "bitrate", 3);
        FAIL() << "wrote below a regular file";
    } catch (const SettingsError &error) {
        EXPECT_STREQ(error.what(), "Unable to write to vantorel.ini");
    }
    EXPECT_EQ(stored(), "[mp3]\nbitrate=2\n");

    const QString folderPath = QFileInfo(path).absolutePath() + "/taken/vantorel.ini";
    QDir().mkpath(folderPath);
    Settings onAFolder(folderPath);
    onAFolder.open();
    EXPECT_EQ(onAFolder.readInteger("mp3", "bitrate", 11), 11);
    EXPECT_THROW(onAFolder.writeInteger("mp3", "bitrate", 3), SettingsError);
    EXPECT_TRUE(QFileInfo(folderPath).isDir());
}

// Permissions do not bind the superuser; these cases only mean something without it.
bool permissionsApply()
{
    QTemporaryDir dir;
    QFile probe(dir.path() + "/probe");
    probe.open(QIODevice::WriteOnly);
    probe.close();
    probe.setPermissions(QFileDevice::ReadOwner);
    return !probe.open(QIODevice::WriteOnly);
}

TEST_F(SettingsFileTest, UnwritableFileOrFolderRaisesTheMessage)
{
    if (!permissionsApply())
        GTEST_SKIP() << "running with permissions that ignore file modes";
    store("[mp3]\nbitrate=2\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    try {
        settings.writeInteger("mp3", "bitrate", 3);
        FAIL() << "a read-only file was written";
    } catch (const SettingsError &error) {
        EXPECT_STREQ(error.what(), "Unable to write to vantorel.ini");
    }
    EXPECT_EQ(stored(), "[mp3]\nbitrate=2\n");

    const QString folder = QFileInfo(path).absolutePath() + "/locked";
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    Settings locked(folder + "/vantorel.ini");
    locked.open();
    EXPECT_THROW(locked.writeInteger("mp3", "bitrate", 3), SettingsError);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(SettingsFileTest, FileTooLargeToBeSettingsIsRefusedAndNeverReplaced)
{
    constexpr qsizetype kBound = qsizetype(Settings::kMaxFileMiB) * 1024 * 1024;
    // A settings line, then blank lines past the bound: so many lines that
    // reading them all would take the memory.
    QByteArray content = "[mp3]\nbitrate=2\n";
    content += QByteArray(kBound + 1 - content.size(), '\n');
    store(content);
    Settings large(path);
    try {
        large.open();
        FAIL() << "a file past the bound was taken";
    } catch (const SettingsError &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(path)) << error.what();
    }
    EXPECT_EQ(large.readInteger("mp3", "bitrate", 11), 11);
    EXPECT_THROW(large.writeInteger("mp3", "bitrate", 3), SettingsError);
    EXPECT_EQ(stored(), content);

    // One byte less is still a settings file.
    content.chop(1);
    store(content);
    Settings atTheBound(path);
    atTheBound.open();
    EXPECT_EQ(atTheBound.readInteger("mp3", "bitrate", 11), 2);
}

TEST_F(SettingsFileTest, UnreadableFileIsNeitherReadNorReplaced)
{
    if (!permissionsApply())
        GTEST_SKIP() << "running with permissions that ignore file modes";
    store("[mp3]\nbitrate=2\n");
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    EXPECT_EQ(settings.readInteger("mp3", "bitrate", 11), 11);
    EXPECT_THROW(settings.writeInteger("mp3", "quality", 3), SettingsError);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(stored(), "[mp3]\nbitrate=2\n");
}

}  // namespace
