#include "player/previewplayer.h"

#include "audio/audiofile.h"
#include "inputs/rowstatus.h"
#include "joinlist/joinlist.h"
#include "platform/errorreport.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "player/audioplayer.h"
#include "player/busystate.h"

#include <QFileInfo>

#include <exception>

namespace {
// Frames read and queued per feed: a tenth of a second at 44.1 kHz.
constexpr int kFeedFrames = 4410;
}  // namespace

PreviewPlayer::PreviewPlayer(JoinList &list, AudioFile &reader, AudioPlayer &player,
                             Prompter &prompter, BusyState &busy, ErrorReport &report,
                             QObject *parent)
    : QObject(parent),
      m_list(list),
      m_reader(reader),
      m_player(player),
      m_prompter(prompter),
      m_busy(busy),
      m_report(report)
{
    const auto guardedFeed = [this] { runGuarded(m_report, [this] { feedPlayer(); }); };
    connect(&m_player, &AudioPlayer::onEndArrayPlay, this, guardedFeed);
    connect(&m_player, &AudioPlayer::onRequestOnLoadArray, this, guardedFeed);
    connect(&m_player, &AudioPlayer::onEndPlay, this,
            [this] { runGuarded(m_report, [this] { stopPlay(); }); });
}

void PreviewPlayer::feedPlayer()
{
    // A player event still in flight after the preview ended must not read
    // from the reader, which a join may be using by now.
    if (!m_busy.playing() || m_busy.joinBusy() || !m_reader.isOpen())
        return;
    SampleArray block = m_reader.readSamples(kFeedFrames);
    m_player.loadArray(block);
    m_reader.releaseSamples(std::move(block));
}

void PreviewPlayer::resumePlaying()
{
    m_player.play();
    m_list.focus();
    m_list.setStatus(m_playingRow, RowStatus::kPlaying);
    // Before the feeds, so that a failing feed leaves Pause and Stop Playing usable.
    m_busy.resumePreview();
    feedPlayer();
    feedPlayer();
}

void PreviewPlayer::stopRunningPreview()
{
    if (m_reader.isOpen())
        m_reader.closeFile();
    m_player.stop();
}

void PreviewPlayer::playFile()
{
    if (m_busy.paused()) {
        resumePlaying();
        return;
    }
    if (m_busy.joinBusy() || m_busy.adding())
        return;
    if (m_list.rowCount() == 0)
        return;
    const int selected = m_list.selectedRow();
    if (m_busy.playing() && selected < 0)
        return;
    const bool replacingPreview = m_busy.playing();
    if (m_busy.playing()) {
        stopRunningPreview();
        m_list.setStatus(m_playingRow, RowStatus::kStopPlaying);
    }
    if (selected < 0) {
        m_prompter.information(Messages::kSelectFileToPlay);
        return;
    }
    m_playingRow = selected;
    m_list.focus();
    if (m_reader.isOpen())
        m_reader.closeFile();
    const QString path = m_list.fullPath(selected);
    if (!QFileInfo(path).isFile()) {
        m_prompter.information(path + Messages::kPlayFileRemovedSuffix);
        // The preview it replaced has already stopped: nothing plays any more.
        if (replacingPreview)
            m_busy.endPreview();
        return;
    }
    m_reader.openFile(path, 0, 1);
    std::exception_ptr formatError;
    try {
        m_player.setFormat(m_reader.sampleRate(), m_reader.channels());
    } catch (...) {
        formatError = std::current_exception();
    }
    m_player.play();
    m_list.setStatus(m_playingRow, RowStatus::kPlaying);
    m_busy.beginPreview();
    feedPlayer();
    feedPlayer();
    if (formatError)
        std::rethrow_exception(formatError);
}

void PreviewPlayer::pausePlay()
{
    if (!m_busy.playing())
        return;
    if (m_busy.paused()) {
        resumePlaying();
        return;
    }
    m_player.stop();
    m_busy.pausePreview();
    m_list.setStatus(m_playingRow, RowStatus::kPaused);
}

void PreviewPlayer::stopPlay()
{
    if (!m_busy.playing())
        return;
    stopRunningPreview();
    m_list.setStatus(m_playingRow, RowStatus::kStopPlaying);
    m_busy.endPreview();
}

void PreviewPlayer::playActivatedRow()
{
    if (m_list.selectedRow() < 0)
        return;
    if (m_busy.joinBusy()) {
        m_prompter.information(Messages::kStopConvertingFirst);
        return;
    }
    if (m_busy.adding())
        return;
    const bool endedPreview = m_busy.playing();
    const int endedRow = m_playingRow;
    if (endedPreview) {
        stopRunningPreview();
        m_busy.endPreview();
    }
    // When the double-clicked file cannot start, nothing plays any more.
    const auto settleEndedPreview = [&] {
        if (endedPreview && !m_busy.playing())
            m_list.setStatus(endedRow, RowStatus::kStopPlaying);
    };
    try {
        playFile();
    } catch (...) {
        settleEndedPreview();
        throw;
    }
    settleEndedPreview();
}

void PreviewPlayer::rowRemoved(int row)
{
    if (row < m_playingRow)
        --m_playingRow;
}

void PreviewPlayer::rowsExchanged(int first, int second)
{
    if (m_playingRow == first)
        m_playingRow = second;
    else if (m_playingRow == second)
        m_playingRow = first;
}
