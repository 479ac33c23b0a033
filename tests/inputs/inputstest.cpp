// What the inputs library decides alone: the order of names and the time
// shown for a length. The folder scan that uses them is tested with the list.

#include "inputs/chaptertitle.h"
#include "inputs/formathms.h"
#include "inputs/naturalorder.h"
#include "inputs/partfolder.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <utility>

TEST(FormatHms, WritesTwoDigitFieldsAndUnlimitedHours)
{
    EXPECT_EQ(formatHms(0), "00:00:00");
    EXPECT_EQ(formatHms(59), "00:00:59");
    EXPECT_EQ(formatHms(2 * 3600 + 3 * 60 + 4), "02:03:04");
    EXPECT_EQ(formatHms(360000), "100:00:00");
    EXPECT_EQ(formatHms(qint64(3) * 1000 * 1000 * 3600 + 61), "3000000:01:01");
}

TEST(NaturalOrder, ComparesLettersWithoutCaseAndDigitRunsByValue)
{
    const QStringList ordered = {"01-chapter.wav", "2 intro.wav",     "02-chapter.wav",
                                 "10 outro.wav",   "12-chapter.wav",  "Chapter 9.mp3",
                                 "chapter 10.mp3", "Chapter 100.mp3", "track 45",
                                 "track 0150",     "track 162",       "track 99999999999999999999"};
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        for (qsizetype j = 0; j < ordered.size(); ++j) {
            const int order = NaturalOrder::compare(ordered[i], ordered[j]);
            EXPECT_EQ(order < 0, i < j)
                << ordered[i].toStdString() << " / " << ordered[j].toStdString();
            EXPECT_EQ(order == 0, i == j)
                << ordered[i].toStdString() << " / " << ordered[j].toStdString();
        }
    }
    // Equal but for case or leading zeros: still one order, the same both ways.
    EXPECT_LT(NaturalOrder::compare("A.wav", "a.wav") * NaturalOrder::compare("a.wav", "A.wav"), 0);
    EXPECT_LT(NaturalOrder::compare("07.wav", "7.wav") * NaturalOrder::compare("7.wav", "07.wav"),
              0);
}

TEST(ChapterTitle, LeavesOutATrackNumberAndItsSeparatorOnly)
{
    const QList<std::pair<QString, QString>> cases{
        {"/music/01 - Intro.mp3", "Intro"},
        {"01. Intro.flac", "Intro"},
        {"01_Intro.ogg", "Intro"},
        {"07 Intro.mp3", "Intro"},
        {"7) The Seventh.wav", "The Seventh"},
        {"12.wav", "12"},
        {"01 - .mp3", "01 - "},
        {"99 Luftballons.mp3", "99 Luftballons"},
        {"2001 A Space Odyssey.mp3", "2001 A Space Odyssey"},
        {"Chapter 3.mp3", "Chapter 3"},
        {"part.eight.aiff", "part.eight"},
        {".mp3", ".mp3"},
    };
    for (const auto &[path, title] : cases)
        EXPECT_EQ(ChapterTitle::fromFileName(path), title) << path.toStdString();
}

// A book ripped in parts keeps its cover in its own folder, above the parts.
TEST(PartFolder, NumbersThePartsAndLooksAboveOneForTheCover)
{
    for (const auto &[name, number] :
         {std::pair("CD1", 1), std::pair("cd 2", 2), std::pair("Disc_03", 3),
          std::pair("disk-4", 4), std::pair("PART 12", 12), std::pair("CD", -1),
          std::pair("Bonus 2", -1), std::pair("CD1 extras", -1), std::pair("Discography", -1)})
        EXPECT_EQ(PartFolder::number(name), number) << name;
    EXPECT_EQ(PartFolder::coverFolders("/books/Dune/CD 2/01.mp3"),
              QStringList({"/books/Dune/CD 2", "/books/Dune"}));
    EXPECT_EQ(PartFolder::coverFolders("/books/Dune/01.mp3"), QStringList({"/books/Dune"}));
    EXPECT_TRUE(PartFolder::coverFolders({}).isEmpty());
}
