#include "cli/chaptertitlesfile.h"

#include "cli/clitexts.h"
#include "cli/givenfile.h"

#include <QFile>
#include <QStringDecoder>

namespace {
// Far more than any list of titles: a device or a wrong file is not read whole.
constexpr qint64 kMaxBytes = qint64(16) * 1024 * 1024;
}  // namespace

ChapterTitlesFile::ChapterTitlesFile(const QString &path, qsizetype inputCount)
{
    QFile file(path);
    QString cause = GivenFile::open(file);
    if (cause.isEmpty() && file.size() > kMaxBytes)
        cause = CliTexts::kTooLargeForTitles;
    if (!cause.isEmpty()) {
        m_error = CliTexts::kTitlesUnreadable.arg(path, cause);
        return;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(file.readAll());
    if (decoder.hasError()) {
        m_error = CliTexts::kTitlesUnreadable.arg(path, CliTexts::kNotUtf8);
        return;
    }
    // A last line's end is no line of its own; a byte order mark is no title.
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    QStringList lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line = line.trimmed();
    }
    if (lines.size() != inputCount) {
        m_error = CliTexts::kTitlesCount.arg(path).arg(lines.size()).arg(inputCount);
        return;
    }
    m_titles = lines;
}
