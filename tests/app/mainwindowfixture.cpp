#include "mainwindowfixture.h"

#include "platform/apppaths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

void MainWindowTest::SetUp()
{
    ASSERT_TRUE(m_data.isValid());
}

void MainWindowTest::TearDown()
{
    if (m_window) {
        m_window->close();
        m_window.reset();
    }
}

MainWindow &MainWindowTest::window()
{
    if (!m_window)
        m_window = std::make_unique<MainWindow>(prompter);
    return *m_window;
}

MainWindow &MainWindowTest::showWindow()
{
    MainWindow &main = window();
    main.show();
    QApplication::setActiveWindow(&main);
    main.activateWindow();
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&main, 1000);
    return main;
}

QString MainWindowTest::settingsPath()
{
    return AppPaths::settingsFile();
}

void MainWindowTest::writeSettingsText(const QString &text)
{
    QDir().mkpath(QFileInfo(settingsPath()).absolutePath());
    QFile file(settingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QString MainWindowTest::settingsText()
{
    QFile file(settingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString MainWindowTest::dataPath(const QString &name) const
{
    return name.isEmpty() ? m_data.path() : m_data.filePath(name);
}
