#pragma once

#include "cli/commandline.h"
#include "cli/madefolders.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QEventLoop;

// --each: a book per folder, each joined by a join of its own in a child
// process of this program, so that a book that fails or crashes touches no
// other and each keeps the single join's guarantees (refusals before anything
// is written, nothing left behind when it fails or is stopped). Up to -j books
// run at once; a stop signal stops the running ones and starts no other. At
// the end, a summary names every book and what became of it.
class BookBatch {
public:
    explicit BookBatch(const JoinRequest &request);
    ~BookBatch();
    BookBatch(const BookBatch &) = delete;
    BookBatch &operator=(const BookBatch &) = delete;

    // Runs every book and gives the exit code.
    int run();

private:
    enum class Outcome { Waiting, Running, Done, Refused, Failed, Stopped };

    struct Book {
        QString name;
        QStringList inputs;
        Outcome outcome = Outcome::Waiting;
        // What the book's join said: its summary when done, its messages otherwise.
        QString text;
        // Whether the join got under way: an end after that is a failure, not a refusal.
        bool underWay = false;
        bool measuring = false;
        int percent = 0;
        std::unique_ptr<QProcess> process;
        // Standard output not yet read to a line's end.
        QByteArray partialLine;
    };

    void startWaiting();
    void start(Book &book);
    QStringList childArguments(const Book &book) const;
    void readOutput(Book &book);
    void ended(Book &book, int exitCode, QProcess::ExitStatus status);
    void tick();
    void stop();
    int runningCount() const;
    void showEnd(const Book &book);
    void drawBoard();
    void printSummary() const;
    static QString outcomeLine(const Book &book);

    JoinRequest m_request;
    QString m_extension;
    // Filled before the first starts, never moved after: each child refers to its own.
    std::vector<Book> m_books;
    bool m_stopping = false;
    bool m_boardShown = false;
    bool m_boardDue = false;
    // The output folder and those above it that were missing: made here rather
    // than by each book, which would race to make them, and taken away again
    // when no book is written into them.
    MadeFolders m_madeFolders;
    QEventLoop *m_loop = nullptr;
};
