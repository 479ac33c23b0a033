#include "cli/stderrprompter.h"

#include "cli/console.h"

void StderrPrompter::information(const QString &text)
{
    Console::printError(text);
}

void StderrPrompter::plain(const QString &text)
{
    Console::printError(text);
}

bool StderrPrompter::askYesNo(const QString &text)
{
    Console::printError(text);
    return false;
}

QStringList StderrPrompter::chooseFilesToOpen(const FileOpenRequest &)
{
    return {};
}

int StderrPrompter::showModal(QDialog &)
{
    // As if closed by its close box; no dialog is ever shown from here.
    return 0;
}

void StderrPrompter::openUrl(const QUrl &) {}
