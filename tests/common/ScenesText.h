#pragma once

#include "effects/Effect.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/SceneStep.h"

#include <QStringList>

#include <algorithm>

// One scene step by step: its times, the effect row it belongs to (rows
// counted from the first), and its entries, by fixture id or raw slot, with
// their levels.
inline void AddSceneText(QStringList& lines, const QString& where, const CScene& scene)
{
    lines << QStringLiteral("%1 '%2': %3 steps, %4 effects")
                 .arg(where, scene.m_name)
                 .arg(scene.m_steps.size())
                 .arg(scene.m_effects.size());
    int row = -1;
    for (int i = 0; i < scene.m_steps.size(); ++i) {
        const CSceneStep* step = scene.m_steps.at(i);
        if (step->m_effect && (i == 0 || scene.m_steps.at(i - 1)->m_effect != step->m_effect))
            ++row;
        QStringList entries;
        for (const CStepFixture* entry : step->m_entries) {
            const CPatchedFixture* fixture = entry->Fixture();
            const QString name = !fixture             ? QStringLiteral("?")
                                 : fixture->m_id >= 0 ? QStringLiteral("F%1").arg(fixture->m_id)
                                                      : QStringLiteral("raw %1.%2")
                                                            .arg(fixture->m_universe)
                                                            .arg(fixture->m_address);
            QStringList levels;
            for (int c = 0; c < entry->ChannelCount(); ++c)
                levels << QString::number(entry->Level(c));
            entries << name + QLatin1Char('=') + levels.join(QLatin1Char(','));
        }
        entries.sort();
        lines << QStringLiteral("%1 '%2' step %3: fade %4 wait %5 row %6: %7")
                     .arg(where, scene.m_name)
                     .arg(i + 1)
                     .arg(step->m_fade)
                     .arg(step->m_wait)
                     .arg(step->m_effect ? row : -1)
                     .arg(entries.join(QLatin1Char(' ')));
    }
}

// Every scene of every page and every effect scene, step by step. What a
// save and open must give back line for line.
inline QStringList ScenesText(const CProject& project)
{
    QStringList lines;
    for (int p = 0; p < project.m_pages.size(); ++p) {
        for (const CScene* scene : project.m_pages.at(p)->m_scenes)
            AddSceneText(lines, QStringLiteral("page %1").arg(p + 1), *scene);
    }
    for (const CEffectScene* scene : project.m_effectScenes)
        AddSceneText(lines, QStringLiteral("effect scene"), *scene);
    return lines;
}

// What the scene editor's undo gives back of a scene: its steps as above,
// its marked channels and the kind and fixtures of each effect.
inline QString SceneStateText(const CScene& scene)
{
    QStringList lines;
    AddSceneText(lines, QStringLiteral("scene"), scene);
    QStringList marks;
    for (int u : scene.MaskUniverses()) {
        for (int slot = 0; slot < kSlotsPerUniverse; ++slot) {
            if (scene.IsChannelActive(u, slot))
                marks << QStringLiteral("%1.%2").arg(u).arg(slot);
        }
    }
    lines << QStringLiteral("marks %1").arg(marks.join(QLatin1Char(' ')));
    for (const CEffect* effect : scene.m_effects)
        lines << QStringLiteral("effect %1 on %2").arg(effect->m_type).arg(effect->m_fixtures.size());
    return lines.join(QLatin1Char('\n'));
}

// An effect's selection: its fixtures by id (an empty place "-") and their
// flags, then its beams with their indexes and flags.
inline QString EffectSelectionText(const CEffect& effect)
{
    const auto ids = [](const QList<CPatchedFixture*>& fixtures) {
        QStringList text;
        for (const CPatchedFixture* fixture : fixtures)
            text << (fixture ? QString::number(fixture->m_id) : QStringLiteral("-"));
        return text.join(QLatin1Char(','));
    };
    const auto flags = [](const QVector<bool>& values) {
        QString text;
        for (bool value : values)
            text += QLatin1Char(value ? '1' : '0');
        return text;
    };
    QStringList indexes;
    for (int index : effect.m_beamIndex)
        indexes << QString::number(index);
    return QStringLiteral("%1 %2 | %3 %4 %5")
        .arg(ids(effect.m_fixtures), flags(effect.m_fixtureSel), ids(effect.m_beamFixtures),
             indexes.join(QLatin1Char(',')), flags(effect.m_beamSel));
}

// The first line where `after` differs from `before`, both given; empty when none does.
inline QString FirstDifference(const QStringList& before, const QStringList& after)
{
    for (int i = 0; i < std::max(before.size(), after.size()); ++i) {
        if (before.value(i) != after.value(i))
            return QStringLiteral("saved  %1\nopened %2").arg(before.value(i), after.value(i));
    }
    return {};
}
