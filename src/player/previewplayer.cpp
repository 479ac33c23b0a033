#include "player/previewplayer.h"

#include "app/tfm_main.h"
#include "audio/audiofile.h"
#include "audio/audioplayer.h"
#include "joinlist/joinlist.h"
#include "platform/messages.h"
#include "platform/prompter.h"

#include <QFileInfo>
#include <QTreeWidget>

#include <exception>

namespace {
const QString kPlaying = QStringLiteral("Playing");
const QString kPaused = QStringLiteral("Paused");
const QString kStopPlaying = QStringLiteral("Stop playing");
// Frames read and queued per feed: a tenth of a second at 44.1 kHz.
constexpr int kFeedFrames = 4410;
}  // namespace

PreviewPlayer::PreviewPlayer(Tfm_main &main) : QObject(&main), m_main(main)
{
    AudioPlayer &player = m_main.audioPlayer();
    const auto guardedFeed = [this] { runGuarded(m_main, [this] { FeedPlayer(); }); };
    connect(&player, &AudioPlayer::OnEndArrayPlay, this, guardedFeed);
    connect(&player, &AudioPlayer::OnRequestOnLoadArray, this, guardedFeed);
    connect(&player, &AudioPlayer::OnEndPlay, this,
            [this] { runGuarded(m_main, [this] { StopPlay(); }); });
}

void PreviewPlayer::FeedPlayer()
{
    // A player event still in flight after the preview ended must not read
    // from the reader, which a join may be using by now.
    const BusyState &busy = m_main.busy();
    if (!busy.Playing || busy.joinBusy() || !m_main.AudioFileRead().IsOpen())
        return;
    AudioFile &reader = m_main.AudioFileRead();
    SampleArray block = reader.ReadSamples(kFeedFrames);
    m_main.audioPlayer().LoadArray(block);
    reader.ReleaseSamples(std::move(block));
}

void PreviewPlayer::resume()
{
    BusyState &busy = m_main.busy();
    busy.Paused = false;
    m_main.audioPlayer().Play();
    m_main.lv()->setFocus();
    m_main.joinList().setStatus(m_main.PlayingRow, kPlaying);
    // Before the feeds, so that a failing feed leaves Pause and Stop Playing usable.
    busy.resume();
    FeedPlayer();
    FeedPlayer();
}

void PreviewPlayer::stopRunningPreview()
{
    AudioFile &reader = m_main.AudioFileRead();
    if (reader.IsOpen())
        reader.CloseFile();
    m_main.audioPlayer().Stop();
}

void PreviewPlayer::endPlayingState()
{
    BusyState &busy = m_main.busy();
    busy.Playing = false;
    busy.Paused = false;
    busy.playbackStops();
}

void PreviewPlayer::PlayFile()
{
    BusyState &busy = m_main.busy();
    JoinList &list = m_main.joinList();
    if (busy.Paused) {
        resume();
        return;
    }
    if (busy.joinBusy() || busy.Adding)
        return;
    if (list.rowCount() == 0)
        return;
    const int selected = list.selectedRow();
    if (busy.Playing && selected < 0)
        return;
    const bool replacingPreview = busy.Playing;
    if (busy.Playing) {
        stopRunningPreview();
        list.setStatus(m_main.PlayingRow, kStopPlaying);
    }
    if (selected < 0) {
        m_main.prompter().information(Messages::kSelectFileToPlay);
        return;
    }
    m_main.PlayingRow = selected;
    m_main.lv()->setFocus();
    AudioFile &reader = m_main.AudioFileRead();
    if (reader.IsOpen())
        reader.CloseFile();
    const QString path = list.fullPath(selected);
    if (!QFileInfo(path).isFile()) {
        m_main.prompter().information(path + Messages::kPlayFileRemovedSuffix);
        // The preview it replaced has already stopped: nothing plays any more.
        if (replacingPreview)
            endPlayingState();
        return;
    }
    reader.OpenFile(path, 0, 1);
    AudioPlayer &player = m_main.audioPlayer();
    std::exception_ptr formatError;
    try {
        player.SetFormat(reader.SampleRate(), reader.Channels());
    } catch (...) {
        formatError = std::current_exception();
    }
    reader.Seek(0, 3);
    player.Play();
    list.setStatus(m_main.PlayingRow, kPlaying);
    busy.Playing = true;
    busy.Paused = false;
    busy.playbackStarts();
    FeedPlayer();
    FeedPlayer();
    if (formatError)
        std::rethrow_exception(formatError);
}

void PreviewPlayer::PausePlay()
{
    BusyState &busy = m_main.busy();
    if (!busy.Playing)
        return;
    if (busy.Paused) {
        resume();
        return;
    }
    m_main.audioPlayer().Stop();
    busy.Paused = true;
    m_main.joinList().setStatus(m_main.PlayingRow, kPaused);
    busy.pause();
}

void PreviewPlayer::StopPlay()
{
    if (!m_main.busy().Playing)
        return;
    stopRunningPreview();
    m_main.joinList().setStatus(m_main.PlayingRow, kStopPlaying);
    endPlayingState();
}

void PreviewPlayer::lvDblClick()
{
    BusyState &busy = m_main.busy();
    if (m_main.joinList().selectedRow() < 0)
        return;
    if (busy.joinBusy()) {
        m_main.prompter().information(Messages::kStopConvertingFirst);
        return;
    }
    if (busy.Adding)
        return;
    const bool endedPreview = busy.Playing;
    const int endedRow = m_main.PlayingRow;
    if (busy.Playing) {
        stopRunningPreview();
        busy.Playing = false;
        busy.Paused = false;
    }
    // When the double-clicked file cannot start, nothing plays any more.
    const auto settleEndedPreview = [&] {
        if (endedPreview && !busy.Playing) {
            m_main.joinList().setStatus(endedRow, kStopPlaying);
            busy.playbackStops();
        }
    };
    try {
        PlayFile();
    } catch (...) {
        settleEndedPreview();
        throw;
    }
    settleEndedPreview();
}
