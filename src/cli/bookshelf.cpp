#include "cli/bookshelf.h"

#include "cli/clitexts.h"
#include "inputs/inputtypes.h"
#include "inputs/naturalorder.h"
#include "inputs/partfolder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

struct Part {
    int number;
    QString folder;
};

}  // namespace

BookShelf::BookShelf(const QStringList &folders, const QString &skipped)
    : m_skipped(QFileInfo(skipped).canonicalFilePath())
{
    for (const QString &folder : folders) {
        const QFileInfo info(folder);
        if (!info.isDir())
            m_refusals.append({folder, CliTexts::kBookNotAFolder});
        else if (!look(QDir::cleanPath(info.absoluteFilePath())))
            m_refusals.append({folder, CliTexts::kBookWithoutAudio});
    }
    refuseSharedNames();
}

bool BookShelf::hasAudio(const QDir &folder)
{
    const QStringList files = folder.entryList(QDir::Files);
    return std::any_of(files.cbegin(), files.cend(), InputTypes::isAccepted);
}

bool BookShelf::look(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (const auto seen = m_seen.constFind(canonical); seen != m_seen.cend())
        return seen.value();
    if (!m_skipped.isEmpty() && canonical == m_skipped)
        return false;
    m_seen.insert(canonical, false);

    const QDir dir(folder);
    QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(folders.begin(), folders.end(), NaturalOrder::lessThan);
    const bool ownAudio = hasAudio(dir);

    QList<Part> parts;
    QStringList others;
    for (const QString &name : std::as_const(folders)) {
        const int number = PartFolder::number(name);
        // A "Part 1" holding books of its own, not audio, is a shelf.
        if (number >= 0 && hasAudio(QDir(dir.filePath(name))))
            parts.append({number, dir.filePath(name)});
        else
            others << dir.filePath(name);
    }
    // Equal numbers keep their name order.
    std::stable_sort(parts.begin(), parts.end(),
                     [](const Part &a, const Part &b) { return a.number < b.number; });

    bool found = false;
    if (ownAudio || !parts.isEmpty()) {
        Book book{QFileInfo(folder).fileName(), folder, {}};
        if (ownAudio)
            book.inputs << folder;
        for (const Part &part : std::as_const(parts))
            book.inputs << part.folder;
        m_books.append(book);
        found = true;
    }
    for (const QString &other : std::as_const(others))
        found = look(other) || found;
    m_seen.insert(canonical, found);
    return found;
}

void BookShelf::refuseSharedNames()
{
    // Their outputs would be one file: neither is joined rather than one
    // quietly replacing the other.
    QHash<QString, int> counts;
    for (const Book &book : std::as_const(m_books))
        ++counts[book.name];
    QList<Book> kept;
    for (const Book &book : std::as_const(m_books)) {
        if (counts.value(book.name) > 1)
            m_refusals.append({book.folder, CliTexts::kBookNameShared.arg(book.name)});
        else
            kept.append(book);
    }
    m_books = kept;
}
