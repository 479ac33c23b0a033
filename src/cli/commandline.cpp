#include "cli/commandline.h"

#include "audio/core/outputformats.h"
#include "audio/tags/coverpicture.h"
#include "cli/clitexts.h"
#include "settings/valuelists.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>
#include <QThread>

#include <algorithm>
#include <optional>
#include <tuple>

namespace {

QStringList formatNames()
{
    QStringList names;
    for (const OutputFormatInfo &format : kOutputFormats)
        names << QString(format.caption).toLower();
    return names;
}

// More books at once than this only fight over the processor and memory.
constexpr int kMostJobs = 64;

int largestTrack()
{
    int largest = 0;
    for (int digit = 0; digit < TagValues::kTrackDigits; ++digit)
        largest = largest * 10 + 9;
    return largest;
}

// Every option, with its help line.
struct Options {
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("The file to write (required)."),
                              QStringLiteral("OUTPUT")};
    QCommandLineOption format{
        QStringLiteral("format"),
        QStringLiteral("Output format: %1. Without it, the format comes from OUTPUT's extension.")
            .arg(formatNames().join(QLatin1Char('|'))),
        QStringLiteral("FORMAT")};
    QCommandLineOption recursive{{QStringLiteral("r"), QStringLiteral("recursive")},
                                 QStringLiteral("Scan folders with their sub-folders.")};
    QCommandLineOption settings{
        QStringLiteral("settings"),
        QStringLiteral("Encoder settings from FILE instead of the user's vantorel.ini."),
        QStringLiteral("FILE")};
    QCommandLineOption overwrite{{QStringLiteral("y"), QStringLiteral("overwrite")},
                                 QStringLiteral("Replace an existing OUTPUT.")};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")},
                             QStringLiteral("No progress and no summary.")};
    QCommandLineOption noChapters{
        QStringLiteral("no-chapters"),
        QStringLiteral("No chapters: without it, each input becomes a chapter of OUTPUT.")};
    QCommandLineOption chapterTitles{
        QStringLiteral("chapter-titles"),
        QStringLiteral("Chapter titles from FILE: UTF-8 text, one title a line, in the order of "
                       "the inputs once folders are expanded; an empty line keeps that input's "
                       "own title."),
        QStringLiteral("FILE")};
    QCommandLineOption chapterNames{
        QStringLiteral("chapter-names"),
        QStringLiteral("Where the chapters' titles come from: tags (an input's title tag, else "
                       "its file name without a leading track number; the default) or files "
                       "(the file name alone)."),
        QStringLiteral("tags|files")};
    QCommandLineOption chaptersPerFile{
        QStringLiteral("chapters-per-file"),
        QStringLiteral("One chapter for each input, even for an input with chapters of its "
                       "own: without it, such an input gives its own chapters to OUTPUT.")};
    QCommandLineOption loudness{
        QStringLiteral("loudness"),
        QStringLiteral("Match the loudness of the inputs: each gets one gain that brings it to "
                       "LUFS (%1 for speech, %2 for music streaming, %3 for broadcast; any "
                       "value from %4 to %5), as far as a true peak of -1 dBTP allows.")
            .arg(ValueLists::kLoudnessTargets[0])
            .arg(ValueLists::kLoudnessTargets[1])
            .arg(ValueLists::kLoudnessTargets[2])
            .arg(ValueLists::kLoudnessTargetMinimum)
            .arg(ValueLists::kLoudnessTargetMaximum),
        QStringLiteral("LUFS")};
    QCommandLineOption pause{
        QStringLiteral("pause"),
        QStringLiteral("Put MS milliseconds of silence between each two inputs (0 to %1).")
            .arg(ValueLists::kJunctionMillisecondsMaximum),
        QStringLiteral("MS")};
    QCommandLineOption crossfade{
        QStringLiteral("crossfade"),
        QStringLiteral("Crossfade each input into the next over MS milliseconds (0 to %1); the "
                       "output is shorter by that much at each join. Not with --pause.")
            .arg(ValueLists::kJunctionMillisecondsMaximum),
        QStringLiteral("MS")};
    QCommandLineOption copy{
        QStringLiteral("copy"),
        QStringLiteral("MP3 and FLAC output: copy the audio of the inputs that allow it instead "
                       "of encoding it again; the others are encoded.")};
    QCommandLineOption title{QStringLiteral("title"), QStringLiteral("Title tag."),
                             QStringLiteral("TEXT")};
    QCommandLineOption artist{QStringLiteral("artist"), QStringLiteral("Artist tag."),
                              QStringLiteral("TEXT")};
    QCommandLineOption album{QStringLiteral("album"), QStringLiteral("Album tag."),
                             QStringLiteral("TEXT")};
    QCommandLineOption year{QStringLiteral("year"), QStringLiteral("Year tag, in digits."),
                            QStringLiteral("YEAR")};
    QCommandLineOption track{QStringLiteral("track"),
                             QStringLiteral("Track tag, from 0 to %1.").arg(largestTrack()),
                             QStringLiteral("TRACK")};
    QCommandLineOption genre{
        QStringLiteral("genre"),
        QStringLiteral("Genre tag: a listed genre by name or by number (0 to %1), or any other "
                       "text, such as Audiobook or Podcast; empty for none.")
            .arg(ValueLists::kGenreCount - 1),
        QStringLiteral("GENRE")};
    QCommandLineOption comment{QStringLiteral("comment"), QStringLiteral("Comment tag."),
                               QStringLiteral("TEXT")};
    QCommandLineOption albumArtist{
        QStringLiteral("album-artist"),
        QStringLiteral("Album artist tag. This and the four tags below are the first input's "
                       "unless given."),
        QStringLiteral("TEXT")};
    QCommandLineOption composer{QStringLiteral("composer"),
                                QStringLiteral("Composer tag, where audiobook players show the "
                                               "narrator."),
                                QStringLiteral("TEXT")};
    QCommandLineOption description{QStringLiteral("description"),
                                   QStringLiteral("Description tag (long text)."),
                                   QStringLiteral("TEXT")};
    QCommandLineOption series{QStringLiteral("series"), QStringLiteral("Series tag."),
                              QStringLiteral("TEXT")};
    QCommandLineOption seriesPart{QStringLiteral("series-part"),
                                  QStringLiteral("Part in the series, such as 3 or 2.5."),
                                  QStringLiteral("TEXT")};
    QCommandLineOption each{
        QStringLiteral("each"),
        QStringLiteral("Make a book of each INPUT folder: one output per folder into the folder "
                       "OUTPUT, named after the folder, with --format. The folder's audio files "
                       "come first, then its part folders (CD1, Disc 2, Part 3...) in number "
                       "order; its other sub-folders are books of their own. The album is the "
                       "folder's name unless --album is given.")};
    QCommandLineOption jobs{{QStringLiteral("j"), QStringLiteral("jobs")},
                            QStringLiteral("With --each: join N books at once (1 to %1; "
                                           "default: the number of processor cores).")
                                .arg(kMostJobs),
                            QStringLiteral("N")};
    QCommandLineOption progressLines = hidden(QStringLiteral("progress-lines"));
    QCommandLineOption cover{
        QStringLiteral("cover"),
        QStringLiteral(
            "Cover picture from FILE, a JPEG or PNG of at most %1 MiB. Without it, the "
            "first picture found in the inputs, else cover.jpg, cover.png or folder.jpg "
            "(in any case) beside the first input, or above its part folder (CD1, Disc 2...).")
            .arg(CoverPicture::kMaxMebibytes),
        QStringLiteral("FILE")};
    QCommandLineOption noCover{QStringLiteral("no-cover"), QStringLiteral("No cover picture.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this text.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version.")};

    QList<QCommandLineOption> all() const
    {
        return {output,        format,        recursive,    settings,        overwrite, quiet,
                noChapters,    chapterTitles, chapterNames, chaptersPerFile, loudness,  pause,
                crossfade,     copy,          title,        artist,          album,     year,
                track,         genre,         comment,      albumArtist,     composer,  description,
                series,        seriesPart,    cover,        noCover,         each,      jobs,
                progressLines, help,          version};
    }

    // Those a book's own join is not given: the batch itself answers them.
    QList<QCommandLineOption> batchOnly() const { return {output, recursive, each, jobs}; }

private:
    static QCommandLineOption hidden(const QString &name)
    {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        return option;
    }
};

// Options a book's join is given, taken from the arguments as they were
// written: an option added later is handed on without being named here.
QStringList bookArguments(const QStringList &arguments, const Options &options)
{
    const QList<QCommandLineOption> all = options.all();
    const QList<QCommandLineOption> dropped = options.batchOnly();
    const auto find = [&all](const QString &name) -> const QCommandLineOption * {
        for (const QCommandLineOption &option : all) {
            if (option.names().contains(name))
                return &option;
        }
        return nullptr;
    };
    const auto isDropped = [&dropped](const QCommandLineOption *option) {
        return std::any_of(dropped.cbegin(), dropped.cend(),
                           [option](const auto &d) { return d.names() == option->names(); });
    };
    QStringList kept;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QStringLiteral("--"))
            break;  // only inputs follow
        if (argument.startsWith(QStringLiteral("--"))) {
            const QString name = argument.mid(2).section(QLatin1Char('='), 0, 0);
            const QCommandLineOption *option = find(name);
            // An unknown option was refused before this is asked.
            if (!option)
                continue;
            QStringList taken{argument};
            if (!option->valueName().isEmpty() && !argument.contains(QLatin1Char('='))
                && i + 1 < arguments.size())
                taken << arguments.at(++i);
            if (!isDropped(option))
                kept << taken;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            // Short options may be written together, the last one's value after them.
            for (qsizetype c = 1; c < argument.size(); ++c) {
                const QCommandLineOption *option = find(argument.at(c));
                if (!option)
                    break;
                QStringList taken{QStringLiteral("-") + argument.at(c)};
                const bool valued = !option->valueName().isEmpty();
                if (valued && c + 1 < argument.size())
                    taken << argument.mid(c + 1);
                else if (valued && i + 1 < arguments.size())
                    taken << arguments.at(++i);
                if (!isDropped(option))
                    kept << taken;
                if (valued)
                    break;
            }
        }
    }
    return kept;
}

// A number in decimal digits only, as the tag dialog's number fields take it.
std::optional<int> digitsValue(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// A loudness target in LUFS, within the range the join takes.
std::optional<double> loudnessTarget(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !(value >= ValueLists::kLoudnessTargetMinimum)
        || !(value <= ValueLists::kLoudnessTargetMaximum))
        return std::nullopt;
    return value;
}

// Milliseconds between two inputs, in digits, within the range the join takes.
std::optional<int> junctionMilliseconds(const QString &text)
{
    const std::optional<int> value = digitsValue(text);
    if (!value || *value > ValueLists::kJunctionMillisecondsMaximum)
        return std::nullopt;
    return value;
}

// A listed genre's number, or -1 for a text outside the list; nothing for a
// number outside it.
std::optional<int> genreIndex(const QString &text)
{
    if (const std::optional<int> number = digitsValue(text))
        return ValueLists::contains(ValueLists::kGenreCount, *number) ? number : std::nullopt;
    return ValueLists::genreIndexOf(text);
}

// The tags given; an empty text when they are all good, else why not.
QString readTags(const QCommandLineParser &parser, const Options &options, TagValues &tags)
{
    tags.title = parser.value(options.title);
    tags.artist = parser.value(options.artist);
    tags.album = parser.value(options.album);
    tags.comment = parser.value(options.comment);
    if (parser.isSet(options.year)) {
        const QString text = parser.value(options.year);
        const std::optional<int> year = digitsValue(text);
        if (!year)
            return CliTexts::kBadYear.arg(text);
        tags.year = *year;
    }
    if (parser.isSet(options.track)) {
        const QString text = parser.value(options.track);
        const std::optional<int> track = digitsValue(text);
        if (!track || text.size() > TagValues::kTrackDigits)
            return CliTexts::kBadTrack.arg(largestTrack()).arg(text);
        tags.track = *track;
    }
    if (parser.isSet(options.genre)) {
        const QString text = parser.value(options.genre);
        if (text.isEmpty()) {
            // As the tag dialog's Reset leaves it: no genre at all.
            tags.genreIndex = TagValues::kNoGenre;
            tags.genreText.clear();
        } else {
            const std::optional<int> index = genreIndex(text);
            if (!index)
                return CliTexts::kBadGenre.arg(text).arg(ValueLists::kGenreCount - 1);
            tags.genreIndex = *index >= 0 ? *index : TagValues::kNoGenre;
            tags.genreText = *index >= 0 ? ValueLists::genreCaptions().at(*index) : text;
        }
    }
    // Given, even empty, they are the user's; else the first input's.
    for (const auto &[option, field] : {std::pair(&options.albumArtist, &tags.albumArtist),
                                        std::pair(&options.composer, &tags.composer),
                                        std::pair(&options.description, &tags.description),
                                        std::pair(&options.series, &tags.series),
                                        std::pair(&options.seriesPart, &tags.seriesPart)}) {
        if (parser.isSet(*option))
            *field = parser.value(*option);
    }
    return {};
}

}  // namespace

CommandLine::CommandLine(const QStringList &arguments)
{
    read(arguments);
}

bool CommandLine::refuse(const QString &error)
{
    m_action = Action::UsageError;
    m_error = error;
    return false;
}

void CommandLine::read(const QStringList &arguments)
{
    const Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription(CliTexts::kDescription);
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("Audio files, and folders whose audio files are "
                                                "taken as Add Path takes them, in join order."),
                                 QStringLiteral("INPUT... -o OUTPUT"));
    parser.addOptions(options.all());
    m_helpText = parser.helpText();

    if (!parser.parse(arguments)) {
        refuse(parser.errorText());
        return;
    }
    if (parser.isSet(options.help)) {
        m_action = Action::Help;
        return;
    }
    if (parser.isSet(options.version)) {
        m_action = Action::Version;
        return;
    }
    m_request.inputs = parser.positionalArguments();
    if (m_request.inputs.isEmpty()) {
        refuse(CliTexts::kNoInput);
        return;
    }
    const std::optional<QString> format = parser.isSet(options.format)
                                              ? std::optional<QString>(parser.value(options.format))
                                              : std::nullopt;
    const bool each = parser.isSet(options.each);
    if (each && !format) {
        refuse(CliTexts::kEachNeedsFormat);
        return;
    }
    if (!readOutputAndFormat(parser.values(options.output), format))
        return;
    if (!readEach(each, parser.isSet(options.jobs)
                            ? std::optional<QString>(parser.value(options.jobs))
                            : std::nullopt))
        return;
    if (each) {
        m_request.bookArguments = bookArguments(arguments, options);
        m_request.albumGiven = parser.isSet(options.album);
    }
    m_request.progressLines = parser.isSet(options.progressLines);
    m_request.recursive = parser.isSet(options.recursive);
    m_request.settingsFile = parser.value(options.settings);
    // Taken as no --settings at all, it would quietly use the user's file.
    if (parser.isSet(options.settings) && m_request.settingsFile.isEmpty()) {
        refuse(CliTexts::kEmptySettings);
        return;
    }
    m_request.overwrite = parser.isSet(options.overwrite);
    m_request.quiet = parser.isSet(options.quiet);
    m_request.chapters = !parser.isSet(options.noChapters);
    m_request.copy = parser.isSet(options.copy);
    m_request.chaptersPerFile = parser.isSet(options.chaptersPerFile);
    m_request.chapterTitlesFile = parser.value(options.chapterTitles);
    if (parser.isSet(options.chapterTitles) && m_request.chapterTitlesFile.isEmpty()) {
        refuse(CliTexts::kEmptyChapterTitles);
        return;
    }
    if (parser.isSet(options.chapterNames)) {
        const QString rule = parser.value(options.chapterNames);
        const QStringList rules = {QStringLiteral("tags"), QStringLiteral("files")};
        const qsizetype index = rules.indexOf(rule.toLower());
        if (index < 0) {
            refuse(CliTexts::kBadChapterNames.arg(rule, rules.join(QLatin1Char('|'))));
            return;
        }
        m_request.chapterNames = index == 0 ? ChapterTitle::Rule::Tags : ChapterTitle::Rule::Files;
    }
    if (parser.isSet(options.loudness)) {
        const QString text = parser.value(options.loudness);
        m_request.loudnessTarget = loudnessTarget(text);
        if (!m_request.loudnessTarget) {
            refuse(CliTexts::kBadLoudness.arg(ValueLists::kLoudnessTargetMinimum)
                       .arg(ValueLists::kLoudnessTargetMaximum)
                       .arg(text));
            return;
        }
    }
    const auto given = [&parser](const QCommandLineOption &option) {
        return parser.isSet(option) ? std::optional<QString>(parser.value(option)) : std::nullopt;
    };
    if (!readJunctions(given(options.pause), given(options.crossfade)))
        return;
    const QString tagError = readTags(parser, options, m_request.tags);
    if (!tagError.isEmpty()) {
        refuse(tagError);
        return;
    }
    if (parser.isSet(options.cover) && parser.isSet(options.noCover)) {
        refuse(CliTexts::kCoverAndNoCover);
        return;
    }
    if (parser.isSet(options.cover)) {
        if (parser.value(options.cover).isEmpty()) {
            refuse(CliTexts::kEmptyCover);
            return;
        }
        m_request.tags.cover = CoverChoice::chosen(parser.value(options.cover));
    } else if (parser.isSet(options.noCover)) {
        m_request.tags.cover = CoverChoice::none();
    }
    m_action = Action::Join;
}

bool CommandLine::readJunctions(const std::optional<QString> &pause,
                                const std::optional<QString> &crossfade)
{
    for (const auto &[text, milliseconds, name] :
         {std::tuple(pause, &m_request.pauseMilliseconds, QStringLiteral("--pause")),
          std::tuple(crossfade, &m_request.crossfadeMilliseconds, QStringLiteral("--crossfade"))}) {
        if (!text)
            continue;
        const std::optional<int> value = junctionMilliseconds(*text);
        if (!value)
            return refuse(CliTexts::kBadMilliseconds.arg(name)
                              .arg(ValueLists::kJunctionMillisecondsMaximum)
                              .arg(*text));
        *milliseconds = *value;
    }
    if (m_request.pauseMilliseconds > 0 && m_request.crossfadeMilliseconds > 0)
        return refuse(CliTexts::kPauseAndCrossfade);
    return true;
}

bool CommandLine::readOutputAndFormat(const QStringList &outputs,
                                      const std::optional<QString> &format)
{
    if (outputs.isEmpty())
        return refuse(CliTexts::kNoOutput);
    if (outputs.size() > 1)
        return refuse(CliTexts::kOutputTwice);
    m_request.output = outputs.first();

    const QStringList names = formatNames();
    const QString choices = names.join(QLatin1Char('|'));
    if (format) {
        m_request.formatIndex = int(names.indexOf(format->toLower()));
        return m_request.formatIndex >= 0 || refuse(CliTexts::kUnknownFormat.arg(*format, choices));
    }
    for (const OutputFormatInfo &row : kOutputFormats) {
        if (m_request.output.endsWith(row.extension, Qt::CaseInsensitive)) {
            m_request.formatIndex = outputFormatIndex(row.kind);
            return true;
        }
    }
    return refuse(CliTexts::kFormatUnknownFromName.arg(m_request.output, choices));
}

bool CommandLine::readEach(bool each, const std::optional<QString> &jobs)
{
    if (!each)
        return !jobs || refuse(CliTexts::kJobsWithoutEach);
    const QFileInfo output(m_request.output);
    if (output.exists() && !output.isDir())
        return refuse(CliTexts::kEachNeedsFolder.arg(m_request.output));
    m_request.each = true;
    m_request.jobs = std::min(QThread::idealThreadCount(), kMostJobs);
    if (jobs) {
        const std::optional<int> value = digitsValue(*jobs);
        if (!value || *value < 1 || *value > kMostJobs)
            return refuse(CliTexts::kBadJobs.arg(kMostJobs).arg(*jobs));
        m_request.jobs = *value;
    }
    return true;
}
