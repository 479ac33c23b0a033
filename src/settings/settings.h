#pragma once

#include <QString>

#include <stdexcept>

// A write the settings file refused: "Unable to write to vantorel.ini".
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString &text);
};

// The one settings object: reads and writes vantorel.ini with the reading rules
// of the classic INI functions. Every write goes to the file at once; lines the
// program does not own are kept as they were.
class Settings {
public:
    explicit Settings(const QString &filePath);

    void open();
    void close();
    bool isOpen() const { return m_open; }
    QString filePath() const { return m_filePath; }

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
    QString m_filePath;
    bool m_open = false;
};
