// Where the show goes: the output mode and switch, Art-Net and the DMX
// interfaces with the tool bar's network icons, and the release commands.

#include "app/Orvane.h"

#include "app/options/AppOptions.h"
#include "Common/ArtNet/ArtNetManager.h"
#include "devices/DeviceManager.h"
#include "panels/PresetsWnd.h"
#include "model/Language.h"
#include "Captions.h"

#include <QAction>
#include <QStatusBar>
#include <QTimer>

namespace {

bool UsesArtNet(int outputMode)
{
    return outputMode == 1 || outputMode == 2;
}

} // namespace

void Orvane::OpenInterfaces()
{
    connect(m_devices.get(), &CDeviceManager::dmxInputRefreshed, this, &Orvane::OnDmxInputRefreshed);
    connect(m_devices.get(), &CDeviceManager::standAloneInputsChanged, this, &Orvane::OnStandAloneInputs);
    connect(m_devices.get(), &CDeviceManager::interfaceLost, this, &Orvane::OnInterfaceLost);
    m_devices->OpenDevices();
    // Output runs from the start, to whatever the output mode names.
    m_bOutputOn = true;
    UpdateOutputActions();
}

void Orvane::StartArtNet()
{
    if (!m_artNet)
        m_artNet = std::make_unique<CArtNetManager>();
    // After a failure every new request tries again: the operator may have
    // closed whatever held the port.
    if (!m_artNet->IsRunning())
        m_artNet->Start();
    UpdateNetworkIcons();
}

void Orvane::UpdateNetworkIcons()
{
    const bool artNetFailed = m_artNet && m_artNet->HasFailed();
    if (!artNetFailed) {
        m_blinkTimer->stop();
        m_bBlinkLit = true;
    } else if (!m_blinkTimer->isActive()) {
        m_bBlinkLit = true;
        m_blinkTimer->start();
    }
    ENetworkLook artNet = kNetIdle;
    if (artNetFailed)
        artNet = m_bBlinkLit ? kNetFailed : kNetDark;
    else if (m_artNet && m_artNet->IsRunning())
        artNet = kNetRunning;
    m_actArtNetStatus->setIcon(m_netIcons[artNet]);
    // No Wi-Fi interface is driven by this build, so its network is never started.
    m_actWiFiStatus->setIcon(m_netIcons[kNetIdle]);
}

void Orvane::OnNetworkBlink()
{
    m_bBlinkLit = !m_bBlinkLit;
    UpdateNetworkIcons();
}

void Orvane::UpdateOutputActions()
{
    for (int mode = 0; mode < 3; ++mode)
        m_actOutputMode[mode]->setChecked(mode == m_outputMode);
    const QSignalBlocker blocker(m_actOutputOn);
    m_actOutputOn->setChecked(m_bOutputOn);
}

void Orvane::ResetPortRefresh()
{
    if (m_devices)
        m_devices->ResetPortRefresh();
}

void Orvane::SetOutputMode(int mode)
{
    if (mode < 0 || mode > 2)
        return;
    m_outputMode = mode;
    UpdateOutputActions();
    if (m_bOutputOn && UsesArtNet(m_outputMode))
        StartArtNet();
}

void Orvane::OnOutputOn(bool on)
{
    m_bOutputOn = on;
    if (on && UsesArtNet(m_outputMode))
        StartArtNet();
}

void Orvane::StoreDeviceConfig()
{
    const QVector<SDeviceConfig> open = m_devices->DeviceConfig();
    if (open.isEmpty())
        return;
    // Records past the interfaces keep the settings of interfaces that are
    // not plugged in today.
    QVector<SDeviceConfig> records = m_document->DmxConfig();
    for (int i = 0; i < open.size(); ++i) {
        if (i < records.size())
            records[i] = open[i];
        else
            records.append(open[i]);
    }
    m_document->SetDmxConfig(records);
}

void Orvane::OnInterfaceLost(const QString& description)
{
    // Told without a modal box, which would hold the tick and the other
    // interfaces with it.
    statusBar()->showMessage(GetLangText(Txt::InterfaceLost).arg(description));
}

void Orvane::OnReleaseScenes()
{
    ReleaseScenes();
}

void Orvane::ReleaseScenes()
{
    m_document->ReleaseScenes();
    m_actReleaseScenes->setEnabled(false);
}

void Orvane::OnReleaseEffects()
{
    m_document->ReleaseEffects();
    UpdateReleaseEffectsAction();
}

void Orvane::OnReleaseLive()
{
    m_document->ReleaseLive();
    // A hidden presets panel catches up when it is shown.
    if (m_presets && m_toolPanel == kPresetsPanel)
        m_presets->RefreshControls();
    RefreshShownPanel();
    m_actReleaseLive->setEnabled(m_document->HasLiveLevels());
}

void Orvane::ToggleSendEditDmx()
{
    m_options->m_bSendEditDmx = !m_options->m_bSendEditDmx;
    m_actSendEditDmx->setChecked(m_options->m_bSendEditDmx);
    if (!m_document->IsPlaybackRunning() && !m_document->IsEffectEditing())
        m_document->RefreshOutput();
}

void Orvane::UpdateReleaseEffectsAction()
{
    m_actReleaseEffects->setEnabled(m_document->HasRunningEffects());
}

void Orvane::UpdateReleaseScenesAction(bool force)
{
    m_actReleaseScenes->setEnabled(force || m_document->HasPlayingPlainScene());
}
