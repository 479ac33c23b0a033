#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QUrl;

// What the open dialog is asked to show.
struct FileOpenRequest {
    QString startFolder;
    QStringList nameFilters;  // "Description (*.a *.b)", the first one shown at first
};

// Every question to the user and every modal window goes through here, so that
// tests can answer from a script instead of blocking on a real window.
class Prompter {
public:
    virtual ~Prompter();

    // Caption "Information", information icon, OK.
    virtual void information(const QString &text) = 0;
    // Caption "Information", no icon, OK.
    virtual void plain(const QString &text) = 0;
    // Caption "Information", buttons Yes and No; true for Yes.
    virtual bool askYesNo(const QString &text) = 0;
    // Several existing or typed file names; empty when cancelled.
    virtual QStringList chooseFilesToOpen(const FileOpenRequest &request) = 0;
    // Shows the dialog modally and returns when it has closed.
    virtual int showModal(QDialog &dialog) = 0;
    // Hands an address (help page, web site, mail) to the desktop.
    virtual void openUrl(const QUrl &url) = 0;
};
