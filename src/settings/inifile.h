#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The text of an INI file, kept as the raw bytes it was read as, so that every
// line the program does not own (comments, unknown sections and keys, blank
// lines, bytes that are not text at all) is written back exactly as it was
// read. Lines are found in place, so a file of many lines costs no more memory
// than its bytes.
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

    QByteArray content() const { return m_content; }

private:
    // One line, by its place in the content.
    struct Line {
        qsizetype begin = 0;
        qsizetype textEnd = 0;  // where its "\n" or "\r\n" begins
        qsizetype next = 0;     // where the next line begins; the content's size after the last
    };
    struct KeyLine {
        QByteArray name;
        QByteArray value;
    };

    static std::optional<QByteArray> sectionName(const QByteArray &text);
    static std::optional<KeyLine> keyLine(const QByteArray &text);
    // The line that begins at begin, which lies inside the content.
    Line lineAt(qsizetype begin) const;
    QByteArray lineText(const Line &line) const;
    // The header of the first section of this name.
    std::optional<Line> findSection(const QString &section) const;
    struct FoundKey {
        Line line;
        KeyLine key;
    };
    // The first line of the section that sets the key, parsed.
    std::optional<FoundKey> findKey(const Line &header, const QString &key) const;
    // Where the key of a section goes: after its last line that is not blank.
    qsizetype endOfSectionText(const Line &header) const;
    // at: where a line begins, or the content's size.
    void insertLine(qsizetype at, const QByteArray &text);

    QByteArray m_content;
    QByteArray m_lineEnd = "\n";  // for lines the program adds: the file's own style
};
