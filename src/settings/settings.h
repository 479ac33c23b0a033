#pragma once

#include <QString>

#include <optional>
#include <stdexcept>

class IniFile;

// A write the settings file refused: "Unable to write to vantorel.ini".
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString &text);
};

// The one settings object: reads and writes vantorel.ini with the reading rules
// of the classic INI functions. Every write goes to the file at once; lines the
// program does not own are kept as they were.
//
// The object is attached to the file between open() and close(). Outside that
// time every read gives its default without touching the file, and every write
// throws SettingsError, as a write the file refused would. Reads never throw.
//
// A settings file is a few kilobytes. One larger than kMaxFileMiB is something
// else: it is never read whole, its reads give their defaults and its writes
// throw SettingsError naming it, so that it is never replaced.
class Settings {
public:
    static constexpr int kMaxFileMiB = 4;

    explicit Settings(const QString &filePath);

    // Attaches the object, then throws SettingsError when the file is too large;
    // the object stays attached, with the reads and writes above.
    void open();
    // Writes reach the file as they happen, so closing only detaches.
    void close();
    bool isOpen() const { return m_open; }
    QString filePath() const { return m_filePath; }

    // Text: at most 2047 characters; a key present with nothing after "=" reads
    // as empty text. Integer and switch: see IntegerText; a switch is on for
    // every number but 0. Anything missing or unreadable gives the default.
    QString readText(const QString &section, const QString &key, const QString &defaultValue) const;
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    bool readSwitch(const QString &section, const QString &key, bool defaultValue) const;
    // An index into a value list of listSize entries; anything outside the list
    // gives the default, so no reader ever looks outside its list.
    int readIndex(const QString &section, const QString &key, int defaultValue, int listSize) const;

    void writeText(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeSwitch(const QString &section, const QString &key, bool value);

private:
    std::optional<QString> storedValue(const QString &section, const QString &key) const;
    IniFile loadForWriting() const;
    void save(const QByteArray &content) const;
    SettingsError writeError() const;
    SettingsError tooLargeError() const;

    QString m_filePath;
    bool m_open = false;
};
