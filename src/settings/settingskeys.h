#pragma once

#include <QString>

// Section and key names of vantorel.ini, each spelled in one place.
namespace SettingsKeys {
inline const QString kJoin = QStringLiteral("join");
inline const QString kBasic = QStringLiteral("basic");
inline const QString kMp3 = QStringLiteral("mp3");
inline const QString kWav = QStringLiteral("wav");
inline const QString kWma = QStringLiteral("wma");
inline const QString kOgg = QStringLiteral("ogg");
inline const QString kFlac = QStringLiteral("flac");
inline const QString kM4b = QStringLiteral("m4b");

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
