#include "settings/inifile.h"

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
// Shared by every line that ends so, rather than one copy per line.
const QByteArray kLf("\n");
const QByteArray kCrLf("\r\n");

// The blanks of the classic INI functions; Ctrl-Z is the old end-of-file mark.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

QByteArray trimmed(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QByteArray &stored, const QString &wanted)
{
    return QString::fromUtf8(stored).compare(wanted, Qt::CaseInsensitive) == 0;
}

// Line breaks inside a value would turn the rest of it into lines of their own.
QByteArray singleLine(const QString &value)
{
    QString text = value;
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.toUtf8();
}

}  // namespace

IniFile::IniFile(const QByteArray &content)
{
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype newline = content.indexOf('\n', start);
        if (newline < 0) {
            m_lines.append({content.mid(start), QByteArray()});
            break;
        }
        const bool crlf = newline > start && content[newline - 1] == '\r';
        const qsizetype textEnd = crlf ? newline - 1 : newline;
        m_lines.append({content.mid(start, textEnd - start), crlf ? kCrLf : kLf});
        start = newline + 1;
    }
    // The first line end found sets the style of every line added later.
    for (const Line &line : std::as_const(m_lines)) {
        if (!line.end.isEmpty()) {
            m_lineEnd = line.end;
            break;
        }
    }
}

QByteArray IniFile::content() const
{
    QByteArray result;
    qsizetype size = 0;
    for (const Line &line : m_lines)
        size += line.text.size() + line.end.size();
    result.reserve(size);
    for (const Line &line : m_lines)
        result += line.text + line.end;
    return result;
}

std::optional<QByteArray> IniFile::sectionName(const QByteArray &text)
{
    const QByteArray line = trimmed(text);
    if (!line.startsWith('['))
        return std::nullopt;
    const qsizetype close = line.lastIndexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmed(line.mid(1, close - 1));
}

std::optional<IniFile::KeyLine> IniFile::keyLine(const QByteArray &text)
{
    const QByteArray line = trimmed(text);
    if (line.startsWith(';'))
        return std::nullopt;
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    return KeyLine{trimmed(line.left(equals)), trimmed(line.mid(equals + 1))};
}

QByteArray IniFile::lineText(qsizetype index) const
{
    const QByteArray &text = m_lines[index].text;
    return index == 0 && text.startsWith(kUtf8Bom) ? text.mid(kUtf8Bom.size()) : text;
}

qsizetype IniFile::findSection(const QString &section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const std::optional<QByteArray> name = sectionName(lineText(i));
        if (name && sameName(*name, section))
            return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && !sectionName(lineText(i)))
        ++i;
    return i;
}

std::optional<IniFile::FoundKey> IniFile::findKey(qsizetype header, const QString &key) const
{
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        std::optional<KeyLine> line = keyLine(lineText(i));
        if (line && sameName(line->name, key))
            return FoundKey{i, std::move(*line)};
    }
    return std::nullopt;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const std::optional<FoundKey> found = findKey(header, key);
    if (!found)
        return std::nullopt;
    return QString::fromUtf8(found->line.value);
}

void IniFile::insertLine(qsizetype at, const QByteArray &text)
{
    // The line before gets a line end if the file ended without one.
    if (at > 0 && m_lines[at - 1].end.isEmpty())
        m_lines[at - 1].end = m_lineEnd;
    m_lines.insert(at, {text, m_lineEnd});
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const QByteArray newValue = singleLine(value);
    const qsizetype header = findSection(section);
    if (header < 0) {
        insertLine(m_lines.size(), '[' + section.toUtf8() + ']');
        insertLine(m_lines.size(), key.toUtf8() + '=' + newValue);
        return;
    }
    if (const std::optional<FoundKey> found = findKey(header, key)) {
        // The key keeps its own spelling; only the value changes.
        m_lines[found->at].text = found->line.name + '=' + newValue;
        return;
    }
    // After the section's last non-blank line, so that blank lines separating
    // it from the next section stay where they are.
    qsizetype insertAt = sectionEnd(header);
    while (insertAt > header + 1 && trimmed(lineText(insertAt - 1)).isEmpty())
        --insertAt;
    insertLine(insertAt, key.toUtf8() + '=' + newValue);
}
