#include "app/outputfields.h"

#include "app/mainwindow.h"
#include "dialogs/folderdialog.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {
// Kept portable: the names must also be valid on other systems' file systems.
const QString kRefusedFilenameChars = QStringLiteral("\"*/:<>?\\|");
}  // namespace

OutputFields::OutputFields(MainWindow &main) : QObject(&main), m_main(main)
{
    m_main.fileNameEdit()->installEventFilter(this);
}

bool OutputFields::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_main.fileNameEdit())
        return QObject::eventFilter(watched, event);
    bool refused = false;
    runGuarded(m_main, [&] {
        switch (event->type()) {
        case QEvent::FocusIn:
            if (movesWithinTheWindow(static_cast<QFocusEvent *>(event)->reason()))
                rememberFileName();
            break;
        case QEvent::KeyPress:
            refused = refuseInvalidKey(static_cast<QKeyEvent *>(event)->text());
            break;
        case QEvent::FocusOut:
            if (movesWithinTheWindow(static_cast<QFocusEvent *>(event)->reason()))
                restoreEmptyFileName();
            break;
        default:
            break;
        }
    });
    return refused;
}

bool OutputFields::movesWithinTheWindow(Qt::FocusReason reason)
{
    // Another window taking over (a message box, a menu, another program)
    // neither enters nor leaves the field: the user has not moved on from it.
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

void OutputFields::rememberFileName()
{
    m_savedFileName = m_main.fileNameEdit()->text();
}

bool OutputFields::refuseInvalidKey(const QString &typed)
{
    if (typed.size() != 1 || !kRefusedFilenameChars.contains(typed.at(0)))
        return false;
    m_main.prompter().information(Messages::kInvalidFilenameChar);
    return true;
}

void OutputFields::restoreEmptyFileName()
{
    if (!m_main.fileNameEdit()->text().isEmpty())
        return;
    m_main.prompter().information(Messages::kFilenameEmpty);
    m_main.fileNameEdit()->setText(m_savedFileName);
}

void OutputFields::chooseOutputFolder()
{
    if (m_main.busy().joinBusy())
        return;
    FolderDialog &dialog = m_main.folderDialog();
    dialog.setWindowTitle(QStringLiteral("Output Directory"));
    dialog.setAction(QString());
    dialog.setAction(QStringLiteral("Please select the folder you want to save your files."));
    m_main.showDialog(dialog);
    const QString folder = dialog.result();
    if (folder.isEmpty())
        return;
    m_main.folderEdit()->clear();
    m_main.folderEdit()->setText(folder);
    m_main.settings().writeText(SettingsKeys::kJoin, SettingsKeys::kOutputDirectory, folder);
}
