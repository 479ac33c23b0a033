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
    QStringLiteral("Unknown genre '%1': give its name or its number from 0 to %2.");
inline const QString kBadLoudness =
    QStringLiteral("The loudness target must be a number of LUFS from %1 to %2: '%3'.");
// Option, largest value, what was given.
inline const QString kBadMilliseconds =
    QStringLiteral("%1 takes a whole number of milliseconds from 0 to %2: '%3'.");
inline const QString kEmptySettings =
    QStringLiteral("--settings needs a FILE: an empty name names no file.");
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
}  // namespace CliTexts
