#include "editors/PanTiltEffectWnd.h"

#include "Captions.h"
#include "editors/EffectsWnd.h"
#include "editors/ModalRun.h"
#include "effects/EffectEngine.h"
#include "effects/PanTiltEffect.h"
#include "model/Language.h"
#include "panels/PanTiltGrid.h"
#include "panels/PanTiltWnd.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"
#include "widgets/ZKTimeEdit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

// The figure buttons in the order of the form.
struct CFigureDef
{
    int kind;
    int caption;
    int initialPoints;
};
const CFigureDef kFigures[7] = {
    {CPanTiltEffect::Lines, Txt::EffectLines, 4},   {CPanTiltEffect::Circle, Txt::EffectCircle, 4},
    {CPanTiltEffect::Random, Txt::EffectRandom, 5}, {CPanTiltEffect::Star, Txt::EffectStar, 5},
    {CPanTiltEffect::Cross, Txt::EffectCross, 4},   {CPanTiltEffect::Flower, Txt::EffectFlower, 4},
    {CPanTiltEffect::Vortex, Txt::EffectVortex, 4},
};

// Curved figures look like polygons below this many path points per control.
constexpr int kCurvedPrecision = 4;
// The longest step the short-range time edit shows: 43:59.999.
constexpr int kMaxStepMs = (43 * 60 + 59) * 1000 + 999;

CPanTiltEffectWnd::PointCountRunner& PointCountRun()
{
    static CPanTiltEffectWnd::PointCountRunner runner;
    return runner;
}

bool AskPointCount(QWidget* parent, const QString& title, int initial, int minimum, int maximum, int& count)
{
    return RunModalQuestion([&] {
        if (PointCountRun())
            return PointCountRun()(parent, title, initial, minimum, maximum, count);
        bool ok = false;
        count = QInputDialog::getInt(parent, title, GetLangText(Txt::PtFxPointCount), initial, minimum, maximum, 1,
                                     &ok);
        return ok;
    });
}

QTime TimeOfMs(int ms)
{
    return QTime(0, 0).addMSecs(ms);
}

bool IsCurved(int kind)
{
    return kind == CPanTiltEffect::Circle || kind == CPanTiltEffect::Flower || kind == CPanTiltEffect::Vortex;
}

const bool kRegistered = (RegisterEffectPage(EffectType::PanTilt,
                                             [](const CEffectPageArgs& args) -> CEffectWnd* {
                                                 return args.project ? new CPanTiltEffectWnd(*args.project, args)
                                                                     : nullptr;
                                             }),
                          true);

} // namespace

void CPanTiltEffectWnd::SetPointCountRunner(PointCountRunner runner)
{
    PointCountRun() = std::move(runner);
}

CPanTiltEffectWnd::CPanTiltEffectWnd(CProject& project, const CEffectPageArgs& args)
    : CEffectWnd(args.engine, args.timeWidget, args.effectScene, args.parent), m_project(project)
{
    Q_UNUSED(kRegistered);
    const auto* given = dynamic_cast<const CPanTiltEffect*>(args.effect);
    m_effect = given ? new CPanTiltEffect(*given) : new CPanTiltEffect;
    SanitiseFields();
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
    m_engine->SetEffect(m_effect);

    m_editor = new CPanTiltWnd(m_project, *m_engine, m_project.m_selectionCaps.m_finePanTilt != 0, this);
    connect(m_editor, &CPanTiltWnd::posChanged, this, &CPanTiltEffectWnd::OnPanTiltChanged);

    auto* figures = new QHBoxLayout;
    for (int i = 0; i < 7; ++i) {
        m_figures[i] = new QRadioButton(this);
        const int kind = kFigures[i].kind;
        connect(m_figures[i], &QRadioButton::clicked, this, [this, kind] { ChooseFigure(kind); });
        figures->addWidget(m_figures[i]);
    }
    const int shown = m_effect->m_shapeType >= 1 && m_effect->m_shapeType <= 6 ? m_effect->m_shapeType
                                                                                : int(CPanTiltEffect::Random);
    if (QRadioButton* button = FigureButton(shown))
        button->setChecked(true);

    m_stepEdit = new CZKTimeEdit(this, true);
    // A step of nothing is put back to the shortest one: a typed time counts
    // when finished, or its first digit could be put back before the next.
    for (QSpinBox* box : {m_stepEdit->Minutes(), m_stepEdit->Seconds(), m_stepEdit->Milliseconds()})
        box->setKeyboardTracking(false);
    m_stepEdit->SetTime(TimeOfMs(m_effect->m_fade));
    connect(m_stepEdit, &CZKTimeEdit::timeChanged, this, &CPanTiltEffectWnd::OnTimeChanged);
    m_stepGroup = new QGroupBox(this);
    auto* stepLayout = new QHBoxLayout(m_stepGroup);
    stepLayout->addWidget(m_stepEdit);

    const char* captions[4] = {"Phi", "Prec.", "dX", "dY"};
    const int ranges[4][2] = {{0, kMaxPhi}, {1, kMaxPrecision}, {0, kMaxOffset}, {0, kMaxOffset}};
    const int values[4] = {m_effect->m_phi, m_effect->m_nbPtsPerCtrl, m_effect->m_offsetX, m_effect->m_offsetY};
    void (CPanTiltEffectWnd::*const handlers[4])(int) = {&CPanTiltEffectWnd::OnPhiSliderMoved,
                                                      &CPanTiltEffectWnd::OnPrecValueChanged,
                                                      &CPanTiltEffectWnd::OnOffsetXChanged,
                                                      &CPanTiltEffectWnd::OnOffsetYChanged};
    m_paramGroup = new QGroupBox(this);
    auto* params = new QHBoxLayout(m_paramGroup);
    params->setSpacing(2);
    params->addStretch();
    for (int i = 0; i < 4; ++i) {
        m_sliders[i] = new CSliderCtrl(QString::fromLatin1(captions[i]), this);
        m_sliders[i]->SetRange(ranges[i][0], ranges[i][1]);
        m_sliders[i]->SetValue(values[i]);
        connect(m_sliders[i], &CSliderCtrl::valueChanged, this, handlers[i]);
        params->addWidget(m_sliders[i]);
    }
    params->addStretch();

    auto* grid = new QGridLayout;
    grid->addWidget(m_stepGroup, 0, 0);
    grid->addWidget(m_paramGroup, 1, 0);
    grid->addWidget(m_editor, 0, 1, 2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addLayout(figures);
    layout->addLayout(grid);
    Retranslate();

    ShowLength();
    if (given && HasFixtures())
        Play();
    m_effect->m_flag = false;
}

void CPanTiltEffectWnd::SanitiseFields()
{
    CPanTiltEffect& e = *m_effect;
    e.m_phi = std::clamp(e.m_phi, 0, kMaxPhi);
    e.m_nbPtsPerCtrl = std::clamp(e.m_nbPtsPerCtrl, 1, kMaxPrecision);
    e.m_offsetX = std::clamp(e.m_offsetX, 0, kMaxOffset);
    e.m_offsetY = std::clamp(e.m_offsetY, 0, kMaxOffset);
    e.m_fade = e.m_fade < 1 ? kNoStepMs : std::min(e.m_fade, kMaxStepMs);
    e.m_start = std::max(e.m_start, 0);
}

QRadioButton* CPanTiltEffectWnd::FigureButton(int kind) const
{
    for (int i = 0; i < 7; ++i) {
        if (kFigures[i].kind == kind)
            return m_figures[i];
    }
    return nullptr;
}

void CPanTiltEffectWnd::Retranslate()
{
    for (int i = 0; i < 7; ++i)
        m_figures[i]->setText(GetLangText(kFigures[i].caption));
    m_stepGroup->setTitle(GetLangText(Txt::PtFxStepDuration));
    m_paramGroup->setTitle(GetLangText(Txt::PtFxPhasing) + QLatin1String(" / ") + GetLangText(Txt::PtFxPrecision) +
                           QLatin1String(" / ") + GetLangText(Txt::Offset));
}

bool CPanTiltEffectWnd::HasFixtures() const
{
    return !m_effect->m_fixtures.isEmpty();
}

void CPanTiltEffectWnd::ShowLength()
{
    const qint64 length = qint64(m_effect->m_fade) * std::max(m_effect->m_pathCount, 0);
    m_effect->m_len = int(std::min<qint64>(length, INT_MAX));
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

void CPanTiltEffectWnd::Changed()
{
    if (m_playing) {
        m_playing = false;
        m_engine->GenerateEffect();
        m_playing = true;
    } else {
        m_dirty = true;
    }
    ShowLength();
    m_effect->m_flag = true;
}

void CPanTiltEffectWnd::Play()
{
    if (m_dirty) {
        m_engine->GenerateEffect();
        m_dirty = false;
    }
    m_editor->StartPreview(true);
    m_playing = true;
}

void CPanTiltEffectWnd::ChooseFigure(int kind)
{
    m_effect->m_shapeType = kind;
    const CFigureDef* def = std::find_if(std::begin(kFigures), std::end(kFigures),
                                         [kind](const CFigureDef& f) { return f.kind == kind; });
    int count = 0;
    if (!AskPointCount(this, GetLangText(def->caption), def->initialPoints, kMinControls, kMaxControls, count))
        return;
    if (IsCurved(kind) && m_effect->m_nbPtsPerCtrl < kCurvedPrecision) {
        m_effect->m_nbPtsPerCtrl = kCurvedPrecision;
        PrecisionSlider()->SetValue(kCurvedPrecision);
    }
    m_effect->m_nbControls = std::clamp(count, kMinControls, kMaxControls);
    m_editor->ResetShape();
    Changed();
}

void CPanTiltEffectWnd::OnPhiSliderMoved(int value)
{
    m_effect->m_phi = std::clamp(value, 0, kMaxPhi);
    Changed();
}

void CPanTiltEffectWnd::OnPrecValueChanged(int value)
{
    m_effect->m_nbPtsPerCtrl = std::clamp(value, 1, kMaxPrecision);
    m_editor->Rebuild(false);
    Changed();
}

void CPanTiltEffectWnd::OnOffsetXChanged(int value)
{
    m_effect->m_offsetX = std::clamp(value, 0, kMaxOffset);
    Changed();
}

void CPanTiltEffectWnd::OnOffsetYChanged(int value)
{
    m_effect->m_offsetY = std::clamp(value, 0, kMaxOffset);
    Changed();
}

void CPanTiltEffectWnd::OnTimeChanged(const QTime& time)
{
    int ms = time.isValid() ? (time.minute() * 60 + time.second()) * 1000 + time.msec() : 0;
    if (ms < 1) {
        ms = kNoStepMs;
        m_stepEdit->SetTime(TimeOfMs(ms));
    }
    m_effect->m_fade = std::min(ms, kMaxStepMs);
    Changed();
}

void CPanTiltEffectWnd::OnPanTiltChanged(uchar pan, uchar tilt, uchar panFine, uchar tiltFine)
{
    Q_UNUSED(pan);
    Q_UNUSED(tilt);
    Q_UNUSED(panFine);
    Q_UNUSED(tiltFine);
    // Every edit of the points comes this way too: left unmarked, a play
    // or an apply after it would use the figure as it was.
    if (m_editor->EditMode() == CPanTiltGrid::ModeStart)
        m_effect->m_start = m_effect->m_nbPtsPerCtrl * std::max(m_editor->CurrentPoint(), 0);
    Changed();
}

void CPanTiltEffectWnd::TogglePlay()
{
    if (m_playing) {
        m_editor->StopPreview();
        m_playing = false;
    } else if (HasFixtures()) {
        Play();
    }
}

void CPanTiltEffectWnd::SwitchDirection()
{
    m_effect->m_sens = !m_effect->m_sens;
    Changed();
}

void CPanTiltEffectWnd::SetEditMode(int mode)
{
    CPanTiltGrid* grid = m_editor->Grid();
    switch (mode) {
    case CPanTiltGrid::ModeStart: grid->StartMode(); break;
    case CPanTiltGrid::ModeMove: grid->MoveMode(); break;
    case CPanTiltGrid::ModeAdd: grid->AddMode(); break;
    case CPanTiltGrid::ModeRemove: grid->RemoveMode(); break;
    default: grid->DefaultMode(); break;
    }
}

void CPanTiltEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    Q_UNUSED(matrix); // the figure follows the selected fixtures, not a matrix
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
    m_editor->ShowFineSliders(m_project.m_selectionCaps.m_finePanTilt != 0);
    if (m_playing && HasFixtures()) {
        m_engine->SetEffect(nullptr);
        m_editor->Grid()->Rebuild(true);
        m_engine->GenerateEffect();
        if (m_editor->NextStep() >= m_engine->m_stepCount)
            m_editor->SetPreviewPosition(0, 0);
        return;
    }
    // With no fixture left, the records the preview walks belong to the
    // old selection: writing them would move heads no longer chosen.
    if (m_playing) {
        m_editor->StopPreview();
        m_playing = false;
    }
    m_engine->SetEffect(nullptr);
    m_editor->Rebuild(false);
    m_dirty = true;
}

void CPanTiltEffectWnd::SetPlayPosition(int step, int timeMs)
{
    m_editor->SetPreviewPosition(step, timeMs);
}

int CPanTiltEffectWnd::GetPlayStep() const
{
    return m_editor->CurrentStep();
}

int CPanTiltEffectWnd::GetPlayTime() const
{
    return m_editor->Elapsed();
}

void CPanTiltEffectWnd::Tick(int elapsedMs)
{
    if (!m_playing)
        return;
    m_editor->Tick(ShowHost().SendEditDmxOption(), elapsedMs);
}
