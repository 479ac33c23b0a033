#include "app/configureapplication.h"
#include "platform/messages.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <qpa/qplatformwindow.h>

namespace {

// The X11 and Wayland windows caption themselves with the window title as the
// platform formats it, which is what the window manager shows.
class PlatformCaption : public QPlatformWindow {
public:
    using QPlatformWindow::formatWindowTitle;
};

TEST(ConfigureApplicationTest, WindowCaptionsStayTheProgramsOwn)
{
    configureApplication(*qApp);
    for (const QString &title : {Messages::kCaption, QStringLiteral("Vantorel"),
                                 QStringLiteral("ID3"), QStringLiteral("Open Folder")})
        EXPECT_EQ(PlatformCaption::formatWindowTitle(title, QStringLiteral(" — ")), title);
}

}  // namespace
