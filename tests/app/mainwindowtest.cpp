// Start-up, shutdown, command dispatch, guards, enabling, error report, keys
// and the output fields, driven through the real main window.

#include "mainwindowfixture.h"

#include "app/mainmenus.h"
#include "audio/core/audioerror.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/folderdialog.h"
#include "joinlist/joinlist.h"
#include "kit/themedprogressbar.h"
#include "platform/apppaths.h"
#include "platform/messages.h"
#include "settings/settings.h"
#include "support/tones.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTreeWidget>

namespace {

using Kind = ScriptedPrompter::Kind;

QStringList enabledItems(const MenuActions &a)
{
    QStringList names;
    for (QAction *action :
         {a.addFile, a.addPath, a.removeFile, a.clear, a.exit, a.join, a.stop, a.play, a.pause,
          a.stopPlaying, a.options, a.id3Tag, a.content, a.webSite, a.about, a.sortByName}) {
        if (action->isEnabled())
            names << action->objectName();
    }
    return names;
}

QStringList without(QStringList names, const QStringList &removed)
{
    for (const QString &name : removed)
        names.removeAll(name);
    return names;
}

const QStringList kAllItems = {
    "addFile", "addPath",     "removeFile", "clear",  "exit",    "join",    "stop",  "play",
    "pause",   "stopPlaying", "options",    "id3Tag", "content", "webSite", "about", "sortByName"};
const QStringList kIdleDisabled = {"stop", "stopPlaying", "pause"};
const QStringList kAdmissionItems = {"addFile", "addPath", "removeFile", "clear",
                                     "join",    "play",    "sortByName"};
const QStringList kJoinLocked = {"play",  "join",       "addFile", "addPath", "removeFile",
                                 "clear", "sortByName", "options", "id3Tag"};

}  // namespace

TEST_F(MainWindowTest, FirstStartWithoutSettingsShowsDefaults)
{
    MainWindow &main = showWindow();
    EXPECT_EQ(main.folderEdit()->text(), AppPaths::defaultOutputFolder());
    EXPECT_TRUE(main.folderEdit()->text().startsWith(QDir::homePath()));
    EXPECT_EQ(main.formatBox()->currentText(), "MP3");
    EXPECT_EQ(main.fileNameEdit()->text(), "new");
    EXPECT_EQ(main.windowTitle(), "Vantorel");
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(MainWindowTest, ControlsSitAtTheirPlacesInAFixedClientArea)
{
    MainWindow &main = showWindow();
    EXPECT_EQ(main.centralWidget()->size(), QSize(490, 427));
    EXPECT_EQ(main.minimumSize(), main.maximumSize());
    EXPECT_EQ(main.listView()->geometry(), QRect(0, 47, 489, 271));
    EXPECT_EQ(main.progressBar()->geometry(), QRect(19, 326, 451, 12));
    EXPECT_EQ(main.fileNameEdit()->geometry(), QRect(355, 356, 129, 21));
    EXPECT_EQ(main.formatBox()->geometry(), QRect(96, 398, 58, 21));
    EXPECT_EQ(main.folderEdit()->geometry(), QRect(161, 398, 244, 21));
    QStringList headers;
    for (int c = 0; c < main.listView()->columnCount(); ++c)
        headers << main.listView()->headerItem()->text(c) + "/"
                       + QString::number(main.listView()->columnWidth(c));
    EXPECT_EQ(headers, QStringList({"File Name/120", "Full Path/217", "Time/60", "Status/72"}));
}

TEST_F(MainWindowTest, StoredFormatSelectsItsEntryAndCloseWritesTheSelection)
{
    writeSettingsText("[join]\nformat=2\n");
    MainWindow &main = showWindow();
    EXPECT_EQ(main.formatBox()->currentText(), "WMA");
    main.formatBox()->setCurrentIndex(3);
    main.close();
    EXPECT_TRUE(settingsText().contains("format=3")) << settingsText().toStdString();
}

TEST_F(MainWindowTest, StoredFormatFourSelectsFlacAndFiveM4b)
{
    writeSettingsText("[join]\nformat=4\n");
    MainWindow &main = showWindow();
    EXPECT_EQ(main.formatBox()->currentText(), "FLAC");
    main.formatBox()->setCurrentIndex(5);
    EXPECT_EQ(main.formatBox()->currentText(), "M4B");
    main.close();
    EXPECT_TRUE(settingsText().contains("format=5")) << settingsText().toStdString();
}

TEST_F(MainWindowTest, FormatOutsideTheListLeavesNoSelectionAndCloseWritesMinusOne)
{
    writeSettingsText("; kept\n[join]\nformat=7\n");
    MainWindow &main = showWindow();
    EXPECT_EQ(main.formatBox()->currentIndex(), -1);
    main.close();
    EXPECT_EQ(settingsText(), "; kept\n[join]\nformat=-1\n");
}

TEST_F(MainWindowTest, MissingSkinIsReportedOnceAndTheRestOfFirstShowRuns)
{
    writeSettingsText("[join]\noutput directory=/srv/out\n");
    window().setSkinFile(dataPath("nothing-here.dll"));
    MainWindow &main = showWindow();
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages().first().contains("nothing-here.dll"));
    EXPECT_EQ(main.folderEdit()->text(), "/srv/out");
    EXPECT_EQ(main.totalTimeElement(), nullptr);
    // Total-time updates are skipped without the element.
    main.clearList();
    EXPECT_EQ(prompter.messages().size(), 1);
}

TEST_F(MainWindowTest, SettingsFileTooLargeIsReportedOnceAndNeverReplaced)
{
    const QString content =
        "[join]\nformat=2\n" + QString(Settings::kMaxFileMiB * 1024 * 1024, '\n');
    writeSettingsText(content);
    MainWindow &main = showWindow();
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages().first().contains(settingsPath()));
    // The rest of the first show ran, on the defaults.
    EXPECT_EQ(main.formatBox()->currentText(), "MP3");
    EXPECT_EQ(main.fileNameEdit()->text(), "new");
    main.close();
    EXPECT_EQ(settingsText(), content);
}

TEST_F(MainWindowTest, SkinNamesDispatchExactlyAndInAnyOtherCaseDoNothing)
{
    showWindow();
    window().runSkinCommand("Join");
    window().runSkinCommand("JOIN");
    EXPECT_TRUE(prompter.shown().isEmpty());
    window().runSkinCommand("join");
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kAddFile});
}

TEST_F(MainWindowTest, SkinStopPlayingNeedsItsExactName)
{
    qputenv("VANTOREL_SILENT_AUDIO", "1");
    MainWindow &main = showWindow();
    prompter.queueOpenFiles({Tones::write(dataPath("a.wav"), ToneFormat::Wav16, 22050, 1, 5.0)});
    main.addFiles();
    main.joinList().selectRow(0);
    main.play();
    ASSERT_TRUE(main.busy().playing());
    main.runSkinCommand("Stop Playing");
    EXPECT_TRUE(main.busy().playing());
    main.runSkinCommand("Stop playing");
    EXPECT_FALSE(main.busy().playing());
    EXPECT_EQ(main.joinList().status(0), "Stop playing");
    qunsetenv("VANTOREL_SILENT_AUDIO");
}

TEST_F(MainWindowTest, GuardsGiveTheirOwnTexts)
{
    MainWindow &main = showWindow();
    prompter.queueOpenFiles({Tones::write(dataPath("a.wav"), ToneFormat::Wav16, 22050, 1, 1.0)});
    main.addFiles();
    main.joinList().selectRow(0);
    main.busy().beginJoin();
    main.clearList();
    main.play();
    main.runSkinCommand("Play");  // the skin's Play goes straight to the work, which waits
    EXPECT_EQ(main.joinList().status(0), "unconverted");
    main.busy().cancelJoin();
    main.busy().beginPreview();
    main.clearList();
    EXPECT_EQ(prompter.messages(),
              QStringList({Messages::kStopConvertingFirst, Messages::kStopConvertingFirst,
                           Messages::kStopPlayingFirst}));
    main.busy().endPreview();
}

TEST_F(MainWindowTest, DialogCommandsWaitWhileJoiningButAboutOpens)
{
    MainWindow &main = showWindow();
    main.busy().beginJoin();
    main.showOptions();
    main.editTags();
    main.runSkinCommand("Options");
    main.runSkinCommand("ID3Tag");
    main.runSkinCommand("Browse");
    EXPECT_TRUE(prompter.shown().isEmpty());
    main.showAbout();
    ASSERT_EQ(prompter.kinds(), QList<Kind>{Kind::Modal});
    EXPECT_EQ(prompter.shown().first().text, "About");
    main.busy().cancelJoin();
}

TEST_F(MainWindowTest, DialogsAreCentredOverTheMainWindow)
{
    MainWindow &main = showWindow();
    QPoint seen;
    prompter.queueDialog([&](QDialog &dialog) { seen = dialog.pos(); });
    main.showAbout();
    const QDialog &about = main.aboutDialog();
    EXPECT_EQ(seen.x(), main.x() + (main.width() - about.width()) / 2);
    EXPECT_EQ(seen.y(), main.y() + (main.height() - about.height()) / 2);
}

TEST_F(MainWindowTest, ErrorWhileJoiningResetsTheBarAndClearsJoining)
{
    MainWindow &main = showWindow();
    main.busy().beginJoin();
    main.progressBar()->setPosition(40);
    runGuarded(main, [] { throw AudioError(QStringLiteral("Cannot decode /tmp/x.mp3")); });
    EXPECT_EQ(prompter.messages(), QStringList{"Cannot decode /tmp/x.mp3"});
    EXPECT_EQ(prompter.kinds(), QList<Kind>{Kind::Information});
    EXPECT_EQ(main.progressBar()->position(), 0);
    EXPECT_FALSE(main.busy().joining());
}

TEST_F(MainWindowTest, ErrorDuringARunGivesTheCommandsBack)
{
    MainWindow &main = showWindow();
    main.busy().beginJoin();
    main.busy().lockForJoin();
    main.progressBar()->setCaptionVisible(true);
    runGuarded(main, [] { throw AudioError(QStringLiteral("disk full")); });
    EXPECT_TRUE(main.menuActions().join->isEnabled());
    EXPECT_TRUE(main.menuActions().addFile->isEnabled());
    EXPECT_TRUE(main.menuActions().options->isEnabled());
    EXPECT_FALSE(main.menuActions().stop->isEnabled());
    EXPECT_FALSE(main.progressBar()->captionVisible());
}

TEST_F(MainWindowTest, EnablingFollowsThePlainStates)
{
    MainWindow &main = showWindow();
    BusyState &busy = main.busy();
    const MenuActions &items = main.menuActions();
    const QStringList idle = without(kAllItems, kIdleDisabled);
    EXPECT_EQ(enabledItems(items), idle);

    busy.beginAdding();
    EXPECT_EQ(enabledItems(items), without(idle, kAdmissionItems));
    busy.endAdding();
    EXPECT_EQ(enabledItems(items), idle);

    busy.beginJoin();
    busy.lockForJoin();
    EXPECT_EQ(enabledItems(items),
              without(kAllItems, kJoinLocked + QStringList{"stopPlaying", "pause"}));
    busy.endJoin();
    EXPECT_EQ(enabledItems(items), idle);

    busy.beginPreview();
    const QStringList playing = without(kAllItems, {"stop", "join", "clear"});
    EXPECT_EQ(enabledItems(items), playing);
    busy.pausePreview();
    EXPECT_EQ(enabledItems(items), without(playing, {"pause"}));
    busy.resumePreview();
    EXPECT_EQ(enabledItems(items), playing);
    busy.endPreview();
    EXPECT_EQ(enabledItems(items), idle);
}

// Captions as shown, without their access keys; each key is unique within its
// menu and the same for an item in both menus.
TEST_F(MainWindowTest, MenuActionsCarryTheirCaptionsAccessKeysAndSeparators)
{
    MainWindow &main = showWindow();
    const MenuActions &i = main.menuActions();
    QMap<QString, QChar> keyOfCaption;
    const auto captions = [&](const QList<QAction *> &actions) {
        QStringList shown;
        QSet<QChar> keys;
        for (QAction *action : actions) {
            if (action->isSeparator()) {
                shown << "-";
                continue;
            }
            QString text = action->text();
            const qsizetype amp = text.indexOf('&');
            EXPECT_GE(amp, 0) << qPrintable(text);
            const QChar key = text.at(amp + 1).toLower();
            text.remove(amp, 1);
            EXPECT_FALSE(keys.contains(key)) << qPrintable(text);
            keys.insert(key);
            EXPECT_EQ(keyOfCaption.value(text, key), key) << qPrintable(text);
            keyOfCaption.insert(text, key);
            shown << text;
        }
        return shown;
    };
    EXPECT_EQ(captions(i.fileMenu->actions()),
              QStringList({"Add File", "Add Path", "Remove File", "Clear", "-", "Exit"}));
    EXPECT_EQ(
        captions(i.actionMenu->actions()),
        QStringList({"Join", "Stop", "-", "Play", "Pause", "Stop Playing", "-", "Sort by Name"}));
    EXPECT_EQ(captions(main.findChild<QMenu *>("pm")->actions()),
              QStringList({"Add File", "Add Path", "Remove File", "Clear", "Sort by Name", "-",
                           "Join", "Stop", "-", "Play", "Pause", "Stop Playing"}));
    EXPECT_EQ(captions(main.menuBar()->actions()),
              QStringList({"File", "Action", "Options", "ID3 Tag", "Help"}));
    // Each context menu item is the menu bar's action itself, enabled with it.
    for (QAction *action : main.findChild<QMenu *>("pm")->actions())
        EXPECT_TRUE(action->isSeparator() || i.fileMenu->actions().contains(action)
                    || i.actionMenu->actions().contains(action))
            << qPrintable(action->text());
}

TEST_F(MainWindowTest, EscapeClosesTheActiveMainWindowAndWritesTheSettings)
{
    MainWindow &main = showWindow();
    main.formatBox()->setCurrentIndex(1);
    QTest::keyClick(&main, Qt::Key_Escape);
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(settingsText().contains("format=1"));
}

TEST_F(MainWindowTest, EscapeInsideADialogLeavesTheMainWindowOpen)
{
    MainWindow &main = showWindow();
    prompter.queueDialog([](QDialog &dialog) {
        QApplication::setActiveWindow(&dialog);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    main.showAbout();
    EXPECT_TRUE(main.isVisible());
}

TEST_F(MainWindowTest, EscapeInAnOpenMenuClosesOnlyTheMenu)
{
    MainWindow &main = showWindow();
    QMenu *pm = main.findChild<QMenu *>("pm");
    pm->popup(main.listView()->mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pm));
    QTest::keyClick(pm, Qt::Key_Escape);
    EXPECT_FALSE(pm->isVisible());
    EXPECT_TRUE(main.isVisible());
}

TEST_F(MainWindowTest, EveryF1PressOpensTheHelpEvenWithoutItsRelease)
{
    MainWindow &main = showWindow();
    // The help viewer takes the focus, so the release of F1 never reaches us.
    QTest::keyPress(main.listView(), Qt::Key_F1);
    QTest::keyPress(main.listView(), Qt::Key_F1);
    EXPECT_EQ(prompter.openedUrls().size(), 2);
}

TEST_F(MainWindowTest, F1OpensTheHelpFromADialogToo)
{
    MainWindow &main = showWindow();
    prompter.queueDialog([](QDialog &dialog) { QTest::keyClick(&dialog, Qt::Key_F1); });
    main.showAbout();
    ASSERT_EQ(prompter.openedUrls().size(), 1);
    EXPECT_EQ(prompter.openedUrls().first(), QUrl::fromLocalFile(AppPaths::helpPage()));
    EXPECT_TRUE(QFileInfo::exists(AppPaths::helpPage()));
    QTest::keyClick(main.listView(), Qt::Key_F1);
    EXPECT_EQ(prompter.openedUrls().size(), 2);
}

TEST_F(MainWindowTest, RefusedCharacterIsDroppedWithOneMessage)
{
    MainWindow &main = showWindow();
    QLineEdit *name = main.fileNameEdit();
    name->clear();
    QTest::keyClicks(name, "a:b");
    EXPECT_EQ(name->text(), "ab");
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kInvalidFilenameChar});
}

TEST_F(MainWindowTest, EmptiedNameIsRestoredOnLeaving)
{
    MainWindow &main = showWindow();
    QLineEdit *name = main.fileNameEdit();
    name->setText("concert");
    name->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(name->hasFocus());
    name->clear();
    main.listView()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kFilenameEmpty});
    EXPECT_EQ(name->text(), "concert");
}

TEST_F(MainWindowTest, AnotherWindowTakingOverDoesNotCountAsLeavingTheName)
{
    MainWindow &main = showWindow();
    QLineEdit *name = main.fileNameEdit();
    name->setFocus();
    QApplication::processEvents();
    name->clear();
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(name, &deactivated);
    QFocusEvent menu(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(name, &menu);
    EXPECT_TRUE(prompter.messages().isEmpty());
    QFocusEvent tabbedAway(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(name, &tabbedAway);
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kFilenameEmpty});
    EXPECT_EQ(name->text(), "new");
}

TEST_F(MainWindowTest, CancelledFolderChoiceChangesNothing)
{
    MainWindow &main = showWindow();
    const QString before = main.folderEdit()->text();
    prompter.queueDialog(
        [](QDialog &dialog) { dialog.findChild<QPushButton *>("btn_cancel")->click(); });
    main.runSkinCommand("Browse");
    EXPECT_EQ(prompter.shown().first().text, "Output Directory");
    EXPECT_EQ(main.folderEdit()->text(), before);
    EXPECT_FALSE(settingsText().contains("output directory"));
}

TEST_F(MainWindowTest, ChosenFolderIsShownAndStoredAtOnce)
{
    MainWindow &main = showWindow();
    const QString folder = QDir::homePath() + "/Joined";
    QDir().mkpath(folder);
    prompter.queueDialog([&](QDialog &dialog) {
        auto &dir = static_cast<FolderDialog &>(dialog);
        EXPECT_FALSE(dir.subFolderCheck()->isVisible());
        dir.selectFolder(folder);
        dialog.findChild<QPushButton *>("btn_ok")->click();
    });
    main.chooseOutputFolder();
    EXPECT_EQ(main.folderEdit()->text(), folder);
    EXPECT_TRUE(settingsText().contains("output directory=" + folder));
}

TEST_F(MainWindowTest, OkWithoutASelectedFolderCountsAsCancelledButStoresTheSwitch)
{
    MainWindow &main = showWindow();
    const QString before = main.folderEdit()->text();
    prompter.queueDialog(
        [](QDialog &dialog) { dialog.findChild<QPushButton *>("btn_ok")->click(); });
    main.chooseOutputFolder();
    EXPECT_EQ(main.folderEdit()->text(), before);
    EXPECT_FALSE(settingsText().contains("output directory"));
    EXPECT_TRUE(settingsText().contains("[basic]\nenable sub dir=0"))
        << settingsText().toStdString();
}
