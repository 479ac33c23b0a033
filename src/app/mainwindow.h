#pragma once

#include "audio/tags/tagvalues.h"
#include "joinlist/joinlistview.h"
#include "platform/errorreport.h"
#include "player/busystate.h"

#include <QMainWindow>

#include <memory>

class AboutDialog;
class AudioFile;
class AudioPlayer;
class FolderDialog;
class JoinCommand;
class JoinList;
class KeyHook;
class MainMenus;
struct MenuActions;
class OutputFields;
class OutputSettingsDialog;
class PreviewPlayer;
class Prompter;
class QComboBox;
class QDialog;
class QLineEdit;
class Settings;
class Skin;
class SkinElement;
class TagDialog;
class ThemedProgressBar;

// The main window: owns the program's state for its whole life (the list, the
// busy state, the tag values, the settings object, the files the list and the
// preview read, the skin) and dispatches every command to the subsystem that
// does its work.
class MainWindow : public QMainWindow, public ErrorReport {
    Q_OBJECT
public:
    explicit MainWindow(Prompter &prompter, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The application-wide error report: every error no command catches.
    void report(const std::exception &error) override;

    // Controls.
    JoinListView *listView() const { return m_listView; }
    ThemedProgressBar *progressBar() const { return m_progressBar; }
    QLineEdit *fileNameEdit() const { return m_fileNameEdit; }
    QComboBox *formatBox() const { return m_formatBox; }
    QLineEdit *folderEdit() const { return m_folderEdit; }
    Skin *skin() const { return m_skin; }
    const MenuActions &menuActions() const;

    // State.
    BusyState &busy() { return *m_busy; }
    TagValues &tagValues() { return m_tagValues; }
    Prompter &prompter() { return m_prompter; }
    Settings &settings() { return *m_settings; }
    JoinList &joinList() { return *m_joinList; }
    PreviewPlayer &previewPlayer() { return *m_previewPlayer; }
    // The row the preview last started.
    int playingRow() const;

    // Dialogs, created once and living as long as the window.
    OutputSettingsDialog &outputSettingsDialog();
    AboutDialog &aboutDialog() { return *m_aboutDialog; }
    FolderDialog &folderDialog() { return *m_folderDialog; }
    TagDialog &tagDialog() { return *m_tagDialog; }

    // The skin's "Total time" element, or nullptr when the skin has none.
    SkinElement *totalTimeElement() const { return m_totalTime; }

    // Where first show looks for the skin file (beside the executable unless set).
    void setSkinFile(const QString &path) { m_skinFile = path; }
    // The program's command line: the files and folders it names are admitted
    // once the first show is done; those among unreachable (arguments whose
    // bytes their text cannot reach, see FileNameBytes) are refused by name.
    void admitAtFirstShow(const QStringList &arguments, const QStringList &unreachable = {});

    // Centres a dialog over this window and shows it modally.
    int showDialog(QDialog &dialog);

    // Commands, whatever their trigger.
    void addFiles();
    void addPath();
    void removeFile();
    void clearList();
    void moveUp();
    void moveDown();
    void sortByName();
    void join();
    void stopJoin();
    void play();
    void pause();
    void stopPlaying();
    void showOptions();
    void editTags();
    void chooseOutputFolder();
    void exit();
    void showHelp();
    void openWebSite();
    void showAbout();
    void playActivatedRow();
    // Files and folders handed over from outside: dropped on the list, or
    // named on the command line.
    void dropFiles(const QStringList &paths, const QStringList &unreachable = {});
    // A row dragged to a new place in the list.
    void moveRow(int from, int to);
    // A click on a skin element, by its name.
    void runSkinCommand(const QString &elementName);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createComponents();
    void createDialogs();
    void createSubsystems();
    void connectCommands();
    void showTotalTime(const QString &text);
    void firstShow();
    void loadSkin();
    void placeControls();
    void restoreOutputFields();
    // The folder dialog with this caption and prompt; the folder chosen, or
    // empty when cancelled.
    QString askFolder(const QString &caption, const QString &prompt, bool offerSubFolders);
    bool mayDropFiles(const QStringList &paths) const;
    bool mayMoveRows() const;
    // Runs a command from a Qt entry point, handing any error to the report.
    void guarded(void (MainWindow::*command)());

    Prompter &m_prompter;
    std::unique_ptr<Settings> m_settings;
    TagValues m_tagValues;
    // The preview reads from the first, which also probes a folder's files;
    // the second probes the files Add File and a drop bring.
    std::unique_ptr<AudioFile> m_previewReader;
    std::unique_ptr<AudioFile> m_fileProbe;
    AudioPlayer *m_audioPlayer = nullptr;

    JoinListView *m_listView = nullptr;
    ThemedProgressBar *m_progressBar = nullptr;
    QLineEdit *m_fileNameEdit = nullptr;
    QComboBox *m_formatBox = nullptr;
    QLineEdit *m_folderEdit = nullptr;
    Skin *m_skin = nullptr;
    SkinElement *m_totalTime = nullptr;
    MainMenus *m_menus = nullptr;
    std::unique_ptr<BusyState> m_busy;

    OutputSettingsDialog *m_outputSettingsDialog = nullptr;
    AboutDialog *m_aboutDialog = nullptr;
    FolderDialog *m_folderDialog = nullptr;
    TagDialog *m_tagDialog = nullptr;

    JoinList *m_joinList = nullptr;
    PreviewPlayer *m_previewPlayer = nullptr;
    std::unique_ptr<JoinCommand> m_joinCommand;
    std::unique_ptr<OutputFields> m_outputFields;
    KeyHook *m_keyHook = nullptr;
    QString m_skinFile;
    QStringList m_startupPaths;
    QStringList m_startupUnreachable;
    bool m_shown = false;
};
