#pragma once

#include "audio/tags/tagvalues.h"
#include "joinlist/joinlistview.h"
#include "platform/errorreport.h"
#include "player/busystate.h"

#include <QMainWindow>

#include <memory>

class AudioFile;
class AudioPlayer;
class JoinCommand;
class JoinList;
class KeyHook;
class MainMenus;
struct MenuActions;
class OutputFields;
class PreviewPlayer;
class Prompter;
class QComboBox;
class QDialog;
class QLineEdit;
class Settings;
class Skin;
class SkinElement;
class AboutDialog;
class FolderDialog;
class TagDialog;
class OutputSettingsDialog;
class ThemedProgressBar;

// The main window: owns the program's state for its whole life (the list, the
// busy flags, the tag values, the settings object, the audio components, the
// skin) and dispatches every command to the subsystem that does its work.
class MainWindow : public QMainWindow, public ErrorReport {
    Q_OBJECT
public:
    explicit MainWindow(Prompter &prompter, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The application-wide error report: every error no command catches.
    void report(const std::exception &error) override;

    // Controls.
    JoinListView *lv() const { return m_lv; }
    ThemedProgressBar *pb() const { return m_pb; }
    QLineEdit *edt_filename() const { return m_edtFilename; }
    QComboBox *cb_format() const { return m_cbFormat; }
    QLineEdit *edt_dir() const { return m_edtDir; }
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
    OutputSettingsDialog &fm_set();
    AboutDialog &fm_about() { return *m_fmAbout; }
    FolderDialog &fm_dir() { return *m_fmDir; }
    TagDialog &fm_id3() { return *m_fmId3; }

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
    void addFile1Click();
    void addPath1Click();
    void remove1Click();
    void clear1Click();
    void moveUpClick();
    void moveDownClick();
    void sortByName1Click();
    void join1Click();
    void stop1Click();
    void play1Click();
    void pause1Click();
    void stopplay1Click();
    void option1Click();
    void id3Tag1Click();
    void browseClick();
    void exit1Click();
    void content1Click();
    void webSite1Click();
    void about1Click();
    void lvDblClick();
    // Files and folders handed over from outside: dropped on the list, or
    // named on the command line.
    void dropFiles(const QStringList &paths, const QStringList &unreachable = {});
    // A row dragged to a new place in the list.
    void lvMoveRow(int from, int to);
    // A click on a skin element, by its name.
    void skinClick(const QString &elementName);

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
    void formShow();
    void loadSkin();
    void placeControls();
    void restoreOutputFields();
    bool mayDropFiles(const QStringList &paths) const;
    bool mayMoveRows() const;
    // Runs a command from a Qt entry point, handing any error to the report.
    void guarded(void (MainWindow::*command)());

    Prompter &m_prompter;
    std::unique_ptr<Settings> m_settings;
    TagValues m_tagValues;
    // The preview reads from the first, which also probes a folder's files;
    // the second probes the files Add File and a drop bring.
    std::unique_ptr<AudioFile> m_audioFileRead;
    std::unique_ptr<AudioFile> m_audioFileWrite;
    AudioPlayer *m_audioPlayer = nullptr;

    JoinListView *m_lv = nullptr;
    ThemedProgressBar *m_pb = nullptr;
    QLineEdit *m_edtFilename = nullptr;
    QComboBox *m_cbFormat = nullptr;
    QLineEdit *m_edtDir = nullptr;
    Skin *m_skin = nullptr;
    SkinElement *m_totalTime = nullptr;
    MainMenus *m_menus = nullptr;
    std::unique_ptr<BusyState> m_busy;

    OutputSettingsDialog *m_fmSet = nullptr;
    AboutDialog *m_fmAbout = nullptr;
    FolderDialog *m_fmDir = nullptr;
    TagDialog *m_fmId3 = nullptr;

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
