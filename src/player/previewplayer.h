#pragma once

#include <QObject>

class Tfm_main;

// The preview: plays one row's file, fed to the player a small block at a
// time, with pause, resume and stop, and its state shown in the row's status
// and the player commands' enabling.
class PreviewPlayer : public QObject {
    Q_OBJECT
public:
    explicit PreviewPlayer(Tfm_main &main);

    void PlayFile();
    void PausePlay();
    void StopPlay();
    void FeedPlayer();
    void lvDblClick();

private:
    void resume();
    void stopRunningPreview();
    void endPlayingState();

    Tfm_main &m_main;
};
