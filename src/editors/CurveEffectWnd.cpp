#include "editors/CurveEffectWnd.h"

#include "Captions.h"
#include "editors/DrawCurveCtrl.h"
#include "editors/EffectsWnd.h"
#include "effects/CurveEffect.h"
#include "effects/EffectEngine.h"
#include "effects/EffectMath.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileChannelDef.h"
#include "model/ProfileTypes.h"
#include "show/Project.h"
#include "show/SelectionCaps.h"
#include "show/ShowHost.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"
#include "widgets/ZKTimeEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

using EffectMath::ByteAt;

constexpr int kNewLength = 10000;
constexpr int kMinLength = 40;
constexpr int kSlots = 512;

struct CSliderSpec
{
    const char* caption;
    int minimum;
    int maximum;
};

const CSliderSpec kSliderSpecs[CCurveEffectWnd::SliderCount] = {
    {"Ampli", 0, 510}, {"Phase", 0, 100}, {"Ratio", 1, 100}, {"Offset", 0, 255},
    {"Phi", 0, 100},   {"Offset", 0, 255}, {"Prec.", 1, 4},
};

// Parameters read from a file are brought within what the controls offer,
// so what the page shows is what the engine generates.
void RepairParams(CCurveEffect& curve)
{
    if (curve.m_precision < 1 || curve.m_precision > 4)
        curve.m_precision = 4;
    curve.m_pointCount = CCurveEffect::PointCountOf(curve.m_precision);
    curve.m_pointTime = float(curve.m_len) / float(curve.m_pointCount);
    for (CCurveParam& param : curve.m_params) {
        param.m_type = std::clamp(param.m_type, 0, 3);
        param.m_ampli = std::clamp(param.m_ampli, 0, 510);
        param.m_phase = std::clamp(param.m_phase, 0, 100);
        param.m_offset = std::clamp(param.m_offset, 0, 255);
        param.m_phi = std::clamp(param.m_phi, 0, 100);
        param.m_offset2 = std::clamp(param.m_offset2, 0, 255);
        param.m_direction = std::clamp(param.m_direction, int(FullDirNone), int(FullDirDownLeft));
        if (!(param.m_ratio >= 1.0f))
            param.m_ratio = 1.0f;
        param.m_ratio = std::min(param.m_ratio, 100.0f);
    }
    if (curve.m_currentChannel < 0 || curve.m_currentChannel >= curve.ChannelCount())
        curve.m_currentChannel = 0;
}

// The slot of a fixture's channel in its universe, -1 outside the layer.
int SlotOf(const CProject& project, const CPatchedFixture& fixture, const CProfileChannelDef* channel)
{
    if (!channel || !project.IsUniverse(fixture.m_universe) || fixture.m_universe >= project.m_edit.UniverseCount())
        return -1;
    const int slot = fixture.m_address + channel->m_index;
    return slot >= 0 && slot < kSlots ? slot : -1;
}

} // namespace

CCurveEffectWnd::CCurveEffectWnd(CProject& project, const CEffect* effect, CEffectEngine* engine,
                                 CFixtureMatrix* matrix, CTimeWidget* timeWidget, bool effectScene, QWidget* parent)
    : CEffectWnd(engine, timeWidget, effectScene, parent), m_project(project)
{
    const auto* curve = dynamic_cast<const CCurveEffect*>(effect);
    m_effect = curve ? new CCurveEffect(*curve) : new CCurveEffect(kNewLength);
    RepairParams(*m_effect);
    for (QList<CChannelStepRecord>& records : m_effect->m_outputs) {
        if (!records.isEmpty())
            records.first().Clear();
    }

    BuildWidgets();
    BuildTable();
    AttachMatrix(matrix);
    m_effect->m_regenerateAll = false;
    m_project.BindEffectToSelection(m_effect, m_effectScene, true);
    m_engine->SetEffect(m_effect);

    for (int u = 0; u < m_project.m_edit.UniverseCount(); ++u)
        m_savedLevels << QByteArray(reinterpret_cast<const char*>(m_project.m_edit[u]), kSlots);

    m_drawing->SetPointCount(m_effect->m_pointCount);
    m_timeEdit->SetTime(QTime(0, 0).addMSecs(std::max(0, m_effect->m_len)));
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
    m_sliders[SlPrec]->SetValue(m_effect->m_precision);
    ApplyMatrixLook();
    Retranslate();

    if (curve) {
        for (int row = 0; row < m_rowCount; ++row) {
            if (m_effect->m_activeChannels.value(row))
                SetRowActive(row, true);
        }
        RefreshChannels();
    }

    const auto connectSlider = [this](Slider slider, void (CCurveEffectWnd::*slot)(int)) {
        connect(m_sliders[slider], &CSliderCtrl::valueChanged, this, slot);
    };
    connectSlider(SlAmpli, &CCurveEffectWnd::OnAmpliChanged);
    connectSlider(SlPhase, &CCurveEffectWnd::OnPhaseChanged);
    connectSlider(SlRatio, &CCurveEffectWnd::OnRatioChanged);
    connectSlider(SlOffset, &CCurveEffectWnd::OnOffsetChanged);
    connectSlider(SlPhi, &CCurveEffectWnd::OnPhiChanged);
    connectSlider(SlOffset2, &CCurveEffectWnd::OnOffset2Changed);
    connectSlider(SlPrec, &CCurveEffectWnd::OnPrecChanged);
    connect(m_waveform, qOverload<int>(&QComboBox::currentIndexChanged), this, &CCurveEffectWnd::OnCurveChanged);
    connect(m_timeEdit, &CZKTimeEdit::timeChanged, this, &CCurveEffectWnd::OnTimeChanged);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CCurveEffectWnd::OnSelChanged);
    connect(m_direction, &CFullDirectionCtrl::dirChanged, this, &CCurveEffectWnd::OnDirectionChanged);

    m_writing = false;
    if (m_rowCount > 0)
        m_table->selectRow(m_effect->m_currentChannel);
    OnSelChanged();
    m_effect->m_flag = false;
}

void CCurveEffectWnd::BuildWidgets()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);

    m_table = new QTableWidget(0, 2, this);
    m_table->setAlternatingRowColors(true);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->verticalHeader()->setMinimumSectionSize(20);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);

    for (int i = 0; i < SliderCount; ++i) {
        m_sliders[i] = new CSliderCtrl(QString::fromLatin1(kSliderSpecs[i].caption), this);
        m_sliders[i]->SetRange(kSliderSpecs[i].minimum, kSliderSpecs[i].maximum);
    }

    m_curveBox = new QGroupBox(this);
    auto* curveLayout = new QVBoxLayout(m_curveBox);
    curveLayout->setContentsMargins(6, 2, 6, 6);
    m_waveform = new QComboBox(m_curveBox);
    for (int i = 0; i < 4; ++i)
        m_waveform->addItem(QString());
    m_drawing = new CDrawCurveCtrl(m_curveBox);
    curveLayout->addWidget(m_waveform);
    curveLayout->addWidget(m_drawing);
    auto* curveSliders = new QHBoxLayout;
    curveSliders->addSpacing(2);
    curveSliders->setSpacing(0);
    for (Slider slider : {SlAmpli, SlPhase, SlRatio, SlOffset})
        curveSliders->addWidget(m_sliders[slider]);
    curveLayout->addLayout(curveSliders);
    layout->addWidget(m_curveBox);

    auto* column = new QVBoxLayout;
    m_durationBox = new QGroupBox(this);
    auto* durationLayout = new QVBoxLayout(m_durationBox);
    m_timeEdit = new CZKTimeEdit(m_durationBox, true);
    durationLayout->addWidget(m_timeEdit);
    column->addWidget(m_durationBox);
    m_paramBox = new QGroupBox(this);
    auto* paramLayout = new QVBoxLayout(m_paramBox);
    auto* paramSliders = new QHBoxLayout;
    for (Slider slider : {SlPhi, SlOffset2, SlPrec})
        paramSliders->addWidget(m_sliders[slider]);
    paramLayout->addLayout(paramSliders);
    m_direction = new CFullDirectionCtrl(FullDirNone, m_paramBox);
    paramLayout->addWidget(m_direction);
    column->addWidget(m_paramBox);
    layout->addLayout(column);
}

void CCurveEffectWnd::BuildTable()
{
    m_rebuildingTable = true;
    const QList<CLibraryProfile*> profiles = m_project.m_selectionCaps.m_profiles;
    for (CLibraryProfile* profile : profiles)
        m_effect->SetChannelsFromProfile(profile, profiles.size() > 1);
    m_rowCount = m_effect->ChannelCount();
    m_table->clearContents();
    m_table->setRowCount(m_rowCount);
    for (int row = 0; row < m_rowCount; ++row) {
        const CProfileChannelDef* def = m_effect->m_channelDefs.value(row);
        auto* name = new QTableWidgetItem(def && !def->m_name.isEmpty() ? def->m_name
                                                                        : GetChannelTypeName(m_effect->m_chanTypes.value(row)));
        name->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        m_table->setItem(row, 0, name);
        auto* check = new QCheckBox(m_table);
        check->setProperty("curveindex", row);
        check->setChecked(m_effect->m_activeChannels.value(row));
        connect(check, &QCheckBox::stateChanged, this, &CCurveEffectWnd::OnCheckCurve);
        m_table->setCellWidget(row, 1, check);
    }
    m_rebuildingTable = false;
}

void CCurveEffectWnd::AttachMatrix(CFixtureMatrix* matrix)
{
    // A matrix the effect made for itself stays its own.
    if (!m_effect->m_ownsMatrix)
        m_effect->m_matrix = matrix;
    m_effect->m_onMatrix = m_effect->m_matrix != nullptr;
}

void CCurveEffectWnd::ApplyMatrixLook()
{
    const bool onMatrix = m_effect->m_onMatrix;
    m_table->setColumnWidth(0, onMatrix ? 180 : 150);
    m_direction->setVisible(onMatrix);
    m_sliders[SlOffset2]->setVisible(!onMatrix);
}

void CCurveEffectWnd::Retranslate()
{
    m_curveBox->setTitle(GetLangText(Txt::CurveFxCurve));
    m_durationBox->setTitle(GetLangText(Txt::TimeLineDuration));
    const QString separator = QStringLiteral(" / ");
    QString title = GetLangText(Txt::CurveFxPhasing) + separator;
    if (!m_effect->m_onMatrix)
        title += GetLangText(Txt::Offset) + separator;
    m_paramBox->setTitle(title + GetLangText(Txt::CurveFxPrecision));
    const int captions[] = {Txt::CurveFxSinus, Txt::CurveFxSquare, Txt::CurveFxTriangle, Txt::CurveFxPulse};
    for (int i = 0; i < 4; ++i)
        m_waveform->setItemText(i, GetLangText(captions[i]));
}

void CCurveEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    BuildTable();
    AttachMatrix(matrix);
    m_project.BindEffectToSelection(m_effect, m_effectScene, true);
    m_engine->SetEffect(nullptr);
    m_effect->m_currentChannel = 0;
    if (m_rowCount > 0) {
        const QSignalBlocker blocker(m_table);
        m_table->selectRow(0);
    }
    OnSelChanged();
    Retranslate();
    ApplyMatrixLook();
    for (int row = 0; row < m_rowCount; ++row) {
        if (m_effect->m_activeChannels.value(row))
            SetRowActive(row, true);
    }
    RefreshChannels();
}

void CCurveEffectWnd::RefreshChannels()
{
    ShowHost().ClearEffectMarks();
    ShowHost().RefreshOutputViews();
    for (int row = 0; row < m_rowCount; ++row) {
        if (m_effect->m_activeChannels.value(row))
            m_project.MarkEffectChannelType(m_effect->m_chanTypes.value(row));
    }
}

// --- Parameters

bool CCurveEffectWnd::ParamEditable() const
{
    const int row = m_effect->m_currentChannel;
    return !m_writing && m_rowCount > 0 && row >= 0 && row < m_effect->m_params.size();
}

void CCurveEffectWnd::Regenerate()
{
    m_engine->GenerateEffect();
    m_drawing->SetValues(m_effect->m_tables.value(m_effect->m_currentChannel));
    m_effect->m_flag = true;
    if (m_nextStep >= m_engine->m_stepCount)
        RestartPreview();
}

void CCurveEffectWnd::RestartPreview()
{
    m_stepPosition = 0.0f;
    m_currentStep = 0;
    m_nextStep = 0;
    m_pointClock = 0.0f;
}

#define CURVE_PARAM_SLOT(Slot, field)                                                                          \
    void CCurveEffectWnd::Slot(int value)                                                                      \
    {                                                                                                          \
        if (!ParamEditable())                                                                                  \
            return;                                                                                            \
        m_effect->m_params[m_effect->m_currentChannel].field = value;                                          \
        Regenerate();                                                                                          \
    }

CURVE_PARAM_SLOT(OnAmpliChanged, m_ampli)
CURVE_PARAM_SLOT(OnPhaseChanged, m_phase)
CURVE_PARAM_SLOT(OnOffsetChanged, m_offset)
CURVE_PARAM_SLOT(OnPhiChanged, m_phi)
CURVE_PARAM_SLOT(OnOffset2Changed, m_offset2)
#undef CURVE_PARAM_SLOT

void CCurveEffectWnd::OnRatioChanged(int value)
{
    if (!ParamEditable())
        return;
    m_effect->m_params[m_effect->m_currentChannel].m_ratio = float(value);
    Regenerate();
}

void CCurveEffectWnd::OnCurveChanged(int index)
{
    if (!ParamEditable() || index < 0 || index > 3)
        return;
    CCurveParam& param = m_effect->m_params[m_effect->m_currentChannel];
    param.m_type = index;
    param.m_ratio = float(m_sliders[SlRatio]->Value());
    Regenerate();
}

void CCurveEffectWnd::OnDirectionChanged(eFullDirection direction)
{
    if (!ParamEditable() || direction < FullDirNone || direction > FullDirDownLeft)
        return;
    CCurveParam& param = m_effect->m_params[m_effect->m_currentChannel];
    param.m_direction = direction;
    // A travelling curve needs some phase between cells to be seen to move.
    if (direction != FullDirNone && param.m_phi < 20) {
        param.m_phi = 20;
        m_sliders[SlPhi]->SetValue(20);
    }
    Regenerate();
}

void CCurveEffectWnd::OnPrecChanged(int value)
{
    if (!ParamEditable() || value < 1 || value > 4)
        return;
    m_effect->m_precision = value;
    m_effect->m_pointCount = CCurveEffect::PointCountOf(value);
    m_effect->m_pointTime = float(m_effect->m_len) / float(m_effect->m_pointCount);
    m_drawing->SetPointCount(m_effect->m_pointCount);
    m_effect->m_regenerateAll = true;
    Regenerate();
}

void CCurveEffectWnd::OnTimeChanged(const QTime& time)
{
    if (m_writing)
        return;
    const int length = time.isValid() ? (time.minute() * 60 + time.second()) * 1000 + time.msec() : 0;
    m_effect->m_len = std::max(kMinLength, length);
    m_effect->m_pointTime = float(m_effect->m_len) / float(m_effect->m_pointCount);
    m_effect->m_flag = true;
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

// --- Rows

void CCurveEffectWnd::OnSelChanged()
{
    if (m_rebuildingTable)
        return;
    m_drawing->ShowPlayLine(false);
    if (m_rowCount == 0) {
        m_writing = true;
        for (CSliderCtrl* slider : m_sliders) {
            if (slider != m_sliders[SlPrec])
                slider->SetValue(0);
        }
        m_waveform->setCurrentIndex(0);
        m_direction->SetDirection(FullDirNone);
        m_writing = false;
        m_drawing->Clear();
        return;
    }
    const int row = std::clamp(m_table->currentRow(), 0, m_rowCount - 1);
    m_effect->m_currentChannel = row;
    ShowRow();
    const QList<CChannelStepRecord> records = m_effect->m_outputs.value(row);
    if (records.isEmpty() || records.first().m_coarse.isEmpty()) {
        m_engine->GenerateEffect();
        RestartPreview();
    }
    m_drawing->SetValues(m_effect->m_tables.value(row));
    m_drawing->ShowPlayLine(m_effect->m_activeChannels.value(row));
}

void CCurveEffectWnd::ShowRow()
{
    const CCurveParam param = m_effect->m_params.value(m_effect->m_currentChannel);
    const bool writing = m_writing;
    m_writing = true;
    m_waveform->setCurrentIndex(param.m_type);
    m_sliders[SlPhi]->SetValue(param.m_phi);
    m_sliders[SlOffset2]->SetValue(param.m_offset2);
    m_sliders[SlAmpli]->SetValue(param.m_ampli);
    m_sliders[SlPhase]->SetValue(param.m_phase);
    m_sliders[SlRatio]->SetValue(int(param.m_ratio));
    m_sliders[SlOffset]->SetValue(param.m_offset);
    m_direction->SetDirection(eFullDirection(param.m_direction));
    m_writing = writing;
}

void CCurveEffectWnd::OnCheckCurve(int state)
{
    const QVariant index = sender() ? sender()->property("curveindex") : QVariant();
    if (!index.isValid())
        return;
    const int row = index.toInt();
    if (row < 0 || row >= m_rowCount || row >= m_effect->m_activeChannels.size())
        return;
    CheckRow(row, state == Qt::Checked);
}

void CCurveEffectWnd::CheckRow(int row, bool checked)
{
    const bool rowChanged = row != m_effect->m_currentChannel;
    m_effect->m_currentChannel = row;
    m_effect->m_activeChannels[row] = checked;
    if (checked)
        Regenerate();
    else
        m_effect->m_flag = true;
    SetRowActive(row, checked);
    if (!checked)
        m_project.LoadEditedEffectLevels();
    RefreshChannels();
    if (rowChanged)
        m_table->selectRow(row);
    else
        m_drawing->ShowPlayLine(checked);
}

QList<CCurveEffectWnd::ChannelPair> CCurveEffectWnd::RowChannels(const CLibraryProfile& profile, int row) const
{
    const int type = m_effect->m_chanTypes.value(row);
    const bool sixteenBit = m_effect->m_params.value(row).m_fine;
    QList<ChannelPair> channels;
    const auto add = [&](const CProfileChannelDef* coarse, const CProfileChannelDef* fine) {
        if (coarse)
            channels << ChannelPair(coarse, sixteenBit ? fine : nullptr);
    };
    switch (type) {
    case ChannelType::Pan:
    case ChannelType::Tilt:
        for (const CPanTiltPair& pair : profile.PanTiltPairs()) {
            if (type == ChannelType::Pan)
                add(pair.pan, pair.panFine);
            else
                add(pair.tilt, pair.tiltFine);
        }
        break;
    case ChannelType::Red:
    case ChannelType::Cyan:
    case ChannelType::Green:
    case ChannelType::Magenta:
    case ChannelType::Blue:
    case ChannelType::Yellow:
    case ChannelType::White:
        for (const CColorSet& set : profile.ColorSets()) {
            switch (type) {
            case ChannelType::Red:
            case ChannelType::Cyan: add(set.red, nullptr); break;
            case ChannelType::Green:
            case ChannelType::Magenta: add(set.green, nullptr); break;
            case ChannelType::Blue:
            case ChannelType::Yellow: add(set.blue, nullptr); break;
            default: add(set.white, nullptr); break;
            }
        }
        break;
    default: {
        int occurrence = m_effect->m_chanNums.value(row);
        const CProfileChannelDef* coarse = profile.NextChannelOfType(type, occurrence);
        add(coarse, coarse ? coarse->m_partner16 : nullptr);
        break;
    }
    }
    return channels;
}

void CCurveEffectWnd::SetRowActive(int row, bool active)
{
    for (CPatchedFixture* fixture : m_effect->m_fixtures) {
        if (!fixture || !fixture->Profile())
            continue;
        const int universe = fixture->m_universe;
        QList<const CProfileChannelDef*> played;
        for (const ChannelPair& channels : RowChannels(*fixture->Profile(), row))
            played << channels.first << channels.second;
        for (const CProfileChannelDef* channel : qAsConst(played)) {
            const int slot = SlotOf(m_project, *fixture, channel);
            if (slot < 0 || universe >= m_savedLevels.size())
                continue;
            QByteArray& saved = m_savedLevels[universe];
            if (active) {
                saved[slot] = char(m_project.m_edit[universe][slot]);
                m_project.m_editMask[universe][slot] = 1;
            } else {
                m_project.m_edit[universe][slot] = quint8(saved.at(slot));
                if (saved.at(slot) != 0)
                    m_project.m_editMask[universe][slot] = 1;
            }
        }
    }
}

// --- Preview

void CCurveEffectWnd::SetPlayPosition(int step, int timeMs)
{
    if (step < 0 || step >= m_engine->m_stepCount)
        return;
    m_stepPosition = float(step);
    m_currentStep = step;
    m_pointClock = float(std::max(0, timeMs));
}

void CCurveEffectWnd::Tick(int elapsedMs)
{
    if (m_writing || !ShowHost().SendEditDmxOption())
        return;
    const int steps = m_engine->m_stepCount;
    const float pointTime = m_effect->m_pointTime;
    // A length of 0 read from a file leaves no point to advance by.
    if (steps <= 0 || !(pointTime > 0.0f) || elapsedMs < 0)
        return;
    m_pointClock += float(elapsedMs);
    if (m_pointClock >= pointTime) {
        const double points = std::floor(double(m_pointClock) / pointTime);
        m_pointClock = float(std::fmod(double(m_pointClock), double(pointTime)));
        const double advance = points * (double(kCurvePoints) / m_effect->m_pointCount);
        double position = m_stepPosition + advance;
        if (position >= steps)
            position = 0.0;
        m_stepPosition = float(position);
        m_currentStep = int(position);
        const double next = position + advance;
        m_nextStep = next >= steps ? 0 : int(next);
    }
    const float fraction = m_pointClock / pointTime;
    for (int row = 0; row < m_effect->m_outputs.size(); ++row) {
        if (!m_effect->m_activeChannels.value(row))
            continue;
        for (int record = 0; record < m_effect->m_outputs.at(row).size(); ++record) {
            CPatchedFixture* fixture = m_effect->m_outputs.at(row).at(record).m_fixture;
            if (fixture && fixture->Profile() && fixture->IsAnyBeamSelected())
                WriteFixtureRow(*fixture, row, record, fraction);
        }
    }
    const int end = m_nextStep > 0 ? m_nextStep : kCurvePoints;
    m_drawing->SetPlayX(int(float(end - m_currentStep) * fraction + float(m_currentStep)));
}

void CCurveEffectWnd::WriteFixtureRow(CPatchedFixture& fixture, int row, int record, float fraction)
{
    const CChannelStepRecord& levels = m_effect->m_outputs.at(row).at(record);
    quint8* edit = m_project.m_edit[fixture.m_universe];
    for (const ChannelPair& channels : RowChannels(*fixture.Profile(), row)) {
        const int coarseSlot = SlotOf(m_project, fixture, channels.first);
        if (coarseSlot < 0)
            continue;
        const int fineSlot = SlotOf(m_project, fixture, channels.second);
        if (fineSlot >= 0) {
            const int current = ByteAt(levels.m_coarse, m_currentStep) * 256 + ByteAt(levels.m_fine, m_currentStep);
            const int next = ByteAt(levels.m_coarse, m_nextStep) * 256 + ByteAt(levels.m_fine, m_nextStep);
            const int value = int(float(current) * (1.0f - fraction) + float(next) * fraction);
            edit[coarseSlot] = quint8(value >> 8);
            edit[fineSlot] = quint8(value & 0xff);
            continue;
        }
        const int current = ByteAt(levels.m_coarse, m_currentStep);
        const int next = ByteAt(levels.m_coarse, m_nextStep);
        edit[coarseSlot] = quint8(float(current) * (1.0f - fraction) + float(next) * fraction);
    }
}

namespace {

// The page needs the show it edits, which only its effects window knows.
const bool s_registered = [] {
    RegisterEffectPage(EffectType::Curve, [](const CEffectPageArgs& args) -> CEffectWnd* {
        if (!args.project)
            return nullptr;
        return new CCurveEffectWnd(*args.project, args.effect, args.engine, args.matrix, args.timeWidget,
                                   args.effectScene, args.parent);
    });
    return true;
}();

} // namespace
