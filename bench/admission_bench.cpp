// Times the admission of many small files, as Add File admits them, and counts
// how often the window got to process its messages meanwhile.
//
//   admission_bench [COUNT]     (default 1000 files of a quarter second)

#include "app/mainwindow.h"
#include "audio/audiofile.h"
#include "joinlist/joinlist.h"
#include "support/headlessprompter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

QString writeTone(const QString &path)
{
    constexpr int kRate = 22050;
    AudioFile writer;
    writer.setWavFormat(kRate, 1, 16);
    writer.setInputFormat(kRate, 1);
    writer.createFile(path, 0);
    SampleArray samples(kRate / 4);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.3f * float(std::sin(2 * M_PI * 440.0 * double(i) / kRate));
    writer.writeSamples(samples);
    writer.closeFile();
    return path;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;

    QTemporaryDir data;
    HeadlessPrompter prompter;
    for (int i = 0; i < count; ++i)
        prompter.filesToOpen << writeTone(
            data.filePath(QStringLiteral("tone%1.wav").arg(i, 4, 10, QLatin1Char('0'))));

    MainWindow main(prompter);
    main.show();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);

    QElapsedTimer timer;
    timer.start();
    runGuarded(main, [&] { main.addFiles(); });
    const double seconds = timer.nsecsElapsed() / 1e9;
    ticker.stop();
    main.close();

    std::printf("files admitted:       %d of %d\n", main.joinList().rowCount(), count);
    std::printf("wall time:            %.2f s (%.2f ms a file)\n", seconds, 1000 * seconds / count);
    std::printf("message pumps served: %d\n", ticks);
    return prompter.shown.isEmpty() ? 0 : 1;
}
