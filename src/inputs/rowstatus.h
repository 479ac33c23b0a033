#pragma once

#include <QString>

// The words of a row's "Status" column: the complete set, each spelled here only.
namespace RowStatus {
inline const QString kUnconverted = QStringLiteral("unconverted");
inline const QString kMeasuring = QStringLiteral("Measuring");
inline const QString kConverting = QStringLiteral("Converting");
// A row whose frames go into the output as they are, not encoded again.
inline const QString kCopying = QStringLiteral("Copying");
inline const QString kFinished = QStringLiteral("Finished");
inline const QString kPlaying = QStringLiteral("Playing");
inline const QString kPaused = QStringLiteral("Paused");
inline const QString kStopPlaying = QStringLiteral("Stop playing");
}  // namespace RowStatus
