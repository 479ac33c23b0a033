#include "app/outputfields.h"

#include "platform/errorreport.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "player/busystate.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <utility>

namespace {
// Kept portable: the names must also be valid on other systems' file systems.
const QString kRefusedFilenameChars = QStringLiteral("\"*/:<>?\\|");
}  // namespace

OutputFields::OutputFields(Parts parts, QObject *parent)
    : QObject(parent), m_parts(std::move(parts))
{
    m_parts.fileNameEdit.installEventFilter(this);
}

bool OutputFields::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_parts.fileNameEdit)
        return QObject::eventFilter(watched, event);
    bool refused = false;
    runGuarded(m_parts.report, [&] {
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
    m_savedFileName = m_parts.fileNameEdit.text();
}

bool OutputFields::refuseInvalidKey(const QString &typed)
{
    if (typed.size() != 1 || !kRefusedFilenameChars.contains(typed.at(0)))
        return false;
    m_parts.prompter.information(Messages::kInvalidFilenameChar);
    return true;
}

void OutputFields::restoreEmptyFileName()
{
    if (!m_parts.fileNameEdit.text().isEmpty())
        return;
    m_parts.prompter.information(Messages::kFilenameEmpty);
    m_parts.fileNameEdit.setText(m_savedFileName);
}

void OutputFields::chooseOutputFolder()
{
    if (m_parts.busy.joinBusy())
        return;
    const QString folder =
        m_parts.askFolder(QStringLiteral("Output Directory"),
                          QStringLiteral("Please select the folder you want to save your files."));
    if (folder.isEmpty())
        return;
    m_parts.folderEdit.clear();
    m_parts.folderEdit.setText(folder);
    m_parts.settings.writeText(SettingsKeys::kJoin, SettingsKeys::kOutputDirectory, folder);
}
