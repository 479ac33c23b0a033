#include "skin/skindocument.h"

#include "skin/skin.h"
#include "skin/skinglyph.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <optional>

namespace {

// A skin is a few kilobytes; anything far larger is not a skin file.
constexpr qint64 kMaximumFileSize = qint64(1024) * 1024;
constexpr int kMaximumElements = 1000;
constexpr int kMaximumCoordinate = 10000;

const QSet<QString> kAppearanceKeys{
    QStringLiteral("face"),      QStringLiteral("hover-face"),   QStringLiteral("pressed-face"),
    QStringLiteral("border"),    QStringLiteral("hover-border"), QStringLiteral("color"),
    QStringLiteral("text-size"), QStringLiteral("bold"),         QStringLiteral("align"),
    QStringLiteral("radius"),    QStringLiteral("glyph")};
const QSet<QString> kElementOnlyKeys{QStringLiteral("name"), QStringLiteral("kind"),
                                     QStringLiteral("rect"), QStringLiteral("text"),
                                     QStringLiteral("hint"), QStringLiteral("style")};
const QSet<QString> kWindowKeys{QStringLiteral("background")};
const QSet<QString> kTitleKeys{
    QStringLiteral("height"), QStringLiteral("background"), QStringLiteral("line"),
    QStringLiteral("color"),  QStringLiteral("text"),       QStringLiteral("text-size"),
    QStringLiteral("bold"),   QStringLiteral("glyph"),      QStringLiteral("indent")};

struct Entry {
    QString value;
    int line = 0;
};

struct Section {
    QString kind;      // window, title, style or element
    QString argument;  // the style's name
    int line = 0;
    QHash<QString, Entry> entries;

    const Entry *find(const QString &key) const
    {
        auto it = entries.constFind(key);
        return it == entries.constEnd() ? nullptr : &it.value();
    }
};

// Reads the text into sections and turns them into the document, naming the
// file and line of the first fault it meets.
class SkinParser {
public:
    explicit SkinParser(QString origin) : m_origin(std::move(origin)) {}

    void run(const QString &text, SkinLook &look, std::vector<SkinElementDef> &elements)
    {
        const std::vector<Section> sections = split(text);
        for (const Section &section : sections) {
            if (section.kind == QLatin1String("window"))
                readWindow(section, look);
            else if (section.kind == QLatin1String("title"))
                readTitle(section, look);
            else if (section.kind == QLatin1String("style"))
                m_styles.insert(section.argument, section);
            else
                elements.push_back(readElement(section));
        }
    }

private:
    [[noreturn]] void fail(int line, const QString &what) const
    {
        throw SkinError(QStringLiteral("The skin file %1 is malformed (line %2): %3")
                            .arg(m_origin)
                            .arg(line)
                            .arg(what));
    }

    // "[kind]" or "[kind argument]", the kind in lower-case letters. Read by hand:
    // a pattern with a lazy group before the bracket takes quadratic time on a
    // long malformed line.
    static bool parseHeader(const QString &line, QString &kind, QString &argument)
    {
        if (!line.startsWith(QLatin1Char('[')) || !line.endsWith(QLatin1Char(']')))
            return false;
        const QString inside = line.mid(1, line.size() - 2).trimmed();
        qsizetype end = 0;
        while (end < inside.size() && inside.at(end) >= QLatin1Char('a')
               && inside.at(end) <= QLatin1Char('z'))
            ++end;
        if (end == 0 || (end < inside.size() && !inside.at(end).isSpace()))
            return false;
        kind = inside.left(end);
        argument = inside.mid(end).trimmed();
        return true;
    }

    std::vector<Section> split(const QString &text)
    {
        static const QRegularExpression assignment(QStringLiteral("^([a-z][a-z-]*)\\s*=\\s*(.*)$"));
        std::vector<Section> sections;
        QSet<QString> singletons;
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int index = 0; index < lines.size(); ++index) {
            const int lineNumber = index + 1;
            const QString line = lines[index].trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#'))
                || line.startsWith(QLatin1Char(';')))
                continue;
            QString kind;
            QString argument;
            if (parseHeader(line, kind, argument)) {
                sections.push_back(openSection(kind, argument, lineNumber, singletons));
                continue;
            }
            const QRegularExpressionMatch match = assignment.match(line);
            if (!match.hasMatch())
                fail(lineNumber,
                     QStringLiteral("expected \"[section]\" or \"key = value\", found \"%1\"")
                         .arg(line.left(60)));
            if (sections.empty())
                fail(lineNumber,
                     QStringLiteral("\"%1\" stands before any section").arg(match.captured(1)));
            addEntry(sections.back(), match.captured(1), unquote(match.captured(2)), lineNumber);
        }
        return sections;
    }

    Section openSection(const QString &kind, const QString &argument, int line,
                        QSet<QString> &singletons)
    {
        const bool single = kind == QLatin1String("window") || kind == QLatin1String("title");
        if (!single && kind != QLatin1String("style") && kind != QLatin1String("element"))
            fail(line, QStringLiteral("unknown section \"[%1]\"").arg(kind));
        if (single && !argument.isEmpty())
            fail(line, QStringLiteral("\"[%1]\" takes no name").arg(kind));
        if (single && singletons.contains(kind))
            fail(line, QStringLiteral("a second \"[%1]\" section").arg(kind));
        if (kind == QLatin1String("style") && argument.isEmpty())
            fail(line, QStringLiteral("a style needs a name: \"[style NAME]\""));
        if (kind == QLatin1String("element") && !argument.isEmpty())
            fail(line, QStringLiteral("\"[element]\" takes no name; use \"name = ...\""));
        if (kind == QLatin1String("style") && m_styleNames.contains(argument))
            fail(line, QStringLiteral("a second style named \"%1\"").arg(argument));
        if (single)
            singletons.insert(kind);
        if (kind == QLatin1String("style"))
            m_styleNames.insert(argument);
        if (kind == QLatin1String("element") && ++m_elementCount > kMaximumElements)
            fail(line, QStringLiteral("more than %1 elements").arg(kMaximumElements));
        Section section;
        section.kind = kind;
        section.argument = argument;
        section.line = line;
        return section;
    }

    void addEntry(Section &section, const QString &key, const QString &value, int line)
    {
        const QSet<QString> *allowed = nullptr;
        if (section.kind == QLatin1String("window"))
            allowed = &kWindowKeys;
        else if (section.kind == QLatin1String("title"))
            allowed = &kTitleKeys;
        else if (section.kind == QLatin1String("style"))
            allowed = &kAppearanceKeys;
        const bool known = allowed
                               ? allowed->contains(key)
                               : (kAppearanceKeys.contains(key) || kElementOnlyKeys.contains(key));
        if (!known)
            fail(line, QStringLiteral("unknown key \"%1\" in [%2]").arg(key, section.kind));
        if (section.entries.contains(key))
            fail(line, QStringLiteral("\"%1\" is given twice").arg(key));
        section.entries.insert(key, Entry{value, line});
    }

    static QString unquote(const QString &value)
    {
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"'))
            && value.endsWith(QLatin1Char('"')))
            return value.mid(1, value.size() - 2);
        return value;
    }

    void readWindow(const Section &section, SkinLook &look) const
    {
        if (const Entry *entry = section.find(QStringLiteral("background")))
            look.background = fill(*entry);
    }

    void readTitle(const Section &section, SkinLook &look) const
    {
        if (const Entry *entry = section.find(QStringLiteral("height")))
            look.titleHeight = number(*entry, 0, kMaximumCoordinate);
        if (const Entry *entry = section.find(QStringLiteral("background")))
            look.titleFill = fill(*entry);
        if (const Entry *entry = section.find(QStringLiteral("line")))
            look.titleLine = color(entry->value, entry->line);
        if (const Entry *entry = section.find(QStringLiteral("color")))
            look.titleColor = color(entry->value, entry->line);
        if (const Entry *entry = section.find(QStringLiteral("text")))
            look.titleText = entry->value;
        if (const Entry *entry = section.find(QStringLiteral("text-size")))
            look.titleTextSize = number(*entry, 6, 96);
        if (const Entry *entry = section.find(QStringLiteral("bold")))
            look.titleBold = flag(*entry);
        if (const Entry *entry = section.find(QStringLiteral("glyph")))
            look.titleGlyph = glyph(*entry);
        if (const Entry *entry = section.find(QStringLiteral("indent")))
            look.titleIndent = number(*entry, 0, kMaximumCoordinate);
    }

    SkinElementDef readElement(const Section &section)
    {
        SkinElementDef def;
        def.name = required(section, QStringLiteral("name")).value;
        if (def.name.isEmpty())
            fail(required(section, QStringLiteral("name")).line,
                 QStringLiteral("an element name cannot be empty"));
        if (m_elementNames.contains(def.name))
            fail(section.line, QStringLiteral("a second element named \"%1\"").arg(def.name));
        m_elementNames.insert(def.name);
        def.kind = kind(required(section, QStringLiteral("kind")));
        def.rect = rectangle(required(section, QStringLiteral("rect")));
        if (def.kind == SkinElementKind::Label)
            def.align = Qt::AlignLeft | Qt::AlignVCenter;
        if (const Entry *entry = section.find(QStringLiteral("style"))) {
            auto style = m_styles.constFind(entry->value);
            if (style == m_styles.constEnd())
                fail(entry->line,
                     QStringLiteral("no style named \"%1\" above this line").arg(entry->value));
            readAppearance(style.value(), def);
        }
        readAppearance(section, def);
        if (const Entry *entry = section.find(QStringLiteral("text")))
            def.text = entry->value;
        if (const Entry *entry = section.find(QStringLiteral("hint")))
            def.hint = entry->value;
        return def;
    }

    void readAppearance(const Section &section, SkinElementDef &def) const
    {
        if (const Entry *entry = section.find(QStringLiteral("face")))
            def.face = fill(*entry);
        if (const Entry *entry = section.find(QStringLiteral("hover-face")))
            def.hoverFace = fill(*entry);
        if (const Entry *entry = section.find(QStringLiteral("pressed-face")))
            def.pressedFace = fill(*entry);
        if (const Entry *entry = section.find(QStringLiteral("border")))
            def.border = color(entry->value, entry->line);
        if (const Entry *entry = section.find(QStringLiteral("hover-border")))
            def.hoverBorder = color(entry->value, entry->line);
        if (const Entry *entry = section.find(QStringLiteral("color")))
            def.color = color(entry->value, entry->line);
        if (const Entry *entry = section.find(QStringLiteral("text-size")))
            def.textSize = number(*entry, 6, 96);
        if (const Entry *entry = section.find(QStringLiteral("bold")))
            def.bold = flag(*entry);
        if (const Entry *entry = section.find(QStringLiteral("align")))
            def.align = alignment(*entry);
        if (const Entry *entry = section.find(QStringLiteral("radius")))
            def.radius = number(*entry, 0, 100);
        if (const Entry *entry = section.find(QStringLiteral("glyph")))
            def.glyph = glyph(*entry);
    }

    const Entry &required(const Section &section, const QString &key) const
    {
        const Entry *entry = section.find(key);
        if (!entry)
            fail(section.line, QStringLiteral("the element has no \"%1\"").arg(key));
        return *entry;
    }

    SkinElementKind kind(const Entry &entry) const
    {
        static const QHash<QString, SkinElementKind> kinds{
            {QStringLiteral("button"), SkinElementKind::Button},
            {QStringLiteral("text"), SkinElementKind::Text},
            {QStringLiteral("label"), SkinElementKind::Label},
            {QStringLiteral("panel"), SkinElementKind::Panel}};
        auto it = kinds.constFind(entry.value);
        if (it == kinds.constEnd())
            fail(entry.line, QStringLiteral("unknown kind \"%1\" (button, text, label or panel)")
                                 .arg(entry.value));
        return it.value();
    }

    QRect rectangle(const Entry &entry) const
    {
        const QStringList parts = entry.value.split(QLatin1Char(','));
        if (parts.size() != 4)
            fail(entry.line,
                 QStringLiteral("a rectangle is \"left, top, width, height\", found \"%1\"")
                     .arg(entry.value));
        int values[4];
        for (int index = 0; index < 4; ++index)
            values[index] = integer(parts[index], entry.line, index < 2 ? -kMaximumCoordinate : 1,
                                    kMaximumCoordinate);
        return QRect(values[0], values[1], values[2], values[3]);
    }

    int number(const Entry &entry, int minimum, int maximum) const
    {
        return integer(entry.value, entry.line, minimum, maximum);
    }

    int integer(const QString &text, int line, int minimum, int maximum) const
    {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (!ok || value < minimum || value > maximum)
            fail(line, QStringLiteral("\"%1\" is not a whole number from %2 to %3")
                           .arg(text.trimmed())
                           .arg(minimum)
                           .arg(maximum));
        return value;
    }

    bool flag(const Entry &entry) const
    {
        if (entry.value == QLatin1String("yes"))
            return true;
        if (entry.value == QLatin1String("no"))
            return false;
        fail(entry.line, QStringLiteral("expected yes or no, found \"%1\"").arg(entry.value));
    }

    Qt::Alignment alignment(const Entry &entry) const
    {
        if (entry.value == QLatin1String("left"))
            return Qt::AlignLeft | Qt::AlignVCenter;
        if (entry.value == QLatin1String("center"))
            return Qt::AlignCenter;
        if (entry.value == QLatin1String("right"))
            return Qt::AlignRight | Qt::AlignVCenter;
        fail(entry.line,
             QStringLiteral("expected left, center or right, found \"%1\"").arg(entry.value));
    }

    QString glyph(const Entry &entry) const
    {
        if (!SkinGlyph::isKnown(entry.value))
            fail(entry.line, QStringLiteral("unknown glyph \"%1\"").arg(entry.value));
        return entry.value;
    }

    SkinFill fill(const Entry &entry) const
    {
        const QStringList parts =
            entry.value.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (parts.isEmpty() || parts.size() > 2)
            fail(entry.line,
                 QStringLiteral("a fill is one colour or two (top and bottom), found \"%1\"")
                     .arg(entry.value));
        const QColor top = color(parts.first(), entry.line);
        return SkinFill{top, parts.size() == 2 ? color(parts.last(), entry.line) : top};
    }

    // "#RRGGBB", "#RRGGBBAA" (alpha last) or "none".
    QColor color(const QString &text, int line) const
    {
        if (text == QLatin1String("none"))
            return QColor(Qt::transparent);
        static const QRegularExpression hex(QStringLiteral("^#([0-9a-fA-F]{6})([0-9a-fA-F]{2})?$"));
        const QRegularExpressionMatch match = hex.match(text);
        if (!match.hasMatch())
            fail(line,
                 QStringLiteral("\"%1\" is not a colour (#RRGGBB, #RRGGBBAA or none)").arg(text));
        const uint rgb = match.captured(1).toUInt(nullptr, 16);
        const int alpha = match.captured(2).isEmpty() ? 255 : match.captured(2).toInt(nullptr, 16);
        return QColor(int((rgb >> 16) & 0xff), int((rgb >> 8) & 0xff), int(rgb & 0xff), alpha);
    }

    QString m_origin;
    QHash<QString, Section> m_styles;
    QSet<QString> m_styleNames;
    QSet<QString> m_elementNames;
    int m_elementCount = 0;
};

QString readSkinText(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw SkinError(QStringLiteral("The skin file %1 does not exist.").arg(path));
    if (file.size() > kMaximumFileSize)
        throw SkinError(QStringLiteral("The skin file %1 is too large to be a skin.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw SkinError(
            QStringLiteral("The skin file %1 cannot be read: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.read(kMaximumFileSize + 1);
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError() || bytes.contains('\0'))
        throw SkinError(QStringLiteral("The skin file %1 is not a text skin.").arg(path));
    return text;
}

}  // namespace

SkinDocument SkinDocument::load(const QString &path)
{
    return parse(readSkinText(path), path);
}

SkinDocument SkinDocument::parse(const QString &text, const QString &origin)
{
    SkinDocument document;
    SkinParser parser(origin);
    parser.run(text, document.m_look, document.m_elements);
    return document;
}
