#include "cli/console.h"

#include "cli/clitexts.h"

#include <sys/ioctl.h>
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
// Up that many lines; and the screen cleared below the cursor.
const QString kUp = QStringLiteral("\033[%1A");
const QString kClearBelow = QStringLiteral("\033[J");
constexpr int kFallbackWidth = 80;

// The lines of the block drawn last, still on the screen.
int g_blockLines = 0;

int terminalWidth()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col;
    return kFallbackWidth;
}

QString upOverBlock()
{
    return g_blockLines > 0 ? kUp.arg(g_blockLines) + kRedraw : kRedraw;
}

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

void drawBlock(const QStringList &lines)
{
    // A line that wrapped would take two rows and the block would creep down.
    const int width = terminalWidth() - 1;
    QString text = upOverBlock();
    for (const QString &line : lines)
        text += line.left(width) + kClearToEnd + QLatin1Char('\n');
    put(text + kClearBelow, stderr);
    g_blockLines = int(lines.size());
}

void clearBlock()
{
    if (g_blockLines > 0)
        put(upOverBlock() + kClearBelow, stderr);
    g_blockLines = 0;
}

}  // namespace Console
