#include "settings/inifile.h"

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

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

IniFile::IniFile(const QByteArray &content) : m_content(content)
{
    // The first line end found sets the style of every line added later.
    const qsizetype newline = m_content.indexOf('\n');
    if (newline > 0 && m_content[newline - 1] == '\r')
        m_lineEnd = "\r\n";
}

IniFile::Line IniFile::lineAt(qsizetype begin) const
{
    const qsizetype newline = m_content.indexOf('\n', begin);
    if (newline < 0)
        return {begin, m_content.size(), m_content.size()};
    const bool crlf = newline > begin && m_content[newline - 1] == '\r';
    return {begin, crlf ? newline - 1 : newline, newline + 1};
}

QByteArray IniFile::lineText(const Line &line) const
{
    const QByteArray text = m_content.mid(line.begin, line.textEnd - line.begin);
    return line.begin == 0 && text.startsWith(kUtf8Bom) ? text.mid(kUtf8Bom.size()) : text;
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

std::optional<IniFile::Line> IniFile::findSection(const QString &section) const
{
    for (Line line; line.next < m_content.size();) {
        line = lineAt(line.next);
        const std::optional<QByteArray> name = sectionName(lineText(line));
        if (name && sameName(*name, section))
            return line;
    }
    return std::nullopt;
}

std::optional<IniFile::FoundKey> IniFile::findKey(const Line &header, const QString &key) const
{
    for (Line line = header; line.next < m_content.size();) {
        line = lineAt(line.next);
        const QByteArray text = lineText(line);
        if (sectionName(text))
            break;
        std::optional<KeyLine> found = keyLine(text);
        if (found && sameName(found->name, key))
            return FoundKey{line, std::move(*found)};
    }
    return std::nullopt;
}

qsizetype IniFile::endOfSectionText(const Line &header) const
{
    // Blank lines separating the section from the next stay where they are.
    qsizetype end = header.next;
    for (Line line = header; line.next < m_content.size();) {
        line = lineAt(line.next);
        const QByteArray text = lineText(line);
        if (sectionName(text))
            break;
        if (!trimmed(text).isEmpty())
            end = line.next;
    }
    return end;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const std::optional<Line> header = findSection(section);
    if (!header)
        return std::nullopt;
    const std::optional<FoundKey> found = findKey(*header, key);
    if (!found)
        return std::nullopt;
    return QString::fromUtf8(found->key.value);
}

void IniFile::insertLine(qsizetype at, const QByteArray &text)
{
    // The line before gets a line end if the file ended without one.
    if (at == m_content.size() && at > 0 && !m_content.endsWith('\n')) {
        m_content += m_lineEnd;
        at = m_content.size();
    }
    m_content.insert(at, text + m_lineEnd);
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const QByteArray newValue = singleLine(value);
    const std::optional<Line> header = findSection(section);
    if (!header) {
        insertLine(m_content.size(), '[' + section.toUtf8() + ']');
        insertLine(m_content.size(), key.toUtf8() + '=' + newValue);
        return;
    }
    if (const std::optional<FoundKey> found = findKey(*header, key)) {
        // The key keeps its own spelling; only the value changes.
        m_content.replace(found->line.begin, found->line.textEnd - found->line.begin,
                          found->key.name + '=' + newValue);
        return;
    }
    insertLine(endOfSectionText(*header), key.toUtf8() + '=' + newValue);
}
