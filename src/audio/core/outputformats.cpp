#include "audio/core/outputformats.h"

#include "audio/core/audioerror.h"

#include <QString>

#include <algorithm>

int outputFormatIndex(OutputFormat::Kind kind)
{
    const auto *row =
        std::find_if(kOutputFormats.begin(), kOutputFormats.end(),
                     [kind](const OutputFormatInfo &info) { return info.kind == kind; });
    return row == kOutputFormats.end() ? -1 : int(row - kOutputFormats.begin());
}

const OutputFormatInfo &outputFormatInfo(OutputFormat::Kind kind)
{
    const int index = outputFormatIndex(kind);
    if (index < 0)
        throw AudioError(QStringLiteral("no output format selected"));
    return kOutputFormats[static_cast<std::size_t>(index)];
}

QList<const OutputFormatInfo *> outputFormatPages()
{
    QList<const OutputFormatInfo *> pages;
    for (const OutputFormatInfo &info : kOutputFormats)
        pages.append(&info);
    std::sort(pages.begin(), pages.end(), [](const OutputFormatInfo *a, const OutputFormatInfo *b) {
        return a->page < b->page;
    });
    return pages;
}
