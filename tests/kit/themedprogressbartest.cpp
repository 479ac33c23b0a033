#include "kit/themedprogressbar.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

class ThemedProgressBarTest : public testing::Test {
protected:
    void SetUp() override { m_bar.resize(451, 12); }

    QImage paint() { return m_bar.grab().toImage(); }

    // A pixel well inside the track, at the given share of its width.
    QColor trackPixel(const QImage &image, double share)
    {
        return image.pixelColor(int(2 + (image.width() - 4) * share), image.height() / 2 + 2);
    }

    static bool isBlue(const QColor &color) { return color.blue() > 140 && color.red() < 120; }

    ThemedProgressBar m_bar;
};

}  // namespace

TEST_F(ThemedProgressBarTest, StartsEmptyWithoutCaptionInTheThemeColours)
{
    EXPECT_EQ(m_bar.position(), 0);
    EXPECT_FALSE(m_bar.captionVisible());
    EXPECT_EQ(m_bar.borderColor(), QColor(240, 245, 255));
    EXPECT_EQ(m_bar.fillColor(), QColor(240, 245, 255));
}

TEST_F(ThemedProgressBarTest, PositionIsHeldWithinZeroToHundred)
{
    m_bar.setPosition(57);
    EXPECT_EQ(m_bar.position(), 57);
    m_bar.setPosition(-3);
    EXPECT_EQ(m_bar.position(), 0);
    m_bar.setPosition(250);
    EXPECT_EQ(m_bar.position(), 100);
}

TEST_F(ThemedProgressBarTest, FillGrowsWithThePosition)
{
    m_bar.setPosition(0);
    const QImage empty = paint();
    EXPECT_FALSE(isBlue(trackPixel(empty, 0.1)));

    m_bar.setPosition(50);
    const QImage half = paint();
    EXPECT_TRUE(isBlue(trackPixel(half, 0.25)));
    EXPECT_FALSE(isBlue(trackPixel(half, 0.75)));

    m_bar.setPosition(100);
    EXPECT_TRUE(isBlue(trackPixel(paint(), 0.97)));
}

TEST_F(ThemedProgressBarTest, CaptionIsDrawnOnlyWhenSwitchedOn)
{
    m_bar.setPosition(40);
    const QImage plain = paint();
    m_bar.setCaptionVisible(true);
    const QImage captioned = paint();
    EXPECT_NE(captioned, plain);
    m_bar.setPosition(41);
    EXPECT_NE(paint(), captioned) << "the caption follows the position";
    m_bar.setCaptionVisible(false);
    m_bar.setPosition(40);
    EXPECT_EQ(paint(), plain);
}

TEST_F(ThemedProgressBarTest, TrackTakesTheFillColour)
{
    m_bar.setFillColor(QColor(255, 230, 200));
    const QColor track = trackPixel(paint(), 0.5);
    EXPECT_GT(track.red(), track.blue());
    EXPECT_EQ(m_bar.fillColor(), QColor(255, 230, 200));
}
