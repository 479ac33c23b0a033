#include "cli/bookbatch.h"

#include "audio/core/outputformats.h"
#include "cli/booklines.h"
#include "cli/bookshelf.h"
#include "cli/clitexts.h"
#include "cli/console.h"
#include "cli/exitcode.h"
#include "cli/stopsignal.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

namespace {
// How often a stop signal is looked for and the board redrawn.
constexpr int kTickMs = 150;
const QString kErrorPrefix = CliTexts::kProgram + QStringLiteral(": ");
}  // namespace

BookBatch::BookBatch(const JoinRequest &request) : m_request(request)
{
    m_extension = QString(kOutputFormats[m_request.formatIndex].extension);
}

BookBatch::~BookBatch() = default;

int BookBatch::run()
{
    const BookShelf shelf(m_request.inputs, m_request.output);
    for (const BookShelf::Book &found : shelf.books()) {
        Book &book = m_books.emplace_back();
        book.name = found.name;
        book.inputs = found.inputs;
    }
    for (const BookShelf::Refusal &refusal : shelf.refusals()) {
        Book &book = m_books.emplace_back();
        book.name = refusal.folder;
        book.outcome = Outcome::Refused;
        book.text = refusal.message;
    }
    if (shelf.books().isEmpty() || !m_madeFolders.make(m_request.output)) {
        printSummary();
        return ExitCode::kFailed;
    }

    QEventLoop loop;
    m_loop = &loop;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &loop, [this] { tick(); });
    ticker.start(kTickMs);
    startWaiting();
    if (runningCount() > 0)
        loop.exec();
    m_loop = nullptr;
    if (m_boardShown)
        Console::clearBlock();

    m_madeFolders.removeEmpty();
    printSummary();
    if (m_stopping)
        return ExitCode::kStopped;
    for (const Book &book : m_books) {
        if (book.outcome != Outcome::Done)
            return ExitCode::kFailed;
    }
    return ExitCode::kDone;
}

int BookBatch::runningCount() const
{
    return int(std::count_if(m_books.cbegin(), m_books.cend(),
                             [](const Book &book) { return book.outcome == Outcome::Running; }));
}

void BookBatch::startWaiting()
{
    for (Book &book : m_books) {
        if (m_stopping || runningCount() >= m_request.jobs)
            return;
        if (book.outcome == Outcome::Waiting)
            start(book);
    }
}

QStringList BookBatch::childArguments(const Book &book) const
{
    QStringList arguments = m_request.bookArguments;
    arguments << QStringLiteral("--progress-lines");
    if (!m_request.albumGiven)
        arguments << QStringLiteral("--album") << book.name;
    arguments << QStringLiteral("-o") << QDir(m_request.output).filePath(book.name + m_extension);
    // The folders after "--": a name that starts with a dash is still a folder.
    arguments << QStringLiteral("--") << book.inputs;
    return arguments;
}

void BookBatch::start(Book &book)
{
    book.outcome = Outcome::Running;
    book.process = std::make_unique<QProcess>();
    QProcess *process = book.process.get();
    process->setProgram(QCoreApplication::applicationFilePath());
    process->setArguments(childArguments(book));
    const pid_t parent = ::getpid();
    process->setChildProcessModifier([parent] {
        // Its own process group: Ctrl-C reaches the batch alone, which stops
        // each book once. And a book stops when the batch dies, however it dies.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(ExitCode::kStopped);
    });
    QObject::connect(process, &QProcess::readyReadStandardOutput, m_loop,
                     [this, &book] { readOutput(book); });
    QObject::connect(process, &QProcess::finished, m_loop,
                     [this, &book](int exitCode, QProcess::ExitStatus status) {
                         ended(book, exitCode, status);
                     });
    QObject::connect(process, &QProcess::errorOccurred, m_loop,
                     [this, &book](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             book.text = book.process->errorString();
                             ended(book, ExitCode::kFailed, QProcess::CrashExit);
                         }
                     });
    if (!m_request.quiet && !Console::errorIsTerminal())
        Console::printError(CliTexts::kBookStarted.arg(book.name));
    process->start();
    m_boardDue = true;
}

void BookBatch::readOutput(Book &book)
{
    book.partialLine += book.process->readAllStandardOutput();
    qsizetype end = 0;
    while ((end = book.partialLine.indexOf('\n')) >= 0) {
        const QString line = QString::fromLocal8Bit(book.partialLine.left(end));
        book.partialLine.remove(0, end + 1);
        if (const std::optional<BookLines::Progress> progress = BookLines::read(line)) {
            book.underWay = true;
            book.measuring = progress->measuring;
            book.percent = progress->percent;
            m_boardDue = true;
        } else if (!line.isEmpty()) {
            book.text = book.text.isEmpty() ? line : book.text + QStringLiteral("; ") + line;
        }
    }
}

void BookBatch::ended(Book &book, int exitCode, QProcess::ExitStatus status)
{
    if (book.outcome != Outcome::Running)
        return;
    readOutput(book);
    QStringList messages;
    const QStringList errors =
        QString::fromLocal8Bit(book.process->readAllStandardError()).split(QLatin1Char('\n'));
    for (QString line : errors) {
        if (line.startsWith(kErrorPrefix))
            line.remove(0, kErrorPrefix.size());
        if (!line.trimmed().isEmpty())
            messages << line;
    }
    if (status == QProcess::NormalExit && exitCode == ExitCode::kDone) {
        book.outcome = Outcome::Done;
    } else if (m_stopping || (status == QProcess::NormalExit && exitCode == ExitCode::kStopped)) {
        book.outcome = Outcome::Stopped;
    } else {
        book.outcome =
            status == QProcess::NormalExit && exitCode == ExitCode::kFailed && !book.underWay
                ? Outcome::Refused
                : Outcome::Failed;
        if (!messages.isEmpty())
            book.text = messages.join(QStringLiteral("; "));
        else if (book.text.isEmpty() || status != QProcess::NormalExit)
            book.text = CliTexts::kBookCrashed.arg(status == QProcess::NormalExit
                                                       ? QString::number(exitCode)
                                                       : book.process->errorString());
    }
    book.process.release()->deleteLater();
    showEnd(book);
    startWaiting();
    if (runningCount() == 0 && m_loop)
        m_loop->quit();
}

void BookBatch::tick()
{
    if (StopSignal::requested() && !m_stopping)
        stop();
    if (m_boardDue)
        drawBoard();
}

void BookBatch::stop()
{
    // Each book drops its unfinished output itself; those not started stay so.
    m_stopping = true;
    for (Book &book : m_books) {
        if (book.outcome == Outcome::Running)
            book.process->terminate();
    }
}

void BookBatch::showEnd(const Book &book)
{
    m_boardDue = true;
    if (m_request.quiet || Console::errorIsTerminal())
        return;
    Console::printError(outcomeLine(book));
}

void BookBatch::drawBoard()
{
    m_boardDue = false;
    if (m_request.quiet || !Console::errorIsTerminal())
        return;
    QStringList lines;
    for (const Book &book : m_books) {
        if (book.outcome != Outcome::Running)
            continue;
        lines << (book.measuring ? CliTexts::kBookMeasuring : CliTexts::kBookJoining)
                     .arg(book.name)
                     .arg(book.percent, 3);
    }
    Console::drawBlock(lines);
    m_boardShown = true;
}

QString BookBatch::outcomeLine(const Book &book)
{
    switch (book.outcome) {
    case Outcome::Done:
        return CliTexts::kBookDone.arg(book.name, book.text);
    case Outcome::Refused:
        return CliTexts::kBookRefused.arg(book.name, book.text);
    case Outcome::Failed:
        return CliTexts::kBookFailed.arg(book.name, book.text);
    case Outcome::Stopped:
        return CliTexts::kBookStopped.arg(book.name);
    case Outcome::Waiting:
    case Outcome::Running:
        break;
    }
    return CliTexts::kBookNotStarted.arg(book.name);
}

void BookBatch::printSummary() const
{
    int done = 0;
    for (const Book &book : m_books) {
        const bool good = book.outcome == Outcome::Done;
        done += good ? 1 : 0;
        // Quiet, only what went wrong is said, as an error.
        if (!m_request.quiet)
            Console::printLine(outcomeLine(book));
        else if (book.outcome == Outcome::Refused || book.outcome == Outcome::Failed)
            Console::printError(outcomeLine(book));
    }
    if (!m_request.quiet)
        Console::printLine(CliTexts::kBooksCounted.arg(done).arg(m_books.size()));
}
