#include "player/busystate.h"

#include "player/menuactions.h"

#include <QAction>

BusyState::BusyState(const MenuActions &actions) : m_actions(actions) {}

void BusyState::setEnabled(std::initializer_list<QAction *> actions, bool enabled)
{
    for (QAction *action : actions)
        action->setEnabled(enabled);
}

void BusyState::firstShow()
{
    m_playing = false;
    m_paused = false;
    m_joining = false;
    const MenuActions &a = m_actions;
    setEnabled({a.stop, a.stopPlaying, a.pause}, false);
}

void BusyState::setAddingLocks(bool enabled)
{
    const MenuActions &a = m_actions;
    setEnabled({a.addFile, a.addPath, a.removeFile, a.clear, a.sortByName, a.join, a.play},
               enabled);
}

void BusyState::beginAdding()
{
    if (m_addingDepth++ > 0)
        return;
    m_adding = true;
    setAddingLocks(false);
}

void BusyState::endAdding()
{
    if (m_addingDepth == 0 || --m_addingDepth > 0)
        return;
    m_adding = false;
    setAddingLocks(true);
}

void BusyState::setJoinLocks(bool enabled)
{
    const MenuActions &a = m_actions;
    setEnabled({a.play, a.join, a.addFile, a.addPath, a.removeFile, a.clear, a.sortByName,
                a.options, a.id3Tag},
               enabled);
    a.stop->setEnabled(!enabled);
}

void BusyState::beginJoin()
{
    m_joining = true;
    m_joinRunActive = true;
}

void BusyState::cancelJoin()
{
    m_joining = false;
    m_joinRunActive = false;
}

void BusyState::lockForJoin()
{
    setJoinLocks(false);
}

void BusyState::stopJoin()
{
    m_joining = false;
}

void BusyState::endJoin()
{
    m_joining = false;
    setJoinLocks(true);
    m_joinRunActive = false;
}

void BusyState::failJoin()
{
    m_joinRunActive = false;
    m_joinRunFailed = true;
}

void BusyState::abandonJoin()
{
    m_joining = false;
    setJoinLocks(true);
    m_joinRunFailed = false;
}

void BusyState::setPreviewLocks(bool playing)
{
    const MenuActions &a = m_actions;
    setEnabled({a.pause, a.stopPlaying}, playing);
    setEnabled({a.join, a.clear}, !playing);
}

void BusyState::beginPreview()
{
    m_playing = true;
    m_paused = false;
    setPreviewLocks(true);
}

void BusyState::pausePreview()
{
    m_paused = true;
    m_actions.pause->setEnabled(false);
}

void BusyState::resumePreview()
{
    m_paused = false;
    m_actions.pause->setEnabled(true);
}

void BusyState::endPreview()
{
    m_playing = false;
    m_paused = false;
    setPreviewLocks(false);
}
