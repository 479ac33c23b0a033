// The skin file shipped beside the program: every element the main window
// relies on is there, and nothing clickable hides under the window's controls.

#include "skin/skin.h"
#include "skin/skindocument.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

const QStringList kClickable{
    QStringLiteral("Add"),   QStringLiteral("Remove"),       QStringLiteral("Clear"),
    QStringLiteral("Up"),    QStringLiteral("Down"),         QStringLiteral("Play"),
    QStringLiteral("Pause"), QStringLiteral("Stop playing"), QStringLiteral("join"),
    QStringLiteral("Stop"),  QStringLiteral("ID3Tag"),       QStringLiteral("Options"),
    QStringLiteral("Browse")};
const QRect kClientArea(0, 0, 490, 427);
const QList<QRect> kControls{QRect(0, 47, 489, 271), QRect(19, 326, 451, 12),
                             QRect(355, 356, 129, 21), QRect(96, 398, 58, 21),
                             QRect(161, 398, 244, 21)};

SkinDocument shippedSkin()
{
    return SkinDocument::load(QCoreApplication::applicationDirPath()
                              + QStringLiteral("/mp3enc.dll"));
}

const SkinElementDef *element(const SkinDocument &document, const QString &name)
{
    for (const SkinElementDef &def : document.elements()) {
        if (def.name == name)
            return &def;
    }
    return nullptr;
}

}  // namespace

TEST(ShippedSkin, HoldsEveryCommandAsAButtonAndTheTotalTimeReadOut)
{
    const SkinDocument document = shippedSkin();
    for (const QString &name : kClickable) {
        const SkinElementDef *def = element(document, name);
        ASSERT_NE(def, nullptr) << name.toStdString();
        EXPECT_EQ(def->kind, SkinElementKind::Button) << name.toStdString();
        // The tooltip, which assistive technology also reads out.
        EXPECT_FALSE(def->hint.isEmpty()) << name.toStdString();
    }
    const SkinElementDef *total = element(document, QStringLiteral("Total time"));
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->kind, SkinElementKind::Text);
    EXPECT_EQ(element(document, QStringLiteral("Join")), nullptr);
}

TEST(ShippedSkin, OnlyTheCommandsAreClickable)
{
    const SkinDocument document = shippedSkin();
    for (const SkinElementDef &def : document.elements()) {
        if (def.kind == SkinElementKind::Button) {
            EXPECT_TRUE(kClickable.contains(def.name)) << def.name.toStdString();
        }
    }
}

TEST(ShippedSkin, ElementsStayInsideTheWindowAndClearOfItsControls)
{
    const SkinDocument document = shippedSkin();
    std::vector<QRect> visible;
    for (const SkinElementDef &def : document.elements()) {
        EXPECT_TRUE(kClientArea.contains(def.rect)) << def.name.toStdString();
        if (def.kind == SkinElementKind::Panel)
            continue;
        for (const QRect &control : kControls)
            EXPECT_FALSE(def.rect.intersects(control)) << def.name.toStdString();
        for (const QRect &other : visible)
            EXPECT_FALSE(def.rect.intersects(other)) << def.name.toStdString();
        visible.push_back(def.rect);
    }
}

TEST(ShippedSkin, TitleBandSitsAboveTheListAndNamesTheProgram)
{
    const SkinDocument document = shippedSkin();
    EXPECT_EQ(document.look().titleHeight, 47);
    EXPECT_EQ(document.look().titleText, QStringLiteral("Vantorel"));
}
