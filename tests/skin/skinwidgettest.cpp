#include "skin/skin.h"
#include "skin/skinitem.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kSkin = R"(
[title]
height = 40
text = Default title
[element]
name = join
kind = button
rect = 10, 50, 60, 24
text = Join
hint = Join the files
[element]
name = Stop playing
kind = button
rect = 80, 50, 60, 24
text = Stop
[element]
name = Total time
kind = text
rect = 10, 90, 100, 20
text = 00:00:00
[element]
name = caption
kind = label
rect = 150, 50, 60, 24
text = Caption
[element]
name = Up
kind = button
rect = 220, 50, 24, 24
glyph = up
hint = Move the file up
)";

class SkinWidgetTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_window.resize(300, 200);
        m_path = m_dir.filePath(QStringLiteral("mp3enc.dll"));
        QFile file(m_path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kSkin);
    }

    Skin *applied()
    {
        auto *skin = new Skin(&m_window);
        skin->loadSkin(m_path);
        skin->applySkin(&m_window);
        return skin;
    }

    QImage grabArea(Skin *skin, const QRect &area) { return skin->grab(area).toImage(); }

    QTemporaryDir m_dir;
    QString m_path;
    QWidget m_window;
};

}  // namespace

TEST_F(SkinWidgetTest, FindsElementsByExactNameOnly)
{
    Skin *skin = applied();
    SkinForm *form = skin->getSkinForm(&m_window);
    ASSERT_NE(form, nullptr);
    ASSERT_NE(form->findObject(QStringLiteral("join")), nullptr);
    EXPECT_EQ(form->findObject(QStringLiteral("join"))->name(), QStringLiteral("join"));
    EXPECT_EQ(form->findObject(QStringLiteral("Join")), nullptr);
    EXPECT_EQ(form->findObject(QStringLiteral("Stop Playing")), nullptr);
    EXPECT_EQ(form->findObject(QStringLiteral("join ")), nullptr);
    EXPECT_NE(form->findObject(QStringLiteral("Stop playing")), nullptr);
}

TEST_F(SkinWidgetTest, CoversTheWindowBeneathItsControls)
{
    auto *edit = new QLineEdit(&m_window);
    Skin *skin = applied();
    EXPECT_EQ(skin->parentWidget(), &m_window);
    EXPECT_EQ(skin->geometry(), m_window.rect());
    EXPECT_EQ(m_window.children().indexOf(skin), 0) << "the skin must lie beneath the controls";
    EXPECT_GT(m_window.children().indexOf(edit), 0);
    // A hidden window hears of its new size when it is shown.
    m_window.show();
    m_window.resize(320, 240);
    EXPECT_EQ(skin->geometry(), m_window.rect());
    m_window.hide();
}

TEST_F(SkinWidgetTest, InAMainWindowCoversTheCentralWidget)
{
    QMainWindow mainWindow;
    auto *client = new QWidget(&mainWindow);
    mainWindow.setCentralWidget(client);
    auto *skin = new Skin(client);
    skin->loadSkin(m_path);
    skin->applySkin(&mainWindow);
    EXPECT_EQ(skin->parentWidget(), client);
    skin->setWindowCaption(&mainWindow, QStringLiteral("Vantorel"));
    EXPECT_EQ(mainWindow.windowTitle(), QStringLiteral("Vantorel"));
}

TEST_F(SkinWidgetTest, OperationsWithoutASkinOrOnAnotherWindowFail)
{
    Skin skin;
    EXPECT_THROW(skin.applySkin(&m_window), SkinError);
    EXPECT_THROW(skin.getSkinForm(&m_window), SkinError);
    EXPECT_THROW(skin.setWindowCaption(&m_window, QStringLiteral("x")), SkinError);
    EXPECT_THROW(skin.loadSkin(m_dir.filePath(QStringLiteral("absent.dll"))), SkinError);

    Skin *appliedSkin = applied();
    QWidget other;
    EXPECT_THROW(appliedSkin->getSkinForm(&other), SkinError);
    EXPECT_THROW(appliedSkin->applySkin(nullptr), SkinError);
}

TEST_F(SkinWidgetTest, AFailedLoadKeepsTheSkinThatWasThere)
{
    Skin *skin = applied();
    EXPECT_THROW(skin->loadSkin(m_dir.filePath(QStringLiteral("absent.dll"))), SkinError);
    EXPECT_NE(skin->getSkinForm(&m_window)->findObject(QStringLiteral("join")), nullptr);
}

TEST_F(SkinWidgetTest, ClickOnAButtonEmitsItsName)
{
    Skin *skin = applied();
    QSignalSpy clicks(skin, &Skin::click);
    QTest::mouseClick(skin, Qt::LeftButton, {}, QRect(10, 50, 60, 24).center());
    QTest::mouseClick(skin, Qt::LeftButton, {}, QRect(80, 50, 60, 24).center());
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(0).at(0).toString(), QStringLiteral("join"));
    EXPECT_EQ(clicks.at(1).at(0).toString(), QStringLiteral("Stop playing"));
}

TEST_F(SkinWidgetTest, ButtonsAreNamedPushButtonsForAssistiveTechnology)
{
    Skin *skin = applied();
    // Loading again must not leave the first skin's buttons behind.
    skin->loadSkin(m_path);
    // Assistive technology finds an element's place on the screen only once it is shown.
    m_window.show();
    struct Expected {
        QString name;
        QString tooltip;
        QRect drawn;
    };
    // A glyph-only button is read out by its element name, a captioned one by its caption.
    const std::vector<Expected> expected{{"Join", "Join the files", {10, 50, 60, 24}},
                                         {"Stop", "", {80, 50, 60, 24}},
                                         {"Up", "Move the file up", {220, 50, 24, 24}}};
    QAccessibleInterface *access = QAccessible::queryAccessibleInterface(skin);
    ASSERT_EQ(access->childCount(), int(expected.size()));
    for (int index = 0; index < access->childCount(); ++index) {
        QAccessibleInterface *button = access->child(index);
        const Expected &wanted = expected[std::size_t(index)];
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_EQ(button->text(QAccessible::Name), wanted.name);
        EXPECT_EQ(button->text(QAccessible::Description), wanted.tooltip);
        EXPECT_EQ(button->rect(),
                  QRect(skin->mapToGlobal(wanted.drawn.topLeft()), wanted.drawn.size()));
    }
    m_window.hide();
}

TEST_F(SkinWidgetTest, PressingAButtonThroughAssistiveTechnologyClicksIt)
{
    Skin *skin = applied();
    QSignalSpy clicks(skin, &Skin::click);
    QAccessibleInterface *button = QAccessible::queryAccessibleInterface(skin)->child(2);
    ASSERT_NE(button->actionInterface(), nullptr);
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(clicks.wait());
    EXPECT_EQ(clicks.at(0).at(0).toString(), QStringLiteral("Up"));
}

TEST_F(SkinWidgetTest, ClicksOutsideButtonsEmitNothing)
{
    Skin *skin = applied();
    QSignalSpy clicks(skin, &Skin::click);
    QTest::mouseClick(skin, Qt::LeftButton, {}, QPoint(180, 62));  // the label
    QTest::mouseClick(skin, Qt::LeftButton, {}, QPoint(50, 100));  // the text element
    QTest::mouseClick(skin, Qt::LeftButton, {}, QPoint(5, 5));     // the title band
    QTest::mouseClick(skin, Qt::RightButton, {}, QPoint(40, 62));  // right button on "join"
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(SkinWidgetTest, PressDraggedOffTheButtonIsNoClick)
{
    Skin *skin = applied();
    QSignalSpy clicks(skin, &Skin::click);
    QTest::mousePress(skin, Qt::LeftButton, {}, QPoint(40, 62));
    QTest::mouseMove(skin, QPoint(110, 62));
    QTest::mouseRelease(skin, Qt::LeftButton, {}, QPoint(110, 62));
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(SkinWidgetTest, ButtonsLookDifferentWhenHoveredAndPressed)
{
    Skin *skin = applied();
    const QRect join(10, 50, 60, 24);
    const QImage normal = grabArea(skin, join);
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 62), QPointF(40, 62), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(skin, &move);
    const QImage hovered = grabArea(skin, join);
    QTest::mousePress(skin, Qt::LeftButton, {}, QPoint(40, 62));
    const QImage pressed = grabArea(skin, join);
    QTest::mouseRelease(skin, Qt::LeftButton, {}, QPoint(40, 62));
    EXPECT_NE(normal, hovered);
    EXPECT_NE(hovered, pressed);
    EXPECT_NE(normal, pressed);
}

TEST_F(SkinWidgetTest, SetTextChangesWhatTheElementHoldsAndDraws)
{
    Skin *skin = applied();
    SkinElement *total = skin->getSkinForm(&m_window)->findObject(QStringLiteral("Total time"));
    ASSERT_NE(total, nullptr);
    const QRect area(10, 90, 100, 20);
    const QImage before = grabArea(skin, area);
    total->setText(QStringLiteral("01:02:03"));
    total->refresh();
    EXPECT_EQ(dynamic_cast<SkinItem *>(total)->text(), QStringLiteral("01:02:03"));
    EXPECT_NE(grabArea(skin, area), before);
    total->setText(QStringLiteral("00:00:00"));
    EXPECT_EQ(grabArea(skin, area), before);
}

TEST_F(SkinWidgetTest, CaptionIsDrawnInTheTitleBand)
{
    Skin *skin = applied();
    const QRect band(0, 0, 300, 40);
    const QImage fileTitle = grabArea(skin, band);
    skin->setWindowCaption(&m_window, QStringLiteral("Vantorel"));
    EXPECT_EQ(m_window.windowTitle(), QStringLiteral("Vantorel"));
    const QImage programTitle = grabArea(skin, band);
    EXPECT_NE(programTitle, fileTitle);
    skin->setWindowCaption(&m_window, QStringLiteral("Default title"));
    EXPECT_EQ(grabArea(skin, band), fileTitle);
}
