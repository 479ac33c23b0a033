// The skin file shipped beside the program: every element the main window
// relies on is there, and nothing clickable hides under the window's controls.

#include "skin/skin.h"
#include "skin/skindocument.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

const QStringList kClickable{QStringLiteral("Add"),   QStringLiteral("Remove"),      QStringLiteral("Clear"),
                             QStringLiteral("Up"),    QStringLiteral("Down"),        QStringLiteral("Play"),
                             QStringLiteral("Pause"), QStringLiteral("Stop playing"), QStringLiteral("join"),
                             QStringLiteral("Stop"),  QStringLiteral("ID3Tag"),      QStringLiteral("Options"),
                             QStringLiteral("Browse")};
const QRect kClientArea(0, 0, 490, 427);
const QList<QRect> kControls{QRect(0, 47, 489, 271), QRect(19, 326, 451, 12), QRect(355, 356, 129, 21),
                             QRect(96, 398, 58, 21), QRect(161, 398, 244, 21)};

SkinDocument shippedSkin()
{
    return SkinDocument::load(QCoreApplication::applicationDirPath() + QStringLiteral("/mp3enc.dll"));
}

const SkinElementSpec *element(const SkinDocument &document, const QString &name)
{
    for (const SkinElementSpec &spec : document.elements()) {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

}  // namespace

TEST(ShippedSkin, HoldsEveryCommandAsAButtonAndTheTotalTimeReadOut)
{
    const SkinDocument document = shippedSkin();
    for (const QString &name : kClickable) {
        const SkinElementSpec *spec = element(document, name);
        ASSERT_NE(spec, nullptr) << name.toStdString();
        EXPECT_EQ(spec->kind, SkinElementKind::Button) << name.toStdString();
    }
    const SkinElementSpec *total = element(document, QStringLiteral("Total time"));
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->kind, SkinElementKind::Text);
    EXPECT_EQ(element(document, QStringLiteral("Join")), nullptr);
}

TEST(ShippedSkin, OnlyTheCommandsAreClickable)
{
    const SkinDocument document = shippedSkin();
    for (const SkinElementSpec &spec : document.elements()) {
        if (spec.kind == SkinElementKind::Button) {
            EXPECT_TRUE(kClickable.contains(spec.name)) << spec.name.toStdString();
        }
    }
}

TEST(ShippedSkin, ElementsStayInsideTheWindowAndClearOfItsControls)
{
    const SkinDocument document = shippedSkin();
    std::vector<QRect> visible;
    for (const SkinElementSpec &spec : document.elements()) {
        EXPECT_TRUE(kClientArea.contains(spec.rect)) << spec.name.toStdString();
        if (spec.kind == SkinElementKind::Panel)
            continue;
        for (const QRect &control : kControls)
            EXPECT_FALSE(spec.rect.intersects(control)) << spec.name.toStdString();
        for (const QRect &other : visible)
            EXPECT_FALSE(spec.rect.intersects(other)) << spec.name.toStdString();
        visible.push_back(spec.rect);
    }
}

TEST(ShippedSkin, TitleBandSitsAboveTheListAndNamesTheProgram)
{
    const SkinDocument document = shippedSkin();
    EXPECT_EQ(document.look().titleHeight, 47);
    EXPECT_EQ(document.look().titleText, QStringLiteral("Vantorel"));
}
