#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

class InputStream;

// Counts the frames that reading a whole input returns, as cheaply as its
// format allows: header data where it is exact, the OGG pages where they can
// be trusted, a pass that only demuxes where packets tell their length, and a
// decoding pass where nothing else is exact. Counts that took a pass over the
// file are remembered (FrameCountCache).
class FrameCounter {
public:
    // stream is the input just opened; the count may read it (or replace it by
    // a fresh one), so it is no longer at its start afterwards.
    FrameCounter(const QString &fileName, std::unique_ptr<InputStream> &stream);

    qint64 count();

private:
    std::optional<qint64> fromHeader();
    std::optional<qint64> pcmLength();
    std::optional<qint64> flacLength();
    std::optional<qint64> mp4Length();
    std::optional<qint64> oggLength();
    qint64 countByPass();
    std::optional<qint64> countByDemuxing();
    qint64 countByDecoding();
    InputStream &freshStream();

    QString m_fileName;
    std::unique_ptr<InputStream> &m_stream;
};
