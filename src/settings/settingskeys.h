#pragma once

#include "audio/core/outputformats.h"

#include <QString>

// Section and key names of vantorel.ini, each spelled in one place.
namespace SettingsKeys {
inline const QString kJoin = QStringLiteral("join");
inline const QString kBasic = QStringLiteral("basic");
// Each output format's encoder settings: the section its row names.
inline const QString kMp3 = QString(outputFormatInfo(OutputFormat::Kind::Mp3).section);
inline const QString kWav = QString(outputFormatInfo(OutputFormat::Kind::Wav).section);
inline const QString kWma = QString(outputFormatInfo(OutputFormat::Kind::Wma).section);
inline const QString kOgg = QString(outputFormatInfo(OutputFormat::Kind::Ogg).section);
inline const QString kFlac = QString(outputFormatInfo(OutputFormat::Kind::Flac).section);
inline const QString kM4b = QString(outputFormatInfo(OutputFormat::Kind::M4b).section);

inline const QString kOutputDirectory = QStringLiteral("output directory");
inline const QString kFormat = QStringLiteral("format");
inline const QString kFilePath = QStringLiteral("file path");
inline const QString kEnableSubDir = QStringLiteral("enable sub dir");
// join: a chapter for each joined file, 1 or 0 (see ValueLists::kDefaultChapters).
inline const QString kChapters = QStringLiteral("chapters");
inline const QString kMatchLoudness = QStringLiteral("match loudness");
inline const QString kLoudnessTarget = QStringLiteral("loudness target");
// join: milliseconds of silence, or of crossfade, between each two joined files
// (see ValueLists::kJunctionMillisecondsMaximum); a crossfade wins over a pause.
inline const QString kPause = QStringLiteral("pause");
inline const QString kCrossfade = QStringLiteral("crossfade");
// join: MP3 and FLAC frames copied where the inputs allow it, 1 or 0 (see
// ValueLists::kDefaultCopy).
inline const QString kCopy = QStringLiteral("copy");

inline const QString kBitrate = QStringLiteral("bitrate");
inline const QString kChannel = QStringLiteral("channel");
inline const QString kFrequency = QStringLiteral("frequency");
inline const QString kQuality = QStringLiteral("quality");
inline const QString kEnableVbr = QStringLiteral("enable vbr");
inline const QString kVbrBitrate = QStringLiteral("vbr bitrate");
inline const QString kVbrQuality = QStringLiteral("vbr quality");
inline const QString kMode = QStringLiteral("mode");
inline const QString kBit = QStringLiteral("bit");
inline const QString kMaxBitrate = QStringLiteral("max bitrate");
inline const QString kMinBitrate = QStringLiteral("min bitrate");
inline const QString kEnableQuality = QStringLiteral("enable quality");
inline const QString kCompressionLevel = QStringLiteral("compression level");
}  // namespace SettingsKeys
