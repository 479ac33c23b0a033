#include "dialogs/folderdialog.h"

#include "dialogs/folderrootsmodel.h"
#include "platform/errorreport.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeView>
#include <QVBoxLayout>

FolderDialog::FolderDialog(Settings &settings, ErrorReport &report, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_report(report)
{
    setWindowTitle(QStringLiteral("Output Directory"));
    setFixedSize(302, 274);

    m_promptLabel = new QLabel(QStringLiteral("Please select the folder you want to scan"), this);
    m_promptLabel->setObjectName(QStringLiteral("lbl_action"));
    m_promptLabel->setWordWrap(true);

    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("stview_selectdir"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);

    m_subFolderCheck = new QCheckBox(QStringLiteral("Include Sub-folders"), this);
    m_subFolderCheck->setObjectName(QStringLiteral("cbx_sub"));
    m_subFolderCheck->hide();

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("btn_ok"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btn_cancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_subFolderCheck);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_promptLabel);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this,
            [this] { runGuarded(m_report, [this] { acceptFolder(); }); });
    connect(cancel, &QPushButton::clicked, this,
            [this] { runGuarded(m_report, [this] { cancelSelection(); }); });
}

void FolderDialog::setAction(const QString &prompt)
{
    m_promptLabel->setText(prompt);
}

void FolderDialog::showSubFolderSwitch()
{
    m_subFolderCheck->show();
}

void FolderDialog::ensureFolderTree()
{
    // Made at the first opening: reading the folders costs threads and memory
    // that a session which never opens the dialog should not pay.
    if (m_model)
        return;
    m_model = new FolderRootsModel(FolderRootsModel::homeAndDrives(), this);
    m_tree->setModel(m_model);
    // The home folder comes first, opened.
    m_tree->expand(m_model->index(0, 0));
}

void FolderDialog::selectFolder(const QString &path)
{
    ensureFolderTree();
    const QModelIndex index = m_model->indexOfPath(path);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
}

void FolderDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window manager restoring the window is no new opening.
    if (!event->spontaneous())
        runGuarded(m_report, [this] { loadValues(); });
}

void FolderDialog::loadValues()
{
    ensureFolderTree();
    m_result.clear();
    m_subFolderCheck->setChecked(
        m_settings.readSwitch(SettingsKeys::kBasic, SettingsKeys::kEnableSubDir, false));
}

void FolderDialog::acceptFolder()
{
    ensureFolderTree();
    const QModelIndexList selected = m_tree->selectionModel()->selectedIndexes();
    m_result = selected.isEmpty() ? QString() : m_model->filePath(selected.first());
    m_settings.writeSwitch(SettingsKeys::kBasic, SettingsKeys::kEnableSubDir,
                           m_subFolderCheck->isChecked());
    accept();
}

void FolderDialog::cancelSelection()
{
    m_result.clear();
    reject();
}

void FolderDialog::done(int result)
{
    // Whoever opens the dialog next finds the switch hidden unless it shows it.
    m_subFolderCheck->hide();
    QDialog::done(result);
}
