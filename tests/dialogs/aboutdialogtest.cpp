#include "dialogs/aboutdialog.h"

#include "platform/links.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace {

class AboutDialogTest : public testing::Test {
protected:
    ScriptedPrompter m_prompter;
    AboutDialog m_about{m_prompter};
};

}  // namespace

TEST_F(AboutDialogTest, ShowsNameVersionAndTheTwoButtons)
{
    EXPECT_EQ(m_about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(m_about.size(), QSize(314, 227));
    EXPECT_EQ(m_about.minimumSize(), m_about.maximumSize()) << "the box cannot be resized";
    EXPECT_EQ(m_about.contactButton()->text(), QStringLiteral("Contact us "));
    EXPECT_EQ(m_about.closeButton()->text(), QStringLiteral("Close"));
    EXPECT_EQ(m_about.contactButton()->objectName(), QStringLiteral("btn_contact"));
    EXPECT_EQ(m_about.closeButton()->objectName(), QStringLiteral("btn_close"));

    QStringList texts;
    for (const QLabel *label : m_about.findChildren<QLabel *>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Vantorel")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Version:    1.00")));
    const auto *name = m_about.findChild<QLabel *>(QStringLiteral("lbl_name"));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->font().bold());
    EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(24, 54, 97));
}

TEST_F(AboutDialogTest, BannerSpansTheWidthNinetyPixelsHigh)
{
    const auto *banner = m_about.findChild<QLabel *>(QStringLiteral("img_banner"));
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->geometry(), QRect(0, 0, 314, 90));
    EXPECT_EQ(banner->pixmap().size(), QSize(314, 90));
    const auto *separator = m_about.findChild<QFrame *>(QStringLiteral("bvl_line"));
    ASSERT_NE(separator, nullptr);
    EXPECT_EQ(separator->frameShadow(), QFrame::Sunken);
}

TEST_F(AboutDialogTest, ContactUsOpensAMailToSupportAndTheBoxStaysOpen)
{
    bool openAfterContact = false;
    m_prompter.queueDialog([&](QDialog &dialog) {
        QTest::mouseClick(m_about.contactButton(), Qt::LeftButton);
        openAfterContact = dialog.isVisible();
    });
    m_prompter.showModal(m_about);
    EXPECT_TRUE(openAfterContact);
    ASSERT_EQ(m_prompter.openedUrls().size(), 1);
    EXPECT_EQ(m_prompter.openedUrls().front(),
              QUrl(QStringLiteral("mailto:") + Links::kSupportMail));
    EXPECT_EQ(m_prompter.openedUrls().front().scheme(), QStringLiteral("mailto"));
}

TEST_F(AboutDialogTest, CloseClosesTheBox)
{
    bool openAfterClose = true;
    m_prompter.queueDialog([&](QDialog &dialog) {
        QTest::mouseClick(m_about.closeButton(), Qt::LeftButton);
        openAfterClose = dialog.isVisible();
    });
    m_prompter.showModal(m_about);
    EXPECT_FALSE(openAfterClose);
    EXPECT_TRUE(m_prompter.openedUrls().isEmpty());
}
