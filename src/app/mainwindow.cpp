#include "app/mainwindow.h"

#include "app/joincommand.h"
#include "app/keyhook.h"
#include "app/mainmenus.h"
#include "app/outputfields.h"
#include "audio/audiofile.h"
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
constexpr Placement kLvPlace{0, 47, 489, 271};
constexpr Placement kPbPlace{19, 326, 451, 12};
constexpr Placement kFilenamePlace{355, 356, 129, 21};
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
    m_outputFields = std::make_unique<OutputFields>(*this);
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

// Window creation: the first use of three components.
void MainWindow::createComponents()
{
    m_audioFileRead = std::make_unique<AudioFile>();
    m_audioFileWrite = std::make_unique<AudioFile>();
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

    m_lv = new JoinListView(client);
    m_lv->setObjectName(QStringLiteral("lv"));
    m_lv->setFrameShape(QFrame::NoFrame);
    m_lv->setRootIsDecorated(false);
    m_lv->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lv->setContextMenuPolicy(Qt::CustomContextMenu);
    m_lv->setUniformRowHeights(true);
    m_lv->setAllColumnsShowFocus(true);
    // Grid lines between the cells, and margins narrow enough for "unconverted"
    // to fit its fixed column.
    m_lv->setStyleSheet(QStringLiteral(
        "QTreeView#lv { background: white; selection-background-color: #2f66ae;"
        " selection-color: white; }"
        "QTreeView#lv::item { border-right: 1px solid #dde5f2; border-bottom: 1px solid #dde5f2;"
        " padding: 1px 1px; }"
        "QTreeView#lv::item:selected { background: #2f66ae; color: white; }"));
    m_lv->header()->setSectionsClickable(false);
    m_lv->header()->setSectionsMovable(false);

    m_pb = new ThemedProgressBar(client);
    m_pb->setObjectName(QStringLiteral("pb"));
    m_pb->setBorderColor(kBarColor);
    m_pb->setFillColor(kBarColor);
    m_pb->setPosition(0);
    m_pb->setCaptionVisible(false);

    m_edtFilename = new QLineEdit(client);
    m_edtFilename->setObjectName(QStringLiteral("edt_filename"));

    m_cbFormat = new QComboBox(client);
    m_cbFormat->setObjectName(QStringLiteral("cb_format"));
    m_cbFormat->addItems(ValueLists::outputFormatCaptions());

    m_edtDir = new QLineEdit(client);
    m_edtDir->setObjectName(QStringLiteral("edt_dir"));
    m_edtDir->setReadOnly(true);

    setTabOrder(m_lv, m_cbFormat);
    setTabOrder(m_cbFormat, m_edtDir);
    setTabOrder(m_edtDir, m_edtFilename);
}

// Each subsystem is handed what it uses, and tells the window what changed.
void MainWindow::createSubsystems()
{
    m_joinList =
        new JoinList(*m_lv, m_prompter, *m_settings, *m_audioFileWrite, *m_audioFileRead, this);
    m_previewPlayer = new PreviewPlayer(*m_joinList, *m_audioFileRead, *m_audioPlayer, m_prompter,
                                        *m_busy, *this, this);
    JoinCommand::View view{
        [this] { return m_edtFilename->text(); },
        [this] { return m_cbFormat->currentIndex(); },
        [this] { m_edtFilename->setText(kNewName); },
        [this](int percent) { m_pb->setPosition(percent); },
        [this](bool joining) { m_pb->setCaptionVisible(joining); },
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
    m_fmAbout = new AboutDialog(m_prompter, this);
    m_fmDir = new FolderDialog(*m_settings, *this, this);
    m_fmId3 = new TagDialog(m_tagValues, *m_settings, *this, this);
}

// The settings dialog reads its values each time it is shown, so it is built
// at first use: a join that never opens it does not carry its many controls.
OutputSettingsDialog &MainWindow::fm_set()
{
    if (!m_fmSet)
        m_fmSet = new OutputSettingsDialog(*m_settings, *this, this);
    return *m_fmSet;
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
    bind(a.addFile, &MainWindow::addFile1Click);
    bind(a.addPath, &MainWindow::addPath1Click);
    bind(a.removeFile, &MainWindow::remove1Click);
    bind(a.clear, &MainWindow::clear1Click);
    bind(a.sortByName, &MainWindow::sortByName1Click);
    bind(a.exit, &MainWindow::exit1Click);
    bind(a.join, &MainWindow::join1Click);
    bind(a.stop, &MainWindow::stop1Click);
    bind(a.play, &MainWindow::play1Click);
    bind(a.pause, &MainWindow::pause1Click);
    bind(a.stopPlaying, &MainWindow::stopplay1Click);
    bind(a.options, &MainWindow::option1Click);
    bind(a.id3Tag, &MainWindow::id3Tag1Click);
    bind(a.content, &MainWindow::content1Click);
    bind(a.webSite, &MainWindow::webSite1Click);
    bind(a.about, &MainWindow::about1Click);

    connect(m_lv, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_menus->pm()->popup(m_lv->viewport()->mapToGlobal(pos));
    });
    connect(m_lv, &QTreeWidget::doubleClicked, this, [this] { guarded(&MainWindow::lvDblClick); });
    m_lv->setDropGate({[this](const QStringList &paths) { return mayDropFiles(paths); },
                       [this] { return mayMoveRows(); }});
    // Queued: the admission pumps events and shows its messages, while the file
    // manager waits for its drop to be answered.
    connect(
        m_lv, &JoinListView::pathsDropped, this,
        [this](const QStringList &paths, const QStringList &unreachable) {
            runGuarded(*this, [&] { dropFiles(paths, unreachable); });
        },
        Qt::QueuedConnection);
    connect(m_lv, &JoinListView::rowMoveRequested, this,
            [this](int from, int to) { runGuarded(*this, [&] { lvMoveRow(from, to); }); });
    connect(m_skin, &Skin::click, this,
            [this](const QString &name) { runGuarded(*this, [this, name] { skinClick(name); }); });
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    formShow();
}

void MainWindow::formShow()
{
    // A skin that cannot be loaded is reported once; the window still works without it.
    runGuarded(*this, [this] { loadSkin(); });
    // So is a settings file too large to be one: the window runs on the defaults
    // and leaves the file alone.
    runGuarded(*this, [this] { m_settings->open(); });
    runGuarded(*this, [this] {
        m_edtFilename->setText(kNewName);
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
    m_edtDir->setText(m_settings->readText(SettingsKeys::kJoin, SettingsKeys::kOutputDirectory,
                                           AppPaths::defaultOutputFolder()));
    const int format =
        m_settings->readInteger(SettingsKeys::kJoin, SettingsKeys::kFormat, kDefaultFormat);
    // A stored value outside the list leaves the box without a selection.
    m_cbFormat->setCurrentIndex(format >= 0 && format < m_cbFormat->count() ? format : -1);
}

void MainWindow::placeControls()
{
    place(m_lv, kLvPlace);
    place(m_pb, kPbPlace);
    place(m_edtFilename, kFilenamePlace);
    place(m_cbFormat, kFormatPlace);
    place(m_edtDir, kDirPlace);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    runGuarded(*this, [this] {
        // A join still running stops at its next check.
        m_busy->stopJoin();
        if (m_settings->isOpen()) {
            m_settings->writeInteger(SettingsKeys::kJoin, SettingsKeys::kFormat,
                                     m_cbFormat->currentIndex());
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

void MainWindow::skinClick(const QString &name)
{
    // Exact names, case included, in this order; any other name does nothing.
    struct Dispatch {
        const char *name;
        void (MainWindow::*command)();
    };
    // One element a line, in dispatch order.
    // clang-format off
    static const Dispatch kTable[] = {
        {"Add", &MainWindow::addFile1Click},
        {"Remove", &MainWindow::remove1Click},
        {"Clear", &MainWindow::clear1Click},
        {"Up", &MainWindow::moveUpClick},
        {"Down", &MainWindow::moveDownClick},
        {"Play", nullptr},
        {"Pause", &MainWindow::pause1Click},
        {"Stop playing", &MainWindow::stopplay1Click},
        {"join", &MainWindow::join1Click},
        {"Stop", &MainWindow::stop1Click},
        {"ID3Tag", &MainWindow::id3Tag1Click},
        {"Options", &MainWindow::option1Click},
        {"Browse", &MainWindow::browseClick},
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

void MainWindow::addFile1Click()
{
    if (m_busy->joinBusy())
        return;
    m_joinList->addFile();
}

void MainWindow::addPath1Click()
{
    if (m_busy->joinBusy() || m_busy->playing() || m_busy->adding())
        return;
    m_fmDir->setAction(QString());
    m_fmDir->setAction(QStringLiteral("Please select the folder you want to add."));
    m_fmDir->setWindowTitle(QStringLiteral("Open Folder"));
    m_fmDir->showSubFolderSwitch();
    showDialog(*m_fmDir);
    const QString folder = m_fmDir->result();
    if (!folder.isEmpty())
        m_joinList->addPath(folder);
}

void MainWindow::remove1Click()
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

void MainWindow::clear1Click()
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

void MainWindow::moveUpClick()
{
    if (mayMoveRows())
        m_joinList->moveUp();
}

void MainWindow::moveDownClick()
{
    if (mayMoveRows())
        m_joinList->moveDown();
}

void MainWindow::sortByName1Click()
{
    // The rows move as Up and Down move them, so under the same guard.
    if (mayMoveRows() && !m_busy->adding())
        m_joinList->sortByName();
}

void MainWindow::lvMoveRow(int from, int to)
{
    if (mayMoveRows())
        m_joinList->moveRow(from, to);
}

bool MainWindow::mayDropFiles(const QStringList &paths) const
{
    if (m_busy->joinBusy() || m_busy->adding())
        return false;
    // A folder is scanned on AudioFileRead, which the preview reads from: as
    // Add Path, not while playing. Files alone are admitted as Add File admits.
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

void MainWindow::join1Click()
{
    m_joinCommand->joinFiles();
}

void MainWindow::stop1Click()
{
    m_busy->stopJoin();
}

void MainWindow::play1Click()
{
    if (m_busy->joinBusy()) {
        m_prompter.information(Messages::kStopConvertingFirst);
        return;
    }
    if (m_busy->adding())
        return;
    m_previewPlayer->playFile();
}

void MainWindow::pause1Click()
{
    m_previewPlayer->pausePlay();
}

void MainWindow::stopplay1Click()
{
    m_previewPlayer->stopPlay();
}

void MainWindow::option1Click()
{
    if (m_busy->joinBusy())
        return;
    showDialog(fm_set());
}

void MainWindow::id3Tag1Click()
{
    if (m_busy->joinBusy())
        return;
    showDialog(*m_fmId3);
}

void MainWindow::browseClick()
{
    m_outputFields->browseClick();
}

void MainWindow::exit1Click()
{
    close();
}

void MainWindow::content1Click()
{
    m_prompter.openUrl(QUrl::fromLocalFile(AppPaths::helpPage()));
}

void MainWindow::webSite1Click()
{
    m_prompter.openUrl(QUrl(Links::kWebSite));
}

void MainWindow::about1Click()
{
    showDialog(*m_fmAbout);
}

void MainWindow::lvDblClick()
{
    m_previewPlayer->lvDblClick();
}
