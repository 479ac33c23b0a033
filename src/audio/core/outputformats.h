#pragma once

#include "audio/core/outputformat.h"

#include <QLatin1StringView>
#include <QList>

#include <array>

// What the program knows about each output format beyond its encoder settings.
struct OutputFormatInfo {
    OutputFormat::Kind kind;
    // As the user sees it: the main window's format list, the settings dialog's
    // tab, messages; in lower case, the command line's --format name.
    QLatin1StringView caption;
    QLatin1StringView extension;  // of the output file, with its dot
    // FFmpeg's encoder and muxer. None for MP3, which LAME writes; WAV's
    // encoder follows its bits per sample.
    const char *codec;
    const char *muxer;
    QLatin1StringView section;  // of the settings file, holding the encoder settings
    int page;                   // the position of its tab in the settings dialog
};

// The output formats in the order of the settings file's join/format index and
// the main window's format list: the row number is the stored index, so rows
// are only ever added at the end.
//
// Adding a format: add a Kind to OutputFormat, with its encoder settings, and
// a row at the end here (its page: the tab it takes in the settings dialog).
// Then the compiler points at each switch over Kind: the writer's branch (its
// codec options in encodersetup.cpp's openEncoder, or a writer class of its
// own as MP3's LameMp3Writer), its chapters in chapterwriter.cpp, and
// OutputFormatSetup, which reads the row's section and hands the format to
// AudioFile through a set and a check call of its own; the tag
// writer in audioinformation.cpp recognises files by their first bytes, so a new
// container needs a case there too. The settings dialog takes one page
// description in dialogs/outputsettingsdialog.cpp. The main window's list, the
// command line's names and extensions, the settings section and the encoder's
// messages naming the format follow from the row.
inline constexpr auto kOutputFormats = std::to_array<OutputFormatInfo>({
    {OutputFormat::Kind::Mp3, QLatin1StringView("MP3"), QLatin1StringView(".mp3"), nullptr, nullptr,
     QLatin1StringView("mp3"), 0},
    {OutputFormat::Kind::Wav, QLatin1StringView("WAV"), QLatin1StringView(".wav"), nullptr, "wav",
     QLatin1StringView("wav"), 1},
    {OutputFormat::Kind::Wma, QLatin1StringView("WMA"), QLatin1StringView(".wma"), "wmav2", "asf",
     QLatin1StringView("wma"), 3},
    {OutputFormat::Kind::Ogg, QLatin1StringView("OGG"), QLatin1StringView(".ogg"), "libvorbis",
     "ogg", QLatin1StringView("ogg"), 2},
    {OutputFormat::Kind::Flac, QLatin1StringView("FLAC"), QLatin1StringView(".flac"), "flac",
     "flac", QLatin1StringView("flac"), 4},
    {OutputFormat::Kind::M4b, QLatin1StringView("M4B"), QLatin1StringView(".m4b"), "aac", "ipod",
     QLatin1StringView("m4b"), 5},
});
inline constexpr int kOutputFormatCount = int(kOutputFormats.size());

// The row of a kind, the stored index; -1 for None.
int outputFormatIndex(OutputFormat::Kind kind);
// The row of a kind; throws AudioError for None.
const OutputFormatInfo &outputFormatInfo(OutputFormat::Kind kind);
// The formats in the order of their tabs in the settings dialog.
QList<const OutputFormatInfo *> outputFormatPages();
