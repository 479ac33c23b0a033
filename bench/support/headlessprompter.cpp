#include "support/headlessprompter.h"

void HeadlessPrompter::information(const QString &text)
{
    shown << text;
}

void HeadlessPrompter::plain(const QString &text)
{
    shown << text;
}

bool HeadlessPrompter::askYesNo(const QString &)
{
    return true;
}

QStringList HeadlessPrompter::chooseFilesToOpen(const FileOpenRequest &)
{
    return filesToOpen;
}

int HeadlessPrompter::showModal(QDialog &)
{
    return 0;
}

void HeadlessPrompter::openUrl(const QUrl &) {}
