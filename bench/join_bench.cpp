// Runs the real join headless and reports how fast it was and how much memory
// it took.
//
//   join_bench --format mp3|wav|wma|ogg|flac|m4b --output FILE [--settings INI] INPUT...
//
// The inputs are admitted as Add File admits them, the format is chosen in the
// format box, the output folder and name come from FILE, an existing output is
// overwritten. With --settings that INI file provides the encoder settings,
// otherwise the defaults apply. Any message box ends the run with an error.

#include "app/mainwindow.h"
#include "audio/audiofile.h"
#include "joinlist/joinlist.h"
#include "player/menuactions.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "settings/valuelists.h"
#include "support/headlessprompter.h"
#include "support/processusage.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

namespace {

struct Options {
    int format = -1;
    QString output;
    QString settings;
    QStringList inputs;
};

int formatIndex(const QString &name)
{
    return ValueLists::outputFormatCaptions().indexOf(name.toUpper());
}

std::optional<Options> parse(const QStringList &args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--format" && hasValue)
            options.format = formatIndex(args[++i]);
        else if (arg == "--output" && hasValue)
            options.output = QFileInfo(args[++i]).absoluteFilePath();
        else if (arg == "--settings" && hasValue)
            options.settings = QFileInfo(args[++i]).absoluteFilePath();
        else
            options.inputs << QFileInfo(arg).absoluteFilePath();
    }
    if (options.format < 0 || options.output.isEmpty() || options.inputs.isEmpty())
        return std::nullopt;
    return options;
}

double secondsOfAudio(const QStringList &inputs)
{
    double seconds = 0;
    AudioFile probe;
    for (const QString &input : inputs) {
        probe.openFile(input, 0, 1);
        seconds += double(probe.sampleCount()) / probe.sampleRate();
        probe.closeFile();
    }
    return seconds;
}
}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);

    const std::optional<Options> options = parse(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(
            stderr,
            "usage: join_bench --format mp3|wav|wma|ogg|flac|m4b --output FILE [--settings INI] "
            "INPUT...\n");
        return 2;
    }
    if (!options->settings.isEmpty()
        && !QFile::copy(options->settings, config.filePath("vantorel.ini"))) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(options->settings));
        return 2;
    }

    HeadlessPrompter prompter;
    double audioSeconds = 0;
    double wallSeconds = 0;
    {
        MainWindow main(prompter);
        main.show();
        const QFileInfo output(options->output);
        main.settings().writeText(SettingsKeys::kJoin, SettingsKeys::kOutputDirectory,
                                  output.absolutePath());
        AudioFile probe;
        for (const QString &input : options->inputs)
            main.joinList().admitFile(input, probe);
        // An input the window refuses ends the benchmark with the window's message.
        if (prompter.shown.isEmpty()) {
            main.formatBox()->setCurrentIndex(options->format);
            main.fileNameEdit()->setText(output.completeBaseName());
            audioSeconds = secondsOfAudio(main.joinList().fullPaths());

            QElapsedTimer timer;
            timer.start();
            main.menuActions().join->trigger();
            wallSeconds = double(timer.nsecsElapsed()) / 1e9;
        }
        main.close();
    }

    if (!prompter.shown.isEmpty()) {
        for (const QString &text : prompter.shown)
            std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return 1;
    }
    std::printf("audio joined:  %.2f s\n", audioSeconds);
    std::printf("wall time:     %.3f s\n", wallSeconds);
    std::printf("speed:         %.1f x real time\n",
                wallSeconds > 0 ? audioSeconds / wallSeconds : 0.0);
    std::printf("peak memory:   %.1f MiB\n", ProcessUsage::peakResidentMiB());
    return 0;
}
