#pragma once

#include <QDir>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The books of the folders given to --each. A folder is a book when it has
// audio files of its own or part folders (PartFolder) that have: its inputs
// are its own folder, then its parts in number order. Its other
// sub-folders are looked at the same way, so that a shelf and the books on it
// give the same books. Only names are looked at here: the files themselves
// are checked by each book's own join.
class BookShelf {
public:
    struct Book {
        // The output's name, without its extension.
        QString name;
        QString folder;
        // Folders, each joined without its sub-folders, in join order.
        QStringList inputs;
    };
    struct Refusal {
        QString folder;
        QString message;
    };

    // skipped: a folder never looked into, the outputs' own (an earlier
    // batch's outputs there are no book).
    BookShelf(const QStringList &folders, const QString &skipped);

    const QList<Book> &books() const { return m_books; }
    const QList<Refusal> &refusals() const { return m_refusals; }

private:
    // True when the folder or one below it is a book.
    bool look(const QString &folder);
    // Whether folder has audio files of its own.
    static bool hasAudio(const QDir &folder);
    void refuseSharedNames();

    QList<Book> m_books;
    QList<Refusal> m_refusals;
    // Canonical paths of the folders looked at, and whether a book was found
    // in each: a folder given twice, or reached again through a link, is
    // looked at once.
    QHash<QString, bool> m_seen;
    QString m_skipped;
};
