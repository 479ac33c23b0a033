#pragma once

#include "platform/prompter.h"

#include <QList>
#include <QUrl>

#include <deque>
#include <functional>

class QDialog;

// Answers every question from a script and records what the user would have seen.
class ScriptedPrompter : public Prompter {
public:
    enum class Kind { Information, Plain, Question, OpenDialog, Modal };
    struct Shown {
        Kind kind;
        QString text;  // message text, or the dialog's caption
    };
    using DialogScript = std::function<void(QDialog &)>;

    // Queued answers; without one, a question is answered No, the open dialog
    // is cancelled and a modal dialog is closed by its close box.
    void queueYesNo(bool yes);
    void queueOpenFiles(const QStringList &files);
    void queueDialog(DialogScript script);

    // What was shown, in order.
    const QList<Shown> &shown() const { return m_shown; }
    // The texts of the message boxes and questions only.
    QStringList messages() const;
    QList<Kind> kinds() const;
    void clear();
    const QList<QUrl> &openedUrls() const { return m_openedUrls; }
    const FileOpenRequest &lastOpenRequest() const { return m_lastOpenRequest; }
    // Called with each message as it is shown (for example to act meanwhile).
    void onMessage(std::function<void(const QString &)> hook) { m_messageHook = std::move(hook); }

    void information(const QString &text) override;
    void plain(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QStringList chooseFilesToOpen(const FileOpenRequest &request) override;
    int showModal(QDialog &dialog) override;
    void openUrl(const QUrl &url) override;

private:
    void record(Kind kind, const QString &text);

    QList<Shown> m_shown;
    QList<QUrl> m_openedUrls;
    FileOpenRequest m_lastOpenRequest;
    std::deque<bool> m_yesNo;
    std::deque<QStringList> m_openFiles;
    std::deque<DialogScript> m_dialogs;
    std::function<void(const QString &)> m_messageHook;
};
