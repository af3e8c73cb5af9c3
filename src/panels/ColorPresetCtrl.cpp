#include "panels/ColorPresetCtrl.h"

#include "Captions.h"
#include "app/options/AppOptions.h"
#include "layout/view/FixturesView.h"
#include "model/Language.h"
#include "panels/ColorCircleCtrl.h"
#include "panels/PresetsWnd.h"
#include "panels/SavedSlotMenu.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/FileFilters.h"
#include "widgets/MenuBar.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"
#include "widgets/TBToolButtonStyle.h"
#include "widgets/ToolBarDragDrop.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QImageReader>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString ChooseImageFile(QWidget* parent, const QString& caption, const QString& filter)
{
    ShowHost().SuspendVideoWindow();
    const QString path = QFileDialog::getOpenFileName(parent, caption, QStringLiteral("Image"), filter);
    ShowHost().ResumeVideoWindow();
    return path;
}

CColorPresetCtrl::ImageChooser g_chooser = &ChooseImageFile;

QColor SavedColor(int index)
{
    const CAppOptions* options = ShowHost().AppOptions();
    return options ? options->m_savedColors[index] : QColor(Qt::white);
}

QIcon Swatch(const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// The colour component an effect channel type drives, -1 for none.
int ComponentOfType(int type)
{
    switch (type) {
    case 25:
    case 28:
        return 0;
    case 26:
    case 29:
        return 1;
    case 27:
    case 30:
        return 2;
    case 31:
        return 3;
    default:
        return -1;
    }
}

// Pictures beyond this many pixels are refused rather than decoded.
constexpr qint64 kMaxImportPixels = qint64(8192) * 8192;

const char* const kToolPictures[7] = {"Import", "Brush", "Line", "Rect", "Circle", "PickColor", "Fill"};

} // namespace

QList<QColor> CColorPresetCtrl::FixedColors()
{
    return {Qt::red, Qt::magenta, Qt::blue, Qt::cyan, Qt::green, Qt::yellow, Qt::white, Qt::black};
}

void CColorPresetCtrl::SetImageChooser(ImageChooser chooser)
{
    g_chooser = chooser ? chooser : &ChooseImageFile;
}

CColorPresetCtrl::CColorPresetCtrl(int id, bool cmy, bool white, bool master, CPresetsWnd* wnd)
    : CColorPresetCtrlBase(id, master, wnd), m_cmy(cmy), m_white(white)
{
    m_title = GetLangText(master ? Txt::MasterTrichroTitle : Txt::TrichroTitle);
    BuildColorActions();
    BuildToolBars();

    const int titles[4] = {Txt::FaderRed, Txt::FaderGreen, Txt::FaderBlue, Txt::FaderWhite};
    for (int i = 0; i < 4; ++i) {
        m_faders[i] = new CProSlider(GetLangText(titles[i]), master, this);
        m_faders[i]->m_colorKind = i == 3 ? 7 : (cmy ? 4 : 1) + i;
    }
    connect(m_faders[0], &CProSlider::sliderMoved, this, &CColorPresetCtrl::OnRValueChanged);
    connect(m_faders[1], &CProSlider::sliderMoved, this, &CColorPresetCtrl::OnGValueChanged);
    connect(m_faders[2], &CProSlider::sliderMoved, this, &CColorPresetCtrl::OnBValueChanged);
    connect(m_faders[3], &CProSlider::sliderMoved, this, &CColorPresetCtrl::OnWValueChanged);

    const CAppOptions* options = ShowHost().AppOptions();
    const bool autoWhite = options && options->m_bWhiteAuto;
    m_autoWhite = new QCheckBox(GetLangText(Txt::AutoWhiteChannel), this);
    m_autoWhite->setChecked(autoWhite);
    connect(m_autoWhite, &QCheckBox::stateChanged, this, &CColorPresetCtrl::OnCheckWChanAuto);

    for (int i = 0; i < 5; ++i) {
        m_modes[i] = new CPresetModeCtrl(this);
        m_modes[i]->setFixedWidth(i < 4 ? 34 : (white ? 142 : 106));
    }
    connect(m_modes[0], &CPresetModeCtrl::modeChanged, this, &CColorPresetCtrl::OnRModeChanged);
    connect(m_modes[1], &CPresetModeCtrl::modeChanged, this, &CColorPresetCtrl::OnGModeChanged);
    connect(m_modes[2], &CPresetModeCtrl::modeChanged, this, &CColorPresetCtrl::OnBModeChanged);
    connect(m_modes[3], &CPresetModeCtrl::modeChanged, this, &CColorPresetCtrl::OnWModeChanged);
    connect(m_modes[4], &CPresetModeCtrl::modeChanged, this, &CColorPresetCtrl::OnTrichroModeChanged);

    if (!master) {
        BuildTools();
        if (CFixturesView* view = CFixturesView::Instance())
            connect(view, &CFixturesView::colorPicked, this, &CColorPresetCtrl::OnColorPicked);
    }
    m_wheel = new CColorCircleCtrl(cmy, white, autoWhite ? 1 : 0, m_faders[0], m_faders[1], m_faders[2],
                                   m_faders[3], this);
    connect(m_wheel, &CColorCircleCtrl::circleColorChanged, this, &CColorPresetCtrl::OnCircleColorChanged);

    auto* faders = new QGridLayout;
    faders->setContentsMargins(0, 0, 0, 0);
    faders->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        faders->addWidget(m_faders[i], 0, i);
        faders->addWidget(m_modes[i], 1, i);
    }
    faders->addWidget(m_modes[4], 2, 0, 1, 4);
    auto* wheelColumn = new QVBoxLayout;
    wheelColumn->setContentsMargins(0, 0, 0, 0);
    wheelColumn->setSpacing(0);
    if (m_toolsBox)
        wheelColumn->addWidget(m_toolsBox, 0, Qt::AlignHCenter);
    wheelColumn->addStretch();
    wheelColumn->addWidget(m_wheel);
    wheelColumn->addStretch();
    wheelColumn->addWidget(m_autoWhite, 0, Qt::AlignHCenter);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 5, 6, 6);
    body->addLayout(faders);
    body->addLayout(wheelColumn);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(m_savedBar);
    outer->addLayout(body, 1);
    outer->addWidget(m_fixedBar);

    if (!white) {
        m_faders[3]->hide();
        m_autoWhite->hide();
        m_modes[3]->hide();
    }
    m_faders[3]->setEnabled(!autoWhite);
    SetSize(m_size, true);
    UpdateDisplayMenu();
    const quint8 full[4] = {255, 255, 255, 0};
    m_wheel->SetColor(full, true);
}

CColorPresetCtrl::~CColorPresetCtrl()
{
    // The view's tool outlives every rebuild of the panel: disarm it and
    // take back the hooks that lead here.
    CFixturesView* view = CFixturesView::Instance();
    if (!view)
        return;
    if (m_tool != 0)
        view->SetToolMode(CFixturesView::NoTool);
    if (m_hookInstalled)
        view->SetEndToolModeHook(nullptr);
}

void CColorPresetCtrl::BuildColorActions()
{
    const QList<QColor> fixed = FixedColors();
    for (int i = 0; i < kFixedColors; ++i) {
        auto* action = new QAction(Swatch(fixed[i]), QString(), this);
        action->setData(i);
        connect(action, &QAction::triggered, this, &CColorPresetCtrl::OnStaticColor);
        m_fixed << action;
    }
    auto* group = new QActionGroup(this);
    for (int i = 0; i < kSavedShown; ++i) {
        auto* action = new QAction(Swatch(SavedColor(i)), QString(), this);
        action->setData(i);
        group->addAction(action);
        connect(action, &QAction::triggered, this, &CColorPresetCtrl::OnDynamicColor);
        connect(action, &QAction::hovered, this, &CColorPresetCtrl::OnDynamicColorHovered);
        m_saved << action;
    }
    CreateMenu();
}

void CColorPresetCtrl::BuildToolBars()
{
    m_savedBar = NewSavedSlotBar(this);
    m_savedBar->addActions(m_saved);
    m_handle = new CToolBarDragDrop(m_id, GetLangText(m_flag ? Txt::MasterHandle : Txt::TrichroTitle), m_savedBar);
    m_savedBar->addWidget(m_handle);
    m_savedBar->addAction(m_actMinimize);
    connect(m_savedBar, &CMenuBar::menuBar, this, &CColorPresetCtrl::OnMenuBar);

    m_fixedBar = NewSavedSlotBar(this);
    m_fixedBar->addActions(m_fixed);
    auto* spacer = new QWidget(m_fixedBar);
    spacer->setFixedHeight(16);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_fixedBar->addWidget(spacer);
}

void CColorPresetCtrl::BuildTools()
{
    m_toolsBox = new QGroupBox(this);
    auto* row = new QHBoxLayout(m_toolsBox);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    for (int i = 0; i < 7; ++i) {
        auto* button = new QToolButton(m_toolsBox);
        button->setIcon(QIcon(QStringLiteral(":/Orvane/Images/PaintTools/%1.png").arg(kToolPictures[i])));
        button->setFixedSize(24, 24);
        button->setIconSize(QSize(20, 20));
        new CTBToolButtonStyle(button);
        button->setCheckable(i != ToolImport);
        row->addWidget(button);
        m_tools[i] = button;
    }
    connect(m_tools[0], &QToolButton::pressed, this, &CColorPresetCtrl::OnImport);
    connect(m_tools[1], &QToolButton::pressed, this, &CColorPresetCtrl::OnPenMode);
    connect(m_tools[2], &QToolButton::pressed, this, &CColorPresetCtrl::OnLineMode);
    connect(m_tools[3], &QToolButton::pressed, this, &CColorPresetCtrl::OnRectMode);
    connect(m_tools[4], &QToolButton::pressed, this, &CColorPresetCtrl::OnCircleMode);
    connect(m_tools[5], &QToolButton::pressed, this, &CColorPresetCtrl::OnPickMode);
    connect(m_tools[6], &QToolButton::pressed, this, &CColorPresetCtrl::OnFillMode);
    UpdateImportButton();
}

CPresetModeCtrl* CColorPresetCtrl::ModeSwitch(int component) const
{
    return m_modes[component >= 0 && component < 4 ? component : 4];
}

void CColorPresetCtrl::Retranslate()
{
    m_autoWhite->setText(GetLangText(Txt::AutoWhiteChannel));
}

void CColorPresetCtrl::SetColor(quint8 red, quint8 green, quint8 blue, quint8 white, bool quiet)
{
    const quint8 rgbw[4] = {red, green, blue, white};
    m_wheel->SetColor(rgbw, quiet);
}

void CColorPresetCtrl::GetColor(quint8& red, quint8& green, quint8& blue, quint8& white) const
{
    quint8 rgbw[4];
    m_wheel->GetColor(rgbw);
    red = rgbw[0];
    green = rgbw[1];
    blue = rgbw[2];
    white = rgbw[3];
}

void CColorPresetCtrl::OnCircleColorChanged(int red, int green, int blue, int white)
{
    if (m_tool != 0) {
        if (CFixturesView* view = CFixturesView::Instance())
            view->SetTool(view->ToolMode(), QColor(red, green, blue), white);
        return;
    }
    const int target = m_wnd ? m_wnd->Project().EditTarget() : PresetEditTarget();
    SetModes(target, target, target, target, false);
    emit colorChanged(uchar(red), uchar(green), uchar(blue), uchar(white));
}

void CColorPresetCtrl::ComponentFader(int component, int value)
{
    const quint8 level = quint8(qBound(0, m_cmy ? 255 - value : value, 255));
    if (m_wheel->IsDragging())
        return;
    if (component == 0)
        m_wheel->SetRed(level, false);
    else if (component == 1)
        m_wheel->SetGreen(level, false);
    else
        m_wheel->SetBlue(level, false);
}

void CColorPresetCtrl::OnRValueChanged(int value)
{
    ComponentFader(0, value);
}

void CColorPresetCtrl::OnGValueChanged(int value)
{
    ComponentFader(1, value);
}

void CColorPresetCtrl::OnBValueChanged(int value)
{
    ComponentFader(2, value);
}

void CColorPresetCtrl::OnWValueChanged(int value)
{
    m_wheel->SetWhite(quint8(qBound(0, value, 255)), false);
}

void CColorPresetCtrl::OnCheckWChanAuto(int state)
{
    const bool on = state == Qt::Checked;
    if (CAppOptions* options = ShowHost().AppOptions())
        options->m_bWhiteAuto = on;
    m_wheel->SetAutoWhiteMode(on ? 1 : 0);
    m_faders[3]->setEnabled(!on);
}

void CColorPresetCtrl::UpdateTrichroMode(bool force)
{
    if (m_modes[4]->State() == PresetModeFx && !force)
        return;
    QList<int> states;
    for (int i = 0; i < ComponentCount(); ++i)
        states << m_modes[i]->State();
    m_modes[4]->SetState(CommonPresetMode(states));
}

void CColorPresetCtrl::ComponentModeChanged(int component, bool on)
{
    UpdateTrichroMode(false);
    emit modeChanged(component, on);
}

void CColorPresetCtrl::OnRModeChanged(bool on)
{
    ComponentModeChanged(0, on);
}

void CColorPresetCtrl::OnGModeChanged(bool on)
{
    ComponentModeChanged(1, on);
}

void CColorPresetCtrl::OnBModeChanged(bool on)
{
    ComponentModeChanged(2, on);
}

void CColorPresetCtrl::OnWModeChanged(bool on)
{
    ComponentModeChanged(3, on);
}

void CColorPresetCtrl::OnTrichroModeChanged(bool on)
{
    const int state = on ? (m_wnd ? m_wnd->Project().EditTarget() : PresetEditTarget()) : int(PresetModeOff);
    for (int i = 0; i < ComponentCount(); ++i) {
        if (m_modes[i]->State() != PresetModeFx)
            m_modes[i]->SetState(state);
    }
    emit modeChanged(-1, on);
}

void CColorPresetCtrl::SetModes(int red, int green, int blue, int white, bool force)
{
    const int wanted[4] = {red, green, blue, white};
    for (int i = 0; i < ComponentCount(); ++i) {
        const int shown = m_modes[i]->State();
        if (shown == wanted[i] || (shown == PresetModeFx && !force))
            continue;
        m_modes[i]->SetState(wanted[i]);
        // A component an effect no longer drives comes back to the operator.
        if (m_wheel->IsLocked(i)) {
            m_faders[i]->setEnabled(i != 3 || !m_autoWhite->isChecked());
            switch (i) {
            case 0:
                m_wheel->LockRed(false);
                break;
            case 1:
                m_wheel->LockGreen(false);
                break;
            case 2:
                m_wheel->LockBlue(false);
                break;
            default:
                m_wheel->LockWhite(false);
                break;
            }
        }
    }
    UpdateTrichroMode(force);
}

void CColorPresetCtrl::MarkEffectChannel(int channelType)
{
    const int component = ComponentOfType(channelType);
    if (component >= 0 && (component < 3 || m_white)) {
        m_modes[component]->SetState(PresetModeFx);
        ShowOnFader(m_faders[component], 0);
        m_faders[component]->setEnabled(false);
        switch (component) {
        case 0:
            m_wheel->LockRed(true);
            break;
        case 1:
            m_wheel->LockGreen(true);
            break;
        case 2:
            m_wheel->LockBlue(true);
            break;
        default:
            m_wheel->LockWhite(true);
            break;
        }
    }
    UpdateTrichroMode(true);
}

void CColorPresetCtrl::OnStaticColor()
{
    auto* action = qobject_cast<QAction*>(sender());
    const int index = action ? action->data().toInt() : -1;
    if (index >= 0 && index < kFixedColors)
        m_wheel->SetRgb(FixedColors().at(index), false);
}

void CColorPresetCtrl::OnDynamicColor()
{
    auto* action = qobject_cast<QAction*>(sender());
    const int index = action ? action->data().toInt() : -1;
    if (index >= 0 && index < kSavedShown)
        m_wheel->SetRgb(SavedColor(index), false);
}

void CColorPresetCtrl::OnDynamicColorHovered()
{
    if (auto* action = qobject_cast<QAction*>(sender()))
        m_hovered = action->data().toInt();
}

void CColorPresetCtrl::OnMenuBar()
{
    if (m_hovered >= 0 && m_hovered < kSavedShown && RunSaveMenu(this))
        OnSaveColor();
}

void CColorPresetCtrl::OnSaveColor()
{
    if (m_hovered < 0 || m_hovered >= kSavedShown)
        return;
    quint8 rgbw[4];
    m_wheel->GetColor(rgbw);
    const QColor color(rgbw[0], rgbw[1], rgbw[2]);
    m_saved[m_hovered]->setIcon(Swatch(color));
    if (CAppOptions* options = ShowHost().AppOptions())
        options->m_savedColors[m_hovered] = color;
}

void CColorPresetCtrl::InstallEndToolHook(CFixturesView* view)
{
    // The view may call after this control is gone: the guard makes that a no-op.
    const QPointer<CColorPresetCtrl> self(this);
    view->SetEndToolModeHook([self]() {
        if (self)
            self->EndToolMode();
    });
    m_hookInstalled = true;
}

void CColorPresetCtrl::ApplyTool(int keep)
{
    for (int i = 1; i < 7; ++i) {
        if (i != keep)
            m_tools[i]->setChecked(false);
    }
    CFixturesView* view = CFixturesView::Instance();
    if (!view)
        return;
    InstallEndToolHook(view);
    quint8 rgbw[4];
    m_wheel->GetColor(rgbw);
    view->SetTool(m_tool, QColor(rgbw[0], rgbw[1], rgbw[2]), rgbw[3]);
}

void CColorPresetCtrl::SetTool(int tool)
{
    if (!m_toolsBox || tool < 1 || tool > 6)
        return;
    if (tool == m_tool) {
        m_tool = 0;
        m_lastTool = tool;
    } else {
        m_tool = tool;
        if (tool != CFixturesView::PickTool)
            m_lastTool = tool;
    }
    ApplyTool(tool);
}

void CColorPresetCtrl::ChooseTool(int tool)
{
    if (!m_toolsBox)
        return;
    m_tool = m_tool == tool ? 0 : tool;
    m_lastTool = tool;
    ApplyTool(tool);
}

void CColorPresetCtrl::OnPenMode()
{
    ChooseTool(CFixturesView::PenTool);
}

void CColorPresetCtrl::OnLineMode()
{
    ChooseTool(CFixturesView::LineTool);
}

void CColorPresetCtrl::OnRectMode()
{
    ChooseTool(CFixturesView::RectangleTool);
}

void CColorPresetCtrl::OnCircleMode()
{
    ChooseTool(CFixturesView::CircleTool);
}

void CColorPresetCtrl::OnFillMode()
{
    ChooseTool(CFixturesView::FillTool);
}

void CColorPresetCtrl::OnPickMode()
{
    if (!m_toolsBox)
        return;
    if (m_tool == CFixturesView::PickTool) {
        m_tool = 0;
        m_lastTool = CFixturesView::PickTool;
    } else {
        // The tool to go back to after the pick stays the last one.
        m_tool = CFixturesView::PickTool;
    }
    ApplyTool(CFixturesView::PickTool);
}

void CColorPresetCtrl::OnColorPicked()
{
    CFixturesView* view = CFixturesView::Instance();
    if (!m_toolsBox || !view)
        return;
    const QColor picked = view->ToolColor();
    const quint8 rgbw[4] = {quint8(picked.red()), quint8(picked.green()), quint8(picked.blue()),
                            quint8(qBound(0, view->ToolWhite(), 255))};
    m_wheel->SetColor(rgbw, true);
    m_tools[CFixturesView::PickTool]->setChecked(false);
    if (m_lastTool >= 1 && m_lastTool <= 6 && m_lastTool != CFixturesView::PickTool) {
        SetTool(m_lastTool);
        m_tools[m_lastTool]->setChecked(true);
    } else {
        // No tool before the pick: the pick ends and no tool stays armed.
        SetTool(CFixturesView::PickTool);
    }
}

void CColorPresetCtrl::EndToolMode()
{
    if (!m_toolsBox || m_tool < 1 || m_tool > 6)
        return;
    m_tools[m_tool]->setChecked(false);
    SetTool(m_tool);
}

void CColorPresetCtrl::OnImport()
{
    if (!m_toolsBox || !CFixturesView::Instance())
        return;
    const QString path = g_chooser(this, GetLangText(Txt::OpenImage),
                                   GetLangText(Txt::ImagesFilter).arg(ImageFileFilter()));
    if (path.isEmpty())
        return;
    // The view leaves the matrix as it is on a picture it cannot use; the
    // operator is told why here.
    QImageReader reader(path);
    const QSize size = reader.size();
    QString error;
    if (!reader.canRead())
        error = reader.errorString();
    else if (size.isValid() && qint64(size.width()) * size.height() > kMaxImportPixels)
        error = QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
    if (!error.isEmpty()) {
        ShowHost().ShowInformation(m_title, GetLangText(Txt::CannotReadImage).arg(path, error));
        return;
    }
    CFixturesView::ApplyImageToMatrix(path);
}

void CColorPresetCtrl::UpdateImportButton()
{
    if (!m_toolsBox)
        return;
    const CGroup* group = m_wnd ? m_wnd->Project().m_currentGroup : nullptr;
    m_tools[ToolImport]->setEnabled(group && group->IsMatrixSelection() && group->m_selectedMatrices.size() == 1);
}

void CColorPresetCtrl::SetDisplayMode(int mode, bool big)
{
    StoreDisplayMode(mode);
    const bool faders = mode != DisplayPreset;
    const bool wheel = mode != DisplayCursor;
    for (int i = 0; i < 3; ++i) {
        m_faders[i]->setVisible(faders);
        m_modes[i]->setVisible(faders);
    }
    m_modes[4]->setVisible(faders);
    m_faders[3]->setVisible(faders && m_white);
    m_modes[3]->setVisible(faders && m_white);
    m_autoWhite->setVisible(wheel && m_white);
    m_wheel->setVisible(wheel);
    if (m_toolsBox)
        m_toolsBox->setVisible(wheel && big);
    m_fixedBar->setVisible(wheel && big);
    int savedShown = 0;
    if (wheel)
        savedShown = mode == DisplayPreset && !big ? 3 : kSavedShown;
    for (int i = 0; i < kSavedShown; ++i)
        m_saved[i]->setVisible(i < savedShown);
    SetBig(big);
}

void CColorPresetCtrl::SetSize(int size, bool updateMenu)
{
    StoreSize(size);
    m_wheel->SetSmall(size != SizeBig);
    SetDisplayMode(m_displayMode, size == SizeBig);
    if (updateMenu)
        UpdateSizeMenu();
}

void CColorPresetCtrl::UpdateLayout(bool withPartner)
{
    const bool big = m_size == SizeBig;
    int width = 118;
    if (m_displayMode == DisplayPreset)
        width = big ? 220 : 160;
    else if (m_displayMode == DisplayDefault)
        width = big ? 320 : 260;
    SetFixedSizeShared(width + (m_white ? 36 : 0), big ? BigHeight : SmallHeight, withPartner);
}
