#pragma once

#include <QString>

// The program's own words, each in one place.
namespace Messages {
inline const QString kCaption = QStringLiteral("Information");

// Guards of the commands.
inline const QString kStopConvertingFirst = QStringLiteral("Please stop converting first.");
inline const QString kStopPlayingFirst = QStringLiteral("Please stop playing first.");
inline const QString kAddFile = QStringLiteral("Please add file!");
inline const QString kSelectFileToPlay = QStringLiteral("Please select the file you want to play!");

// Output name field.
inline const QString kInvalidFilenameChar = QStringLiteral("Invalid char for filename.");
inline const QString kFilenameEmpty = QStringLiteral("Filename cannot be empty.");

// Admission and preview; each follows the file's path.
inline const QString kFileRemovedSuffix = QStringLiteral(" has been removed!");
inline const QString kInvalidAudioSuffix = QStringLiteral(" is an invalid audio file!");
inline const QString kCannotReadSuffix = QStringLiteral(" cannot be read!");
inline const QString kNotRegularFileSuffix = QStringLiteral(" is not a regular file!");
inline const QString kNameNotUtf8Suffix =
    QStringLiteral(" cannot be opened: its name is not valid UTF-8!");
inline const QString kPlayFileRemovedSuffix = QStringLiteral(" has been removed.");

// Admission, with the path, the channel count and the sample rate.
inline const QString kCannotJoinFormat =
    QStringLiteral("%1 has %2 channels at %3 Hz, which cannot be joined!");

// Join run and output format set-up.
inline const QString kOverwrite = QStringLiteral("File has existed. Overwrite?");
inline const QString kMp3FormatNotSupported =
    QStringLiteral("This MP3 format not supported, please try another bit rate or frequency.");
inline const QString kOggFormatNotSupported =
    QStringLiteral("This OGG format not supported, please try another bit rate.");
inline const QString kFlacFormatNotSupported =
    QStringLiteral("This FLAC format not supported, please try another compression level.");
inline const QString kM4bFormatNotSupported =
    QStringLiteral("This M4B format not supported, please try another bit rate.");
// Follows the profile's caption.
inline const QString kWmaProfileNotSupported =
    QStringLiteral("This WMA profile (%1) cannot be written as named, please try another profile.");
inline const QString kOutputIsInput = QStringLiteral(
    "The output file is one of the files to join. Please choose another name or folder.");
// After a join that was asked to copy: the inputs copied, the inputs encoded.
inline const QString kCopiedAndEncoded = QStringLiteral("Files copied: %1, encoded: %2");
inline const QString kTagsNotStored =
    QStringLiteral("No audio was written, so the file holds no tags. The tags are kept for "
                   "the next join.");

// Settings file and settings dialog.
inline const QString kUnableToWrite = QStringLiteral("Unable to write to %1");
// The settings file's path, the largest size taken in MiB.
inline const QString kSettingsTooLarge =
    QStringLiteral("The settings file %1 is larger than %2 MiB: it is neither read nor changed.");
inline const QString kNotValidInteger = QStringLiteral("'%1' is not a valid integer value");
}  // namespace Messages
