#include "editors/GradientEffectWnd.h"

#include "Captions.h"
#include "editors/GradientCtrl.h"
#include "effects/EffectEngine.h"
#include "effects/EffectMath.h"
#include "effects/GradientEffect.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "panels/FixedPresetCtrls.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"
#include "widgets/ZKTimeEdit.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

using EffectMath::ByteAt;

QTime LengthToTime(int ms)
{
    return QTime(0, 0).addMSecs(qBound(0, ms, CGradientEffectWnd::kMaxLengthMs));
}

const bool kRegistered = [] {
    RegisterEffectPage(EffectType::Gradient, [](const CEffectPageArgs& args) -> CEffectWnd* {
        if (!args.project || !args.engine)
            return nullptr;
        return new CGradientEffectWnd(*args.project, dynamic_cast<const CGradientEffect*>(args.effect), args.engine,
                                      args.timeWidget, args.effectScene, args.parent);
    });
    return true;
}();

} // namespace

CGradientEffectWnd::CGradientEffectWnd(CProject& project, const CGradientEffect* effect, CEffectEngine* engine,
                                       CTimeWidget* timeWidget, bool effectScene, QWidget* parent)
    : CEffectWnd(engine, timeWidget, effectScene, parent), m_project(project),
      m_effect(effect ? new CGradientEffect(*effect) : new CGradientEffect(10000))
{
    // A file may hold anything; the page shows and edits only what it can.
    m_effect->m_len = qBound(0, m_effect->m_len, kMaxLengthMs);
    m_effect->m_intensity = qBound(10, m_effect->m_intensity, 100);
    m_effect->m_gradType = m_effect->m_gradType ? 1 : 0;
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
    m_engine->SetEffect(m_effect);

    m_timeEdit = new CZKTimeEdit(this, true);
    m_timeEdit->SetTime(LengthToTime(m_effect->m_len));
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);

    m_durationGroup = new QGroupBox(this);
    m_durationGroup->setFixedWidth(200);
    auto* durationLayout = new QHBoxLayout(m_durationGroup);
    durationLayout->addWidget(m_timeEdit);

    m_typeGroup = new QGroupBox(this);
    m_static = new QRadioButton(m_typeGroup);
    m_dynamic = new QRadioButton(m_typeGroup);
    (m_effect->m_gradType ? m_dynamic : m_static)->setChecked(true);
    m_delete = new QPushButton(m_typeGroup);
    m_delete->setFixedSize(48, 48);
    m_delete->setIcon(QIcon(QStringLiteral(":/Orvane/Images/Icons/RemoveBig.png")));
    m_delete->setIconSize(QSize(32, 32));
    m_delete->setEnabled(false);
    auto* typeLayout = new QHBoxLayout(m_typeGroup);
    typeLayout->addWidget(m_static);
    typeLayout->addWidget(m_dynamic);
    typeLayout->addStretch();
    typeLayout->addWidget(m_delete);

    m_intensityGroup = new QGroupBox(this);
    m_intensity = new CSliderCtrl(GetLangText(Txt::EffectIntensityShort), m_intensityGroup);
    m_intensity->SetRange(10, 100);
    m_intensity->SetValue(m_effect->m_intensity);
    auto* intensityLayout = new QVBoxLayout(m_intensityGroup);
    intensityLayout->addWidget(m_intensity);

    m_gradient = new CGradientCtrl(this);
    m_gradient->SetPegs(*m_effect);

    m_hint = new QLabel(this);
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_hint->setFixedHeight(30);

    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(m_durationGroup);
    top->addWidget(m_typeGroup);
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    column->addLayout(top);
    column->addWidget(m_gradient);
    column->addWidget(m_hint);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(6);
    outer->addLayout(column, 1);
    outer->addWidget(m_intensityGroup);

    connect(m_timeEdit, &CZKTimeEdit::timeChanged, this, &CGradientEffectWnd::OnTimeChanged);
    connect(m_static, &QRadioButton::clicked, this, &CGradientEffectWnd::OnClickedStatic);
    connect(m_dynamic, &QRadioButton::clicked, this, &CGradientEffectWnd::OnClickedDynamic);
    connect(m_delete, &QPushButton::pressed, this, &CGradientEffectWnd::OnDelete);
    connect(m_intensity, &CSliderCtrl::valueChanged, this, &CGradientEffectWnd::OnIntensityChanged);
    connect(m_gradient, &CGradientCtrl::pegChanged, this, &CGradientEffectWnd::OnSelPegChanged);
    connect(m_gradient, &CGradientCtrl::pegMoved, this, &CGradientEffectWnd::OnSelPegMoved);

    Retranslate();
    BorrowColorControl();
    ShowPegColor(m_gradient->SelectedPeg());
    m_delete->setEnabled(false);
    Regenerate(true);
    m_effect->m_flag = false;
}

void CGradientEffectWnd::ColorControlChanged()
{
    ShowPegColor(m_gradient->SelectedPeg() >= 0 ? m_gradient->SelectedPeg() : 0);
}

void CGradientEffectWnd::ShowPegColor(int index)
{
    if (!m_colorCtrl || index < 0)
        return;
    const CRgbwColor color = m_gradient->GetPegColor(index);
    m_colorGuard = true;
    m_colorCtrl->SetColor(color.r, color.g, color.b, color.w, true);
    m_colorGuard = false;
}

void CGradientEffectWnd::Regenerate(bool restart)
{
    m_regenerating = true;
    m_gradient->GetPegs(*m_effect);
    m_engine->GenerateEffect();
    const int steps = m_engine->m_stepCount;
    if (m_effect->m_gradType && steps > 0 && (restart || m_next >= steps || m_current >= steps)) {
        m_current = 0;
        m_next = 1 % steps;
        m_elapsed = 0;
        m_stepDuration = m_effect->m_stepTimes.value(m_next, 0);
    }
    m_effect->m_flag = true;
    m_regenerating = false;
}

void CGradientEffectWnd::OnSelPegChanged(int index)
{
    if (m_colorCtrl && index >= 0) {
        ShowPegColor(index);
        m_delete->setEnabled(index > 0 && index < m_gradient->PegCount() - 1);
    } else {
        m_delete->setEnabled(false);
    }
}

void CGradientEffectWnd::OnSelPegMoved(int index)
{
    Q_UNUSED(index);
    Regenerate(false);
}

void CGradientEffectWnd::OnTimeChanged(const QTime& time)
{
    const int length = (time.minute() * 60 + time.second()) * 1000 + time.msec();
    m_effect->m_len = qBound(0, length, kMaxLengthMs);
    m_gradient->SetDuration(m_effect->m_len);
    Regenerate(false);
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

void CGradientEffectWnd::OnIntensityChanged(int value)
{
    m_effect->m_intensity = qBound(10, value, 100);
    m_engine->ApplyIntensitySaturation();
    m_effect->m_flag = true;
}

void CGradientEffectWnd::OnClickedStatic()
{
    m_effect->m_gradType = 0;
    Regenerate(true);
}

void CGradientEffectWnd::OnClickedDynamic()
{
    m_effect->m_gradType = 1;
    Regenerate(true);
}

void CGradientEffectWnd::OnDelete()
{
    const int index = m_gradient->SelectedPeg();
    if (index <= 0 || index >= m_gradient->PegCount() - 1)
        return;
    m_gradient->RemovePeg(index);
    m_delete->setEnabled(false);
    Regenerate(false);
}

void CGradientEffectWnd::OnColorChanged(uchar red, uchar green, uchar blue, uchar white)
{
    if (m_colorGuard || !m_colorCtrl)
        return;
    m_gradient->SetPegColor(m_gradient->SelectedPeg(), CRgbwColor(red, green, blue, white));
    Regenerate(false);
}

void CGradientEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    Q_UNUSED(matrix);
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
    m_engine->SetEffect(nullptr);
    Regenerate(false);
}

void CGradientEffectWnd::SetPlayPosition(int step, int timeMs)
{
    const int steps = m_engine->m_stepCount;
    if (step < 0 || step >= steps)
        return;
    m_current = step;
    m_next = (step + 1) % steps;
    m_elapsed = qMax(0, timeMs);
}

void CGradientEffectWnd::Tick(int elapsedMs)
{
    const int steps = m_engine->m_stepCount;
    if (m_regenerating || steps <= 0 || !ShowHost().SendEditDmxOption())
        return;
    if (!m_effect->m_gradType) {
        WriteLevels(0, 0, 0.0F);
        return;
    }
    m_elapsed += qMax(0, elapsedMs);
    if (m_elapsed >= m_stepDuration || m_current >= steps || m_next >= steps) {
        m_current = (m_current + 1) % steps;
        m_next = (m_current + 1) % steps;
        m_elapsed = 0;
        m_stepDuration = m_effect->m_stepTimes.value(m_next, 0);
    }
    // A step of no duration is passed at its start.
    const float t = m_stepDuration > 0 ? qMin(1.0F, float(m_elapsed) / float(m_stepDuration)) : 0.0F;
    WriteLevels(m_current, m_next, t);
}

void CGradientEffectWnd::WriteLevels(int current, int next, float t)
{
    const CLayerTarget edit = CLayerTarget::Of(m_project, false);
    for (const CColorStepRecord& record : m_engine->m_colorRecords) {
        const auto blend = [&](const QByteArray& array) {
            return quint8(float(ByteAt(array, current)) * (1.0F - t) + float(ByteAt(array, next)) * t);
        };
        const quint8 red = blend(record.m_outRed);
        const quint8 green = blend(record.m_outGreen);
        const quint8 blue = blend(record.m_outBlue);
        const quint8 white = blend(record.m_outWhite);
        CPatchedFixture* fixture = record.m_fixture;
        const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
        if (!profile)
            continue;
        if (profile->IsDimmerOnly()) {
            for (const CDimmerChannel& dimmer : profile->Dimmers(false))
                fixture->WriteChannel(dimmer.channel, quint8((red + green + blue) / 3), edit);
            continue;
        }
        // Every cell of the fixture, as the applied scene stores it.
        fixture->WriteAllColors(red, green, blue, white, false, edit);
    }
}

void CGradientEffectWnd::Retranslate()
{
    m_static->setText(GetLangText(Txt::Static));
    m_dynamic->setText(GetLangText(Txt::Dynamic));
    m_hint->setText(GetLangText(Txt::GradientHint));
    m_durationGroup->setTitle(GetLangText(Txt::EffectDuration));
    m_typeGroup->setTitle(GetLangText(Txt::EffectKind));
    m_intensityGroup->setTitle(GetLangText(Txt::EffectIntensity));
    m_intensity->SetCaption(GetLangText(Txt::EffectIntensityShort));
}
