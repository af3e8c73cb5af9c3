#pragma once

#include "SceneEditorRig.h"
#include "editors/EffectWnd.h"
#include "editors/EffectsWnd.h"
#include "effects/EffectEngine.h"
#include "effects/GradientEffect.h"
#include "show/EffectScene.h"

#include <QList>

// A page that records what the effects window asks of it: it binds a copy
// of the effect (a moving two-peg gradient when new) to the selection and
// generates it, as every real page does on opening.
class CFakeEffectPage : public CEffectWnd
{
public:
    CFakeEffectPage(CProject& project, const CEffectPageArgs& args)
        : CEffectWnd(args.engine, args.timeWidget, args.effectScene, args.parent)
    {
        CEffect* copy = args.effect ? CloneEffect(args.effect) : MovingGradient(2);
        project.BindEffectToSelection(copy, args.effectScene, false);
        m_engine->SetEffect(copy);
        m_engine->GenerateEffect();
        s_open = this;
    }
    ~CFakeEffectPage() override
    {
        if (s_open == this)
            s_open = nullptr;
        ++s_deleted;
        // The engine's effect outlives the page: it is either applied or
        // deleted after the page is gone.
        s_effectAtDelete = m_engine->Effect();
    }

    static CGradientEffect* MovingGradient(int pegs)
    {
        auto* gradient = new CGradientEffect(1000);
        gradient->m_gradType = 1;
        gradient->m_pegColors.clear();
        gradient->m_pegPositions.clear();
        for (int i = 0; i < pegs; ++i) {
            gradient->m_pegColors << CRgbwColor(quint8(40 * i), 0, 0);
            gradient->m_pegPositions << double(i) / (pegs - 1);
        }
        return gradient;
    }

    void SetPlayPosition(int step, int timeMs) override { positions << QStringLiteral("%1/%2").arg(step).arg(timeMs); }
    int GetPlayStep() const override { return 0; }
    int GetPlayTime() const override { return 0; }
    void Tick(int elapsedMs) override { ticks << elapsedMs; }
    bool HasUngeneratedChanges() const override { return pending; }

    QList<int> ticks;
    QStringList positions;
    bool pending = false;

    static inline CFakeEffectPage* s_open = nullptr;
    static inline int s_deleted = 0;
    static inline CEffect* s_effectAtDelete = nullptr;
};

// The scene editor's page and fixture, an effects window beside it, and
// the fake page registered for the gradient and the matrix animation.
class CEffectsRig : public CSceneEditorRig
{
public:
    CEffectsRig()
    {
        for (int type : kFakeTypes)
            m_replaced << RegisterEffectPage(
                type, [this](const CEffectPageArgs& args) { return new CFakeEffectPage(project, args); });
        CFakeEffectPage::s_deleted = 0;
        window = std::make_unique<CEffectsWnd>(project);
    }
    ~CEffectsRig()
    {
        window.reset();
        // The real pages come back for the tests that follow.
        for (int i = 0; i < m_replaced.size(); ++i)
            RegisterEffectPage(kFakeTypes[i], m_replaced[i]);
    }

    void Select(std::initializer_list<CPatchedFixture*> fixtures)
    {
        project.m_currentGroup->m_selectedFixtures.clear();
        for (CPatchedFixture* fixture : fixtures) {
            for (bool& flag : fixture->BeamFlags())
                flag = true;
            project.m_currentGroup->m_selectedFixtures << fixture;
        }
        project.ComputeSelectionCaps();
    }

    CEffectScene* AddEffectScene(bool withEffect)
    {
        CEffectScene* scene = project.AddEffectScene();
        if (withEffect)
            scene->m_effects << CFakeEffectPage::MovingGradient(3);
        return scene;
    }

    // Flags the edit sets on the project, "" when none is left.
    QString EditFlags() const
    {
        QString flags;
        flags += project.m_effectEditing ? "e" : "";
        flags += project.m_colorLock ? "c" : "";
        flags += project.m_dimmerLock ? "d" : "";
        flags += project.m_panTiltLock ? "p" : "";
        return flags;
    }

    int AskCount() const { return host.calls.filter(QStringLiteral("AskQuestion")).size(); }

    CFakeEffectPage* FakePage() const { return static_cast<CFakeEffectPage*>(window->Page()); }

    std::unique_ptr<CEffectsWnd> window;

private:
    static constexpr int kFakeTypes[] = {EffectType::Gradient, EffectType::MatrixAnim};
    QList<EffectPageMaker> m_replaced;
};
