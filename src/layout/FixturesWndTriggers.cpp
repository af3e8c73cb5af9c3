#include "layout/FixturesWnd.h"

#include "model/Triggers.h"
#include "show/Group.h"
#include "show/Project.h"

#include <algorithm>

namespace {

// Digits 1 to 9 recall the sub-groups of the current group.
constexpr int kSubGroupKeys = 9;

} // namespace

void CFixturesWnd::OnKeyTrigger(int key, Qt::KeyboardModifiers modifiers)
{
    Q_UNUSED(modifiers);
    const QList<CGroup*>& groups = m_project.m_groups;
    for (int g = 0; g < groups.size(); ++g) {
        if (groups.at(g)->m_triggers.m_shortCut.m_key == key) {
            SelectGroupTab(g);
            break;
        }
    }
    const CGroup* group = m_project.m_currentGroup;
    if (!group)
        return;
    const int subGroups = std::min(kSubGroupKeys, int(group->m_subGroups.size()));
    if (key >= Qt::Key_1 && key < Qt::Key_1 + subGroups)
        SelectSubGroup(key - Qt::Key_1);
}

void CFixturesWnd::OnMidiTrigger(int kind, int channel, int number, int value)
{
    const QList<CGroup*>& groups = m_project.m_groups;
    for (int g = 0; g < groups.size(); ++g) {
        const CMidiTrigger& trigger = groups.at(g)->m_triggers.m_midiTrigger;
        bool on = false;
        if (trigger.m_mode == kind && trigger.m_channel == channel && trigger.m_number == number
            && CheckMidiTrigger(trigger, value, on) && on) {
            SelectGroupTab(g);
            return;
        }
    }
}

void CFixturesWnd::OnDmxTrigger(int universe)
{
    const CDmxLayer& input = m_project.m_dmxInput;
    if (!m_project.IsUniverse(universe) || universe >= input.UniverseCount())
        return;
    // The one refreshed universe, read in place; the others stay empty, so
    // a trigger watching them reports nothing.
    DmxInputLevels levels(input.UniverseCount());
    levels[universe] = QByteArray::fromRawData(reinterpret_cast<const char*>(input[universe]), CDmxLayer::kSlots);
    const QList<CGroup*>& groups = m_project.m_groups;
    for (int g = 0; g < groups.size(); ++g) {
        bool on = false;
        if (CheckDmxTrigger(groups.at(g)->m_triggers.m_dmxTrigger, universe, levels, on) && on) {
            // The groups after it see the change at the next reading.
            SelectGroupTab(g);
            return;
        }
    }
}

void CFixturesWnd::OnSaTrigger(int a, int b, int c)
{
    const int inputs[3] = {a, b, c};
    const QList<CGroup*>& groups = m_project.m_groups;
    for (int g = 0; g < groups.size(); ++g) {
        const std::array<quint8, 3>& values = groups.at(g)->m_triggers.m_saInputs;
        for (size_t i = 0; i < values.size(); ++i) {
            if (values[i] != 0 && values[i] == inputs[i]) {
                SelectGroupTab(g);
                return;
            }
        }
    }
}
