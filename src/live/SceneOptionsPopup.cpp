#include "live/SceneOptionsPopup.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowHost.h"
#include "widgets/ProSlider.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

CSceneOptionsPopup::CSceneOptionsPopup(CProject& project, QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , m_project(project)
    , m_speed(new CProSlider(QString(), false, this))
    , m_dimmer(new CProSlider(QString(), false, this))
    , m_pause(new QPushButton(this))
    , m_blackout(new QPushButton(this))
    , m_beamOn(new QPushButton(this))
{
    setFrameShape(QFrame::StyledPanel);
    for (CProSlider* fader : {m_speed, m_dimmer}) {
        fader->m_min = 0;
        fader->m_max = 100;
        fader->m_value = 50;
        fader->setMinimumHeight(120);
    }
    for (QPushButton* button : {m_pause, m_blackout, m_beamOn})
        button->setCheckable(true);

    auto* faders = new QHBoxLayout;
    faders->addWidget(m_speed);
    faders->addWidget(m_dimmer);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(faders);
    layout->addWidget(m_pause);
    layout->addWidget(m_blackout);
    layout->addWidget(m_beamOn);

    connect(m_speed, &CProSlider::sliderMoved, this, &CSceneOptionsPopup::OnSpeedMoved);
    connect(m_dimmer, &CProSlider::sliderMoved, this, &CSceneOptionsPopup::OnDimmerMoved);
    connect(m_pause, &QPushButton::toggled, this, &CSceneOptionsPopup::OnPauseToggled);
    connect(m_blackout, &QPushButton::toggled, this, &CSceneOptionsPopup::OnBlackoutToggled);
    connect(m_beamOn, &QPushButton::toggled, this, &CSceneOptionsPopup::OnBeamOnToggled);
    Retranslate();
}

void CSceneOptionsPopup::Open(CScene* scene, const QPoint& globalPos)
{
    if (!scene)
        return;
    m_scene = scene;
    Refresh();
    adjustSize();
    move(globalPos);
    show();
}

void CSceneOptionsPopup::CloseFor(const CScene* scene)
{
    if (!scene || scene == m_scene)
        hide();
    if (!isVisible())
        m_scene = nullptr;
}

void CSceneOptionsPopup::SceneChanged(bool dimmerChanged)
{
    if (!Scene())
        return;
    Apply(dimmerChanged);
    Refresh();
}

void CSceneOptionsPopup::Refresh()
{
    if (!m_scene)
        return;
    m_refreshing = true;
    m_speed->m_value = std::clamp(m_scene->Speed(), 0, 100);
    m_speed->UpdateCursor();
    m_dimmer->m_value = std::clamp(m_scene->Dimmer(), 0, 100);
    m_dimmer->UpdateCursor();
    m_pause->setChecked(m_scene->m_paused);
    m_blackout->setChecked(m_scene->m_blackout);
    m_beamOn->setChecked(m_scene->m_beamOn);
    m_refreshing = false;
}

void CSceneOptionsPopup::Retranslate()
{
    m_speed->SetTitle(GetLangText(Txt::PagesSpeed));
    m_dimmer->SetTitle(GetLangText(Txt::PagesDimmer));
    m_pause->setText(GetLangText(Txt::PagesPause));
    m_blackout->setText(GetLangText(Txt::PagesBlackout));
    m_beamOn->setText(GetLangText(Txt::PagesBeamOn));
}

void CSceneOptionsPopup::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    emit closed();
}

void CSceneOptionsPopup::OnSpeedMoved(int value)
{
    if (!m_scene)
        return;
    m_scene->SetSpeed(value);
    Apply(false);
}

void CSceneOptionsPopup::OnDimmerMoved(int value)
{
    if (!m_scene)
        return;
    m_scene->SetDimmer(value);
    Apply(true);
}

void CSceneOptionsPopup::OnPauseToggled(bool on)
{
    if (!m_scene || m_refreshing)
        return;
    m_scene->m_paused = on;
    Apply(false);
}

// Blackout and beam on exclude each other, as the live masters do.
void CSceneOptionsPopup::OnBlackoutToggled(bool on)
{
    if (!m_scene || m_refreshing)
        return;
    m_scene->m_blackout = on;
    if (on)
        m_scene->m_beamOn = false;
    Apply(false);
    Refresh();
}

void CSceneOptionsPopup::OnBeamOnToggled(bool on)
{
    if (!m_scene || m_refreshing)
        return;
    m_scene->m_beamOn = on;
    if (on)
        m_scene->m_blackout = false;
    Apply(false);
    Refresh();
}

void CSceneOptionsPopup::Apply(bool dimmerChanged)
{
    if (m_scene->IsEffectScene())
        m_project.SetSceneLiveParams(m_scene, dimmerChanged);
    ShowHost().SetModified(true);
}
