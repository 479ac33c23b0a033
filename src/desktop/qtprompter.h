#pragma once

#include "platform/prompter.h"

#include <QPointer>

class QWidget;

// The real prompter: Qt message boxes, the Qt file dialog, QDialog::exec and
// QDesktopServices.
class QtPrompter : public Prompter {
public:
    void setParentWindow(QWidget *window);

    void information(const QString &text) override;
    void plain(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QStringList chooseFilesToOpen(const FileOpenRequest &request) override;
    int showModal(QDialog &dialog) override;
    void openUrl(const QUrl &url) override;

private:
    QPointer<QWidget> m_parent;
};
