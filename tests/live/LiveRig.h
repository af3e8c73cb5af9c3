#pragma once

#include "../show/PlaybackRig.h"
#include "live/TriggerDispatcher.h"
#include "show/EffectScene.h"

#include <QStringList>

// The live pages window as the dispatcher sees it: it records what it is
// asked and shows a page by making it current, as the real window does.
class CFakeLiveView : public CLiveTriggerView
{
public:
    explicit CFakeLiveView(CProject& project)
        : m_project(project)
    {
    }

    int Mode() const override { return mode; }
    bool IsEffectsTabShown() const override { return effectsTab; }
    void SelectPage(int n) override
    {
        calls << QStringLiteral("SelectPage:%1").arg(n);
        m_project.m_currentPage = m_project.m_pages.at(n);
    }
    CScene* PopupScene() const override { return popup; }
    void PopupSceneChanged(bool dimmerChanged) override
    {
        calls << QStringLiteral("PopupSceneChanged:%1").arg(dimmerChanged);
    }
    bool TriggerEffectScene(CEffectScene* scene, int kind, int value) override
    {
        calls << QStringLiteral("TriggerEffectScene:%1:%2:%3").arg(scene->m_name).arg(kind).arg(value);
        return false;
    }
    bool ToggleEffectScene(CEffectScene* scene, bool allowPlay, bool allowStop) override
    {
        calls << QStringLiteral("ToggleEffectScene:%1:%2:%3").arg(scene->m_name).arg(allowPlay).arg(allowStop);
        return false;
    }

    int mode = 0;
    bool effectsTab = false;
    CScene* popup = nullptr;
    QStringList calls;

private:
    CProject& m_project;
};

// A project with one RGB fixture at universe 0, slot 0, a second page, the
// fake view and a dispatcher on them.
class CLiveRig : public CPlaybackRig
{
public:
    CLiveRig()
        : view(project)
        , dispatcher(project, view)
    {
        fixture = Patch(RgbProfile(), 0, 0);
        secondPage = project.AddPage(QStringLiteral("Second"));
        project.m_currentPage = Page();
    }

    // A playable scene of one step on `page` (the first page by default).
    CScene* Scene(const QString& name, CPage* page = nullptr)
    {
        auto* scene = new CScene(name, project.UniverseCount());
        (page ? page : Page())->m_scenes << scene;
        AddStepTo(scene, 0, 1000, 200);
        return scene;
    }
    void AddStepTo(CScene* scene, int fade, int wait, int red)
    {
        auto* step = new CSceneStep(fade, wait);
        auto* entry = new CStepFixture(fixture, scene);
        entry->SetLevel(0, quint8(red), true, true);
        step->AddEntry(entry);
        scene->m_steps << step;
        scene->UpdateLength();
    }

    void Press(int key) { dispatcher.KeyTrigger(key, true); }
    void Release(int key) { dispatcher.KeyTrigger(key, false); }
    void Input(int universe, int slot, int level)
    {
        project.m_dmxInput[universe][slot] = quint8(level);
        dispatcher.DmxInputTrigger(universe);
    }
    // Playing and not on its way out.
    bool Plays(CScene* scene, CPage* page = nullptr)
    {
        CPage* p = page ? page : Page();
        return p->IsPlaying(scene) && !p->IsPending(scene);
    }

    CFakeLiveView view;
    CTriggerDispatcher dispatcher;
    CPatchedFixture* fixture = nullptr;
    CPage* secondPage = nullptr;
};
