#include "show/Project.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Page.h"
#include "show/Scene.h"
#include "show/ShowHost.h"

#include <cstring>
#include <utility>

namespace {

// 255 minus the level of the channel's slot, when the slot lies in the universe.
void InvertSlot(quint8* output, int address, const CProfileChannelDef* channel)
{
    if (!channel)
        return;
    const int slot = address + channel->m_index;
    if (slot >= 0 && slot < CDmxLayer::kSlots)
        output[slot] = quint8(255 - output[slot]);
}

} // namespace

void CProject::Tick(int elapsedMs, int ticks)
{
    if (m_inTick || !m_playbackRunning)
        return;
    m_inTick = true;
    const int elapsed = qMax(0, elapsedMs);
    for (int u = 0; u < m_universeCount; ++u) {
        if (m_active[u])
            m_playback.Zero(u);
    }
    // Host calls inside the pass may not add or remove pages; the count is
    // still taken each time round so that a misbehaving host cannot make
    // the loop read past the list.
    for (int i = 0; i < m_pages.size(); ++i)
        m_pages[i]->Tick(elapsed, ticks);
    m_inTick = false;
}

bool CProject::RenderDueNow(qint64& budget)
{
    // Playback stopped, no page has a scene playing.
    if (m_inTick)
        return false;
    bool left = false;
    for (CPage* page : m_pages)
        left = page->RenderDueNow(budget) || left;
    return left;
}

void CProject::LeaveDueRendersBetweenTicks()
{
    for (CPage* page : qAsConst(m_pages))
        page->LeaveDueRendersBetweenTicks();
}

void CProject::MergeOutput()
{
    if (m_inTick)
        return;
    m_inTick = true;

    // A playing plain scene that is being edited already reaches the
    // playback layer through the tick.
    bool mergeEdit = m_editedScene && ShowHost().SendEditDmxOption();
    if (mergeEdit && !m_editedScene->IsEffectScene()) {
        for (const CPage* page : m_pages) {
            if (page->IsPlaying(m_editedScene)) {
                mergeEdit = false;
                break;
            }
        }
    }

    for (int u = 0; u < m_universeCount; ++u) {
        if (m_active[u])
            MergeUniverse(u, mergeEdit);
    }
    if (m_hasInvertedFixtures)
        InvertPanTilt();

    m_inTick = false;
}

void CProject::MergeUniverse(int u, bool mergeEdit)
{
    quint8* output = m_output[u];
    std::memcpy(output, m_playback[u], CDmxLayer::kSlots);

    const quint8* liveMask = m_liveMask[u];
    const quint8* live = m_live[u];
    for (int s = 0; s < CDmxLayer::kSlots; ++s) {
        if (liveMask[s])
            output[s] = live[s];
    }

    if (!mergeEdit)
        return;
    const quint8* editMask = m_editMask[u];
    const quint8* edit = m_edit[u];
    // Read through the const accessor: the writable one counts as an edit of
    // the mask, and would make every playing scene render anew each tick.
    const CSlotMask* sceneMask = std::as_const(*m_editedScene).ActiveMask(u); // null past the scene's universes
    for (int s = 0; s < CDmxLayer::kSlots; ++s) {
        if (editMask[s] || (sceneMask && sceneMask->Test(s)))
            output[s] = edit[s];
    }
}

// Inverts the merged level, so that live and edited pan and tilt of an
// inverted fixture are inverted like the played ones.
void CProject::InvertPanTilt()
{
    for (const CPatchedFixture* fixture : m_invertedFixtures) {
        const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
        if (!profile || !IsUniverse(fixture->m_universe) || !(fixture->m_invertPan || fixture->m_invertTilt))
            continue;
        quint8* output = m_output[fixture->m_universe];
        for (bool secondGroup : {false, true}) {
            for (const CPanTiltPair& pair : profile->PanTiltPairs(secondGroup)) {
                if (fixture->m_invertPan) {
                    InvertSlot(output, fixture->m_address, pair.pan);
                    InvertSlot(output, fixture->m_address, pair.panFine);
                }
                if (fixture->m_invertTilt) {
                    InvertSlot(output, fixture->m_address, pair.tilt);
                    InvertSlot(output, fixture->m_address, pair.tiltFine);
                }
            }
        }
    }
}
