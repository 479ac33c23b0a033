#pragma once

#include "audio/audiofile.h"
#include "audio/core/lameencoder.h"
#include "audio/tags/audioinformation.h"
#include "cli/commandline.h"
#include "cli/madefolders.h"
#include "cli/stderrprompter.h"

#include <QFile>

#include <optional>

class JoinInputs;
class JoinRun;
class Settings;

// One join from the command line, with the window's rules: the inputs checked
// as admission checks them, the format set up from the same settings with the
// same refusals, the same guards on the output, the same engine. What differs:
// nothing is asked (an existing output needs -y), only the tags given are
// written, and a stopped or failed join leaves nothing behind, not even the
// output folders it created.
class CommandLineJoin {
public:
    explicit CommandLineJoin(const JoinRequest &request);

    // Runs it and gives the exit code. AudioError (and any other failure of
    // the engine) is thrown after the output has been dropped.
    int run();

private:
    std::optional<QString> settingsFile() const;
    bool gatherInputs(JoinInputs &inputs);
    bool outputMayBeWritten(const JoinInputs &inputs);
    // chapterTitles: one per input, or none.
    int join(const JoinInputs &inputs, const QStringList &chapterTitles);
    void printSummary(const JoinInputs &inputs, const JoinRun &run) const;
    void makeOutputWritable();
    void restoreOutputPermissions();

    JoinRequest m_request;
    StderrPrompter m_prompter;
    AudioFile m_reader;
    AudioFile m_writer;
    LameEncoder m_encoder;
    AudioInformation m_information;
    // An existing output's permissions before the join made it writable, to be
    // put back when the join leaves it as it was.
    std::optional<QFile::Permissions> m_replacedPermissions;
    // The output's folders that were missing, made for it.
    MadeFolders m_madeFolders;
};
