// Times the measuring pass of a join that matches loudness, alone: every input
// measured as the join measures it (integrated loudness and true peak, two
// inputs at once, for a stereo output), once per process, so no remembered measurement helps. Wall
// time and processor time (user + system) both: on a shared machine the wall
// time also counts the waits for a core.
//
//   loudness_bench INPUT...
//
// For comparison, what FFmpeg takes for the same measurement, file after file:
//   time (for f in INPUT...; do ffmpeg -nostdin -i "$f" -af ebur128=peak=true -f null - ; done)

#include "audio/core/audioerror.h"
#include "join/joinobserver.h"
#include "join/loudnesspass.h"
#include "support/processusage.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

namespace {

// The default output formats are stereo.
constexpr int kOutputChannels = 2;
// Goes on to the end and shows nothing.
class SilentObserver : public JoinObserver {
public:
    bool rowStarts(int) override { return true; }
    bool blockStarts() override { return true; }
    void blockWritten(qint64, qint64) override {}
    void rowEnds(int) override {}
    void rowMeasuring(int) override {}
    void rowMeasured(int) override {}
    void measured(qint64, qint64) override {}
    bool measuringGoesOn() override { return true; }
};

}  // namespace

int main(int argc, char *argv[])
{
    QStringList inputs;
    for (int i = 1; i < argc; ++i)
        inputs << QString::fromLocal8Bit(argv[i]);
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "usage: loudness_bench INPUT...\n");
        return 2;
    }
    try {
        LoudnessPass pass(inputs, 0, kOutputChannels);
        SilentObserver observer;
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = ProcessUsage::cpuSeconds();
        pass.run(observer);
        const double wall = double(clock.nsecsElapsed()) / 1e9;
        const double cpu = ProcessUsage::cpuSeconds() - cpuBefore;
        for (int row = 0; row < inputs.size(); ++row) {
            const Loudness &loudness = pass.results()[std::size_t(row)];
            std::printf("%-40s %7.2f LUFS %7.2f dBTP\n", qPrintable(inputs[row]),
                        loudness.integrated, loudness.truePeak);
        }
        std::printf("measuring pass: %.3f s wall, %.3f s processor, %lld inputs\n", wall, cpu,
                    static_cast<long long>(inputs.size()));
    } catch (const AudioError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
