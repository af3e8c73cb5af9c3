#include "editors/EffectsWnd.h"

#include "Captions.h"
#include "editors/CurveEffectWnd.h"
#include "editors/EditorKeys.h"
#include "editors/EffectWnd.h"
#include "editors/PanTiltEffectWnd.h"
#include "editors/PresetEffectWnd.h"
#include "effects/EffectEngine.h"
#include "effects/MatrixColorEffect.h"
#include "effects/PanTiltEffect.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/SpeedScale.h"
#include "widgets/TimeWidget.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kIcons = QStringLiteral(":/Orvane/Images/Icons/");

bool IsMatrixType(int type)
{
    return type >= EffectType::MatrixAnim && type <= EffectType::MatrixText;
}

bool IsColorType(int type)
{
    return type == EffectType::Gradient || type == EffectType::Trichro || IsMatrixType(type);
}

struct CActionDef
{
    CEffectsWnd::Action action;
    const char* icon;
    int caption; // -1: no text
    bool checkable;
};
const CActionDef kActions[] = {
    {CEffectsWnd::ActCopyLive, "CopyLive.png", Txt::EdCopyLiveLevels, false},
    {CEffectsWnd::ActApplySelected, "ApplySelected.png", Txt::FxApplySelected, true},
    {CEffectsWnd::ActPlay, "Play.png", Txt::Play, false},
    {CEffectsWnd::ActDirection, "DirLeft.png", Txt::FxSwitchDirection, false},
    {CEffectsWnd::ActDefaultMode, "DefaultMode.png", Txt::FxDefaultMode, true},
    {CEffectsWnd::ActStartMode, "StartMode.png", Txt::FxStartMode, true},
    {CEffectsWnd::ActMoveMode, "MoveMode.png", Txt::FxMoveMode, true},
    {CEffectsWnd::ActAddMode, "AddMode.png", Txt::Add, true},
    {CEffectsWnd::ActRemoveMode, "RemoveMode.png", Txt::Remove, true},
    {CEffectsWnd::ActDmx, "XLR.png", -1, false},
};

const int kButtonCaptions[] = {Txt::FxParameters, Txt::Ok, Txt::FxApplySelected, Txt::FxApplyAll, Txt::Cancel};

// The pan/tilt edit modes in the order of the grid's mode numbers.
constexpr CEffectsWnd::Action kPanTiltModes[] = {CEffectsWnd::ActDefaultMode, CEffectsWnd::ActStartMode,
                                                 CEffectsWnd::ActMoveMode, CEffectsWnd::ActAddMode,
                                                 CEffectsWnd::ActRemoveMode};
constexpr int kPanTiltModeCount = 5;

CPanTiltEffectWnd* PanTiltPage(CEffectWnd* page)
{
    return qobject_cast<CPanTiltEffectWnd*>(page);
}

// What the selection offers the colour effects; with nothing selected the
// selection state shows every control, yet offers nothing to an effect.
bool OffersColor(const CSelectionCaps& caps)
{
    return !caps.m_profiles.isEmpty() && (caps.m_color || caps.m_masterColor);
}

} // namespace

CEffectsWnd::CEffectsWnd(CProject& project, QWidget* parent)
    : QWidget(parent), m_project(project), m_engine(&project.m_effectEngine)
{
    setMinimumHeight(100);
    m_toolBar = new QToolBar;
    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBar.png\") }"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const CActionDef& def : kActions) {
        auto* action = new QAction(QIcon(kIcons + QLatin1String(def.icon)), QString(), this);
        action->setCheckable(def.checkable);
        m_actions[size_t(def.action)] = action;
    }
    m_time = new CTimeWidget(0);
    m_time->setFixedHeight(16);
    m_time->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_toolBar->addAction(m_actions[ActCopyLive]);
    m_toolBar->addAction(m_actions[ActApplySelected]);
    m_toolBar->addSeparator();
    for (Action action : {ActPlay, ActDirection, ActDefaultMode, ActStartMode, ActMoveMode, ActAddMode, ActRemoveMode})
        m_toolBar->addAction(m_actions[size_t(action)]);
    m_toolBar->addWidget(m_time);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_actions[ActDmx]);
    for (int a = ActApplySelected; a < ActionCount; ++a)
        m_actions[size_t(a)]->setVisible(a == ActDmx);
    connect(m_actions[ActPlay], &QAction::triggered, this, [this] {
        if (CPanTiltEffectWnd* page = PanTiltPage(m_page)) {
            page->TogglePlay();
            ShowPanTiltLook();
        }
    });
    connect(m_actions[ActDirection], &QAction::triggered, this, [this] {
        if (CPanTiltEffectWnd* page = PanTiltPage(m_page)) {
            page->SwitchDirection();
            ShowPanTiltLook();
        }
    });
    for (int mode = 0; mode < kPanTiltModeCount; ++mode) {
        connect(m_actions[size_t(kPanTiltModes[mode])], &QAction::triggered, this, [this, mode] {
            if (CPanTiltEffectWnd* page = PanTiltPage(m_page))
                page->SetEditMode(mode);
            for (int other = 0; other < kPanTiltModeCount; ++other)
                m_actions[size_t(kPanTiltModes[other])]->setChecked(other == mode);
        });
    }
    connect(m_actions[ActCopyLive], &QAction::triggered, this, &CEffectsWnd::CopyLive);
    connect(m_actions[ActApplySelected], &QAction::triggered, this, &CEffectsWnd::ApplySelected);
    connect(m_actions[ActDmx], &QAction::triggered, this, &CEffectsWnd::EnableDmx);

    m_scroll = new QScrollArea;
    m_scroll->setWidgetResizable(true);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addStretch();
    void (CEffectsWnd::*const handlers[])() = {&CEffectsWnd::OnParams, &CEffectsWnd::OnOk, &CEffectsWnd::OnApplySelected,
                                            &CEffectsWnd::OnApplyAll, &CEffectsWnd::OnCancel};
    for (int b = 0; b < ButtonCount; ++b) {
        auto* button = new QPushButton;
        connect(button, &QPushButton::pressed, this, handlers[b]);
        row->addWidget(button);
        m_buttons[size_t(b)] = button;
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_scroll);
    layout->addSpacing(6);
    layout->addLayout(row);
    Retranslate();
    UpdateDmxLook();
}

CEffectsWnd::~CEffectsWnd()
{
    // The page goes with its parent; the engine's effect stays the project's.
    delete m_page;
    m_page = nullptr;
}

bool CEffectsWnd::IsEffectScene() const
{
    return m_scene && m_scene->IsEffectScene();
}

CEffect* CEffectsWnd::EditedEffect() const
{
    return m_page ? m_engine->Effect() : nullptr;
}

// --- Opening

void CEffectsWnd::EditEffect(CScene* scene, int type, bool edit)
{
    if (m_page || !scene)
        return;
    m_type = type;
    m_edit = edit;
    m_scene = scene;
    m_matrix = nullptr;
    m_speed = m_project.IsScenePlaying(scene) ? qBound(0, scene->Speed(), 100) : 50;
    auto* effectScene = IsEffectScene() ? static_cast<CEffectScene*>(scene) : nullptr;
    if (effectScene) {
        m_savedModeLevels = effectScene->m_modeStaticLevels;
        m_savedChannelLevels = effectScene->m_channelStaticLevels;
        effectScene->m_staticLevelsChanged = false;
    }
    for (Button button : {BtnParams, BtnApplySelected, BtnApplyAll})
        m_buttons[size_t(button)]->setVisible(effectScene != nullptr);
    m_actions[ActCopyLive]->setEnabled(effectScene != nullptr);
    UpdateButtons();
    UpdateDmxLook();

    const CEffect* effect = nullptr;
    if (edit) {
        if (effectScene) {
            const CEffect* first = scene->m_effects.value(0);
            effect = first && first->m_type == type ? first : nullptr;
        } else {
            effect = scene->m_currentStep ? scene->m_currentStep->m_effect : nullptr;
            if (!effect)
                return;
            ShowHost().SelectEffectFixtures(effect);
        }
    }
    UpdateEditMode(false);
    if (IsMatrixType(type) && !m_matrix) {
        m_matrix = m_project.m_currentGroup ? m_project.m_currentGroup->m_matrices.value(0) : nullptr;
        if (!m_matrix) {
            EndEditState();
            return;
        }
    }
    if (effectScene) {
        m_project.LoadEditedEffectLevels();
        ShowHost().RefreshOutputViews();
    }
    CEffectPageArgs args;
    args.project = &m_project;
    args.effect = effect;
    args.engine = m_engine;
    args.matrix = type == EffectType::Trichro || type == EffectType::Curve || IsMatrixType(type) ? m_matrix : nullptr;
    args.timeWidget = m_time;
    args.effectScene = effectScene != nullptr;
    args.parent = this;
    m_page = CreateEffectPage(type, args);
    if (!m_page) {
        EndEditState();
        return;
    }
    m_project.m_effectEditing = true;
    if (IsMatrixType(type)) {
        const auto* matrixEffect = dynamic_cast<const CMatrixColorEffect*>(m_engine->Effect());
        m_actions[ActApplySelected]->setVisible(true);
        m_actions[ActApplySelected]->setChecked(matrixEffect && matrixEffect->m_applySel);
    }
    if (PanTiltPage(m_page)) {
        for (Action action : {ActPlay, ActDirection})
            m_actions[size_t(action)]->setVisible(true);
        for (int mode = 0; mode < kPanTiltModeCount; ++mode) {
            m_actions[size_t(kPanTiltModes[mode])]->setVisible(true);
            m_actions[size_t(kPanTiltModes[mode])]->setChecked(mode == 0);
        }
        ShowPanTiltLook();
    }
    if (effectScene)
        m_page->SetPlayPosition(m_project.FindRunningEffect(effectScene), scene->m_stepTime);
    m_scroll->setWidget(m_page);
}

void CEffectsWnd::UpdateEditMode(bool refreshPage)
{
    if (!m_scene)
        return;
    const bool effectScene = IsEffectScene();
    if (!effectScene)
        m_project.UpdateEditMaskForSelection();
    const CSelectionCaps& caps = m_project.m_selectionCaps;
    const bool color = OffersColor(caps);
    if (IsColorType(m_type)) {
        m_project.m_colorLock = true;
        m_project.m_dimmerLock = !color && caps.m_color2;
        m_project.m_panTiltLock = false;
        if (m_page)
            m_page->ShowBorrowedColor();
        m_project.MarkEffectColors();
        if (!effectScene && m_project.m_dimmerLock)
            m_project.MarkEffectDimmers();
    } else if (m_type == EffectType::PanTilt) {
        m_project.m_colorLock = false;
        m_project.m_dimmerLock = false;
        m_project.m_panTiltLock = true;
        m_project.MarkEffectPanTilt();
    } else if (refreshPage && m_page) {
        if (auto* curve = qobject_cast<CCurveEffectWnd*>(m_page))
            curve->RefreshChannels();
        else if (auto* preset = qobject_cast<CPresetEffectWnd*>(m_page))
            preset->MarkEffectChannels();
    }
    const CGroup* group = m_project.m_currentGroup;
    const bool offered = effectScene ? color : (color || caps.m_color2);
    m_matrix = offered && group && group->m_selectedMatrices.size() == 1 && group->AllSelectedHaveIds()
                   ? group->m_selectedMatrices.first()
                   : nullptr;
}

void CEffectsWnd::UpdatePage()
{
    if (!m_page)
        return;
    UpdateButtons();
    UpdateEditMode(false);
    m_page->SetMatrix(m_matrix);
    ShowPanTiltLook();
}

void CEffectsWnd::ShowPanTiltLook()
{
    const CPanTiltEffectWnd* page = PanTiltPage(m_page);
    if (!page)
        return;
    SetActionIcon(ActPlay, page->IsPlaying() ? QStringLiteral("Stop.png") : QStringLiteral("Play.png"));
    SetActionIcon(ActDirection, page->Effect()->m_sens ? QStringLiteral("DirRight.png") : QStringLiteral("DirLeft.png"));
}

void CEffectsWnd::UpdateButtons()
{
    if (!IsEffectScene())
        return;
    const CGroup* group = m_project.m_currentGroup;
    m_buttons[BtnApplySelected]->setEnabled(group && !group->m_selectedFixtures.isEmpty());
    m_buttons[BtnApplyAll]->setEnabled(m_edit && m_project.IsScenePlaying(m_scene));
}

// --- Applying and ending

bool CEffectsWnd::Apply(int scope)
{
    CEffect* effect = m_engine->Effect();
    if (!effect || !m_scene)
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    const QString formerName = m_scene->m_name;
    if (m_scene->m_name.isEmpty() || m_scene->m_name.startsWith(QLatin1String("Effect"))) {
        m_scene->m_name = effect->GetName();
        ShowHost().UpdateSceneName(m_scene);
    }
    QList<SChannels> unmarked;
    if (m_edit && !IsEffectScene())
        unmarked = DropUnselectedFixtures();
    if (m_page && m_page->HasUngeneratedChanges())
        m_engine->GenerateEffect();
    if (!IsEffectScene())
        emit rowComing(m_scene);
    const bool applied = m_project.ApplyEffect(m_scene, m_edit, scope, m_page ? m_page->GetPlayStep() : -1,
                                               m_page ? m_page->GetPlayTime() : -1);
    QApplication::restoreOverrideCursor();
    if (applied) {
        for (const SChannels& channels : qAsConst(unmarked)) {
            CSlotMask* mask = m_scene->ActiveMaskIfHeld(channels.universe);
            for (int slot = channels.first; mask && slot < channels.end; ++slot)
                mask->Set(slot, false);
        }
    } else if (m_scene->m_name != formerName) {
        // A refused effect leaves the scene as it was, its name too.
        m_scene->m_name = formerName;
        ShowHost().UpdateSceneName(m_scene);
    }
    // The effect scene's edit ends with this apply; a scene's goes on in its
    // editor, which marks the show if it is kept, and its No leaves the mark
    // as it was.
    if (applied && IsEffectScene())
        ShowHost().SetModified(true);
    return applied;
}

QList<CEffectsWnd::SChannels> CEffectsWnd::DropUnselectedFixtures()
{
    QList<SChannels> unmarked;
    CEffect* effect = m_engine->Effect();
    const CEffect* original = m_scene->m_currentStep ? m_scene->m_currentStep->m_effect : nullptr;
    for (int i = effect->m_fixtures.size() - 1; i >= 0; --i) {
        CPatchedFixture* fixture = effect->m_fixtures.at(i);
        if (!fixture || fixture->IsAnyBeamSelected())
            continue;
        effect->RemoveFixture(fixture);
        // The row of the edited effect is rewritten; a step kept beside it
        // that still holds the fixture still needs its channels.
        int channels = 0;
        bool heldElsewhere = false;
        for (const CSceneStep* step : qAsConst(m_scene->m_steps)) {
            const CStepFixture* entry = step->FindEntry(fixture);
            if (!entry)
                continue;
            if (original && step->m_effect == original)
                channels = qMax(channels, entry->ChannelCount());
            else
                heldElsewhere = true;
        }
        const int first = std::clamp(fixture->m_address, 0, kSlotsPerUniverse);
        const int end = std::clamp(fixture->m_address + channels, first, kSlotsPerUniverse);
        if (!heldElsewhere && end > first)
            unmarked << SChannels{fixture->m_universe, first, end};
    }
    return unmarked;
}

void CEffectsWnd::ApplyAndClose(int scope)
{
    if (!m_page) {
        Discard();
        return;
    }
    // A refused apply leaves nothing to keep: no history entry, no mark.
    const bool applied = Apply(scope);
    ClosePage(true);
    emit closeWnd(applied, false);
}

void CEffectsWnd::OnOk()
{
    ApplyAndClose(-1);
}

void CEffectsWnd::OnApplySelected()
{
    ApplyAndClose(0);
}

void CEffectsWnd::OnApplyAll()
{
    ApplyAndClose(1);
}

void CEffectsWnd::OnCancel()
{
    CancelAsking();
}

bool CEffectsWnd::HasChanges() const
{
    // An effect edited for a scene that went has nowhere to go.
    if (!m_page || !m_scene)
        return false;
    const CEffect* effect = m_engine->Effect();
    return (IsEffectScene() && static_cast<const CEffectScene*>(m_scene)->m_staticLevelsChanged)
           || (effect && effect->m_flag);
}

QString CEffectsWnd::EditedName() const
{
    return m_scene ? m_scene->m_name : QString();
}

void CEffectsWnd::SceneDeleting(CScene* scene)
{
    if (!scene || scene != m_scene)
        return;
    m_scene = nullptr;
    // Not inside the deletion: the editor behind it comes back first.
    QMetaObject::invokeMethod(this, &CEffectsWnd::Discard, Qt::QueuedConnection);
}

void CEffectsWnd::Discard()
{
    if (IsEffectScene()) {
        auto* effectScene = static_cast<CEffectScene*>(m_scene);
        if (effectScene->m_staticLevelsChanged) {
            effectScene->m_modeStaticLevels = m_savedModeLevels;
            effectScene->m_channelStaticLevels = m_savedChannelLevels;
            effectScene->m_staticLevelsChanged = false;
        }
    }
    ClosePage(true);
    m_engine->Clear(true);
    emit closeWnd(true, true);
}

void CEffectsWnd::OnParams()
{
    if (m_page && m_page->HasUngeneratedChanges())
        m_engine->GenerateEffect();
    ClosePage(true);
    emit closeWnd(false, true);
}

void CEffectsWnd::ClosePage(bool restorePanels)
{
    if (m_page) {
        m_scroll->takeWidget();
        delete m_page;
        m_page = nullptr;
    }
    m_matrix = nullptr;
    if (restorePanels) {
        if (IsMatrixType(m_type))
            m_actions[ActApplySelected]->setVisible(false);
        if (m_type == EffectType::PanTilt) {
            for (Action action : {ActPlay, ActDirection})
                m_actions[size_t(action)]->setVisible(false);
            for (Action action : kPanTiltModes)
                m_actions[size_t(action)]->setVisible(false);
        }
        m_time->SetTime(0);
    }
    EndEditState();
}

void CEffectsWnd::EndEditState()
{
    m_project.m_effectEditing = false;
    m_project.m_colorLock = false;
    m_project.m_dimmerLock = false;
    m_project.m_panTiltLock = false;
    ShowHost().ClearEffectMarks();
}

// --- Tool bar

void CEffectsWnd::CopyLive()
{
    if (!m_page) {
        Discard();
        return;
    }
    if (!IsEffectScene() || !m_project.m_currentGroup)
        return;
    auto* effectScene = static_cast<CEffectScene*>(m_scene);
    for (const CPatchedFixture* fixture : qAsConst(m_project.m_currentGroup->m_fixtures)) {
        const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
        if (!profile || !m_project.IsActive(fixture->m_universe))
            continue;
        const quint8* liveMask = m_project.m_liveMask[fixture->m_universe];
        const quint8* live = m_project.m_live[fixture->m_universe];
        for (int c = 0; c < profile->ChannelCount(); ++c) {
            const int slot = fixture->m_address + c;
            if (slot >= 0 && slot < 512 && liveMask[slot])
                effectScene->SetStaticLevel(profile, c, live[slot]);
        }
    }
    m_project.LoadEditedEffectLevels();
    ShowHost().RefreshOutputViews();
    ShowHost().RefreshCurrentPanel();
}

void CEffectsWnd::ApplySelected()
{
    if (!m_page) {
        Discard();
        return;
    }
    auto* effect = dynamic_cast<CMatrixColorEffect*>(m_engine->Effect());
    if (!effect)
        return;
    effect->m_applySel = !effect->m_applySel;
    m_actions[ActApplySelected]->setChecked(effect->m_applySel);
    UpdatePage();
}

void CEffectsWnd::EnableDmx()
{
    ShowHost().ToggleSendEditDmx();
    UpdateDmxLook();
}

void CEffectsWnd::UpdateDmxLook()
{
    const bool on = ShowHost().SendEditDmxOption();
    SetActionIcon(ActDmx, on ? QStringLiteral("XLR.png") : QStringLiteral("XLR_Cross.png"));
    m_time->SetPenColor(on ? QColor(80, 80, 80) : QColor(255, 0, 0));
    m_time->update();
}

void CEffectsWnd::SetActionIcon(Action action, const QString& name)
{
    m_actions[size_t(action)]->setIcon(QIcon(kIcons + name));
    m_actions[size_t(action)]->setData(name);
}

// --- Keys, ticks, captions

bool CEffectsWnd::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    Q_UNUSED(modifiers);
    return OkOrCancelKey(*this, key);
}

void CEffectsWnd::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}

void CEffectsWnd::Tick(int elapsedMs, int ticks)
{
    if (!ShowHost().SendEditDmxOption()) {
        if (m_blink.Advance(elapsedMs))
            SetActionIcon(ActDmx, m_blink.IconName());
    }
    if (m_page)
        m_page->Tick(ScaleElapsedBySpeed(elapsedMs, m_speed, ticks));
}

void CEffectsWnd::Retranslate()
{
    for (const CActionDef& def : kActions) {
        if (def.caption >= 0)
            m_actions[size_t(def.action)]->setToolTip(GetLangText(def.caption));
    }
    for (int b = 0; b < ButtonCount; ++b)
        m_buttons[size_t(b)]->setText(GetLangText(kButtonCaptions[b]));
    if (m_page)
        m_page->Retranslate();
}
