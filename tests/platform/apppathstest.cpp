// Where the program finds its skin and help: beside the executable in a build
// folder, in ../share/vantorel when installed.

#include "platform/apppaths.h"
#include "desktop/appidentity.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// A program's folders as `cmake --install` lays them out, given the files the
// build put beside this test program.
class InstalledLayoutTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_bin = m_root.filePath(QStringLiteral("usr/bin"));
        m_data = m_root.filePath(QStringLiteral("usr/share/vantorel"));
        ASSERT_TRUE(QDir().mkpath(m_bin));
    }

    // Copies a file the build placed beside this program into folder, at the
    // same place relative to it; answers the copy's path.
    QString copyInto(const QString &builtFile, const QString &folder)
    {
        const QString relative = QDir(AppPaths::executableFolder()).relativeFilePath(builtFile);
        const QString copy = QDir(folder).filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(copy).absolutePath()));
        EXPECT_TRUE(QFile::copy(builtFile, copy)) << copy.toStdString();
        return copy;
    }

    QTemporaryDir m_root;
    QString m_bin;
    QString m_data;
};

}  // namespace

TEST_F(InstalledLayoutTest, InstalledProgramFindsItsFilesInItsDataFolder)
{
    const QString skin = copyInto(AppPaths::skinFile(), m_data);
    const QString help = copyInto(AppPaths::helpPage(), m_data);
    EXPECT_EQ(AppPaths::skinFile(m_bin), skin);
    EXPECT_EQ(AppPaths::helpPage(m_bin), help);
}

TEST_F(InstalledLayoutTest, FilesBesideTheProgramComeFirst)
{
    copyInto(AppPaths::skinFile(), m_data);
    copyInto(AppPaths::helpPage(), m_data);
    EXPECT_EQ(AppPaths::skinFile(m_bin), copyInto(AppPaths::skinFile(), m_bin));
    EXPECT_EQ(AppPaths::helpPage(m_bin), copyInto(AppPaths::helpPage(), m_bin));
}

TEST_F(InstalledLayoutTest, WithNoFilesTheAnswerNamesThePlaceBesideTheProgram)
{
    // The missing-skin message then tells the user where the file was wanted.
    for (const QString &file : {AppPaths::skinFile(m_bin), AppPaths::helpPage(m_bin)}) {
        EXPECT_FALSE(QFileInfo::exists(file));
        EXPECT_TRUE(file.startsWith(m_bin + QLatin1Char('/'))) << file.toStdString();
    }
}

TEST(AppIdentity, IconIsThereWithoutAnIconTheme)
{
    const QIcon icon = AppIdentity::icon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(64).isNull());
}
