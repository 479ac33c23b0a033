#pragma once

#include "join/joinobserver.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class AudioFile;
class AudioInformation;
class BusyState;
class JoinList;
class LameEncoder;
class Prompter;
class Settings;
struct TagValues;

// The window's Join: the guards, the output folder and name, the format set-up,
// the questions, the joining state of the commands, then the join itself
// (JoinRun) shown in the rows and the bar, with the window's messages pumped
// between blocks so that Stop and everything else stay usable, and finally the
// resets for the next join. A join that matches loudness measures its inputs
// first, shown the same way; stopped there, it leaves everything as it was.
// It owns the files it reads and writes.
class JoinCommand : public JoinObserver {
public:
    // The window's side of a join: the output it names and the progress it shows.
    struct View {
        std::function<QString()> outputName;
        // The position in the output format list; any other value selects none.
        std::function<int()> formatIndex;
        // The output has taken the name: the next join needs a new one.
        std::function<void()> nameUsed;
        std::function<void(int percent)> showProgress;
        std::function<void(bool joining)> showJoining;
    };

    // What the join reads and changes besides its own files.
    struct Parts {
        JoinList &list;
        BusyState &busy;
        Settings &settings;
        Prompter &prompter;
        TagValues &tagValues;
        View view;
    };

    explicit JoinCommand(Parts parts);
    ~JoinCommand() override;
    JoinCommand(const JoinCommand &) = delete;
    JoinCommand &operator=(const JoinCommand &) = delete;

    void joinFiles();
    // After an error the run could not handle: closes its files (a failure to
    // close is worth a word too), clears the bar and gives the commands back.
    void abandon();

    bool rowStarts(int row) override;
    void rowCopying(int row) override;
    bool blockStarts() override;
    void blockWritten(qint64 processed, qint64 total) override;
    void rowEnds(int row) override;
    void rowMeasuring(int row) override;
    void rowMeasured(int row) override;
    void measured(qint64 processed, qint64 total) override;
    bool measuringGoesOn() override;

private:
    QString outputFolder() const;
    // Up to the output's creation; the output path, or empty when the join ends here.
    QString prepare();
    void enterJoiningState();
    void leaveJoiningState();
    // The loudness the settings ask every input to be brought to; none when matching is off.
    std::optional<double> loudnessTarget() const;
    // join/pause or join/crossfade, in milliseconds; the engine lets a crossfade win.
    int junctionMilliseconds(const QString &key) const;

    Parts m_parts;
    std::unique_ptr<AudioFile> m_reader;
    std::unique_ptr<AudioFile> m_writer;
    std::unique_ptr<LameEncoder> m_encoder;
    std::unique_ptr<AudioInformation> m_information;
    // The status each row read before it was measured, to read again afterwards.
    QHash<int, QString> m_statusBeforeMeasuring;
};
