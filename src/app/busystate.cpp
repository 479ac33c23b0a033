#include "app/busystate.h"

#include <QAction>

BusyState::BusyState(const MenuItems &items) : m_items(items) {}

void BusyState::setEnabled(std::initializer_list<QAction *> actions, bool enabled)
{
    for (QAction *action : actions)
        action->setEnabled(enabled);
}

void BusyState::firstShow()
{
    const MenuItems &i = m_items;
    setEnabled({i.Stop1, i.Stop2, i.Stopplay1, i.StopPlaying1, i.Pause1, i.Pause2}, false);
}

void BusyState::setAdmissionItems(bool enabled)
{
    const MenuItems &i = m_items;
    setEnabled({i.AddFile1, i.AddPath1, i.Remove1, i.Clear1, i.SortByName1, i.Join1, i.Play1,
                i.AddFile2, i.AddPath2, i.Remove2, i.Clear2, i.SortByName2, i.Join2, i.Play2},
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
    const MenuItems &i = m_items;
    setEnabled({i.Play1, i.Play2, i.Join1, i.Join2, i.AddFile1, i.AddFile2, i.AddPath1, i.AddPath2,
                i.Remove1, i.Remove2, i.Clear1, i.Clear2, i.SortByName1, i.SortByName2, i.Option1,
                i.ID3Tag1},
               enabled);
}

void BusyState::joinStarts()
{
    setJoinLockedItems(false);
    setEnabled({m_items.Stop2, m_items.Stop1}, true);
}

void BusyState::joinEnds()
{
    setJoinLockedItems(true);
    setEnabled({m_items.Stop2, m_items.Stop1}, false);
}

void BusyState::playbackStarts()
{
    const MenuItems &i = m_items;
    setEnabled({i.Pause1, i.Pause2, i.Stopplay1, i.StopPlaying1}, true);
    setEnabled({i.Join1, i.Join2, i.Clear1, i.Clear2}, false);
}

void BusyState::pause()
{
    setEnabled({m_items.Pause2, m_items.Pause1}, false);
}

void BusyState::resume()
{
    setEnabled({m_items.Pause2, m_items.Pause1}, true);
}

void BusyState::playbackStops()
{
    const MenuItems &i = m_items;
    setEnabled({i.Pause1, i.Pause2, i.Stopplay1, i.StopPlaying1}, false);
    setEnabled({i.Join1, i.Join2, i.Clear1, i.Clear2}, true);
}
