#include "settings/valuelists.h"

#include "audio/core/outputformats.h"
#include "audio/core/wmaprofiles.h"

namespace ValueLists {

namespace {

template <std::size_t N>
int valueAt(const std::array<int, N> &table, int index, int fallbackIndex)
{
    return table[contains(int(N), index) ? index : fallbackIndex];
}

template <std::size_t N>
QStringList captionsOf(const std::array<int, N> &table, const QString &unit)
{
    QStringList captions;
    captions.reserve(int(N));
    for (int value : table)
        captions << QString::number(value) + QLatin1Char(' ') + unit;
    return captions;
}

}  // namespace

int sampleRateAt(int index, int fallbackIndex)
{
    return valueAt(kSampleRates, index, fallbackIndex);
}

int bitRateAt(int index, int fallbackIndex)
{
    return valueAt(kBitRates, index, fallbackIndex);
}

int bitsPerSampleAt(int index, int fallbackIndex)
{
    return valueAt(kBitsPerSample, index, fallbackIndex);
}

int channelsAt(int index, int fallbackIndex)
{
    return (contains(kChannelCount, index) ? index : fallbackIndex) + 1;
}

int flacBitsPerSampleAt(int index, int fallbackIndex)
{
    return valueAt(kFlacBitsPerSample, index, fallbackIndex);
}

int m4bSampleRateAt(int index, int fallbackIndex)
{
    return valueAt(kM4bSampleRates, index, fallbackIndex);
}

int m4bBitRateAt(int index, int fallbackIndex)
{
    return kBitRates[kM4bFirstBitRateIndex
                     + (contains(kM4bBitRateCount, index) ? index : fallbackIndex)];
}

int loudnessTargetAt(int index, int fallbackIndex)
{
    return valueAt(kLoudnessTargets, index, fallbackIndex);
}

int m4bDefaultBitRateIndex(int channels)
{
    return channels == 1 ? kDefaultM4bMonoBitRateIndex : kDefaultM4bStereoBitRateIndex;
}

QStringList sampleRateCaptions()
{
    return captionsOf(kSampleRates, QStringLiteral("Hz"));
}

QStringList bitRateCaptions()
{
    return captionsOf(kBitRates, QStringLiteral("Kbps"));
}

QStringList channelCaptions()
{
    return {QStringLiteral("Mono"), QStringLiteral("Stereo")};
}

QStringList bitsPerSampleCaptions()
{
    return captionsOf(kBitsPerSample, QStringLiteral("bps"));
}

QStringList flacBitsPerSampleCaptions()
{
    return captionsOf(kFlacBitsPerSample, QStringLiteral("bps"));
}

QStringList m4bSampleRateCaptions()
{
    return captionsOf(kM4bSampleRates, QStringLiteral("Hz"));
}

QStringList m4bBitRateCaptions()
{
    return bitRateCaptions().mid(kM4bFirstBitRateIndex);
}

QStringList loudnessTargetCaptions()
{
    // What each target suits, in the order of kLoudnessTargets.
    const QStringList uses = {QStringLiteral("speech, podcasts"), QStringLiteral("music streaming"),
                              QStringLiteral("broadcast")};
    QStringList captions = captionsOf(kLoudnessTargets, QStringLiteral("LUFS"));
    for (int i = 0; i < captions.size(); ++i)
        captions[i] += QStringLiteral(" (%1)").arg(uses.at(i));
    return captions;
}

QStringList junctionCaptions()
{
    // In the order of Junction.
    return {QStringLiteral("None"), QStringLiteral("Pause"), QStringLiteral("Crossfade")};
}

QStringList outputFormatCaptions()
{
    QStringList captions;
    for (const OutputFormatInfo &format : kOutputFormats)
        captions << QString(format.caption);
    return captions;
}

QStringList wmaProfileCaptions()
{
    QStringList captions;
    for (const WmaProfile &profile : kWmaProfiles)
        captions << QString(profile.caption);
    return captions;
}

int genreIndexOf(const QString &caption)
{
    const QStringList captions = genreCaptions();
    for (int i = 0; i < captions.size(); ++i) {
        if (captions.at(i).compare(caption, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList genreCaptions()
{
    return {
        QStringLiteral("Blues"),
        QStringLiteral("Classic Rock"),
        QStringLiteral("Country"),
        QStringLiteral("Dance"),
        QStringLiteral("Disco"),
        QStringLiteral("Funk"),
        QStringLiteral("Grunge"),
        QStringLiteral("Hip-Hop"),
        QStringLiteral("Jazz"),
        QStringLiteral("Metal"),
        QStringLiteral("New Age"),
        QStringLiteral("Oldies"),
        QStringLiteral("Other"),
        QStringLiteral("Pop"),
        QStringLiteral("R&B"),
        QStringLiteral("Rap"),
        QStringLiteral("Reggae"),
        QStringLiteral("Rock"),
        QStringLiteral("Techno"),
        QStringLiteral("Industrial"),
        QStringLiteral("Alternative"),
        QStringLiteral("Ska"),
        QStringLiteral("Death Metal"),
        QStringLiteral("Pranks"),
        QStringLiteral("Soundtrack"),
        QStringLiteral("Euro-Techno"),
        QStringLiteral("Ambient"),
        QStringLiteral("Trip-Hop"),
        QStringLiteral("Vocal"),
        QStringLiteral("Jazz+Funk"),
        QStringLiteral("Fusion"),
        QStringLiteral("Trance"),
        QStringLiteral("Classical"),
        QStringLiteral("Instrumental"),
        QStringLiteral("Acid"),
        QStringLiteral("House"),
        QStringLiteral("Game"),
        QStringLiteral("Sound Clip"),
        QStringLiteral("Gospel"),
        QStringLiteral("Noise"),
        QStringLiteral("Alternative Rock"),
        QStringLiteral("Bass"),
        QStringLiteral("Soul"),
        QStringLiteral("Punk"),
        QStringLiteral("Space"),
        QStringLiteral("Meditative"),
        QStringLiteral("Instrumental Pop"),
        QStringLiteral("Instrumental Rock"),
        QStringLiteral("Ethnic"),
        QStringLiteral("Gothic"),
        QStringLiteral("Darkwave"),
        QStringLiteral("Techno-Industrial"),
        QStringLiteral("Electronic"),
        QStringLiteral("Pop-Folk"),
        QStringLiteral("Eurodance"),
        QStringLiteral("Dream"),
        QStringLiteral("Southern Rock"),
        QStringLiteral("Comedy"),
        QStringLiteral("Cult"),
        QStringLiteral("Gangsta"),
        QStringLiteral("Top 40"),
        QStringLiteral("Christian Rap"),
        QStringLiteral("Pop/Funk"),
        QStringLiteral("Jungle"),
        QStringLiteral("Native US"),
        QStringLiteral("Cabaret"),
        QStringLiteral("New Wave"),
        QStringLiteral("Psychedelic"),
        QStringLiteral("Rave"),
        QStringLiteral("Showtunes"),
        QStringLiteral("Trailer"),
        QStringLiteral("Lo-Fi"),
        QStringLiteral("Tribal"),
        QStringLiteral("Acid Punk"),
        QStringLiteral("Acid Jazz"),
        QStringLiteral("Polka"),
        QStringLiteral("Retro"),
        QStringLiteral("Musical"),
        QStringLiteral("Rock & Roll"),
        QStringLiteral("Hard Rock"),
        QStringLiteral("Folk"),
        QStringLiteral("Folk-Rock"),
        QStringLiteral("National Folk"),
        QStringLiteral("Swing"),
        QStringLiteral("Fast Fusion"),
        QStringLiteral("Bebop"),
        QStringLiteral("Latin"),
        QStringLiteral("Revival"),
        QStringLiteral("Celtic"),
        QStringLiteral("Bluegrass"),
        QStringLiteral("Avant-garde"),
        QStringLiteral("Gothic Rock"),
        QStringLiteral("Progressive Rock"),
        QStringLiteral("Psychedelic Rock"),
        QStringLiteral("Symphonic Rock"),
        QStringLiteral("Slow Rock"),
        QStringLiteral("Big Band"),
        QStringLiteral("Chorus"),
        QStringLiteral("Easy Listening"),
        QStringLiteral("Acoustic"),
        QStringLiteral("Humor"),
        QStringLiteral("Speech"),
        QStringLiteral("Chanson"),
        QStringLiteral("Opera"),
        QStringLiteral("Chamber Music"),
        QStringLiteral("Sonata"),
        QStringLiteral("Symphony"),
        QStringLiteral("Booty Bass"),
        QStringLiteral("Primus"),
        QStringLiteral("Porn Groove"),
        QStringLiteral("Satire"),
        QStringLiteral("Slow Jam"),
        QStringLiteral("Club"),
        QStringLiteral("Tango"),
        QStringLiteral("Samba"),
        QStringLiteral("Folklore"),
        QStringLiteral("Ballad"),
        QStringLiteral("Power Ballad"),
        QStringLiteral("Rhythmic Soul"),
        QStringLiteral("Freestyle"),
        QStringLiteral("Duet"),
        QStringLiteral("Punk Rock"),
        QStringLiteral("Drum Solo"),
        QStringLiteral("A capella"),
        QStringLiteral("Euro-House"),
        QStringLiteral("Dance Hall"),
        QStringLiteral("Goa"),
        QStringLiteral("Drum & Bass"),
        QStringLiteral("Club-House"),
        QStringLiteral("Hardcore"),
        QStringLiteral("Terror"),
        QStringLiteral("Indie"),
        QStringLiteral("Britpop"),
        QStringLiteral("Negerpunk"),
        QStringLiteral("Polsk Punk"),
        QStringLiteral("Beat"),
        QStringLiteral("Christian Gangsta"),
        QStringLiteral("Heavy Metal"),
        QStringLiteral("Black Metal"),
        QStringLiteral("Crossover"),
        QStringLiteral("Contemporary C"),
        QStringLiteral("Christian Rock"),
        QStringLiteral("Merengue"),
        QStringLiteral("Salsa"),
        QStringLiteral("Thrash Metal"),
        QStringLiteral("Anime"),
        QStringLiteral("JPop"),
        QStringLiteral("SynthPop"),
    };
}

}  // namespace ValueLists
