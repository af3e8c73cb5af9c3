#pragma once

#include <QList>
#include <QWidget>

class CPatchedFixture;
class CPresetModeCtrl;
class CProSlider;
class CProject;
class QHBoxLayout;
class QLabel;
class QScrollArea;

// The channel faders: one fader with its mode switch per channel of every
// selected fixture (a fixture counts when one of its beams is selected). A
// fader sets its channel live, or into the edited scene; its switch releases
// the channel or forces the fader's level onto it. While an effect is edited
// the faders of the channels it drives are locked.
class CDmxChannelsWnd : public QWidget
{
    Q_OBJECT
public:
    struct CFader
    {
        CPatchedFixture* fixture = nullptr;
        int channel = 0; // in the fixture's current mode
        CProSlider* slider = nullptr;
        CPresetModeCtrl* mode = nullptr;
        bool locked = false;
    };

    explicit CDmxChannelsWnd(CProject& project, QWidget* parent = nullptr);

    // The selection changed: faders for the fixtures now selected.
    void UpdateSelection();
    // Levels and switches again from the project.
    void RefreshLevels();
    void Retranslate();

    // The edited effect drives these channels of the selected fixtures.
    void LockDimmerChannels();
    void LockChannelsOfType(int channelType);
    void LockPanTiltChannels();
    void LockColorChannels();
    // The effect edit ended: every fader is free again.
    void ResetModes();

    int FaderCount() const { return m_faders.size(); }
    const CFader* Fader(int index) const;
    // Null when the channel has no fader.
    const CFader* FindFader(const CPatchedFixture* fixture, int channel) const;

private:
    enum LockKind { LockDimmers, LockType, LockPanTilt, LockColors };
    struct CLockRule
    {
        LockKind kind = LockDimmers;
        int channelType = 0;
    };

    void AddLock(LockKind kind, int channelType = 0);
    bool IsLockedBy(const CLockRule& rule, const CFader& fader) const;
    void ApplyLocks();
    void RefreshFader(CFader& fader);
    void OnFaderMoved(int index, int value);
    void OnModeChanged(int index, bool on);
    // Universe and slot of the fader's channel; false when it has none.
    bool SlotOf(const CFader& fader, int& universe, int& slot) const;

    CProject& m_project;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    QHBoxLayout* m_contentLayout = nullptr;
    QLabel* m_emptyLabel = nullptr;
    QList<CFader> m_faders;
    // Kept across selection changes: the effect goes on driving what it drives.
    QList<CLockRule> m_locks;
};
