#include "support/scriptedprompter.h"

#include <QDialog>

void ScriptedPrompter::queueYesNo(bool yes)
{
    m_yesNo.push_back(yes);
}

void ScriptedPrompter::queueOpenFiles(const QStringList &files)
{
    m_openFiles.push_back(files);
}

void ScriptedPrompter::queueDialog(DialogScript script)
{
    m_dialogs.push_back(std::move(script));
}

QStringList ScriptedPrompter::messages() const
{
    QStringList texts;
    for (const Shown &item : m_shown) {
        if (item.kind == Kind::Information || item.kind == Kind::Plain
            || item.kind == Kind::Question)
            texts << item.text;
    }
    return texts;
}

QList<ScriptedPrompter::Kind> ScriptedPrompter::kinds() const
{
    QList<Kind> result;
    for (const Shown &item : m_shown)
        result << item.kind;
    return result;
}

void ScriptedPrompter::clear()
{
    m_shown.clear();
    m_openedUrls.clear();
}

void ScriptedPrompter::record(Kind kind, const QString &text)
{
    m_shown.append({kind, text});
    if (m_messageHook && kind != Kind::Modal && kind != Kind::OpenDialog)
        m_messageHook(text);
}

void ScriptedPrompter::information(const QString &text)
{
    record(Kind::Information, text);
}

void ScriptedPrompter::plain(const QString &text)
{
    record(Kind::Plain, text);
}

bool ScriptedPrompter::askYesNo(const QString &text)
{
    record(Kind::Question, text);
    if (m_yesNo.empty())
        return false;
    const bool answer = m_yesNo.front();
    m_yesNo.pop_front();
    return answer;
}

QStringList ScriptedPrompter::chooseFilesToOpen(const FileOpenRequest &request)
{
    record(Kind::OpenDialog, QString());
    m_lastOpenRequest = request;
    if (m_openFiles.empty())
        return {};
    QStringList files = m_openFiles.front();
    m_openFiles.pop_front();
    return files;
}

int ScriptedPrompter::showModal(QDialog &dialog)
{
    record(Kind::Modal, dialog.windowTitle());
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (!m_dialogs.empty()) {
        DialogScript script = std::move(m_dialogs.front());
        m_dialogs.pop_front();
        script(dialog);
    }
    // Whatever the script left open is closed as by the window's close box.
    if (dialog.isVisible())
        dialog.close();
    return dialog.result();
}

void ScriptedPrompter::openUrl(const QUrl &url)
{
    m_openedUrls.append(url);
}
