#include "settings/settings.h"

#include "platform/messages.h"
#include "settings/inifile.h"
#include "settings/integertext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The classic INI functions read into a buffer of 2048 characters.
constexpr int kMaxTextLength = 2047;

QString cutToReadLimit(const QString &text)
{
    if (text.size() <= kMaxTextLength)
        return text;
    // Never leave half of a surrogate pair behind.
    const int length =
        text.at(kMaxTextLength - 1).isHighSurrogate() ? kMaxTextLength - 1 : kMaxTextLength;
    return text.left(length);
}

// The file's bytes, or nothing when it is too large. Read no further than one
// byte past the bound, so that neither a huge file nor an endless device such
// as /dev/zero fills the memory.
std::optional<QByteArray> readBounded(QFile &file)
{
    constexpr qint64 kMaxBytes = qint64(Settings::kMaxFileMiB) * 1024 * 1024;
    QByteArray content = file.read(kMaxBytes + 1);
    if (content.size() > kMaxBytes)
        return std::nullopt;
    return content;
}

}  // namespace

SettingsError::SettingsError(const QString &text) : std::runtime_error(text.toStdString()) {}

Settings::Settings(const QString &filePath) : m_filePath(filePath) {}

void Settings::open()
{
    m_open = true;
    // Said at once rather than at the first write: until then the defaults
    // would be taken without a word.
    QFile file(m_filePath);
    if (file.open(QIODevice::ReadOnly) && !readBounded(file))
        throw tooLargeError();
}

void Settings::close()
{
    // Every write has already reached the file; there is nothing to flush.
    m_open = false;
}

QString Settings::readText(const QString &section, const QString &key,
                           const QString &defaultValue) const
{
    const std::optional<QString> stored = storedValue(section, key);
    return stored ? cutToReadLimit(*stored) : defaultValue;
}

int Settings::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const std::optional<QString> stored = storedValue(section, key);
    if (!stored)
        return defaultValue;
    return IntegerText::parse(cutToReadLimit(*stored)).value_or(defaultValue);
}

bool Settings::readSwitch(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

int Settings::readIndex(const QString &section, const QString &key, int defaultValue,
                        int listSize) const
{
    const int index = readInteger(section, key, defaultValue);
    return index >= 0 && index < listSize ? index : defaultValue;
}

void Settings::writeText(const QString &section, const QString &key, const QString &value)
{
    if (!m_open)
        throw writeError();
    IniFile file = loadForWriting();
    file.setValue(section, key, value);
    save(file.content());
}

void Settings::writeInteger(const QString &section, const QString &key, int value)
{
    writeText(section, key, QString::number(value));
}

void Settings::writeSwitch(const QString &section, const QString &key, bool value)
{
    writeInteger(section, key, value ? 1 : 0);
}

std::optional<QString> Settings::storedValue(const QString &section, const QString &key) const
{
    if (!m_open)
        return std::nullopt;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<QByteArray> content = readBounded(file);
    if (!content)
        return std::nullopt;
    return IniFile(*content).value(section, key);
}

IniFile Settings::loadForWriting() const
{
    QFile file(m_filePath);
    if (!file.exists())
        return IniFile();
    // A file that cannot be read back must not be replaced by one holding only
    // the new key, and a read-only file stays as its owner made it.
    if (!QFileInfo(m_filePath).isWritable() || !file.open(QIODevice::ReadOnly))
        throw writeError();
    const std::optional<QByteArray> content = readBounded(file);
    if (!content)
        throw tooLargeError();
    if (file.error() != QFileDevice::NoError)
        throw writeError();
    return IniFile(*content);
}

void Settings::save(const QByteArray &content) const
{
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath()))
        throw writeError();
    // Written beside the file and renamed over it, so a failed write leaves the
    // old file whole.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw writeError();
}

SettingsError Settings::writeError() const
{
    return SettingsError(Messages::kUnableToWrite.arg(QFileInfo(m_filePath).fileName()));
}

SettingsError Settings::tooLargeError() const
{
    return SettingsError(Messages::kSettingsTooLarge.arg(m_filePath).arg(kMaxFileMiB));
}
