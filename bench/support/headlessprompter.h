#pragma once

#include "platform/prompter.h"

// Answers the program's questions without a window, for the benchmarks: it
// keeps every message shown, answers Yes to every question and gives the
// open dialog a fixed list of files.
class HeadlessPrompter : public Prompter {
public:
    QStringList shown;
    QStringList filesToOpen;

    void information(const QString &text) override;
    void plain(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QStringList chooseFilesToOpen(const FileOpenRequest &request) override;
    int showModal(QDialog &dialog) override;
    void openUrl(const QUrl &url) override;
};
