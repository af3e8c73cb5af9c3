#pragma once

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QString>
#include <QStringList>

// A step's entries in file order, as the readers' tests compare them:
// "#id=l,l,l" for a fixture, "universe.slot=l" for a raw channel.
inline QString Entries(const CSceneStep* step)
{
    QStringList entries;
    for (const CStepFixture* entry : step->m_entries) {
        const CPatchedFixture* fixture = entry->Fixture();
        QStringList levels;
        for (int c = 0; c < entry->ChannelCount(); ++c)
            levels << QString::number(entry->Level(c));
        entries << (fixture->Profile() ? QStringLiteral("#%1=").arg(fixture->m_id)
                                       : QStringLiteral("%1.%2=").arg(fixture->m_universe).arg(fixture->m_address))
                + levels.join(QLatin1Char(','));
    }
    return entries.join(QLatin1Char(' '));
}
