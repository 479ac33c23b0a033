#pragma once

#include "platform/prompter.h"

// The messages the window shows in boxes, written to standard error instead.
// The command line asks no questions: what the window would ask is decided by
// options (-y) before the join, so a question is answered No.
class StderrPrompter : public Prompter {
public:
    void information(const QString &text) override;
    void plain(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QStringList chooseFilesToOpen(const FileOpenRequest &request) override;
    int showModal(QDialog &dialog) override;
    void openUrl(const QUrl &url) override;
};
