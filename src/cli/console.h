#pragma once

#include <QString>
#include <QStringList>

// The command-line joiner's output: results on standard output, everything
// else (messages, errors, progress) on standard error, in the locale's encoding.
namespace Console {
// One line on standard output.
void printLine(const QString &line);
// One line on standard error, after the program's name.
void printError(const QString &line);
// Whether standard error is a terminal, where a progress line can be redrawn.
bool errorIsTerminal();
// Redraws the progress line on standard error in place.
void drawProgress(const QString &line);
// Ends a drawn progress line, so that what follows starts on a line of its own.
void endProgress();
// Redraws a block of lines on standard error in place of the block drawn before,
// each line cut to the terminal's width so that the block keeps its height.
void drawBlock(const QStringList &lines);
// Clears the drawn block, so that what follows takes its place.
void clearBlock();
}  // namespace Console
