#pragma once

#include "join/joinobserver.h"

#include <QHash>
#include <QString>

#include <optional>

class AudioFile;
class AudioInformation;
class BusyState;
class JoinList;
class LameEncoder;
class Prompter;
class QComboBox;
class QLineEdit;
class Settings;
class ThemedProgressBar;
struct TagValues;

// The window's Join: the guards, the output folder and name, the format set-up,
// the questions, the joining state of the commands, then the join itself
// (JoinRun) shown in the rows and the bar, with the window's messages pumped
// between blocks so that Stop and everything else stay usable, and finally the
// resets for the next join. A join that matches loudness measures its inputs
// first, shown the same way; stopped there, it leaves everything as it was.
class JoinCommand : public JoinObserver {
public:
    // What the join reads and changes of the window.
    struct Parts {
        JoinList &list;
        BusyState &busy;
        ThemedProgressBar &pb;
        QLineEdit &edt_filename;
        QComboBox &cb_format;
        Settings &settings;
        Prompter &prompter;
        AudioFile &reader;
        AudioFile &writer;
        LameEncoder &encoder;
        AudioInformation &information;
        TagValues &tagValues;
    };

    explicit JoinCommand(const Parts &parts);

    void joinFiles();

    bool rowStarts(int row) override;
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

    Parts m_;
    // The status each row read before it was measured, to read again afterwards.
    QHash<int, QString> m_statusBeforeMeasuring;
};
