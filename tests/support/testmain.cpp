// The test programs' main: a QApplication on the offscreen platform, and for
// every test a fresh home and configuration folder, so that no test sees the
// settings of another. A test that leaves a window open fails its program.

#include "desktop/appfont.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

bool g_windowLeftOpen = false;

class FreshEnvironmentListener : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo &) override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString home = m_dir->path() + QStringLiteral("/home");
        const QString config = m_dir->path() + QStringLiteral("/config");
        QDir().mkpath(home);
        QDir().mkpath(config);
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
    }

    void OnTestEnd(const testing::TestInfo &info) override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible()) {
                std::fprintf(stderr, "%s.%s left a window open: %s \"%s\"\n",
                             info.test_suite_name(), info.name(), widget->metaObject()->className(),
                             qPrintable(widget->windowTitle()));
                g_windowLeftOpen = true;
                widget->close();
            }
        }
        m_dir.reset();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The font the program runs with, so that layouts are tested as users see them.
    QApplication::setFont(appFont());
    testing::UnitTest::GetInstance()->listeners().Append(new FreshEnvironmentListener);
    const int result = RUN_ALL_TESTS();
    return g_windowLeftOpen ? 1 : result;
}
