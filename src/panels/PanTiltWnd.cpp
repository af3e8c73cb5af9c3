#include "panels/PanTiltWnd.h"

#include "app/options/AppOptions.h"
#include "effects/EffectEngine.h"
#include "effects/PanTiltEffect.h"
#include "effects/PanTiltShapes.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "panels/PanTiltGrid.h"
#include "show/DmxLayer.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/REDOvoroz.h"
#include "widgets/SliderCtrl.h"

#include <QGridLayout>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <algorithm>

namespace {

enum { Pan = 0, PanFine = 1, Tilt = 2, TiltFine = 3 };

int ByteOf(const QByteArray& bytes, int index)
{
    return index >= 0 && index < bytes.size() ? quint8(bytes[index]) : 0;
}

int Word(const QByteArray& coarse, const QByteArray& fine, int index)
{
    return ByteOf(coarse, index) * 256 + ByteOf(fine, index);
}

int Blend(int from, int to, double t)
{
    return int((1.0 - t) * from + t * to);
}

// The level goes to the fixture's channel in its universe of the layer.
void PutLevel(CDmxLayer& layer, const CPatchedFixture& fixture, const CProfileChannelDef* channel, int level)
{
    if (!channel || fixture.m_universe < 0 || fixture.m_universe >= layer.UniverseCount())
        return;
    const int slot = fixture.m_address + channel->m_index;
    if (slot >= 0 && slot < CDmxLayer::kSlots)
        layer[fixture.m_universe][slot] = quint8(std::clamp(level, 0, 255));
}

} // namespace

CPanTiltWnd::CPanTiltWnd(CProject& project, CEffectEngine& engine, bool fine, QWidget* parent)
    : QWidget(parent), m_project(project), m_engine(engine), m_fine(fine)
{
    setFixedWidth(372);
    m_grid = new CPanTiltGrid(engine.PanTiltShape(), this);
    const CAppOptions* options = ShowHost().AppOptions();
    const int precision = options ? std::clamp(options->m_ptPrecision, 1, 10) : 1;
    m_grid->SetSpeed((11 - precision) / 10.0);
    connect(m_grid, &CPanTiltGrid::pointChanged, this, &CPanTiltWnd::OnPointChanged);

    const char* captions[4] = {"X", "uX", "Y", "uY"};
    for (int i = 0; i < 4; ++i) {
        m_sliders[i] = new CSliderCtrl(QString::fromLatin1(captions[i]), this);
        m_sliders[i]->SetRange(0, 255);
    }
    m_sliders[PanFine]->setVisible(fine);
    m_sliders[TiltFine]->setVisible(fine);
    connect(m_sliders[Pan], &CSliderCtrl::valueChanged, this, &CPanTiltWnd::OnPanValueChanged);
    connect(m_sliders[PanFine], &CSliderCtrl::valueChanged, this, &CPanTiltWnd::OnMPanValueChanged);
    connect(m_sliders[Tilt], &CSliderCtrl::valueChanged, this, &CPanTiltWnd::OnTiltValueChanged);
    connect(m_sliders[TiltFine], &CSliderCtrl::valueChanged, this, &CPanTiltWnd::OnMTiltValueChanged);

    m_precision = new REDOvoroz(Qt::Horizontal, this);
    m_precision->setRange(1, 10);
    m_precision->setValue(11 - int(m_grid->Speed() * 10 + 0.5));
    connect(m_precision, &QSlider::valueChanged, this, &CPanTiltWnd::OnPrecValueChanged);

    auto* left = new QVBoxLayout;
    left->addWidget(m_grid);
    left->addWidget(m_precision);
    left->addStretch();
    auto* sliders = new QGridLayout;
    sliders->setContentsMargins(0, 0, 0, 0);
    sliders->setSpacing(2);
    sliders->addWidget(m_sliders[Pan], 0, 0);
    sliders->addWidget(m_sliders[PanFine], 1, 0);
    sliders->addWidget(m_sliders[Tilt], 0, 1);
    sliders->addWidget(m_sliders[TiltFine], 1, 1);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 6, 6, 6);
    row->addLayout(left);
    row->addLayout(sliders);

    OnPointChanged();
}

int CPanTiltWnd::StepTime() const
{
    const auto* effect = dynamic_cast<const CPanTiltEffect*>(m_engine.Effect());
    return effect ? effect->m_fade : 0;
}

int CPanTiltWnd::CurrentPoint() const
{
    return m_grid->CurrentPoint();
}

int CPanTiltWnd::EditMode() const
{
    return m_grid->EditMode();
}

void CPanTiltWnd::ShowPosition()
{
    int pan = 0, tilt = 0;
    if (!m_grid->CurrentPosition(pan, tilt))
        return;
    const QScopedValueRollback<bool> guard(m_quiet, true);
    const int values[4] = {pan / 256, pan % 256, tilt / 256, tilt % 256};
    for (int i = 0; i < 4; ++i) {
        if ((m_fine || (i != PanFine && i != TiltFine)) && m_sliders[i]->Value() != values[i])
            m_sliders[i]->SetValue(values[i]);
    }
}

void CPanTiltWnd::OnPointChanged()
{
    int pan = 0, tilt = 0;
    if (!m_grid->CurrentPosition(pan, tilt))
        return;
    ShowPosition();
    const uchar bytes[4] = {uchar(pan / 256), uchar(tilt / 256), uchar(pan % 256), uchar(tilt % 256)};
    emit posChanged(bytes[0], bytes[1], bytes[2], bytes[3]);
    // The preview owns the fixtures while it runs.
    if (!m_running)
        m_project.SetSelectionPanTiltLive(bytes[0], bytes[1], bytes[2], bytes[3]);
}

void CPanTiltWnd::SetByte(int index, int value)
{
    int pan = 0, tilt = 0;
    if (m_quiet || !m_grid->CurrentPosition(pan, tilt))
        return;
    int bytes[4] = {pan / 256, pan % 256, tilt / 256, tilt % 256};
    bytes[index] = std::clamp(value, 0, 255);
    m_grid->SetCurrentPosition(bytes[Pan] * 256 + bytes[PanFine], bytes[Tilt] * 256 + bytes[TiltFine]);
}

void CPanTiltWnd::OnPanValueChanged(int value)
{
    SetByte(Pan, value);
}

void CPanTiltWnd::OnMPanValueChanged(int value)
{
    SetByte(PanFine, value);
}

void CPanTiltWnd::OnTiltValueChanged(int value)
{
    SetByte(Tilt, value);
}

void CPanTiltWnd::OnMTiltValueChanged(int value)
{
    SetByte(TiltFine, value);
}

void CPanTiltWnd::OnPrecValueChanged(int value)
{
    value = std::clamp(value, 1, 10);
    if (CAppOptions* options = ShowHost().AppOptions())
        options->m_ptPrecision = value;
    m_grid->SetSpeed((11 - value) / 10.0);
}

void CPanTiltWnd::ShowFineSliders(bool show)
{
    if (show == m_fine)
        return;
    m_fine = show;
    m_sliders[PanFine]->setVisible(show);
    m_sliders[TiltFine]->setVisible(show);
    ShowPosition();
}

void CPanTiltWnd::RestartPreview()
{
    const int count = m_engine.m_stepCount;
    m_currentStep = 0;
    m_nextStep = count > 0 ? 1 % count : 0;
    m_elapsed = 0;
}

void CPanTiltWnd::StartPreview(bool restart)
{
    if (m_running)
        return;
    if (restart || m_nextStep >= m_engine.m_stepCount)
        RestartPreview();
    m_grid->SetAnimating(true);
    m_running = true;
}

void CPanTiltWnd::StopPreview()
{
    if (!m_running)
        return;
    m_running = false;
    m_grid->SetAnimating(false);
}

void CPanTiltWnd::SetPreviewPosition(int step, int elapsedMs)
{
    const int count = m_engine.m_stepCount;
    if (step < 0 || step >= count)
        return;
    m_currentStep = step;
    m_nextStep = (step + 1) % count;
    m_elapsed = std::max(elapsedMs, 0);
}

void CPanTiltWnd::ResetShape()
{
    m_engine.PanTiltShape().BuildShape();
    m_grid->Rebuild(true);
    RestartPreview();
    OnPointChanged();
}

void CPanTiltWnd::Rebuild(bool restart)
{
    m_grid->Rebuild(true);
    if (restart || m_nextStep >= m_engine.m_stepCount)
        RestartPreview();
    OnPointChanged();
}

void CPanTiltWnd::ApplyStep(double t)
{
    for (const CPanTiltStepRecord& record : m_engine.m_panTiltRecords) {
        const CPatchedFixture* fixture = record.m_fixture;
        const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
        if (!profile || record.m_beam < 0 || record.m_beam >= profile->PanTiltPairs().size())
            continue;
        const CPanTiltPair& pair = profile->PanTiltPairs().at(record.m_beam);
        if (profile->HasFinePanTilt()) {
            const int pan = Blend(Word(record.m_panCoarse, record.m_panFine, m_currentStep),
                                  Word(record.m_panCoarse, record.m_panFine, m_nextStep), t);
            const int tilt = Blend(Word(record.m_tiltCoarse, record.m_tiltFine, m_currentStep),
                                   Word(record.m_tiltCoarse, record.m_tiltFine, m_nextStep), t);
            PutLevel(m_project.m_edit, *fixture, pair.pan, pan / 256);
            PutLevel(m_project.m_edit, *fixture, pair.panFine, pan % 256);
            PutLevel(m_project.m_edit, *fixture, pair.tilt, tilt / 256);
            PutLevel(m_project.m_edit, *fixture, pair.tiltFine, tilt % 256);
        } else {
            PutLevel(m_project.m_edit, *fixture, pair.pan,
                     Blend(ByteOf(record.m_panCoarse, m_currentStep), ByteOf(record.m_panCoarse, m_nextStep), t));
            PutLevel(m_project.m_edit, *fixture, pair.tilt,
                     Blend(ByteOf(record.m_tiltCoarse, m_currentStep), ByteOf(record.m_tiltCoarse, m_nextStep), t));
        }
    }
}

void CPanTiltWnd::Tick(bool apply, int elapsedMs)
{
    const int count = m_engine.m_stepCount;
    if (!m_running || count < 1)
        return;
    // The step count may have shrunk since the preview last moved.
    if (m_currentStep >= count || m_nextStep >= count)
        RestartPreview();
    const int stepTime = StepTime();
    m_elapsed += std::max(elapsedMs, 0);
    if (m_elapsed >= stepTime) {
        m_currentStep = (m_currentStep + 1) % count;
        m_nextStep = (m_currentStep + 1) % count;
        m_elapsed = 0;
    }
    const double t = stepTime > 0 ? std::min(double(m_elapsed) / stepTime, 1.0) : 0.0;
    if (apply)
        ApplyStep(t);
    const int pan = Blend(Word(m_engine.m_panCoarse, m_engine.m_panFine, m_currentStep),
                          Word(m_engine.m_panCoarse, m_engine.m_panFine, m_nextStep), t);
    const int tilt = Blend(Word(m_engine.m_tiltCoarse, m_engine.m_tiltFine, m_currentStep),
                           Word(m_engine.m_tiltCoarse, m_engine.m_tiltFine, m_nextStep), t);
    m_grid->SetPreviewPosition(pan, tilt);
}
