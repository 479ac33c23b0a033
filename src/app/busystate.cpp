#include "app/busystate.h"

#include <QAction>

BusyState::BusyState(const MenuActions &actions) : m_actions(actions) {}

void BusyState::setEnabled(std::initializer_list<QAction *> actions, bool enabled)
{
    for (QAction *action : actions)
        action->setEnabled(enabled);
}

void BusyState::firstShow()
{
    const MenuActions &a = m_actions;
    setEnabled({a.stop, a.stopPlaying, a.pause}, false);
}

void BusyState::setAdmissionItems(bool enabled)
{
    const MenuActions &a = m_actions;
    setEnabled({a.addFile, a.addPath, a.removeFile, a.clear, a.sortByName, a.join, a.play},
               enabled);
}

void BusyState::beginAdmission()
{
    if (m_admissionDepth++ > 0)
        return;
    Adding = true;
    admissionStarts();
}

void BusyState::endAdmission()
{
    if (m_admissionDepth == 0 || --m_admissionDepth > 0)
        return;
    Adding = false;
    admissionEnds();
}

void BusyState::admissionStarts()
{
    setAdmissionItems(false);
}

void BusyState::admissionEnds()
{
    setAdmissionItems(true);
}

void BusyState::setJoinLockedItems(bool enabled)
{
    const MenuActions &a = m_actions;
    setEnabled({a.play, a.join, a.addFile, a.addPath, a.removeFile, a.clear, a.sortByName,
                a.options, a.id3Tag},
               enabled);
}

void BusyState::joinStarts()
{
    setJoinLockedItems(false);
    m_actions.stop->setEnabled(true);
}

void BusyState::joinEnds()
{
    setJoinLockedItems(true);
    m_actions.stop->setEnabled(false);
}

void BusyState::playbackStarts()
{
    const MenuActions &a = m_actions;
    setEnabled({a.pause, a.stopPlaying}, true);
    setEnabled({a.join, a.clear}, false);
}

void BusyState::pause()
{
    m_actions.pause->setEnabled(false);
}

void BusyState::resume()
{
    m_actions.pause->setEnabled(true);
}

void BusyState::playbackStops()
{
    const MenuActions &a = m_actions;
    setEnabled({a.pause, a.stopPlaying}, false);
    setEnabled({a.join, a.clear}, true);
}
