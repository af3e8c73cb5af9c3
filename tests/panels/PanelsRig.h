#pragma once

#include "../show/SelectionRig.h"
#include "panels/ChannelPresetCtrl.h"
#include "panels/FixedPresetCtrls.h"
#include "panels/PresetsWnd.h"

#include <QCoreApplication>
#include <QEvent>

// Colour and pan/tilt controls that record what the window tells them.
class CFakeColorCtrl : public CColorPresetCtrlBase
{
public:
    using CColorPresetCtrlBase::CColorPresetCtrlBase;
    void SetColor(quint8 r, quint8 g, quint8 b, quint8 w, bool) override { color = {r, g, b, w}; }
    void GetColor(quint8& r, quint8& g, quint8& b, quint8& w) const override
    {
        r = quint8(color[0]), g = quint8(color[1]), b = quint8(color[2]), w = quint8(color[3]);
    }
    void SetModes(int r, int g, int b, int w, bool force) override
    {
        const QList<int> wanted{r, g, b, w};
        for (int i = 0; i < 4; ++i) {
            if (force || modes[i] != 4)
                modes[i] = wanted[i];
        }
    }
    void MarkEffectChannel(int type) override { marked << type; }
    QList<int> color{0, 0, 0, 0};
    QList<int> modes{1, 1, 1, 1};
    QList<int> marked;
};

class CFakePanTiltCtrl : public CPanTiltPresetCtrlBase
{
public:
    using CPanTiltPresetCtrlBase::CPanTiltPresetCtrlBase;
    void SetPosition(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool) override
    {
        position = {pan, tilt, panFine, tiltFine};
    }
    void GetPosition(quint8 p[6]) const override
    {
        for (int i = 0; i < 6; ++i)
            p[i] = quint8(i < position.size() ? position[i] : 0);
    }
    void SetModes(int pan, int tilt, bool force) override
    {
        if (force || modes[0] != 4)
            modes = {pan, tilt};
    }
    void MarkEffectChannel(int type) override { marked << type; }
    QList<int> position{0, 0, 0, 0};
    QList<int> modes{1, 1};
    QList<int> marked;
};

// A project with a recording host, a presets window built with the fake
// colour and pan/tilt controls, and short ways to make profiles.
class CPanelsRig : public CPlaybackRig
{
public:
    CPanelsRig() : wnd(project)
    {
        CPresetsWnd::CFixedCtrlFactory factory;
        factory.color = [](int id, bool, bool, bool master, CPresetsWnd* w) {
            return new CFakeColorCtrl(id, master, w);
        };
        factory.panTilt = [](int id, bool, bool master, CPresetsWnd* w) {
            return new CFakePanTiltCtrl(id, master, w);
        };
        wnd.SetFixedCtrlFactory(factory);
        wnd.resize(1200, 400);
    }

    // Every profile gets its own path, as the library's files have.
    CLibraryProfile* Profile(int beams = 1)
    {
        auto* profile = new CLibraryProfile;
        profile->SetPath(QStringLiteral("Profiles/P%1.kvp").arg(++m_profiles));
        if (beams > 1) {
            QList<CBeamPosition> positions;
            for (int b = 0; b < beams; ++b)
                positions << CBeamPosition{float(b), 0.0f};
            profile->m_beams.clear();
            for (const CBeamPosition& beam : positions)
                profile->m_beams << beam;
            profile->UpdateBeamExtent();
        }
        project.m_library << profile;
        return profile;
    }
    static CProfilePresetDef* Preset(CProfileChannelDef* channel, const QString& name, int start, int end,
                                     int dmxDefault = -1)
    {
        CProfilePresetDef* preset = ProfileBuilder::AddPreset(channel, PresetType::Undef, start, end);
        preset->m_name = name;
        preset->m_dmxDefault = quint8(dmxDefault < 0 ? start : dmxDefault);
        return preset;
    }
    static CProfileChannelDef* Channel(CLibraryProfile* profile, int type, const QString& preset = QString(),
                                       const QByteArray& beams = QByteArray())
    {
        CProfileChannelDef* channel = ProfileBuilder::AddChannel(*profile, type, beams);
        channel->m_name = QStringLiteral("C%1").arg(profile->CurrentMode()->ChannelCount());
        if (!preset.isEmpty())
            Preset(channel, preset, 10, 20);
        return channel;
    }

    // One channel of the type per preset name, each with that one preset.
    CLibraryProfile* ChannelsOf(int type, const QStringList& presets)
    {
        CLibraryProfile* profile = Profile();
        for (const QString& preset : presets)
            Channel(profile, type, preset);
        profile->UpdateRoles();
        return profile;
    }

    // The fixtures become the selection and the window follows.
    void Select(const QList<CPatchedFixture*>& fixtures)
    {
        SelectAll(project, fixtures);
        project.ComputeSelectionCaps();
        wnd.UpdateSelection();
    }
    // Live level on a slot of universe 0, as the output shows it.
    void Live(int slot, int level)
    {
        project.m_output[0][slot] = quint8(level);
        project.m_liveMask[0][slot] = 1;
    }
    CChannelPresetCtrl* Ctrl(int i) const { return wnd.ChannelControls().value(i); }
    CFakeColorCtrl* Color(bool master = false) const { return static_cast<CFakeColorCtrl*>(wnd.ColorControl(master)); }
    static void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    CPresetsWnd wnd;

private:
    int m_profiles = 0;
};
