#pragma once

#include <QString>

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
}  // namespace Console
