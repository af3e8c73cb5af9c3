#include "panels/PanTiltPresetCtrl.h"

#include "Captions.h"
#include "app/options/AppOptions.h"
#include "model/Language.h"
#include "panels/PanTiltGridCtrl.h"
#include "panels/PresetsWnd.h"
#include "panels/SavedSlotMenu.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/HProSlider.h"
#include "widgets/MenuBar.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"
#include "widgets/REDOvoroz.h"
#include "widgets/ToolBarDragDrop.h"

#include <QAction>
#include <QActionGroup>
#include <QGridLayout>
#include <QPainter>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <algorithm>

namespace {

enum { Pan = 0, PanFine = 1, Tilt = 2, TiltFine = 3 };

int Precision()
{
    const CAppOptions* options = ShowHost().AppOptions();
    return options ? std::clamp(options->m_ptPrecision, 1, 10) : 1;
}

CPanTiltPosition SavedPosition(int index)
{
    const CAppOptions* options = ShowHost().AppOptions();
    return options ? options->m_savedPositions[index] : CPanTiltPosition();
}

int EditTarget(CPresetsWnd* wnd)
{
    return wnd ? wnd->Project().EditTarget() : PresetEditTarget();
}

} // namespace

CPanTiltPresetCtrl::CPanTiltPresetCtrl(int id, bool fine, bool master, CPresetsWnd* wnd)
    : CPanTiltPresetCtrlBase(id, master, wnd), m_fine(fine)
{
    m_title = GetLangText(master ? Txt::MasterPanTiltTitle : Txt::PanTiltTitle);
    m_grid = new CPanTiltGridCtrl((11 - Precision()) / 10.0, this);
    connect(m_grid, &CPanTiltGridCtrl::moved, this, &CPanTiltPresetCtrl::OnGridMoved);

    auto* group = new QActionGroup(this);
    for (int i = 0; i < kSavedShown; ++i) {
        const CPanTiltPosition saved = SavedPosition(i);
        auto* action = new QAction(DrawPanTiltIcon(saved.pan, saved.tilt), QString(), this);
        action->setData(i);
        group->addAction(action);
        connect(action, &QAction::triggered, this, &CPanTiltPresetCtrl::OnPanTiltPos);
        connect(action, &QAction::hovered, this, &CPanTiltPresetCtrl::OnPanTiltPosHovered);
        m_saved << action;
    }
    CreateMenu();

    m_bar = NewSavedSlotBar(this);
    m_bar->addActions(m_saved);
    m_precision = new REDOvoroz(Qt::Horizontal, m_bar);
    m_precision->setRange(1, 10);
    m_precision->setValue(Precision());
    m_precision->setFixedWidth(60);
    connect(m_precision, &QSlider::valueChanged, this, &CPanTiltPresetCtrl::OnPrecValueChanged);
    m_precisionAction = m_bar->addWidget(m_precision);
    m_handle = new CToolBarDragDrop(m_id, master ? GetLangText(Txt::MasterHandle) : QStringLiteral("X/Y"), m_bar);
    m_bar->addWidget(m_handle);
    m_bar->addAction(m_actMinimize);
    connect(m_bar, &CMenuBar::menuBar, this, &CPanTiltPresetCtrl::OnMenuBar);

    const char* titles[4] = {"X", "uX", "Y", "uY"};
    for (int i = 0; i < 4; ++i)
        m_faders[i] = new CProSlider(QString::fromLatin1(titles[i]), master, this);
    m_faders[PanFine]->setVisible(fine);
    m_faders[TiltFine]->setVisible(fine);
    connect(m_faders[Pan], &CProSlider::sliderMoved, this, &CPanTiltPresetCtrl::OnPanValueChanged);
    connect(m_faders[PanFine], &CProSlider::sliderMoved, this, &CPanTiltPresetCtrl::OnMPanValueChanged);
    connect(m_faders[Tilt], &CProSlider::sliderMoved, this, &CPanTiltPresetCtrl::OnTiltValueChanged);
    connect(m_faders[TiltFine], &CProSlider::sliderMoved, this, &CPanTiltPresetCtrl::OnMTiltValueChanged);
    m_offsets[0] = new CHProSlider(QStringLiteral("dX"), master, this);
    m_offsets[1] = new CHProSlider(QStringLiteral("dY"), master, this);
    for (CHProSlider* offset : m_offsets)
        offset->m_max = 64;
    connect(m_offsets[0], &CProSlider::sliderMoved, this, &CPanTiltPresetCtrl::OnPanOffsetChanged);
    connect(m_offsets[1], &CProSlider::sliderMoved, this, &CPanTiltPresetCtrl::OnTiltOffsetChanged);

    for (int i = 0; i < 3; ++i) {
        m_modes[i] = new CPresetModeCtrl(this);
        m_modes[i]->setFixedWidth(i < 2 ? 34 : 70);
    }
    connect(m_modes[0], &CPresetModeCtrl::modeChanged, this, &CPanTiltPresetCtrl::OnPanModeChanged);
    connect(m_modes[1], &CPresetModeCtrl::modeChanged, this, &CPanTiltPresetCtrl::OnTiltModeChanged);
    connect(m_modes[2], &CPresetModeCtrl::modeChanged, this, &CPanTiltPresetCtrl::OnPanTiltModeChanged);

    auto* faders = new QGridLayout;
    faders->setContentsMargins(0, 0, 0, 0);
    faders->setSpacing(2);
    faders->addWidget(m_faders[Pan], 0, 0);
    faders->addWidget(m_faders[Tilt], 0, 1);
    faders->addWidget(m_faders[PanFine], 1, 0);
    faders->addWidget(m_faders[TiltFine], 1, 1);
    faders->addWidget(m_modes[0], 2, 0);
    faders->addWidget(m_modes[1], 2, 1);
    faders->addWidget(m_modes[2], 3, 0, 1, 2);
    auto* offsets = new QHBoxLayout;
    offsets->setSpacing(2);
    offsets->addWidget(m_offsets[0]);
    offsets->addWidget(m_offsets[1]);
    auto* left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(m_grid);
    left->addStretch();
    left->addLayout(offsets);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(0);
    body->addLayout(left);
    body->addStretch();
    body->addLayout(faders);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(m_bar);
    outer->addLayout(body, 1);

    SetSize(m_size, true);
    UpdateDisplayMenu();
}

CPresetModeCtrl* CPanTiltPresetCtrl::ModeSwitch(int axis) const
{
    return m_modes[axis == 0 || axis == 1 ? axis : 2];
}

QPoint CPanTiltPresetCtrl::PanTiltIconPoint(int pan, int tilt)
{
    return QPoint(pan * 16 / 65535 - 2, 14 - tilt * 16 / 65535);
}

QIcon CPanTiltPresetCtrl::DrawPanTiltIcon(int pan, int tilt)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setPen(QPen(QColor(115, 115, 110), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawLine(0, 8, 15, 8);
    painter.drawLine(8, 0, 8, 15);
    const QPoint dot = PanTiltIconPoint(pan, tilt);
    painter.setPen(Qt::red);
    painter.setBrush(Qt::red);
    painter.drawEllipse(QRect(dot, QSize(3, 3)));
    painter.end();
    return QIcon(pixmap);
}

void CPanTiltPresetCtrl::SetFaderPosition(int index, int value)
{
    ShowOnFader(m_faders[index], value);
}

void CPanTiltPresetCtrl::OnGridMoved(int pan, int tilt)
{
    int panCoarse = pan / 256, panFine = pan % 256;
    int tiltCoarse = tilt / 256, tiltFine = tilt % 256;
    if (m_locked[0])
        panCoarse = panFine = 0;
    if (m_locked[1])
        tiltCoarse = tiltFine = 0;
    SetFaderPosition(Pan, panCoarse);
    SetFaderPosition(Tilt, tiltCoarse);
    if (m_fine) {
        m_panFine = quint8(panFine);
        m_tiltFine = quint8(tiltFine);
        SetFaderPosition(PanFine, panFine);
        SetFaderPosition(TiltFine, tiltFine);
    }
    if (m_quiet)
        return;
    const int target = EditTarget(m_wnd);
    SetModes(target, target, false);
    EmitPosition();
}

void CPanTiltPresetCtrl::EmitPosition()
{
    quint8 position[6];
    GetPosition(position);
    emit posChanged(position[0], position[1], position[2], position[3], position[4], position[5]);
}

void CPanTiltPresetCtrl::GetPosition(quint8 position[6]) const
{
    position[0] = quint8(m_grid->Pan() / 256);
    position[1] = quint8(m_grid->Tilt() / 256);
    position[2] = m_locked[0] ? 0 : m_panFine;
    position[3] = m_locked[1] ? 0 : m_tiltFine;
    position[4] = quint8(std::clamp(m_offsets[0]->m_value, 0, 64));
    position[5] = quint8(std::clamp(m_offsets[1]->m_value, 0, 64));
}

void CPanTiltPresetCtrl::SetPosition16(int pan, int tilt, bool quiet)
{
    const QScopedValueRollback<bool> guard(m_quiet, quiet);
    m_grid->SetPosition16(pan, tilt);
    OnGridMoved(m_grid->Pan(), m_grid->Tilt());
}

void CPanTiltPresetCtrl::SetPosition(quint8 pan, quint8 tilt, quint8 panFine, quint8 tiltFine, bool quiet)
{
    m_panFine = panFine;
    m_tiltFine = tiltFine;
    SetPosition16(pan * 256 + panFine, tilt * 256 + tiltFine, quiet);
}

void CPanTiltPresetCtrl::OnPanValueChanged(int value)
{
    if (!m_quiet)
        SetPosition(quint8(std::clamp(value, 0, 255)), quint8(m_grid->Tilt() / 256), m_panFine, m_tiltFine, false);
}

void CPanTiltPresetCtrl::OnMPanValueChanged(int value)
{
    if (!m_quiet)
        SetPosition(quint8(m_grid->Pan() / 256), quint8(m_grid->Tilt() / 256), quint8(std::clamp(value, 0, 255)),
                    m_tiltFine, false);
}

void CPanTiltPresetCtrl::OnTiltValueChanged(int value)
{
    if (!m_quiet)
        SetPosition(quint8(m_grid->Pan() / 256), quint8(std::clamp(value, 0, 255)), m_panFine, m_tiltFine, false);
}

void CPanTiltPresetCtrl::OnMTiltValueChanged(int value)
{
    if (!m_quiet)
        SetPosition(quint8(m_grid->Pan() / 256), quint8(m_grid->Tilt() / 256), m_panFine,
                    quint8(std::clamp(value, 0, 255)), false);
}

void CPanTiltPresetCtrl::OnPanOffsetChanged(int)
{
    EmitPosition();
}

void CPanTiltPresetCtrl::OnTiltOffsetChanged(int)
{
    EmitPosition();
}

void CPanTiltPresetCtrl::OnPrecValueChanged(int value)
{
    value = std::clamp(value, 1, 10);
    if (CAppOptions* options = ShowHost().AppOptions())
        options->m_ptPrecision = value;
    m_grid->SetSpeed((11 - value) / 10.0);
}

void CPanTiltPresetCtrl::OnPanTiltPos()
{
    auto* action = qobject_cast<QAction*>(sender());
    const int index = action ? action->data().toInt() : -1;
    if (index < 0 || index >= kSavedShown)
        return;
    const CPanTiltPosition saved = SavedPosition(index);
    SetPosition16(saved.pan, saved.tilt, false);
}

void CPanTiltPresetCtrl::OnPanTiltPosHovered()
{
    if (auto* action = qobject_cast<QAction*>(sender()))
        m_hovered = action->data().toInt();
}

void CPanTiltPresetCtrl::OnMenuBar()
{
    if (m_hovered >= 0 && m_hovered < kSavedShown && RunSaveMenu(this))
        OnSavePos();
}

void CPanTiltPresetCtrl::OnSavePos()
{
    if (m_hovered < 0 || m_hovered >= kSavedShown)
        return;
    const int pan = m_grid->Pan();
    const int tilt = m_grid->Tilt();
    if (CAppOptions* options = ShowHost().AppOptions())
        options->m_savedPositions[m_hovered] = CPanTiltPosition{pan, tilt};
    m_saved[m_hovered]->setIcon(DrawPanTiltIcon(pan, tilt));
}

void CPanTiltPresetCtrl::UpdateBothSwitch(bool force)
{
    CPresetModeCtrl* both = m_modes[2];
    if (both->State() == PresetModeFx && !force)
        return;
    both->SetState(CommonPresetMode({m_modes[0]->State(), m_modes[1]->State()}));
}

void CPanTiltPresetCtrl::OnPanModeChanged(bool on)
{
    UpdateBothSwitch(false);
    emit modeChanged(0, on);
}

void CPanTiltPresetCtrl::OnTiltModeChanged(bool on)
{
    UpdateBothSwitch(false);
    emit modeChanged(1, on);
}

void CPanTiltPresetCtrl::OnPanTiltModeChanged(bool on)
{
    const int state = on ? EditTarget(m_wnd) : PresetModeOff;
    for (int axis = 0; axis < 2; ++axis) {
        if (m_modes[axis]->State() != PresetModeFx)
            m_modes[axis]->SetState(state);
    }
    emit modeChanged(-1, on);
}

void CPanTiltPresetCtrl::LockAxis(int axis, bool on)
{
    m_locked[axis] = on;
    const int coarse = axis == 0 ? Pan : Tilt;
    const int fine = axis == 0 ? PanFine : TiltFine;
    m_faders[coarse]->setEnabled(!on);
    m_faders[fine]->setEnabled(!on);
    if (on) {
        SetFaderPosition(coarse, 0);
        if (m_fine)
            SetFaderPosition(fine, 0);
    }
    if (axis == 0)
        m_grid->LockPan(on);
    else
        m_grid->LockTilt(on);
}

void CPanTiltPresetCtrl::ApplyAxisState(int axis, int state, bool force)
{
    CPresetModeCtrl* mode = m_modes[axis];
    if (mode->State() == state || (mode->State() == PresetModeFx && !force))
        return;
    mode->SetState(state);
    if (state == PresetModeFx)
        LockAxis(axis, true);
    else if (m_locked[axis])
        LockAxis(axis, false);
}

void CPanTiltPresetCtrl::SetModes(int pan, int tilt, bool force)
{
    ApplyAxisState(0, pan, force);
    ApplyAxisState(1, tilt, force);
    UpdateBothSwitch(force);
}

void CPanTiltPresetCtrl::MarkEffectChannel(int channelType)
{
    if (channelType == 1 || channelType == 2)
        ApplyAxisState(channelType - 1, PresetModeFx, true);
    UpdateBothSwitch(true);
}

void CPanTiltPresetCtrl::SetDisplayMode(int mode, bool big)
{
    StoreDisplayMode(mode);
    const bool cursorMode = mode == DisplayCursor;
    const bool presetMode = mode == DisplayPreset;
    m_grid->setVisible(!cursorMode);
    for (int i : {Pan, Tilt})
        m_faders[i]->setVisible(!presetMode);
    for (int i : {PanFine, TiltFine})
        m_faders[i]->setVisible(!presetMode && m_fine && big);
    for (CPresetModeCtrl* switchCtrl : m_modes)
        switchCtrl->setVisible(!presetMode);
    const bool offsets = !cursorMode && big;
    for (CHProSlider* offset : m_offsets)
        offset->setVisible(offsets);
    int savedShown = 0;
    if (!cursorMode)
        savedShown = mode == DisplayDefault && big ? kSavedShown : 2;
    for (int i = 0; i < kSavedShown; ++i)
        m_saved[i]->setVisible(i < savedShown);
    m_precisionAction->setVisible(!cursorMode && (big || mode == DisplayDefault));
    SetBig(big);
}

void CPanTiltPresetCtrl::SetSize(int size, bool updateMenu)
{
    StoreSize(size);
    m_grid->SetSmall(size != SizeBig);
    SetDisplayMode(m_displayMode, size == SizeBig);
    if (updateMenu)
        UpdateSizeMenu();
}

void CPanTiltPresetCtrl::UpdateLayout(bool withPartner)
{
    const bool big = m_size == SizeBig;
    int width = 82;
    if (m_displayMode == DisplayPreset)
        width = big ? 268 : 139;
    else if (m_displayMode == DisplayDefault)
        width = big ? 344 : 215;
    SetFixedSizeShared(width, big ? BigHeight : SmallHeight, withPartner);
}
