// The preview player through the main window, on the silent output: status
// words, messages, flags and the player's part of the menu enabling.

#include "mainwindowfixture.h"

#include "audio/audiofile.h"
#include "joinlist/joinlist.h"
#include "platform/messages.h"
#include "support/tones.h"

#include <QAction>
#include <QFile>
#include <QTest>
#include <QTreeWidget>

namespace {

class PlayerTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        qputenv("VANTOREL_SILENT_AUDIO", "1");
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        qunsetenv("VANTOREL_SILENT_AUDIO");
    }

    QString tone(const QString &name, double seconds)
    {
        return Tones::write(dataPath(name), ToneFormat::Wav16, 22050, 2, seconds);
    }

    void admit(const QStringList &files)
    {
        prompter.queueOpenFiles(files);
        window().AddFile1Click();
    }

    JoinList &list() { return window().joinList(); }
    const MenuItems &items() { return window().menuItems(); }

    void doubleClickRow(int row)
    {
        QTreeWidget *lv = window().lv();
        list().selectRow(row);
        const QPoint point = lv->visualItemRect(lv->topLevelItem(row)).center();
        // As the user does it: the first click selects, the second is the double click.
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, point);
    }

    void expectStoppedMenus()
    {
        EXPECT_FALSE(items().Pause1->isEnabled());
        EXPECT_FALSE(items().Pause2->isEnabled());
        EXPECT_FALSE(items().Stopplay1->isEnabled());
        EXPECT_FALSE(items().StopPlaying1->isEnabled());
        EXPECT_TRUE(items().Join1->isEnabled());
        EXPECT_TRUE(items().Clear2->isEnabled());
    }
};

}  // namespace

TEST_F(PlayerTest, PlayWithAnEmptyListOrNothingPlayingDoesNothing)
{
    Tfm_main &main = showWindow();
    main.Play1Click();
    main.Pause1Click();
    main.Stopplay1Click();
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_FALSE(main.busy().Playing);
}

TEST_F(PlayerTest, PlayWithoutASelectionAsksForOneOnlyWhileStopped)
{
    Tfm_main &main = showWindow();
    admit({tone("a.wav", 5.0), tone("b.wav", 5.0)});
    main.lv()->clearSelection();
    main.Play1Click();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kSelectFileToPlay});
    list().selectRow(1);
    main.Play1Click();
    ASSERT_EQ(list().status(1), "Playing");
    main.lv()->clearSelection();
    main.Play1Click();
    EXPECT_EQ(list().status(1), "Playing");
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(main.busy().Playing);
    EXPECT_TRUE(items().Pause1->isEnabled());
    EXPECT_FALSE(items().Join1->isEnabled());
    EXPECT_FALSE(items().Clear1->isEnabled());
    main.Stopplay1Click();
}

TEST_F(PlayerTest, DeletedFileIsNamedAndAReplacedPreviewEndsTheState)
{
    Tfm_main &main = showWindow();
    const QString a = tone("a.wav", 5.0), b = tone("b.wav", 5.0);
    admit({a, b});
    QFile::remove(b);
    list().selectRow(1);
    main.Play1Click();
    EXPECT_EQ(prompter.messages(), QStringList{b + Messages::kPlayFileRemovedSuffix});
    EXPECT_FALSE(main.busy().Playing);

    list().selectRow(0);
    main.Play1Click();
    ASSERT_TRUE(main.busy().Playing);
    list().selectRow(1);
    main.Play1Click();
    EXPECT_EQ(list().status(0), "Stop playing");
    EXPECT_FALSE(main.busy().Playing);
    EXPECT_FALSE(main.busy().Paused);
    expectStoppedMenus();
}

TEST_F(PlayerTest, PauseThenPlayResumes)
{
    Tfm_main &main = showWindow();
    admit({tone("a.wav", 5.0)});
    list().selectRow(0);
    main.Play1Click();
    main.Pause1Click();
    EXPECT_EQ(list().status(0), "Paused");
    EXPECT_TRUE(main.busy().Paused);
    EXPECT_FALSE(items().Pause1->isEnabled());
    EXPECT_TRUE(items().Stopplay1->isEnabled());
    main.Play1Click();
    EXPECT_EQ(list().status(0), "Playing");
    EXPECT_FALSE(main.busy().Paused);
    EXPECT_TRUE(items().Pause1->isEnabled());
    EXPECT_TRUE(items().Pause2->isEnabled());
    // The skin's Pause resumes too.
    main.Pause1Click();
    main.SkinClick("Pause");
    EXPECT_EQ(list().status(0), "Playing");
    main.Stopplay1Click();
}

TEST_F(PlayerTest, PauseThenStopPlayingEndsThePreview)
{
    Tfm_main &main = showWindow();
    admit({tone("a.wav", 5.0)});
    list().selectRow(0);
    main.Play1Click();
    main.Pause1Click();
    main.Stopplay1Click();
    EXPECT_EQ(list().status(0), "Stop playing");
    EXPECT_FALSE(main.busy().Playing);
    EXPECT_FALSE(main.busy().Paused);
    EXPECT_FALSE(main.AudioFileRead().IsOpen());
    expectStoppedMenus();
}

TEST_F(PlayerTest, DoubleClickOnAnotherRowStartsItAndTheOldRowKeepsItsWord)
{
    Tfm_main &main = showWindow();
    admit({tone("a.wav", 5.0), tone("b.wav", 5.0), tone("c.wav", 5.0)});
    doubleClickRow(0);
    ASSERT_EQ(list().status(0), "Playing");
    doubleClickRow(1);
    EXPECT_EQ(list().status(0), "Playing");
    EXPECT_EQ(list().status(1), "Playing");
    EXPECT_EQ(main.PlayingRow, 1);
    main.Pause1Click();
    doubleClickRow(2);
    EXPECT_EQ(list().status(1), "Paused");
    EXPECT_EQ(list().status(2), "Playing");
    EXPECT_EQ(main.PlayingRow, 2);
    EXPECT_FALSE(main.busy().Paused);
    EXPECT_TRUE(items().Pause1->isEnabled());
    main.Stopplay1Click();
}

TEST_F(PlayerTest, DoubleClickOnAMissingFileEndsThePreview)
{
    Tfm_main &main = showWindow();
    const QString a = tone("a.wav", 5.0), b = tone("b.wav", 5.0);
    admit({a, b});
    doubleClickRow(0);
    ASSERT_TRUE(main.busy().Playing);
    QFile::remove(b);
    doubleClickRow(1);
    EXPECT_EQ(prompter.messages(), QStringList{b + Messages::kPlayFileRemovedSuffix});
    EXPECT_FALSE(main.busy().Playing);
    EXPECT_EQ(list().status(0), "Stop playing");
    expectStoppedMenus();
}

TEST_F(PlayerTest, DoubleClickWhileJoiningSaysSo)
{
    Tfm_main &main = showWindow();
    admit({tone("a.wav", 1.0)});
    main.busy().Joining = true;
    doubleClickRow(0);
    main.busy().Joining = false;
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kStopConvertingFirst});
    EXPECT_EQ(list().status(0), "unconverted");
}

TEST_F(PlayerTest, FilePlayedToItsEndStopsByItself)
{
    Tfm_main &main = showWindow();
    admit({tone("a.wav", 0.3)});
    list().selectRow(0);
    main.Play1Click();
    QTRY_COMPARE_WITH_TIMEOUT(list().status(0), QString("Stop playing"), 5000);
    EXPECT_FALSE(main.busy().Playing);
    EXPECT_FALSE(main.AudioFileRead().IsOpen());
    expectStoppedMenus();
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(PlayerTest, AddFileDuringAPreviewKeepsItPlaying)
{
    Tfm_main &main = showWindow();
    admit({tone("a.wav", 5.0)});
    list().selectRow(0);
    main.Play1Click();
    admit({tone("b.wav", 1.0), tone("c.wav", 1.0)});
    EXPECT_EQ(main.lv()->topLevelItemCount(), 3);
    EXPECT_TRUE(main.busy().Playing);
    EXPECT_EQ(list().status(0), "Playing");
    // Admission gives back Play but Join and Clear still wait for the preview.
    EXPECT_TRUE(items().Join1->isEnabled());
    main.Join1Click();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kStopPlayingFirst});
    main.Stopplay1Click();
}
