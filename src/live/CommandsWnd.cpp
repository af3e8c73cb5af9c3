#include "live/CommandsWnd.h"

#include "Captions.h"
#include "live/NextStep.h"
#include "model/Language.h"
#include "show/Project.h"
#include "widgets/ColorCircle.h"
#include "widgets/ColorPicker.h"
#include "widgets/SliderCtrl.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QPushButton* MakeSwitch(QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setCheckable(true);
    return button;
}

} // namespace

CCommandsWnd::CCommandsWnd(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
    , m_pBlackOut(MakeSwitch(this))
    , m_pBeamOn(MakeSwitch(this))
    , m_pPause(MakeSwitch(this))
    , m_pNext(new QPushButton(this))
    , m_pDimmer(new CSliderCtrl(QString(), this))
    , m_pSpeed(new CSliderCtrl(QString(), this))
    , m_pColorOverride(new QCheckBox(this))
    , m_pColor(new CColorPicker(0, this))
    , m_pWhite(new CSliderCtrl(QString(), this))
{
    m_pDimmer->SetRange(0, 100);
    m_pSpeed->SetRange(0, 100);
    m_pWhite->SetRange(0, 255);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {m_pBlackOut, m_pBeamOn, m_pPause, m_pNext})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* colour = new QVBoxLayout;
    colour->addWidget(m_pColorOverride);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(m_pColor, 1);
    colourRow->addWidget(m_pWhite);
    colour->addLayout(colourRow, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(m_pDimmer);
    layout->addWidget(m_pSpeed);
    layout->addLayout(colour, 1);

    connect(m_pBlackOut, &QPushButton::toggled, this, &CCommandsWnd::OnBlackOut);
    connect(m_pBeamOn, &QPushButton::toggled, this, &CCommandsWnd::OnBeamOn);
    connect(m_pPause, &QPushButton::toggled, this, &CCommandsWnd::OnPause);
    connect(m_pNext, &QPushButton::clicked, this, &CCommandsWnd::OnNext);
    connect(m_pDimmer, &CSliderCtrl::valueChanged, this, &CCommandsWnd::OnDimmer);
    connect(m_pSpeed, &CSliderCtrl::valueChanged, this, &CCommandsWnd::OnSpeed);
    connect(m_pColorOverride, &QCheckBox::toggled, this, &CCommandsWnd::OnColorOverride);
    connect(m_pColor, &CColorPicker::colorChanged, this, &CCommandsWnd::OnColor);
    connect(m_pWhite, &CSliderCtrl::valueChanged, this, &CCommandsWnd::OnWhite);

    Retranslate();
    Refresh();
}

void CCommandsWnd::Retranslate()
{
    m_pBlackOut->setText(GetLangText(Txt::LiveBlackOut));
    m_pBeamOn->setText(GetLangText(Txt::LiveBeamOn));
    m_pPause->setText(GetLangText(Txt::LivePause));
    m_pNext->setText(GetLangText(Txt::LiveNext));
    m_pDimmer->SetCaption(GetLangText(Txt::LiveDimmer));
    m_pSpeed->SetCaption(GetLangText(Txt::LiveSpeed));
    m_pColorOverride->setText(GetLangText(Txt::LiveColorOverride));
    m_pWhite->SetCaption(GetLangText(Txt::LiveWhite));
}

void CCommandsWnd::Refresh()
{
    // Showing the masters must not set them again: that would copy them
    // into every playing scene a second time.
    {
        const QSignalBlocker b1(m_pBlackOut);
        const QSignalBlocker b2(m_pBeamOn);
        const QSignalBlocker b3(m_pPause);
        const QSignalBlocker b4(m_pColorOverride);
        m_pBlackOut->setChecked(m_project.m_blackOut);
        m_pBeamOn->setChecked(m_project.m_beamOn);
        m_pPause->setChecked(m_project.m_pause);
        m_pColorOverride->setChecked(m_project.m_colorOverride);
    }
    m_pDimmer->SetValue(m_project.m_masterDimmer);
    m_pSpeed->SetValue(m_project.m_masterSpeed);
    m_pWhite->SetValue(m_project.m_white);
    const QColor colour(m_project.m_red, m_project.m_green, m_project.m_blue);
    if (m_pColor->Color() != colour) {
        const QSignalBlocker block(m_pColor);
        m_pColor->m_pCircle->SetColor(colour, m_pColor->Flag());
    }
}

void CCommandsWnd::OnBlackOut(bool on)
{
    m_project.SetBlackOut(on);
}

void CCommandsWnd::OnBeamOn(bool on)
{
    m_project.SetBeamOn(on);
}

void CCommandsWnd::OnPause(bool on)
{
    m_project.SetPause(on);
}

void CCommandsWnd::OnNext()
{
    MovePlayingScenesToNextStep(m_project);
}

void CCommandsWnd::OnDimmer(int value)
{
    m_project.SetDimmer(value);
}

void CCommandsWnd::OnSpeed(int value)
{
    m_project.SetSpeed(value);
}

void CCommandsWnd::OnColorOverride(bool on)
{
    m_project.SetColorOverride(on);
}

void CCommandsWnd::OnColor(uchar red, uchar green, uchar blue)
{
    // Choosing a colour switches the override on, as the project does.
    m_project.SetLiveColor(red, green, blue);
    const QSignalBlocker block(m_pColorOverride);
    m_pColorOverride->setChecked(m_project.m_colorOverride);
}

void CCommandsWnd::OnWhite(int value)
{
    m_project.SetLiveWhite(quint8(qBound(0, value, 255)));
    const QSignalBlocker block(m_pColorOverride);
    m_pColorOverride->setChecked(m_project.m_colorOverride);
}
