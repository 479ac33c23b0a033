#include "cli/console.h"

#include "cli/clitexts.h"

#include <unistd.h>

#include <cstdio>

namespace {

void put(const QString &text, std::FILE *stream)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Carriage return to the line's start; the escape clears what a longer line left.
const QString kRedraw = QStringLiteral("\r");
const QString kClearToEnd = QStringLiteral("\033[K");

}  // namespace

namespace Console {

void printLine(const QString &line)
{
    put(line + QLatin1Char('\n'), stdout);
}

void printError(const QString &line)
{
    put(CliTexts::kProgram + QStringLiteral(": ") + line + QLatin1Char('\n'), stderr);
}

bool errorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

void drawProgress(const QString &line)
{
    put(kRedraw + line + kClearToEnd, stderr);
}

void endProgress()
{
    put(QStringLiteral("\n"), stderr);
}

}  // namespace Console
