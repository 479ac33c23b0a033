#include "audio/decode/inputchapters.h"

#include "audio/core/avdeleters.h"
#include "audio/decode/inputstream.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

extern "C" {
#include <libavutil/mathematics.h>
}

qint64 InputChapter::startFrame(int rate) const
{
    // Far past any input's end, yet safe to add to a running time: a damaged
    // input's wild start is dropped there rather than overflowing the sums.
    constexpr qint64 kFarBeyond = qint64{1} << 40;
    if (timeBaseDen <= 0 || timeBaseNum <= 0 || start <= 0)
        return 0;
    const qint64 frame = av_rescale_rnd(start, timeBaseNum * rate, timeBaseDen, AV_ROUND_NEAR_INF);
    return frame < 0 || frame > kFarBeyond ? kFarBeyond : frame;
}

QList<InputChapter> InputChapters::read(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile())
        return {};
    // "file:" keeps a colon in the name from being taken for a protocol. The
    // header alone holds the chapters: no stream is probed or decoded.
    const QByteArray url = "file:" + QFile::encodeName(info.absoluteFilePath());
    InputStream::silenceLibav();
    AVFormatContext *opened = nullptr;
    if (avformat_open_input(&opened, url.constData(), nullptr, nullptr) < 0)
        return {};
    const InputFormatContextPtr context(opened);
    std::vector<const AVChapter *> found(context->chapters,
                                         context->chapters + context->nb_chapters);
    std::stable_sort(found.begin(), found.end(), [](const AVChapter *a, const AVChapter *b) {
        return av_compare_ts(a->start, a->time_base, b->start, b->time_base) < 0;
    });
    QList<InputChapter> chapters;
    for (const AVChapter *chapter : found) {
        const AVDictionaryEntry *title = av_dict_get(chapter->metadata, "title", nullptr, 0);
        chapters.append({title ? QString::fromUtf8(title->value).trimmed() : QString(),
                         chapter->start, chapter->time_base.num, chapter->time_base.den});
    }
    return chapters;
}
