#pragma once

#include "app/mainwindow.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A real main window on the offscreen platform, answered by a scripted
// prompter; closed and destroyed after each test.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window (once) without showing it.
    MainWindow &window();
    // Creates and shows the window, which runs its first show.
    MainWindow &showWindow();
    // Writes vantorel.ini as a user would have left it.
    static void writeSettingsText(const QString &text);
    static QString settingsText();
    static QString settingsPath();
    // A folder for the test's own files.
    QString dataPath(const QString &name = QString()) const;

    ScriptedPrompter prompter;

private:
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_data;
};
