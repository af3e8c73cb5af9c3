#include "editors/EditEffectWnd.h"

#include "Captions.h"
#include "editors/EditSceneShared.h"
#include "editors/EditorKeys.h"
#include "effects/EffectEngine.h"
#include "live/TriggerDispatcher.h"
#include "model/Language.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "widgets/EffectTitleWidget.h"
#include "widgets/ZKTimeEdit.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>

using namespace EditScene;

namespace {

const CEffectKind kKinds[] = {
    {Txt::EdGradient, "Gradient.png", EffectType::Gradient},  {Txt::EdSequencer, "Color.png", EffectType::Trichro},
    {Txt::EdCurve, "Curve.png", EffectType::Curve},           {Txt::EdPanTilt, "PanTilt.png", EffectType::PanTilt},
    {Txt::FxPreset, "Preset.png", EffectType::Preset},        {Txt::Matrix, "Matrix.png", EffectType::MatrixAnim},
    {Txt::EdAnimated, "GIF.png", EffectType::MatrixGif},      {Txt::EdMedia, "Media.png", EffectType::MatrixMedia},
    {Txt::EdText, "Text.png", EffectType::MatrixText},
};

// A fade the field cannot show (from a damaged file) counts as unchanged
// until the field is edited, and is then kept.
bool FadeFieldDiffers(const CZKTimeEdit* edit, int ms)
{
    CZKTimeEdit shown(nullptr, true);
    shown.SetTime(TimeOf(ms));
    return Ms(edit->GetTime()) != Ms(shown.GetTime());
}

} // namespace

CEditEffectWnd::CEditEffectWnd(CProject& project, QWidget* parent) : QWidget(parent), m_project(project)
{
    m_toolBar = new QToolBar;
    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBar.png\") }"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_title = new CEffectTitleWidget(GetLangText(Txt::FxParameters));
    m_title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_toolBar->addWidget(m_title);
    m_toolBar->addSeparator();
    m_dmx = m_toolBar->addAction(QIcon(kIcons + QStringLiteral("XLR.png")), QString());
    connect(m_dmx, &QAction::triggered, this, &CEditEffectWnd::EnableDmx);

    auto* form = new QFormLayout;
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(10);
    for (QLabel*& label : m_labels)
        label = new QLabel;
    m_name = new QLineEdit;
    m_fadeIn = new CZKTimeEdit(nullptr, true);
    m_fadeOut = new CZKTimeEdit(nullptr, true);
    m_loops = new QComboBox;
    m_triggers = new QPushButton(QStringLiteral("..."));
    QWidget* fields[] = {m_name, m_fadeIn, m_fadeOut, m_loops, m_triggers};
    for (size_t i = 0; i < m_labels.size(); ++i) {
        auto* row = new QHBoxLayout;
        row->addWidget(fields[i]);
        row->addStretch();
        form->addRow(m_labels[i], row);
    }
    connect(m_triggers, &QPushButton::pressed, this, &CEditEffectWnd::OnTriggers);

    m_kinds = new QListWidget;
    m_kinds->setViewMode(QListView::IconMode);
    m_kinds->setIconSize(QSize(49, 49));
    m_kinds->setResizeMode(QListView::Adjust);
    m_kinds->setSpacing(6);
    m_kinds->setDragEnabled(false);
    m_kinds->setMovement(QListView::Static);
    m_kinds->setUniformItemSizes(true);
    for (const CEffectKind& kind : kKinds) {
        auto* item = new QListWidgetItem(EffectIcon(kind), QString());
        item->setData(Qt::UserRole, kind.type);
        item->setTextAlignment(Qt::AlignHCenter);
        item->setFlags(Qt::ItemIsEnabled);
        m_kinds->addItem(item);
        item->setHidden(true);
    }
    connect(m_kinds, &QListWidget::itemClicked, this, &CEditEffectWnd::OnSelEffectChanged);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addStretch();
    const int captions[] = {Txt::Ok, Txt::FxApplySelected, Txt::FxApplyAll, Txt::Cancel};
    void (CEditEffectWnd::*const handlers[])() = {&CEditEffectWnd::OnOk, &CEditEffectWnd::OnApplySelected,
                                               &CEditEffectWnd::OnApplyAll, &CEditEffectWnd::OnCancel};
    for (int b = 0; b < ButtonCount; ++b) {
        auto* button = new QPushButton(GetLangText(captions[b]));
        connect(button, &QPushButton::pressed, this, handlers[b]);
        buttons->addWidget(button);
        m_buttons[size_t(b)] = button;
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addLayout(form);
    layout->addWidget(m_kinds, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    Retranslate();
    UpdateDmxLook();
}

CEditEffectWnd::~CEditEffectWnd()
{
    CEditEffectWnd::ReleaseScene();
}

QListWidgetItem* CEditEffectWnd::KindItem(int type) const
{
    for (int i = 0; i < m_kinds->count(); ++i) {
        if (m_kinds->item(i)->data(Qt::UserRole).toInt() == type)
            return m_kinds->item(i);
    }
    return nullptr;
}

// --- Opening and fields

void CEditEffectWnd::SetEffectScene(CEffectScene* scene)
{
    if (scene)
        OpenScene(scene, !scene->m_effects.isEmpty());
}

void CEditEffectWnd::OpenScene(CEffectScene* scene, bool edit)
{
    if (!scene)
        return;
    m_scene = scene;
    m_edit = edit;
    m_cancelled = false;
    m_savedTriggers = scene->m_triggers;
    // Colours and levels set meanwhile are the scene's static levels.
    m_project.SetEditedScene(nullptr, scene);
    if (!scene->m_steps.isEmpty()) {
        scene->m_currentStepIndex = 0;
        scene->m_currentStep = scene->m_steps.first();
    }
    UpdateButtons();
    Retranslate();
    LoadFields();
    UpdateEffectList();
    UpdateDmxLook();
}

void CEditEffectWnd::LoadFields()
{
    m_name->setText(m_scene->m_name);
    m_fadeIn->SetTime(TimeOf(m_scene->m_fadeIn));
    m_fadeOut->SetTime(TimeOf(m_scene->m_fadeOut));
    QSignalBlocker block(m_loops);
    FillLoopItems(*m_loops);
    ShowLoopCount(*m_loops, m_scene->m_loopCount);
    m_triggers->setText(m_scene->m_triggers.GetText());
}

void CEditEffectWnd::StoreParams()
{
    if (!m_scene)
        return;
    StoreName(*m_name, *m_scene);
    if (FadeFieldDiffers(m_fadeIn, m_scene->m_fadeIn))
        m_scene->m_fadeIn = Ms(m_fadeIn->GetTime());
    if (FadeFieldDiffers(m_fadeOut, m_scene->m_fadeOut))
        m_scene->m_fadeOut = Ms(m_fadeOut->GetTime());
    if (m_loops->currentIndex() >= 0)
        m_scene->m_loopCount = qint16(m_loops->currentIndex());
}

bool CEditEffectWnd::FieldsChanged() const
{
    return m_name->text() != m_scene->m_name || FadeFieldDiffers(m_fadeIn, m_scene->m_fadeIn)
           || FadeFieldDiffers(m_fadeOut, m_scene->m_fadeOut)
           || (m_loops->currentIndex() >= 0 && m_loops->currentIndex() != m_scene->m_loopCount)
           || CTriggerDispatcher::FormatCommandTrigger(m_scene->m_triggers)
                  != CTriggerDispatcher::FormatCommandTrigger(m_savedTriggers);
}

void CEditEffectWnd::UpdateButtons()
{
    const CGroup* group = m_project.m_currentGroup;
    m_buttons[BtnApplySelected]->setEnabled(group && !group->m_selectedFixtures.isEmpty());
    m_buttons[BtnApplyAll]->setEnabled(m_scene && m_project.IsScenePlaying(m_scene));
}

void CEditEffectWnd::UpdateEffectList()
{
    UpdateButtons();
    const CSelectionCaps& caps = m_project.m_selectionCaps;
    const bool any = !caps.m_profiles.isEmpty();
    // With nothing selected the selection state shows every control, yet
    // offers nothing to an effect.
    const bool color = any && (caps.m_color || caps.m_masterColor);
    const CGroup* group = m_project.m_currentGroup;
    const bool matrix = color && group && group->m_selectedMatrices.size() == 1 && group->AllSelectedHaveIds();
    for (int i = 0; i < m_kinds->count(); ++i) {
        bool shown = false;
        switch (m_kinds->item(i)->data(Qt::UserRole).toInt()) {
        case EffectType::Gradient:
        case EffectType::Trichro:
            shown = color;
            break;
        case EffectType::Curve:
        case EffectType::Preset:
            shown = any;
            break;
        case EffectType::PanTilt:
            shown = any && caps.m_panTilt;
            break;
        default:
            shown = matrix;
        }
        m_kinds->item(i)->setHidden(!shown);
    }
}

// --- Ending

void CEditEffectWnd::Apply(int scope)
{
    if (!m_scene)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    m_project.ApplyEffect(m_scene, m_edit, scope, -1, -1);
    QApplication::restoreOverrideCursor();
    ShowHost().SetModified(true);
}

void CEditEffectWnd::ApplyAndClose(int scope)
{
    StoreParams();
    Apply(scope);
    Close();
}

void CEditEffectWnd::Close()
{
    m_closed = true;
    ReleaseScene();
    emit closeWnd();
}

void CEditEffectWnd::ReleaseScene()
{
    if (m_scene && m_project.m_editedScene == m_scene) {
        m_project.SetEditedScene(nullptr, nullptr);
        m_project.ClearEditLayer();
    }
}

void CEditEffectWnd::OnOk()
{
    ApplyAndClose(-1);
}

void CEditEffectWnd::OnApplySelected()
{
    ApplyAndClose(0);
}

void CEditEffectWnd::OnApplyAll()
{
    ApplyAndClose(1);
}

void CEditEffectWnd::OnCancel()
{
    CancelAsking();
}

bool CEditEffectWnd::HasChanges() const
{
    if (!m_scene)
        return false;
    const CEffect* effect = m_project.m_effectEngine.Effect();
    return (effect && effect->m_flag) || FieldsChanged();
}

QString CEditEffectWnd::EditedName() const
{
    return m_scene ? m_scene->m_name : QString();
}

void CEditEffectWnd::EndEdit(bool keep)
{
    if (keep && m_scene) {
        StoreParams();
        Apply(-1);
    } else {
        if (m_scene)
            m_scene->m_triggers = m_savedTriggers;
        // The copy the effects window handed back is not wanted.
        m_project.m_effectEngine.Clear(true);
        m_cancelled = true;
    }
    Close();
}

void CEditEffectWnd::SceneDeleting(CScene* scene)
{
    if (!scene || scene != m_scene)
        return;
    ReleaseScene();
    m_scene = nullptr;
    m_cancelled = true;
    // The scene is being deleted from inside a call of the show: the pages
    // come back once it is gone, after the effects window over the editor,
    // whose page still shows the engine's effect, has closed.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_closed)
                return;
            m_project.m_effectEngine.Clear(true);
            Close();
        },
        Qt::QueuedConnection);
}

void CEditEffectWnd::OnSelEffectChanged(QListWidgetItem* item)
{
    if (!item || !m_scene || item->isHidden())
        return;
    StoreParams();
    emit editEffect(eEffect(item->data(Qt::UserRole).toInt()), !m_scene->m_effects.isEmpty());
}

void CEditEffectWnd::OnTriggers()
{
    if (!m_scene)
        return;
    if (EditTriggers(m_scene->m_triggers, m_project.UniverseCount(), this))
        m_triggers->setText(m_scene->m_triggers.GetText());
}

void CEditEffectWnd::EnableDmx()
{
    ShowHost().ToggleSendEditDmx();
    UpdateDmxLook();
}

void CEditEffectWnd::UpdateDmxLook()
{
    const bool on = ShowHost().SendEditDmxOption();
    m_dmx->setIcon(QIcon(kIcons + (on ? QStringLiteral("XLR.png") : QStringLiteral("XLR_Cross.png"))));
    m_dmx->setData(on ? QStringLiteral("XLR.png") : QStringLiteral("XLR_Cross.png"));
    m_title->SetPenColor(on ? QColor(80, 80, 80) : QColor(255, 0, 0));
    m_title->update();
}

// --- Keys, ticks, captions

bool CEditEffectWnd::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    Q_UNUSED(modifiers);
    return OkOrCancelKey(*this, key);
}

void CEditEffectWnd::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}

void CEditEffectWnd::Tick(int elapsedMs, int)
{
    if (ShowHost().SendEditDmxOption())
        return;
    if (m_blink.Advance(elapsedMs)) {
        const QString name = m_blink.IconName();
        m_dmx->setIcon(QIcon(kIcons + name));
        m_dmx->setData(name);
    }
}

void CEditEffectWnd::Retranslate()
{
    m_dmx->setToolTip(QStringLiteral("DMX On/Off"));
    m_title->SetTitle(GetLangText(Txt::FxParameters));
    for (int i = 0; i < m_kinds->count(); ++i)
        m_kinds->item(i)->setToolTip(GetLangText(kKinds[i].caption));
    const int captions[] = {Txt::EdName, Txt::EdFadeIn, Txt::EdFadeOut, Txt::EdLoops, Txt::Triggers};
    for (size_t i = 0; i < m_labels.size(); ++i)
        m_labels[i]->setText(GetLangText(captions[i]) + QStringLiteral(" :"));
}
