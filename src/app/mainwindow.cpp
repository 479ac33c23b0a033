#include "app/mainwindow.h"

#include "app/joincommand.h"
#include "app/keyhook.h"
#include "app/mainmenus.h"
#include "app/outputfields.h"
#include "audio/audiofile.h"
#include "audio/tags/tagreader.h"
#include "desktop/appfont.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/folderdialog.h"
#include "dialogs/outputsettingsdialog.h"
#include "dialogs/tagdialog.h"
#include "joinlist/joinlist.h"
#include "kit/themedprogressbar.h"
#include "platform/apppaths.h"
#include "platform/links.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "player/audioplayer.h"
#include "player/previewplayer.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "settings/valuelists.h"
#include "skin/skin.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

constexpr int kClientWidth = 490;
constexpr int kClientHeight = 427;

struct Placement {
    int left, top, width, height;
};
constexpr Placement kListViewPlace{0, 47, 489, 271};
constexpr Placement kProgressBarPlace{19, 326, 451, 12};
constexpr Placement kFileNamePlace{355, 356, 129, 21};
constexpr Placement kFormatPlace{96, 398, 58, 21};
constexpr Placement kDirPlace{161, 398, 244, 21};
constexpr Placement kSkinPlace{208, 120, 32, 32};

constexpr int kDefaultFormat = 0;
// The output name offered at start and after each join that used the last one.
const QString kNewName = QStringLiteral("new");
const QString kTotalTimeElement = QStringLiteral("Total time");
const QColor kBarColor(240, 245, 255);

void place(QWidget *widget, const Placement &p)
{
    widget->move(p.left, p.top);
    widget->resize(p.width, p.height);
}

// What a desktop entry's %F hands over: every argument that is no option, in
// order, relative ones taken from the current folder. "--" ends the options.
QStringList pathArguments(const QStringList &arguments, const QDir &current)
{
    QStringList paths;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!optionsEnded && argument == QLatin1String("--"))
            optionsEnded = true;
        else if (!argument.isEmpty() && (optionsEnded || !argument.startsWith(QLatin1Char('-'))))
            paths << QDir::cleanPath(current.absoluteFilePath(argument));
    }
    return paths;
}

}  // namespace

MainWindow::MainWindow(Prompter &prompter, QWidget *parent)
    : QMainWindow(parent),
      m_prompter(prompter),
      m_settings(std::make_unique<Settings>(AppPaths::settingsFile())),
      m_skinFile(AppPaths::skinFile())
{
    setWindowTitle(QStringLiteral("Vantorel"));
    setFont(appFont());
    createComponents();
    createControls();
    m_menus = new MainMenus(menuBar(), this);
    m_busy = std::make_unique<BusyState>(m_menus->actions());
    createSubsystems();
    m_outputFields = std::make_unique<OutputFields>(
        OutputFields::Parts{*m_fileNameEdit, *m_folderEdit, m_prompter, *m_settings, *m_busy, *this,
                            [this](const QString &caption, const QString &prompt) {
                                return askFolder(caption, prompt, false);
                            }},
        this);
    createDialogs();
    connectCommands();
    m_keyHook = new KeyHook(*this);
    qApp->installEventFilter(m_keyHook);
    // Single border, not resizable: the window keeps its client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(m_keyHook);
}

const MenuActions &MainWindow::menuActions() const
{
    return m_menus->actions();
}

void MainWindow::createComponents()
{
    m_previewReader = std::make_unique<AudioFile>();
    m_fileProbe = std::make_unique<AudioFile>();
    m_audioPlayer = new AudioPlayer(this);
}

void MainWindow::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    m_skin = new Skin(client);
    m_skin->setObjectName(QStringLiteral("Skin"));
    place(m_skin, kSkinPlace);

    m_listView = new JoinListView(client);
    m_listView->setObjectName(QStringLiteral("lv"));
    m_listView->setFrameShape(QFrame::NoFrame);
    m_listView->setRootIsDecorated(false);
    m_listView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_listView->setUniformRowHeights(true);
    m_listView->setAllColumnsShowFocus(true);
    // Grid lines between the cells, and margins narrow enough for "unconverted"
    // to fit its fixed column.
    m_listView->setStyleSheet(QStringLiteral(
        "QTreeView#lv { background: white; selection-background-color: #2f66ae;"
        " selection-color: white; }"
        "QTreeView#lv::item { border-right: 1px solid #dde5f2; border-bottom: 1px solid #dde5f2;"
        " padding: 1px 1px; }"
        "QTreeView#lv::item:selected { background: #2f66ae; color: white; }"));
    m_listView->header()->setSectionsClickable(false);
    m_listView->header()->setSectionsMovable(false);

    m_progressBar = new ThemedProgressBar(client);
    m_progressBar->setObjectName(QStringLiteral("pb"));
    m_progressBar->setBorderColor(kBarColor);
    m_progressBar->setFillColor(kBarColor);
    m_progressBar->setPosition(0);
    m_progressBar->setCaptionVisible(false);

    m_fileNameEdit = new QLineEdit(client);
    m_fileNameEdit->setObjectName(QStringLiteral("edt_filename"));

    m_formatBox = new QComboBox(client);
    m_formatBox->setObjectName(QStringLiteral("cb_format"));
    m_formatBox->addItems(ValueLists::outputFormatCaptions());

    m_folderEdit = new QLineEdit(client);
    m_folderEdit->setObjectName(QStringLiteral("edt_dir"));
    m_folderEdit->setReadOnly(true);

    setTabOrder(m_listView, m_formatBox);
    setTabOrder(m_formatBox, m_folderEdit);
    setTabOrder(m_folderEdit, m_fileNameEdit);
}

// Each subsystem is handed what it uses, and tells the window what changed.
void MainWindow::createSubsystems()
{
    m_joinList =
        new JoinList(*m_listView, m_prompter, *m_settings, *m_fileProbe, *m_previewReader, this);
    m_previewPlayer = new PreviewPlayer(*m_joinList, *m_previewReader, *m_audioPlayer, m_prompter,
                                        *m_busy, *this, this);
    JoinCommand::View view{
        [this] { return m_fileNameEdit->text(); },
        [this] { return m_formatBox->currentIndex(); },
        [this] { m_fileNameEdit->setText(kNewName); },
        [this](int percent) { m_progressBar->setPosition(percent); },
        [this](bool joining) { m_progressBar->setCaptionVisible(joining); },
    };
    m_joinCommand = std::make_unique<JoinCommand>(JoinCommand::Parts{
        *m_joinList, *m_busy, *m_settings, m_prompter, m_tagValues, std::move(view)});

    BusyState *busy = m_busy.get();
    connect(m_joinList, &JoinList::totalTimeChanged, this, &MainWindow::showTotalTime);
    connect(m_joinList, &JoinList::admissionStarts, this, [busy] { busy->beginAdding(); });
    connect(m_joinList, &JoinList::admissionEnds, this, [busy] { busy->endAdding(); });
    connect(m_joinList, &JoinList::rowRemoved, m_previewPlayer, &PreviewPlayer::rowRemoved);
    connect(m_joinList, &JoinList::rowsExchanged, m_previewPlayer, &PreviewPlayer::rowsExchanged);
}

int MainWindow::playingRow() const
{
    return m_previewPlayer->playingRow();
}

void MainWindow::showTotalTime(const QString &text)
{
    if (m_totalTime) {
        m_totalTime->setText(text);
        m_totalTime->refresh();
    }
}

void MainWindow::createDialogs()
{
    m_aboutDialog = new AboutDialog(m_prompter, this);
    m_folderDialog = new FolderDialog(*m_settings, *this, this);
    // The book tags a join would take from its first input, shown while unset.
    m_tagDialog = new TagDialog(
        m_tagValues, *m_settings, *this, m_prompter, [this] { return m_joinList->fullPaths(); },
        [this] {
            return m_joinList->rowCount() > 0 ? TagReader::bookTags(m_joinList->fullPath(0))
                                              : BookTags();
        },
        this);
    m_tagDialog->setChapterRows(*m_joinList);
}

// The settings dialog reads its values each time it is shown, so it is built
// at first use: a join that never opens it does not carry its many controls.
OutputSettingsDialog &MainWindow::outputSettingsDialog()
{
    if (!m_outputSettingsDialog)
        m_outputSettingsDialog = new OutputSettingsDialog(*m_settings, *this, this);
    return *m_outputSettingsDialog;
}

void MainWindow::guarded(void (MainWindow::*command)())
{
    runGuarded(*this, [this, command] { (this->*command)(); });
}

void MainWindow::connectCommands()
{
    const MenuActions &a = m_menus->actions();
    const auto bind = [this](QAction *action, void (MainWindow::*command)()) {
        connect(action, &QAction::triggered, this, [this, command] { guarded(command); });
    };
    bind(a.addFile, &MainWindow::addFiles);
    bind(a.addPath, &MainWindow::addPath);
    bind(a.removeFile, &MainWindow::removeFile);
    bind(a.clear, &MainWindow::clearList);
    bind(a.sortByName, &MainWindow::sortByName);
    bind(a.exit, &MainWindow::exit);
    bind(a.join, &MainWindow::join);
    bind(a.stop, &MainWindow::stopJoin);
    bind(a.play, &MainWindow::play);
    bind(a.pause, &MainWindow::pause);
    bind(a.stopPlaying, &MainWindow::stopPlaying);
    bind(a.options, &MainWindow::showOptions);
    bind(a.id3Tag, &MainWindow::editTags);
    bind(a.content, &MainWindow::showHelp);
    bind(a.webSite, &MainWindow::openWebSite);
    bind(a.about, &MainWindow::showAbout);

    connect(m_listView, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_menus->contextMenu()->popup(m_listView->viewport()->mapToGlobal(pos));
    });
    connect(m_listView, &QTreeWidget::doubleClicked, this,
            [this] { guarded(&MainWindow::playActivatedRow); });
    m_listView->setDropGate({[this](const QStringList &paths) { return mayDropFiles(paths); },
                             [this] { return mayMoveRows(); }});
    // Queued: the admission pumps events and shows its messages, while the file
    // manager waits for its drop to be answered.
    connect(
        m_listView, &JoinListView::pathsDropped, this,
        [this](const QStringList &paths, const QStringList &unreachable) {
            runGuarded(*this, [&] { dropFiles(paths, unreachable); });
        },
        Qt::QueuedConnection);
    connect(m_listView, &JoinListView::rowMoveRequested, this,
            [this](int from, int to) { runGuarded(*this, [&] { moveRow(from, to); }); });
    connect(m_skin, &Skin::click, this, [this](const QString &name) {
        runGuarded(*this, [this, name] { runSkinCommand(name); });
    });
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    firstShow();
}

void MainWindow::firstShow()
{
    // A skin that cannot be loaded is reported once; the window still works without it.
    runGuarded(*this, [this] { loadSkin(); });
    // So is a settings file too large to be one: the window runs on the defaults
    // and leaves the file alone.
    runGuarded(*this, [this] { m_settings->open(); });
    runGuarded(*this, [this] {
        m_fileNameEdit->setText(kNewName);
        m_joinList->resetTotals();
        restoreOutputFields();
        m_tagValues.reset();
        m_busy->firstShow();
        placeControls();
        if (QScreen *screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    });
    // Once the window is up, so that the admission's messages show over it.
    if (!m_startupPaths.isEmpty() || !m_startupUnreachable.isEmpty()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                runGuarded(*this, [this] {
                    dropFiles(std::exchange(m_startupPaths, {}),
                              std::exchange(m_startupUnreachable, {}));
                });
            },
            Qt::QueuedConnection);
    }
}

void MainWindow::admitAtFirstShow(const QStringList &arguments, const QStringList &unreachable)
{
    const QDir current = QDir::current();
    m_startupPaths = pathArguments(arguments, current);
    m_startupUnreachable.clear();
    // One argument each: a real file of the same text named too is still taken.
    for (const QString &name : unreachable) {
        const QString path = QDir::cleanPath(current.absoluteFilePath(name));
        if (m_startupPaths.removeOne(path))
            m_startupUnreachable << path;
    }
}

void MainWindow::loadSkin()
{
    m_skin->loadSkin(m_skinFile);
    m_skin->applySkin(centralWidget());
    m_skin->setWindowCaption(centralWidget(), QStringLiteral("Vantorel"));
    SkinForm *form = m_skin->getSkinForm(centralWidget());
    m_totalTime = form ? form->findObject(kTotalTimeElement) : nullptr;
}

void MainWindow::restoreOutputFields()
{
    m_folderEdit->setText(m_settings->readText(SettingsKeys::kJoin, SettingsKeys::kOutputDirectory,
                                               AppPaths::defaultOutputFolder()));
    const int format =
        m_settings->readInteger(SettingsKeys::kJoin, SettingsKeys::kFormat, kDefaultFormat);
    // A stored value outside the list leaves the box without a selection.
    m_formatBox->setCurrentIndex(format >= 0 && format < m_formatBox->count() ? format : -1);
}

void MainWindow::placeControls()
{
    place(m_listView, kListViewPlace);
    place(m_progressBar, kProgressBarPlace);
    place(m_fileNameEdit, kFileNamePlace);
    place(m_formatBox, kFormatPlace);
    place(m_folderEdit, kDirPlace);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    runGuarded(*this, [this] {
        // A join still running stops at its next check.
        m_busy->stopJoin();
        if (m_settings->isOpen()) {
            m_settings->writeInteger(SettingsKeys::kJoin, SettingsKeys::kFormat,
                                     m_formatBox->currentIndex());
            m_settings->close();
        }
    });
    event->accept();
}

void MainWindow::report(const std::exception &error)
{
    m_prompter.information(QString::fromUtf8(error.what()));
    // Whenever a join run is active: Stop may have cleared Joining before a
    // close or the stamping failed, and the commands must still come back.
    if (m_busy->joinUnfinished()) {
        // The run will not get to give the commands back itself.
        m_joinCommand->abandon();
    }
    if (m_busy->playing())
        m_audioPlayer->stop();
}

int MainWindow::showDialog(QDialog &dialog)
{
    dialog.adjustSize();
    const int left = x() + (width() - dialog.width()) / 2;
    const int top = y() + (height() - dialog.height()) / 2;
    dialog.move(left, top);
    return m_prompter.showModal(dialog);
}

void MainWindow::runSkinCommand(const QString &name)
{
    // Exact names, case included, in this order; any other name does nothing.
    struct Dispatch {
        const char *name;
        void (MainWindow::*command)();
    };
    // One element a line, in dispatch order.
    // clang-format off
    static const Dispatch kTable[] = {
        {"Add", &MainWindow::addFiles},
        {"Remove", &MainWindow::removeFile},
        {"Clear", &MainWindow::clearList},
        {"Up", &MainWindow::moveUp},
        {"Down", &MainWindow::moveDown},
        {"Play", nullptr},
        {"Pause", &MainWindow::pause},
        {"Stop playing", &MainWindow::stopPlaying},
        {"join", &MainWindow::join},
        {"Stop", &MainWindow::stopJoin},
        {"ID3Tag", &MainWindow::editTags},
        {"Options", &MainWindow::showOptions},
        {"Browse", &MainWindow::chooseOutputFolder},
    };
    // clang-format on
    for (const Dispatch &entry : kTable) {
        if (name != QLatin1String(entry.name))
            continue;
        if (entry.command)
            (this->*entry.command)();
        else
            m_previewPlayer->playFile();  // the skin's Play skips the menu's guards
        return;
    }
}

void MainWindow::addFiles()
{
    if (m_busy->joinBusy())
        return;
    m_joinList->addFile();
}

void MainWindow::addPath()
{
    if (m_busy->joinBusy() || m_busy->playing() || m_busy->adding())
        return;
    const QString folder =
        askFolder(QStringLiteral("Open Folder"),
                  QStringLiteral("Please select the folder you want to add."), true);
    if (!folder.isEmpty())
        m_joinList->addPath(folder);
}

QString MainWindow::askFolder(const QString &caption, const QString &prompt, bool offerSubFolders)
{
    m_folderDialog->setWindowTitle(caption);
    m_folderDialog->setAction(prompt);
    if (offerSubFolders)
        m_folderDialog->showSubFolderSwitch();
    showDialog(*m_folderDialog);
    return m_folderDialog->result();
}

void MainWindow::removeFile()
{
    if (m_busy->joinBusy())
        return;
    const int row = m_joinList->selectedRow();
    if (row >= 0 && m_busy->playing() && row == m_previewPlayer->playingRow()) {
        m_prompter.information(Messages::kStopPlayingFirst);
        return;
    }
    m_joinList->removeFile();
}

void MainWindow::clearList()
{
    if (m_busy->joinBusy()) {
        m_prompter.information(Messages::kStopConvertingFirst);
        return;
    }
    if (m_busy->playing()) {
        m_prompter.information(Messages::kStopPlayingFirst);
        return;
    }
    m_joinList->clear();
}

bool MainWindow::mayMoveRows() const
{
    return !m_busy->joinBusy();
}

void MainWindow::moveUp()
{
    if (mayMoveRows())
        m_joinList->moveUp();
}

void MainWindow::moveDown()
{
    if (mayMoveRows())
        m_joinList->moveDown();
}

void MainWindow::sortByName()
{
    // The rows move as Up and Down move them, so under the same guard.
    if (mayMoveRows() && !m_busy->adding())
        m_joinList->sortByName();
}

void MainWindow::moveRow(int from, int to)
{
    if (mayMoveRows())
        m_joinList->moveRow(from, to);
}

bool MainWindow::mayDropFiles(const QStringList &paths) const
{
    if (m_busy->joinBusy() || m_busy->adding())
        return false;
    // A folder is scanned on the preview's reader: as Add Path, not while
    // playing. Files alone are admitted as Add File admits.
    return !m_busy->playing() || std::none_of(paths.begin(), paths.end(), [](const QString &path) {
        return QFileInfo(path).isDir();
    });
}

void MainWindow::dropFiles(const QStringList &paths, const QStringList &unreachable)
{
    // Asked again: the state may have changed since the drag was let in.
    if (mayDropFiles(paths))
        m_joinList->addPaths(paths, unreachable);
}

void MainWindow::join()
{
    m_joinCommand->joinFiles();
}

void MainWindow::stopJoin()
{
    m_busy->stopJoin();
}

void MainWindow::play()
{
    if (m_busy->joinBusy()) {
        m_prompter.information(Messages::kStopConvertingFirst);
        return;
    }
    if (m_busy->adding())
        return;
    m_previewPlayer->playFile();
}

void MainWindow::pause()
{
    m_previewPlayer->pausePlay();
}

void MainWindow::stopPlaying()
{
    m_previewPlayer->stopPlay();
}

void MainWindow::showOptions()
{
    if (m_busy->joinBusy())
        return;
    showDialog(outputSettingsDialog());
}

void MainWindow::editTags()
{
    if (m_busy->joinBusy())
        return;
    showDialog(*m_tagDialog);
}

void MainWindow::chooseOutputFolder()
{
    m_outputFields->chooseOutputFolder();
}

void MainWindow::exit()
{
    close();
}

void MainWindow::showHelp()
{
    m_prompter.openUrl(QUrl::fromLocalFile(AppPaths::helpPage()));
}

void MainWindow::openWebSite()
{
    m_prompter.openUrl(QUrl(Links::kWebSite));
}

void MainWindow::showAbout()
{
    showDialog(*m_aboutDialog);
}

void MainWindow::playActivatedRow()
{
    m_previewPlayer->playActivatedRow();
}
