#include "skin/skindocument.h"
#include "skin/skin.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kOneButton = QStringLiteral("[window]\n"
                                          "background = #102030 #405060\n"
                                          "[style plain]\n"
                                          "color = #112233\n"
                                          "text-size = 14\n"
                                          "[element]\n"
                                          "name = join\n"
                                          "kind = button\n"
                                          "style = plain\n"
                                          "rect = 10, 20, 30, 40\n"
                                          "text = \" Join \"\n"
                                          "text-size = 9\n");

SkinDocument parse(const QString &text)
{
    return SkinDocument::parse(text, QStringLiteral("test.skin"));
}

std::string parseError(const QString &text)
{
    try {
        parse(text);
    } catch (const SkinError &error) {
        return error.what();
    }
    return "no error";
}

}  // namespace

TEST(SkinDocument, ReadsElementsWithStylesAndOwnKeysOverriding)
{
    const SkinDocument document = parse(kOneButton);
    ASSERT_EQ(document.elements().size(), 1u);
    const SkinElementDef &join = document.elements().front();
    EXPECT_EQ(join.name, QStringLiteral("join"));
    EXPECT_EQ(join.kind, SkinElementKind::Button);
    EXPECT_EQ(join.rect, QRect(10, 20, 30, 40));
    EXPECT_EQ(join.text, QStringLiteral(" Join "));   // quotes keep the blanks
    EXPECT_EQ(join.color, QColor(0x11, 0x22, 0x33));  // from the style
    EXPECT_EQ(join.textSize, 9);                      // the element's own key wins
    EXPECT_EQ(document.look().background.top, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(document.look().background.bottom, QColor(0x40, 0x50, 0x60));
}

TEST(SkinDocument, ReadsColoursWithOpacityAndNone)
{
    const SkinDocument document =
        parse(QStringLiteral("[element]\nname = a\nkind = panel\nrect = 0,0,1,1\n"
                             "face = #FF000080\nborder = none\n"));
    const SkinElementDef &panel = document.elements().front();
    EXPECT_EQ(panel.face.top, QColor(255, 0, 0, 128));
    EXPECT_EQ(panel.face.bottom, panel.face.top);
    EXPECT_EQ(panel.border.alpha(), 0);
}

TEST(SkinDocument, AcceptsCommentsBlankLinesAndWindowsLineEnds)
{
    const SkinDocument document =
        parse(QStringLiteral("# comment\r\n; another\r\n\r\n[element]\r\n"
                             "name = Total time\r\nkind = text\r\nrect = 1, 2, 3, 4\r\n"));
    ASSERT_EQ(document.elements().size(), 1u);
    EXPECT_EQ(document.elements().front().name, QStringLiteral("Total time"));
    EXPECT_EQ(document.elements().front().kind, SkinElementKind::Text);
}

struct MalformedCase {
    const char *text;
    const char *expected;  // part of the error text
};

class SkinDocumentMalformed : public testing::TestWithParam<MalformedCase> {};

TEST_P(SkinDocumentMalformed, IsRefusedNamingTheFileLineAndFault)
{
    const std::string error = parseError(QString::fromUtf8(GetParam().text));
    EXPECT_NE(error.find("test.skin"), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().expected), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SkinDocumentMalformed,
    testing::Values(
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,1,1\nthis is no key\n",
                      "line 5"},
        MalformedCase{"name = a\n", "before any section"},
        MalformedCase{"[widget]\n", "unknown section"},
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,1,1\nfont = x\n",
                      "unknown key \"font\""},
        MalformedCase{"[element]\nname = a\nname = b\n", "given twice"},
        MalformedCase{"[element]\nname = a\nkind = knob\nrect = 0,0,1,1\n", "unknown kind"},
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,1\n",
                      "left, top, width, height"},
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,0,5\n", "not a whole number"},
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,x,5\n", "not a whole number"},
        MalformedCase{"[element]\nname = a\nkind = button\n", "no \"rect\""},
        MalformedCase{"[element]\nkind = button\nrect = 0,0,1,1\n", "no \"name\""},
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,1,1\nface = red\n",
                      "not a colour"},
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,1,1\nface = #1 #2 #3\n",
                      "one colour or two"},
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,1,1\nbold = maybe\n",
                      "yes or no"},
        MalformedCase{"[element]\nname = a\nkind = button\nrect = 0,0,1,1\nglyph = rocket\n",
                      "unknown glyph"},
        MalformedCase{
            "[element]\nname = a\nkind = button\nrect = 0,0,1,1\nstyle = later\n[style later]\n",
            "no style named \"later\""},
        MalformedCase{"[element]\nname = a\nkind = label\nrect = 0,0,1,1\n"
                      "[element]\nname = a\nkind = label\nrect = 0,0,1,1\n",
                      "second element named \"a\""},
        MalformedCase{"[title]\n[title]\n", "second \"[title]\""},
        MalformedCase{"[style]\n", "needs a name"}));

class SkinFileTest : public testing::Test {
protected:
    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("skin.dll"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir m_dir;
};

TEST(SkinDocument, SectionHeadersAreReadWithOrWithoutAName)
{
    const SkinDocument spaced =
        parse(QStringLiteral("[ style  wide ]\ncolor = #112233\n[element]\nname = a\n"
                             "kind = label\nrect = 0,0,1,1\nstyle = wide\n"));
    ASSERT_EQ(spaced.elements().size(), 1u);
    EXPECT_EQ(spaced.elements().front().color, QColor(0x11, 0x22, 0x33));
    EXPECT_NE(parseError(QStringLiteral("[Window]\n")).find("line 1"), std::string::npos);
    EXPECT_NE(parseError(QStringLiteral("[style")).find("line 1"), std::string::npos);
    // A header line that never closes, padded to the size limit, is refused.
    const QString padded =
        QStringLiteral("[style a") + QString(400000, QLatin1Char(' ')) + QStringLiteral("x\n");
    EXPECT_NE(parseError(padded).find("line 1"), std::string::npos);
}

TEST_F(SkinFileTest, MissingFileIsAnErrorNamingIt)
{
    const QString path = m_dir.filePath(QStringLiteral("absent.dll"));
    try {
        SkinDocument::load(path);
        FAIL() << "no error";
    } catch (const SkinError &error) {
        EXPECT_NE(std::string(error.what()).find(path.toStdString()), std::string::npos)
            << error.what();
        EXPECT_NE(std::string(error.what()).find("does not exist"), std::string::npos)
            << error.what();
    }
}

TEST_F(SkinFileTest, BinaryFileIsRefused)
{
    // What a real library of that name would hold.
    const QString path = write(QByteArray("MZ\x90\x00\x03\x00\x00\x00\xff\xfe", 10));
    EXPECT_THROW(SkinDocument::load(path), SkinError);
}

TEST_F(SkinFileTest, OversizedFileIsRefusedWithoutParsing)
{
    const QString path = write(QByteArray(2 * 1024 * 1024, '#'));
    EXPECT_THROW(SkinDocument::load(path), SkinError);
}

TEST_F(SkinFileTest, FolderInPlaceOfTheFileIsRefused)
{
    EXPECT_THROW(SkinDocument::load(m_dir.path()), SkinError);
}

TEST_F(SkinFileTest, ReadsUtf8Text)
{
    const QString path =
        write(QStringLiteral("[element]\nname = Größe\nkind = label\nrect = 0,0,1,1\n").toUtf8());
    EXPECT_EQ(SkinDocument::load(path).elements().front().name, QStringLiteral("Größe"));
}
