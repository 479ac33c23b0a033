// The window's side of the join list: the admission state and its menu items,
// the guards of the list commands, the "Total time" element, the playing row
// kept on the playing file while rows move, drops on the list, and the files
// named on the command line.

#include "mainwindowfixture.h"

#include "dialogs/folderdialog.h"
#include "joinlist/joinlist.h"
#include "platform/messages.h"
#include "player/menuactions.h"
#include "player/previewplayer.h"
#include "skin/skinitem.h"
#include "support/dragstep.h"
#include "support/tones.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <memory>

namespace {

class ListCommandsTest : public MainWindowTest {
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
        return Tones::write(dataPath(name), ToneFormat::Wav8, 8000, 1, seconds);
    }

    void addFiles(const QStringList &files)
    {
        prompter.queueOpenFiles(files);
        window().addFiles();
    }

    QString totalTimeShown()
    {
        auto *element = dynamic_cast<SkinItem *>(window().totalTimeElement());
        return element ? element->text() : QStringLiteral("<no element>");
    }

    void play(int row)
    {
        window().joinList().selectRow(row);
        window().play();
        ASSERT_TRUE(window().busy().playing());
    }

    // Drags onto the list and lets go at the same place, then lets the window
    // do what the drop asked for; whether the list took the drag.
    bool dropOnList(const QMimeData &mime, QPoint at = {})
    {
        QWidget &viewport = *window().listView()->viewport();
        const bool taken = dragStep(viewport, QEvent::DragEnter, mime, at) != Qt::IgnoreAction
                           && dragStep(viewport, QEvent::Drop, mime, at) != Qt::IgnoreAction;
        QCoreApplication::processEvents();
        return taken;
    }

    bool dropFiles(const QStringList &paths)
    {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        QMimeData mime;
        mime.setUrls(urls);
        return dropOnList(mime);
    }
};

}  // namespace

TEST_F(ListCommandsTest, AdmissionLocksItsItemsAndGivesThemBackEvenAfterAnError)
{
    MainWindow &main = showWindow();
    bool lockedMeanwhile = false;
    prompter.onMessage([&](const QString &) {
        lockedMeanwhile = main.busy().adding() && !main.menuActions().addFile->isEnabled()
                          && !main.menuActions().play->isEnabled();
    });
    addFiles({dataPath("missing.wav")});
    EXPECT_TRUE(lockedMeanwhile);
    EXPECT_TRUE(main.menuActions().addFile->isEnabled());
    EXPECT_EQ(totalTimeShown(), "00:00:00");

    // The settings file cannot be written: the admission fails at its first write.
    QFile::remove(settingsPath());
    QDir().mkpath(settingsPath());
    prompter.clear();
    prompter.queueOpenFiles({tone("a.wav", 1.0)});
    main.menuActions().addFile->trigger();
    EXPECT_EQ(prompter.messages(), QStringList{"Unable to write to vantorel.ini"});
    EXPECT_FALSE(main.busy().adding());
    EXPECT_TRUE(main.menuActions().addFile->isEnabled());
    EXPECT_TRUE(main.menuActions().play->isEnabled());
    QDir().rmdir(settingsPath());
}

TEST_F(ListCommandsTest, AddFileDuringAnAdmissionKeepsTheItemsLockedUntilBothEnd)
{
    MainWindow &main = showWindow();
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 1.0), c = tone("c.wav", 1.0);
    const QString d = tone("d.wav", 1.0);
    prompter.queueOpenFiles({a, b, c});
    prompter.queueOpenFiles({d});
    bool nested = false;
    bool unlockedTooEarly = false;
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (!nested) {
            nested = true;
            main.runSkinCommand("Add");
        } else if (!main.busy().adding() || main.menuActions().addPath->isEnabled()) {
            unlockedTooEarly = true;
        }
    });
    during.start(0);
    main.addFiles();
    during.stop();
    ASSERT_TRUE(nested);
    EXPECT_FALSE(unlockedTooEarly);
    EXPECT_EQ(main.listView()->topLevelItemCount(), 4);
    EXPECT_FALSE(main.busy().adding());
    EXPECT_TRUE(main.menuActions().addPath->isEnabled());
}

TEST_F(ListCommandsTest, AddPathScansTheChosenFolderWithTheDialogsSwitch)
{
    MainWindow &main = showWindow();
    const QString root = dataPath("scan");
    QDir().mkpath(root + "/inner");
    tone("scan/one.wav", 1.0);
    tone("scan/inner/two.wav", 1.0);
    prompter.queueDialog([=](QDialog &dialog) {
        auto &dir = static_cast<FolderDialog &>(dialog);
        EXPECT_TRUE(dir.subFolderCheck()->isVisible());
        dir.subFolderCheck()->setChecked(true);
        dir.selectFolder(root);
        dialog.findChild<QPushButton *>("btn_ok")->click();
    });
    main.addPath();
    EXPECT_EQ(main.listView()->topLevelItemCount(), 2);
    EXPECT_EQ(totalTimeShown(), "00:00:02");
    EXPECT_TRUE(settingsText().contains("enable sub dir=1"));
}

TEST_F(ListCommandsTest, AddPathWaitsWhilePlayingOrAdding)
{
    MainWindow &main = showWindow();
    main.busy().beginPreview();
    main.addPath();
    main.busy().endPreview();
    main.busy().beginAdding();
    main.addPath();
    main.busy().endAdding();
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(ListCommandsTest, RemovingThePlayingRowIsRefusedAndRowsMovingKeepThePlayingFile)
{
    MainWindow &main = showWindow();
    const QString a = tone("a.wav", 5.0), b = tone("b.wav", 5.0), c = tone("c.wav", 5.0);
    addFiles({a, b, c});
    play(2);
    main.removeFile();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kStopPlayingFirst});
    EXPECT_EQ(main.listView()->topLevelItemCount(), 3);
    main.joinList().selectRow(0);
    main.removeFile();
    EXPECT_EQ(main.playingRow(), 1);
    main.joinList().selectRow(0);
    main.runSkinCommand("Down");
    EXPECT_EQ(main.playingRow(), 0);
    main.runSkinCommand("Up");
    EXPECT_EQ(main.playingRow(), 1);
    main.stopPlaying();
    EXPECT_EQ(main.joinList().fullPath(1), c);
    EXPECT_EQ(main.joinList().status(1), "Stop playing");
}

TEST_F(ListCommandsTest, ClearSaysWhyItWaitsAndShowsZero)
{
    MainWindow &main = showWindow();
    window().totalTimeElement()->setText("12:34:56");
    main.clearList();
    EXPECT_EQ(totalTimeShown(), "00:00:00");
    addFiles({tone("a.wav", 2.0)});
    play(0);
    main.clearList();
    EXPECT_EQ(main.listView()->topLevelItemCount(), 1);
    main.stopPlaying();
    main.busy().beginJoin();
    main.clearList();
    main.busy().cancelJoin();
    EXPECT_EQ(prompter.messages(),
              QStringList({Messages::kStopPlayingFirst, Messages::kStopConvertingFirst}));
    main.clearList();
    EXPECT_EQ(main.listView()->topLevelItemCount(), 0);
    EXPECT_EQ(totalTimeShown(), "00:00:00");
}

TEST_F(ListCommandsTest, AddFileDuringAPreviewKeepsItPlaying)
{
    MainWindow &main = showWindow();
    addFiles({tone("a.wav", 5.0)});
    play(0);
    addFiles({tone("b.wav", 1.0), tone("c.wav", 1.0)});
    EXPECT_EQ(main.listView()->topLevelItemCount(), 3);
    EXPECT_TRUE(main.busy().playing());
    EXPECT_EQ(main.joinList().status(0), "Playing");
    // Admission gives back Play but Join and Clear still wait for the preview.
    EXPECT_TRUE(main.menuActions().join->isEnabled());
    main.join();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kStopPlayingFirst});
    main.stopPlaying();
    EXPECT_FALSE(main.menuActions().pause->isEnabled());
    EXPECT_FALSE(main.menuActions().stopPlaying->isEnabled());
    EXPECT_TRUE(main.menuActions().clear->isEnabled());
}

TEST_F(ListCommandsTest, DroppedFilesAndFoldersAreAdmittedInOrderUnlessBusy)
{
    MainWindow &main = showWindow();
    QDir().mkpath(dataPath("folder"));
    const QString a = tone("a.wav", 1.0), b = tone("folder/b.wav", 1.0), c = tone("c.wav", 2.0);
    const QString gone = dataPath("gone.wav");
    main.busy().beginJoin();
    EXPECT_FALSE(dropFiles({a}));
    main.busy().cancelJoin();
    main.busy().beginAdding();
    EXPECT_FALSE(dropFiles({a}));
    main.busy().endAdding();
    EXPECT_TRUE(dropFiles({a, dataPath("folder"), gone, c}));
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({a, b, c}));
    EXPECT_EQ(prompter.messages(), QStringList{gone + Messages::kFileRemovedSuffix});
    EXPECT_EQ(totalTimeShown(), "00:00:04");
    // While playing, files but no folder: the scan would read on the preview's reader.
    play(0);
    EXPECT_FALSE(dropFiles({dataPath("folder")}));
    EXPECT_TRUE(dropFiles({a}));
    EXPECT_EQ(main.listView()->topLevelItemCount(), 4);
    EXPECT_TRUE(main.busy().playing());
}

TEST_F(ListCommandsTest, ARowDraggedToANewPlaceTakesThePlayingRowAndTheSelectionAlong)
{
    MainWindow &main = showWindow();
    const QString a = tone("a.wav", 5.0), b = tone("b.wav", 1.0), c = tone("c.wav", 2.0);
    addFiles({a, b, c});
    play(0);
    const std::unique_ptr<QMimeData> first(main.listView()->rowDragData(0));
    EXPECT_TRUE(dropOnList(*first, main.listView()->viewport()->rect().bottomLeft()));
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({b, c, a}));
    EXPECT_EQ(main.playingRow(), 2);
    EXPECT_EQ(main.joinList().selectedRow(), 2);
    EXPECT_EQ(main.joinList().totalSeconds(), 8);
    main.busy().beginJoin();
    const std::unique_ptr<QMimeData> last(main.listView()->rowDragData(2));
    EXPECT_FALSE(dropOnList(*last));
    main.busy().cancelJoin();
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({b, c, a}));
}

// Sort by Name and the list's keys move rows as Up and Down do: the playing
// row follows its file; Delete and the moves act from the list only.
TEST_F(ListCommandsTest, SortByNameAndTheListKeysMoveRowsAsTheCommandsDo)
{
    MainWindow &main = showWindow();
    const QString a = tone("a10.wav", 1.0), b = tone("a9.wav", 2.0), c = tone("B.wav", 5.0);
    addFiles({c, a, b});
    play(0);
    main.menuActions().sortByName->trigger();
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({b, a, c}));
    EXPECT_EQ(main.playingRow(), 2);
    EXPECT_EQ(main.joinList().totalSeconds(), 8);
    main.stopPlaying();

    QTreeWidget *lv = main.listView();
    lv->setFocus();
    main.joinList().selectRow(0);
    QTest::keyClick(lv, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({a, b, c}));
    EXPECT_EQ(main.joinList().selectedRow(), 1);
    QTest::keyClick(lv, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({b, a, c}));
    EXPECT_EQ(main.joinList().selectedRow(), 0);
    QTest::keyClick(main.fileNameEdit(), Qt::Key_Delete);
    EXPECT_EQ(main.listView()->topLevelItemCount(), 3);
    QTest::keyClick(lv, Qt::Key_Delete);
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({a, c}));
    EXPECT_EQ(main.joinList().totalSeconds(), 6);

    prompter.queueOpenFiles({b});
    QTest::keyClick(lv, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({a, c, b}));
    main.busy().beginJoin();
    main.sortByName();
    main.busy().cancelJoin();
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({a, c, b}));
}

TEST_F(ListCommandsTest, FilesNamedOnTheCommandLineAreAdmittedOnceTheWindowIsUp)
{
    const QString a = tone("a.wav", 1.0);
    const QString gone = dataPath("-gone.wav");
    // Named twice: once by the bytes of a name that is no UTF-8, which read as
    // this file's name, once by its own.
    const QString twin = tone("b\uFFFD.wav", 1.0);
    MainWindow &main = window();
    main.admitAtFirstShow(
        {"vantorel", "--an-option", QDir::current().relativeFilePath(a), twin, twin, "--", gone},
        {twin});
    EXPECT_EQ(main.listView()->topLevelItemCount(), 0);
    bool afterFirstShow = false;
    prompter.onMessage([&](const QString &) {
        afterFirstShow = main.isVisible() && main.fileNameEdit()->text() == "new";
    });
    showWindow();
    QCoreApplication::processEvents();
    EXPECT_EQ(main.joinList().fullPaths(), QStringList({a, twin}));
    EXPECT_EQ(prompter.messages(), QStringList({twin + Messages::kNameNotUtf8Suffix,
                                                gone + Messages::kFileRemovedSuffix}));
    EXPECT_TRUE(afterFirstShow);
}
