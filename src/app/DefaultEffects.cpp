#include "app/DefaultEffects.h"

#include "effects/MatrixAnimEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/PanTiltShapes.h"
#include "effects/TrichroEffect.h"
#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowBounds.h"
#include "model/Language.h"
#include "Captions.h"

#include <QSet>

#include <memory>
#include <utility>

namespace {

// The step time the colour pages give a new effect.
constexpr int kColorStepMs = 120;
// A smooth circle of 32 points, once round in about five seconds.
constexpr int kPanTiltPointsPerControl = 8;
constexpr int kPanTiltStepMs = 150;

// Binds the effect to these fixtures alone, as if they were the selection;
// the selection itself is left as it was. An effect on a matrix binds to its
// matrix whatever the selection. False when it drives nothing.
bool BindTo(CProject& project, CEffect& effect, const QList<CPatchedFixture*>& fixtures)
{
    CGroup* group = project.m_currentGroup;
    if (!group)
        return false;
    const QList<CPatchedFixture*> selection = std::exchange(group->m_selectedFixtures, fixtures);
    project.BindEffectToSelection(&effect, false, false);
    group->m_selectedFixtures = selection;
    return project.m_boundFixtureCount > 0;
}

std::unique_ptr<CEffect> ColorSequence()
{
    return std::make_unique<CTrichroEffect>(kColorStepMs);
}

std::unique_ptr<CEffect> PanTiltCircle()
{
    auto effect = std::make_unique<CPanTiltEffect>();
    effect->m_shapeType = CPanTiltEffect::Circle;
    effect->m_nbPtsPerCtrl = kPanTiltPointsPerControl;
    effect->m_fade = kPanTiltStepMs;
    CPanTiltShape shape;
    shape.SetEffect(effect.get());
    effect->m_len = effect->m_fade * effect->m_pathCount;
    return effect;
}

CEffectScene* AddScene(CProject& project, std::unique_ptr<CEffect> effect, const QString& driven, int kindCaption)
{
    CEffectScene* scene = project.AddEffectScene();
    if (!driven.isEmpty())
        scene->m_name = QStringLiteral("%1 - %2").arg(driven, GetLangText(kindCaption));
    else
        scene->m_name = GetLangText(kindCaption);
    scene->m_effects << effect.release();
    project.UniqueEffectScenePosition(project.m_effectScenes.size() - 1);
    return scene;
}

} // namespace

std::vector<SDefaultEffect> MakeDefaultEffects(CProject& project, const QList<CLibraryProfile*>& profiles,
                                               CFixtureMatrix* colorMatrix)
{
    std::vector<SDefaultEffect> made;
    if (!project.m_currentGroup)
        return made;
    const QList<CPatchedFixture*> fresh = project.m_currentGroup->m_selectedFixtures;
    QSet<const CPatchedFixture*> matrixMembers;
    if (colorMatrix) {
        for (int i = 0; i < colorMatrix->MemberCount(); ++i)
            matrixMembers.insert(colorMatrix->Member(i));
    }

    for (const CLibraryProfile* profile : profiles) {
        if (!profile)
            continue;
        QList<CPatchedFixture*> own;
        QList<CPatchedFixture*> single; // outside the colour matrix
        for (CPatchedFixture* fixture : fresh) {
            if (fixture && fixture->Profile() == profile) {
                own << fixture;
                if (!matrixMembers.contains(fixture))
                    single << fixture;
            }
        }
        const QString name = profile->GetBaseName();
        if (profile->HasColor() && !single.isEmpty()) {
            std::unique_ptr<CEffect> effect = ColorSequence();
            if (BindTo(project, *effect, single))
                made.push_back({std::move(effect), name, Txt::EdSequencer});
        }
        if (profile->HasPanTilt() && !own.isEmpty()) {
            std::unique_ptr<CEffect> effect = PanTiltCircle();
            if (BindTo(project, *effect, own))
                made.push_back({std::move(effect), name, Txt::EdPanTilt});
        }
    }

    if (colorMatrix && colorMatrix->Profile()) {
        std::unique_ptr<CEffect> effect = std::make_unique<CMatrixAnimEffect>(colorMatrix, kColorStepMs);
        if (BindTo(project, *effect, fresh))
            made.push_back({std::move(effect), colorMatrix->Profile()->GetBaseName(), Txt::Matrix});
    }
    return made;
}

QList<CEffectScene*> AddDefaultEffects(CProject& project, std::vector<SDefaultEffect> effects)
{
    QList<CEffectScene*> added;
    // All of them or none: a show with room for some would hold an arbitrary few.
    if (!CShowBounds::AskRoom(project, CShowBounds::Scenes, qint64(effects.size())))
        return added;
    for (SDefaultEffect& made : effects)
        added << AddScene(project, std::move(made.effect), made.driven, made.kindCaption);
    return added;
}

QList<CEffectScene*> AddDefaultEffects(CProject& project, const QList<CLibraryProfile*>& profiles,
                                       CFixtureMatrix* colorMatrix)
{
    return AddDefaultEffects(project, MakeDefaultEffects(project, profiles, colorMatrix));
}
