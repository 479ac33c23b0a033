#include "join/booktagdefaults.h"

#include "audio/tags/booktags.h"
#include "audio/tags/tagreader.h"
#include "audio/tags/tagvalues.h"

#include <optional>

void fillBookTagsFromFirstInput(TagValues &tags, const QStringList &inputs)
{
    if (inputs.isEmpty())
        return;
    std::optional<BookTags> first;
    for (const auto &[field, read] : {std::pair(&tags.albumArtist, &BookTags::albumArtist),
                                      std::pair(&tags.composer, &BookTags::composer),
                                      std::pair(&tags.description, &BookTags::description),
                                      std::pair(&tags.series, &BookTags::series),
                                      std::pair(&tags.seriesPart, &BookTags::seriesPart)}) {
        if (field->has_value())
            continue;
        // Read once, and only when a field needs it.
        if (!first)
            first = TagReader::bookTags(inputs.first());
        *field = (*first).*read;
    }
}
