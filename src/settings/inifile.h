#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The text of an INI file, kept line by line as raw bytes so that every line the
// program does not own (comments, unknown sections and keys, blank lines, bytes
// that are not text at all) is written back exactly as it was read.
//
// Lookups follow the classic INI functions: section and key names match without
// regard to case, blanks around names and values do not count, the first
// section of a name is the only one searched, and the first key of a name in it
// wins. Keys before any section belong to no section and are never found.
class IniFile {
public:
    IniFile() = default;
    explicit IniFile(const QByteArray &content);

    // The value after "=", blanks around it removed; nothing when the section
    // or the key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // Replaces the key's value in place, or adds the key at the end of its
    // section, or adds the section with the key at the end of the file.
    void setValue(const QString &section, const QString &key, const QString &value);

    QByteArray content() const;

private:
    struct Line {
        QByteArray text;  // without its line end
        QByteArray end;   // "\n", "\r\n" or empty for an unterminated last line
    };
    struct KeyLine {
        QByteArray name;
        QByteArray value;
    };

    static std::optional<QByteArray> sectionName(const QByteArray &text);
    static std::optional<KeyLine> keyLine(const QByteArray &text);
    QByteArray lineText(qsizetype index) const;
    // Index of the header of the first section of this name, or -1.
    qsizetype findSection(const QString &section) const;
    // Index of the first line after the section's header that opens another section.
    qsizetype sectionEnd(qsizetype header) const;
    struct FoundKey {
        qsizetype at;  // line index
        KeyLine line;
    };
    // The first line of the section that sets the key, parsed.
    std::optional<FoundKey> findKey(qsizetype header, const QString &key) const;
    void insertLine(qsizetype at, const QByteArray &text);

    QList<Line> m_lines;
    QByteArray m_lineEnd = "\n";  // for lines the program adds: the file's own style
};
