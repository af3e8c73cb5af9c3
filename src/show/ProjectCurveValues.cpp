// Curve values into step entries: each channel type a curve effect drives
// finds its channels in the fixture's profile through the channel roles.

#include "show/Project.h"

#include "effects/CurveEffect.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"

#include <QHash>

namespace {

// A channel that takes a curve's level, and the one taking its fine level.
struct CCurveTarget
{
    const CProfileChannelDef* coarse = nullptr;
    const CProfileChannelDef* fine = nullptr;
};

quint8 ByteAt(const QByteArray& bytes, int index)
{
    return index >= 0 && index < bytes.size() ? quint8(bytes.at(index)) : 0;
}

// Colour set member of a colour channel type: 0 red or cyan, 1 green or
// magenta, 2 blue or yellow, 3 white; -1 for any other type.
int ColorMemberOf(int type)
{
    switch (type) {
    case ChannelType::Red:
    case ChannelType::Cyan:
        return 0;
    case ChannelType::Green:
    case ChannelType::Magenta:
        return 1;
    case ChannelType::Blue:
    case ChannelType::Yellow:
        return 2;
    case ChannelType::White:
        return 3;
    default:
        return -1;
    }
}

const CProfileChannelDef* ColorMember(const CColorSet& set, int member)
{
    switch (member) {
    case 0:
        return set.red;
    case 1:
        return set.green;
    case 2:
        return set.blue;
    default:
        return set.white;
    }
}

} // namespace

void CProject::StoreCurveValues(CEffectScene* effectScene, const CCurveEffect* curve, CPatchedFixture* fixture,
                                CStepFixture* entry, int fixtureIndex, int position)
{
    if (!curve || !fixture || !entry || !fixture->Profile())
        return;
    const CLibraryProfile& profile = *fixture->Profile();

    const auto store = [&](const CProfileChannelDef* channel, quint8 level) {
        if (!channel)
            return;
        fixture->StoreChannel(entry, channel, level, false);
        if (effectScene)
            effectScene->AddStaticModeChannel(fixture, channel);
    };

    // Keyed by type: a profile file may use types beyond the known ones.
    QHash<int, int> occurrences;
    for (int i = 0; i < curve->ChannelCount(); ++i) {
        if (!curve->m_activeChannels.value(i, false))
            continue;
        const int type = curve->m_chanTypes.value(i, 0);

        // The channels first: a record without values still uses up its
        // channel of the type, so later records keep their places.
        QList<CCurveTarget> targets;
        if (type == ChannelType::Pan || type == ChannelType::Tilt) {
            for (const CPanTiltPair& pair : profile.PanTiltPairs(false)) {
                if (type == ChannelType::Pan)
                    targets << CCurveTarget{pair.pan, pair.panFine};
                else
                    targets << CCurveTarget{pair.tilt, pair.tiltFine};
            }
        } else if (const int member = ColorMemberOf(type); member >= 0) {
            if (member < 3 || profile.HasWhite()) {
                for (const CColorSet& set : profile.ColorSets(false))
                    targets << CCurveTarget{ColorMember(set, member), nullptr};
            }
        } else {
            int& occurrence = occurrences[type];
            if (const CProfileChannelDef* channel = profile.NextChannelOfType(type, occurrence)) {
                const bool sixteenBit = curve->m_params.value(i).m_fine && channel->m_msb;
                targets << CCurveTarget{channel, sixteenBit ? channel->m_partner16 : nullptr};
            }
        }

        if (i >= curve->m_outputs.size() || fixtureIndex < 0 || fixtureIndex >= curve->m_outputs.at(i).size())
            continue;
        const CChannelStepRecord& values = curve->m_outputs.at(i).at(fixtureIndex);
        if (position < 0 || position >= values.m_coarse.size())
            continue;
        const quint8 level = ByteAt(values.m_coarse, position);
        const quint8 fineLevel = ByteAt(values.m_fine, position);
        for (const CCurveTarget& target : qAsConst(targets)) {
            store(target.coarse, level);
            store(target.fine, fineLevel);
        }
    }
}
