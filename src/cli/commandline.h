#pragma once

#include "audio/tags/tagvalues.h"
#include "inputs/chaptertitle.h"
#include "settings/valuelists.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the user asked vantorel-join to do.
struct JoinRequest {
    // Files and folders, in the order given.
    QStringList inputs;
    // Arguments as the program sees them whose bytes their text does not give
    // back: the names the join cannot open, refused rather than mistaken for
    // another file that looks the same.
    QStringList unreachableNames;
    // Folders are scanned with their sub-folders.
    bool recursive = false;
    QString output;
    // A position in the output format list (ValueLists).
    int formatIndex = -1;
    // Empty: the user's settings file, when there is one.
    QString settingsFile;
    // Only the tags given: the others are left out of the output.
    TagValues tags = TagValues::none();
    bool overwrite = false;
    bool quiet = false;
    // Each input becomes a chapter of the output.
    bool chapters = ValueLists::kDefaultChapters;
    // Set: every input is brought to this integrated loudness, in LUFS.
    std::optional<double> loudnessTarget;
    // Between each two inputs: silence, or a crossfade, never both.
    int pauseMilliseconds = ValueLists::kDefaultJunctionMilliseconds;
    int crossfadeMilliseconds = ValueLists::kDefaultJunctionMilliseconds;
    // MP3 and FLAC outputs: the inputs' frames are copied where they can be.
    bool copy = ValueLists::kDefaultCopy;
    // Set: a file of chapter titles, one a line in input order (ChapterTitlesFile).
    QString chapterTitlesFile;
    ChapterTitle::Rule chapterNames = ChapterTitle::Rule::Tags;
    // One chapter per input, even where an input has chapters of its own.
    bool chaptersPerFile = false;
    // --each: the inputs are folders of books, the output their folder.
    bool each = false;
    // Books joined at once.
    int jobs = 0;
    // The options given, as given, for each book's own join: all but those
    // that choose the books, their output and how many run at once.
    QStringList bookArguments;
    bool albumGiven = false;
    // Run as one book of --each: progress goes to standard output as lines
    // for the batch to read.
    bool progressLines = false;
};

// Reads the command line. Formats, genres and their names come from the value
// lists, so that a format added there is taken here as it is.
class CommandLine {
public:
    enum class Action { Join, Help, Version, UsageError };

    // arguments as the program received them, its own name first.
    explicit CommandLine(const QStringList &arguments);

    Action action() const { return m_action; }
    const JoinRequest &request() const { return m_request; }
    // Why the command line was refused (UsageError).
    const QString &error() const { return m_error; }
    QString helpText() const { return m_helpText; }

private:
    void read(const QStringList &arguments);
    bool readJunctions(const std::optional<QString> &pause,
                       const std::optional<QString> &crossfade);
    bool readOutputAndFormat(const QStringList &outputs, const std::optional<QString> &format);
    bool readEach(bool each, const std::optional<QString> &jobs);
    bool refuse(const QString &error);

    Action m_action = Action::UsageError;
    JoinRequest m_request;
    QString m_error;
    QString m_helpText;
};
