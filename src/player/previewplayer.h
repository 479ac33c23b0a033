#pragma once

#include <QObject>

class AudioFile;
class AudioPlayer;
class BusyState;
class ErrorReport;
class JoinList;
class Prompter;

// The preview: plays one row's file, fed to the player a small block at a
// time, with pause, resume and stop. Its state shows in the row's status and in
// the busy state, whose transitions set the menu enabling too. It keeps PlayingRow, the row it last started, on that row's file
// while rows move.
class PreviewPlayer : public QObject {
    Q_OBJECT
public:
    PreviewPlayer(JoinList &list, AudioFile &reader, AudioPlayer &player, Prompter &prompter,
                  BusyState &busy, ErrorReport &report, QObject *parent = nullptr);

    void playFile();
    void pausePlay();
    void stopPlay();
    void feedPlayer();
    void playActivatedRow();

    int playingRow() const { return m_playingRow; }

    // The list has lost a row, or exchanged two.
    void rowRemoved(int row);
    void rowsExchanged(int first, int second);

private:
    void resumePlaying();
    void stopRunningPreview();

    JoinList &m_list;
    AudioFile &m_reader;
    AudioPlayer &m_player;
    Prompter &m_prompter;
    BusyState &m_busy;
    ErrorReport &m_report;
    int m_playingRow = 0;
};
