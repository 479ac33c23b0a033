#pragma once

#include <QString>

// The command-line joiner's own words. The refusals it shares with the window
// are the window's (Messages).
namespace CliTexts {
inline const QString kProgram = QStringLiteral("vantorel-join");
inline const QString kDescription =
    QStringLiteral("Joins audio files, in the order given, into one new file, with the "
                   "encoder settings of the window (Options) and the tags given.");
inline const QString kTryHelp = QStringLiteral("Try '%1 --help'.");

// Usage errors.
inline const QString kNoInput = QStringLiteral("No INPUT given.");
inline const QString kNoOutput = QStringLiteral("No OUTPUT given: -o OUTPUT.");
inline const QString kOutputTwice = QStringLiteral("-o OUTPUT is given more than once.");
inline const QString kUnknownFormat = QStringLiteral("Unknown format '%1': one of %2.");
inline const QString kFormatUnknownFromName =
    QStringLiteral("Cannot tell the format from the name %1: give --format (%2).");
inline const QString kBadYear = QStringLiteral("The year must be written in digits: '%1'.");
inline const QString kBadTrack = QStringLiteral("The track must be a number from 0 to %1: '%2'.");
inline const QString kBadGenre =
    QStringLiteral("Unknown genre number '%1': a listed genre's number is from 0 to %2.");
inline const QString kBadLoudness =
    QStringLiteral("The loudness target must be a number of LUFS from %1 to %2: '%3'.");
// Option, largest value, what was given.
inline const QString kBadMilliseconds =
    QStringLiteral("%1 takes a whole number of milliseconds from 0 to %2: '%3'.");
inline const QString kEmptySettings =
    QStringLiteral("--settings needs a FILE: an empty name names no file.");
inline const QString kEmptyChapterTitles =
    QStringLiteral("--chapter-titles needs a FILE: an empty name names no file.");
// What was given, the choices.
inline const QString kBadChapterNames = QStringLiteral("Unknown --chapter-names '%1': one of %2.");
inline const QString kPauseAndCrossfade =
    QStringLiteral("--pause and --crossfade cannot both be given: choose one.");
inline const QString kCoverAndNoCover =
    QStringLiteral("--cover and --no-cover cannot both be given: choose one.");
inline const QString kEmptyCover =
    QStringLiteral("--cover needs a FILE: an empty name names no file.");

// Refusals and endings of a join.
inline const QString kSettingsUnreadable = QStringLiteral("Cannot read the settings file %1: %2");
// Why a settings file cannot be read, beside the system's own causes.
inline const QString kNoSuchFile = QStringLiteral("no such file");
inline const QString kIsAFolder = QStringLiteral("it is a folder");
inline const QString kNotARegularFile = QStringLiteral("not a regular file");
// File, cause.
inline const QString kTitlesUnreadable = QStringLiteral("Cannot read the chapter titles in %1: %2");
inline const QString kNotUtf8 = QStringLiteral("it is no UTF-8 text");
inline const QString kTooLargeForTitles = QStringLiteral("it is too large for a list of titles");
// File, its lines, the inputs.
inline const QString kTitlesCount = QStringLiteral(
    "%1 holds %2 chapter titles for %3 inputs: give one line for each input, in join order "
    "(an empty line keeps the input's own title).");
// Folder, the system's cause.
inline const QString kCannotCreateFolder = QStringLiteral("Cannot create the folder %1: %2");
inline const QString kOutputExists = QStringLiteral("%1 exists: add -y to replace it.");
inline const QString kStopped = QStringLiteral("Stopped: nothing was written.");
inline const QString kStoppedKept =
    QStringLiteral("Stopped: nothing was written; %1 is as it was.");
// Output, duration of the audio, size of the file.
inline const QString kSummary = QStringLiteral("%1: %2, %3");
// Percentage measured, elapsed.
inline const QString kMeasuring = QStringLiteral("Measuring loudness %1%  elapsed %2");
// Percentage, elapsed, remaining, speed as a multiple of real time.
inline const QString kProgress = QStringLiteral("%1%  elapsed %2  left %3  %4x real time");

// A book per folder (--each).
inline const QString kEachNeedsFormat =
    QStringLiteral("--each needs --format: a folder's name gives no format.");
inline const QString kEachNeedsFolder =
    QStringLiteral("--each needs -o naming a folder: %1 is not one.");
inline const QString kJobsWithoutEach = QStringLiteral("-j is for --each: one join runs alone.");
inline const QString kBadJobs =
    QStringLiteral("-j takes a whole number of books from 1 to %1: '%2'.");
inline const QString kBookNotAFolder = QStringLiteral("not a folder");
inline const QString kBookWithoutAudio = QStringLiteral("no audio file in it or below it");
inline const QString kBookNameShared =
    QStringLiteral("another book is named %1 too: give them different folder names");
inline const QString kBookCrashed = QStringLiteral("the join ended abnormally (%1)");
// Lines of the progress board and of the plain progress: book, then percentage.
inline const QString kBookJoining = QStringLiteral("%1  %2%");
inline const QString kBookMeasuring = QStringLiteral("%1  measuring loudness %2%");
inline const QString kBookStarted = QStringLiteral("started %1");
// The summary, a line a book: book, then what became of it.
inline const QString kBookDone = QStringLiteral("done     %1: %2");
inline const QString kBookRefused = QStringLiteral("refused  %1: %2");
inline const QString kBookFailed = QStringLiteral("failed   %1: %2");
inline const QString kBookStopped = QStringLiteral("stopped  %1: nothing was written");
inline const QString kBookNotStarted = QStringLiteral("not started  %1");
inline const QString kBooksCounted = QStringLiteral("%1 of %2 books done.");
}  // namespace CliTexts
