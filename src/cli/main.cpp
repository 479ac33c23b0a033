// vantorel-join: the command-line joiner, on the same engine as the window.

#include "cli/bookbatch.h"
#include "cli/clitexts.h"
#include "cli/commandline.h"
#include "cli/commandlinejoin.h"
#include "cli/console.h"
#include "cli/exitcode.h"
#include "cli/stopsignal.h"
#include "platform/filenamebytes.h"

#include <QCoreApplication>

#include <exception>

int main(int argc, char **argv)
{
    // Before anything else: a stop signal must never end the process half-way
    // through its own set-up with something written.
    StopSignal::install();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(CliTexts::kProgram);
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOREL_VERSION));

    const CommandLine commandLine(QCoreApplication::arguments());
    switch (commandLine.action()) {
    case CommandLine::Action::Help:
        Console::printLine(commandLine.helpText().trimmed());
        return ExitCode::kDone;
    case CommandLine::Action::Version:
        Console::printLine(CliTexts::kProgram + QLatin1Char(' ')
                           + QCoreApplication::applicationVersion());
        return ExitCode::kDone;
    case CommandLine::Action::UsageError:
        Console::printError(commandLine.error());
        Console::printError(CliTexts::kTryHelp.arg(CliTexts::kProgram));
        return ExitCode::kUsage;
    case CommandLine::Action::Join:
        break;
    }
    try {
        JoinRequest request = commandLine.request();
        request.unreachableNames = FileNameBytes::unreachableArguments(argc, argv);
        if (request.each)
            return BookBatch(request).run();
        return CommandLineJoin(request).run();
    } catch (const std::exception &error) {
        // AudioError and SettingsError name the file and the cause.
        Console::printError(QString::fromUtf8(error.what()));
        return ExitCode::kFailed;
    }
}
