#pragma once

#include "../model/LibraryProfileBuilder.h"
#include "KeptSteps.h"
#include "RecordingHost.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/PlayingScene.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

// A project with a recording host, and short ways to patch fixtures and
// build scenes of steps on its first page.
class CPlaybackRig
{
public:
    explicit CPlaybackRig(int universes = 4) { project.NewProject(universes); }

    CPage* Page() { return project.m_firstPage; }

    // Profiles live in the project's library, which deletes them.
    CLibraryProfile* AddProfile(const std::function<void(CLibraryProfile&)>& build)
    {
        auto* profile = new CLibraryProfile;
        build(*profile);
        profile->UpdateRoles();
        project.m_library << profile;
        return profile;
    }
    CLibraryProfile* RgbProfile()
    {
        return AddProfile([](CLibraryProfile& profile) { ProfileBuilder::AddColorSet(profile, ChannelType::Red); });
    }
    CLibraryProfile* CmyProfile()
    {
        return AddProfile([](CLibraryProfile& profile) { ProfileBuilder::AddColorSet(profile, ChannelType::Cyan); });
    }
    // Dimmer, 16-bit pan, 16-bit tilt: channels 0, 1/2, 3/4.
    CLibraryProfile* MovingHeadProfile()
    {
        return AddProfile([](CLibraryProfile& profile) {
            ProfileBuilder::AddDimmer(profile);
            ProfileBuilder::AddFine(profile, ProfileBuilder::AddChannel(profile, ChannelType::Pan));
            ProfileBuilder::AddFine(profile, ProfileBuilder::AddChannel(profile, ChannelType::Tilt));
        });
    }

    // Patched into the general group, which owns it.
    CPatchedFixture* Patch(CLibraryProfile* profile, int universe, int address)
    {
        CPatchedFixture* fixture = AddFixture(profile, universe, address);
        project.UpdateAfterPatch(false, false);
        return fixture;
    }

    // Every universe filled with fixtures of `channels` channels side by
    // side, patched in one go.
    QList<CPatchedFixture*> Fill(CLibraryProfile* profile, int channels)
    {
        QList<CPatchedFixture*> fixtures;
        for (int u = 0; u < project.UniverseCount(); ++u) {
            for (int address = 0; address + channels <= 512; address += channels)
                fixtures << AddFixture(profile, u, address);
        }
        project.UpdateAfterPatch(false, false);
        return fixtures;
    }

    CScene* AddScene(const QString& name, int fadeIn = 0, int fadeOut = 0)
    {
        auto* scene = new CScene(name, project.UniverseCount());
        scene->m_fadeIn = fadeIn;
        scene->m_fadeOut = fadeOut;
        Page()->m_scenes << scene;
        return scene;
    }

    // A step with one entry per fixture; every level given is marked active.
    using Levels = std::pair<CPatchedFixture*, std::vector<int>>;
    CSceneStep* AddStep(CScene* scene, int fade, int wait, std::initializer_list<Levels> entries)
    {
        auto* step = new CSceneStep(fade, wait);
        for (const Levels& levels : entries) {
            auto* entry = new CStepFixture(levels.first, scene);
            for (int c = 0; c < int(levels.second.size()); ++c)
                entry->SetLevel(c, quint8(levels.second[size_t(c)]), true, true);
            step->AddEntry(entry);
        }
        scene->m_steps << step;
        scene->UpdateLength();
        return step;
    }

    // One master tick as the main window runs it.
    void Tick(int count = 1, int ms = 25)
    {
        for (int i = 0; i < count; ++i) {
            project.Tick(ms);
            project.MergeOutput();
        }
    }

    void PlayAll()
    {
        for (CScene* scene : Page()->m_scenes)
            Page()->PlayScene(scene);
    }
    // The playing scenes whose step `ahead` of the one playing has its render kept.
    int StepsRendered(int ahead = 0) const { return StepsKept(*project.m_firstPage, ahead); }

    // One tick; the playing scenes that played their step without its render
    // kept, rendering it as they went.
    int TickWithoutKeptRenders()
    {
        std::vector<std::pair<CPlayingScene*, const CSceneStep*>> played;
        for (CPlayingScene* entry : Page()->m_playing)
            played.emplace_back(entry, entry->Scene()->m_currentStep);
        Tick();
        int missed = 0;
        for (const auto& [entry, step] : played)
            missed += Page()->m_playing.contains(entry) && !entry->KeptRender(step, false) ? 1 : 0;
        return missed;
    }

    int Out(int universe, int slot) const { return project.m_output[universe][slot]; }
    int Played(int universe, int slot) const { return project.m_playback[universe][slot]; }

    CRecordingHost host;
    CProject project;

    // Patches without updating the show: for many fixtures, UpdateAfterPatch once after.
    CPatchedFixture* AddFixture(CLibraryProfile* profile, int universe, int address)
    {
        const int id = ++m_nextId;
        auto* fixture = new CPatchedFixture(address, universe, id, -1, QStringLiteral("F%1").arg(id), profile, false,
                                            false, 0);
        project.m_generalGroup->AddFixture(fixture);
        return fixture;
    }

private:
    int m_nextId = 0;
};

// Four zoom heads at slots 0, 10, 20 and 30 of universe 0, any of which a
// test selects.
class CZoomHeadsRig : public CPlaybackRig
{
public:
    explicit CZoomHeadsRig(int universes = 4) : CPlaybackRig(universes)
    {
        CLibraryProfile* profile =
            AddProfile([](CLibraryProfile& zoom) { ProfileBuilder::AddChannel(zoom, ChannelType::Zoom); });
        for (int i = 0; i < 4; ++i)
            heads << Patch(profile, 0, 10 * i);
    }

    void Select(std::initializer_list<int> indexes)
    {
        QList<CPatchedFixture*> selection;
        for (int i : indexes)
            selection << heads[i];
        project.m_currentGroup->m_selectedFixtures = selection;
    }

    QList<CPatchedFixture*> heads;
};
