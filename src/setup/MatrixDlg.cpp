#include "setup/MatrixDlg.h"

#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "setup/2DFixtureWnd.h"
#include "setup/MatrixWnd.h"
#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/REDOvoroz.h"
#include "Captions.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kPictures = QStringLiteral(":/Orvane/Images/Patch/");
constexpr int kPreviewMs = 120;

QString OrderName(int order)
{
    return (order < 8 ? QStringLiteral("H%1") : QStringLiteral("V%1")).arg(order % 8 + 1);
}

QToolBar* IconBar(QWidget* parent)
{
    auto* bar = new QToolBar(parent);
    bar->setIconSize(QSize(32, 32));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return bar;
}

} // namespace

QStringList CMatrixDlg::PictureNames()
{
    QStringList names{QStringLiteral("DragDrop.png"), QStringLiteral("AddRemove.png"), QStringLiteral("Select.png"),
                      QStringLiteral("Remove.png"),   QStringLiteral("ZoomIn.png"),    QStringLiteral("Play.png"),
                      QStringLiteral("Stop.png"),     QStringLiteral("XLR.png")};
    for (int order = 0; order < 16; ++order)
        names << QStringLiteral("Matrix/%1.png").arg(OrderName(order));
    return names;
}

CMatrixDlg::CMatrixDlg(CProject& project, CLibraryProfile* profile, int universe, int address, int columns,
                       int rows, int limit, int capacity, QWidget* parent)
    : QDialog(parent), m_project(project), m_capacity(std::max(1, capacity))
{
    setWindowTitle(GetLangText(Txt::Matrix));
    setPalette(ShowHost().ProgramPalette());
    setAutoFillBackground(true);
    const int channels = PatchChannelCount(profile);

    m_grid = new CMatrixWnd(profile, universe, address, limit, project.UniverseCount(), columns, rows, this);
    m_grid->SetProject(&project);

    // The builder's result carries no name: the patch tab names the fixtures.
    auto* nameEdit = new QLineEdit(QStringLiteral("Matrix"), this);
    nameEdit->setMaximumWidth(160);
    nameEdit->setEnabled(false);
    m_columnsSpin = new QSpinBox(this);
    m_rowsSpin = new QSpinBox(this);
    for (QSpinBox* spin : {m_columnsSpin, m_rowsSpin})
        spin->setRange(1, m_capacity);
    m_columnsSpin->setValue(m_grid->Cells().Columns());
    m_rowsSpin->setValue(m_grid->Cells().Rows());
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(GetLangText(Txt::PatchName) + QStringLiteral(" :"), this));
    top->addWidget(nameEdit);
    top->addSpacing(20);
    top->addWidget(new QLabel(GetLangText(Txt::Dimensions) + QStringLiteral(" :"), this));
    top->addWidget(m_columnsSpin);
    top->addWidget(new QLabel(QStringLiteral("  x  "), this));
    top->addWidget(m_rowsSpin);
    top->addStretch();

    auto* patchBox = new QGroupBox(GetLangText(Txt::SetupPatchPage), this);
    auto* patchLayout = new QGridLayout(patchBox);
    auto* universeIcon = new QLabel(patchBox);
    universeIcon->setPixmap(QPixmap(kPictures + QStringLiteral("XLR.png")).scaled(16, 16));
    patchLayout->addWidget(universeIcon, 0, 0);
    patchLayout->addWidget(
        new QLabel(GetLangText(Txt::DmxUniverse) + QStringLiteral(" %1").arg(universe + 1), patchBox), 0, 1);
    m_firstCombo = new QComboBox(patchBox);
    for (int a = 1; a <= CMatrixCells::kSlots + 1 - channels; ++a)
        m_firstCombo->addItem(QStringLiteral("%1").arg(a));
    m_perUniverseCombo = new QComboBox(patchBox);
    m_lastLabel = new QLabel(patchBox);
    patchLayout->addWidget(new QLabel(GetLangText(Txt::FirstDmxAddress) + QStringLiteral(" :"), patchBox), 1, 1);
    patchLayout->addWidget(m_firstCombo, 1, 2);
    patchLayout->addWidget(new QLabel(GetLangText(Txt::NbFixturesPerUniverse) + QStringLiteral(" :"), patchBox), 2,
                           1);
    patchLayout->addWidget(m_perUniverseCombo, 2, 2);
    patchLayout->addWidget(new QLabel(GetLangText(Txt::LastDmxAddress) + QStringLiteral(" :"), patchBox), 3, 1);
    patchLayout->addWidget(m_lastLabel, 3, 2);

    auto* orderBox = new QGroupBox(GetLangText(Txt::MatrixOrder), this);
    auto* orderLayout = new QVBoxLayout(orderBox);
    for (int bar = 0; bar < 4; ++bar) {
        QToolBar* toolBar = IconBar(orderBox);
        for (int order = bar * 4; order < bar * 4 + 4; ++order) {
            const QString name = OrderName(order);
            QAction* action =
                toolBar->addAction(QIcon(kPictures + QStringLiteral("Matrix/%1.png").arg(name)), name);
            connect(action, &QAction::triggered, this, [this, order] { SetOrder(order); });
            m_orderActions << action;
        }
        orderLayout->addWidget(toolBar);
    }
    m_followingCheck = new QCheckBox(GetLangText(Txt::FollowingAddresses), orderBox);
    m_followingCheck->setChecked(true);
    orderLayout->addWidget(m_followingCheck);

    auto* previewBox = new QGroupBox(GetLangText(Txt::MatrixPreview), this);
    auto* previewScroll = new QScrollArea(previewBox);
    previewScroll->setAlignment(Qt::AlignCenter);
    previewScroll->setWidget(new C2DFixtureWnd(profile));
    auto* previewLayout = new QVBoxLayout(previewBox);
    previewLayout->addWidget(previewScroll);

    QToolBar* tools = IconBar(this);
    m_defaultAction = tools->addAction(QIcon(kPictures + QStringLiteral("DragDrop.png")),
                                       GetLangText(Txt::MatrixMoveMode), this, &CMatrixDlg::DefaultMode);
    m_addRemoveAction =
        tools->addAction(QIcon(kPictures + QStringLiteral("AddRemove.png")),
                         GetLangText(Txt::Add) + QStringLiteral(" / ") + GetLangText(Txt::Remove), this,
                         &CMatrixDlg::AddRemoveMode);
    m_selectAction = tools->addAction(QIcon(kPictures + QStringLiteral("Select.png")),
                                      GetLangText(Txt::MatrixSelectMode), this, &CMatrixDlg::SelectMode);
    for (QAction* action : {m_defaultAction, m_addRemoveAction, m_selectAction})
        action->setCheckable(true);
    m_defaultAction->setChecked(true);
    m_removeAction = tools->addAction(QIcon(kPictures + QStringLiteral("Remove.png")), GetLangText(Txt::Remove),
                                      this, &CMatrixDlg::Remove);
    m_removeAction->setEnabled(false);
    tools->addSeparator();
    m_zoomAction = tools->addAction(QIcon(kPictures + QStringLiteral("ZoomIn.png")), GetLangText(Txt::ZoomIn), this,
                                    &CMatrixDlg::Zoom);
    tools->addSeparator();
    m_playAction = tools->addAction(QIcon(kPictures + QStringLiteral("Play.png")), GetLangText(Txt::Play), this,
                                    &CMatrixDlg::Play);
    m_slider = new REDOvoroz(Qt::Horizontal, tools);
    m_slider->setEnabled(false);
    tools->addWidget(m_slider);

    m_gridScroll = new QScrollArea(this);
    m_gridScroll->setWidgetResizable(true);
    m_gridScroll->setWidget(m_grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMatrixDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(patchBox);
    groups->addWidget(orderBox);
    groups->addWidget(previewBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(groups);
    layout->addWidget(tools);
    layout->addWidget(m_gridScroll, 1);
    layout->addWidget(buttons);

    {
        const QSignalBlocker blocker(m_firstCombo);
        m_firstCombo->setCurrentIndex(m_grid->Cells().Start());
    }
    On1stAddrChanged(m_grid->Cells().Start());
    connect(m_firstCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CMatrixDlg::On1stAddrChanged);
    connect(m_perUniverseCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CMatrixDlg::OnNbFixtPerUnivChanged);
    connect(m_columnsSpin, QOverload<int>::of(&QSpinBox::valueChanged), this, &CMatrixDlg::OnXValueChanged);
    connect(m_rowsSpin, QOverload<int>::of(&QSpinBox::valueChanged), this, &CMatrixDlg::OnYValueChanged);
    connect(m_slider, &QSlider::valueChanged, this, &CMatrixDlg::OnSliderMoved);
    connect(m_grid, &CMatrixWnd::selChanged, this, &CMatrixDlg::OnMatrixSelChanged);
}

CMatrixDlg::~CMatrixDlg()
{
    if (m_grid->IsPlaying())
        StopPreview();
}

int CMatrixDlg::LoadMatrix(const CPatchMatrixBlock& matrix)
{
    m_busy = true;
    m_grid->Rebuild(matrix.m_columns, matrix.m_rows, false);
    const int leftOut = m_grid->LoadMatrix(matrix);
    const CMatrixCells& cells = m_grid->Cells();
    SetSpinRanges(std::max({m_capacity + cells.EmptyCellCount(), cells.Columns(), cells.Rows()}));
    m_columnsSpin->setValue(cells.Columns());
    m_rowsSpin->setValue(cells.Rows());
    m_busy = false;
    return leftOut;
}

void CMatrixDlg::SetSpinRanges(int maximum)
{
    for (QSpinBox* spin : {m_columnsSpin, m_rowsSpin})
        spin->setRange(1, std::max(1, maximum));
}

// ---- Patch settings ----

void CMatrixDlg::On1stAddrChanged(int index)
{
    if (index < 0)
        return;
    m_grid->Cells().SetFirstAddress(index);
    FillFixturesPerUniverse();
}

void CMatrixDlg::FillFixturesPerUniverse()
{
    const int most = m_grid->Cells().MaxFixturesPerUniverse();
    m_busy = true;
    m_perUniverseCombo->clear();
    for (int n = 1; n <= most; ++n)
        m_perUniverseCombo->addItem(QStringLiteral("%1").arg(n));
    m_perUniverseCombo->setCurrentIndex(most - 1);
    m_busy = false;
    // Called here, not through the combo: a combo of one entry signals no change.
    OnNbFixtPerUnivChanged(most - 1);
}

void CMatrixDlg::OnNbFixtPerUnivChanged(int index)
{
    if (m_busy || index < 0)
        return;
    CMatrixCells& cells = m_grid->Cells();
    cells.SetFixturesPerUniverse(index + 1);
    m_lastLabel->setText(QStringLiteral("%1").arg(cells.LastAddress() + 1));
    m_busy = true;
    m_capacity = cells.Capacity();
    const int room = std::max(1, m_capacity);
    SetSpinRanges(room);
    int x = m_columnsSpin->value();
    int y = m_rowsSpin->value();
    for (bool lowerX = true; qint64(x) * y > room; lowerX = !lowerX) {
        if (lowerX && x > 1)
            --x;
        else if (y > 1)
            --y;
        else
            --x;
    }
    m_columnsSpin->setValue(x);
    m_rowsSpin->setValue(y);
    m_grid->Rebuild(x, y, false);
    m_busy = false;
}

void CMatrixDlg::OnXValueChanged(int x)
{
    Resize(x, m_rowsSpin->value(), true);
}

void CMatrixDlg::OnYValueChanged(int y)
{
    Resize(m_columnsSpin->value(), y, false);
}

void CMatrixDlg::Resize(int x, int y, bool columnsChanged)
{
    if (m_busy)
        return;
    // The other side shrinks until the grid holds no more fixtures than fit.
    const int empty = m_grid->Cells().EmptyCellCount();
    if (qint64(x) * y - empty > m_capacity) {
        const int fitting = std::max(1, (empty + m_capacity) / std::max(1, columnsChanged ? x : y));
        (columnsChanged ? y : x) = fitting;
        m_busy = true;
        (columnsChanged ? m_rowsSpin : m_columnsSpin)->setValue(fitting);
        m_busy = false;
    }
    if (!m_grid->IsPlaying())
        m_grid->Rebuild(x, y, true);
}

// ---- Modes and orders ----

void CMatrixDlg::SetMode(int mode)
{
    m_grid->SetMode(mode);
    m_defaultAction->setChecked(mode == CMatrixWnd::MoveMode);
    m_addRemoveAction->setChecked(mode == CMatrixWnd::AddRemoveMode);
    m_selectAction->setChecked(mode == CMatrixWnd::SelectMode);
    m_removeAction->setEnabled(false);
}

void CMatrixDlg::DefaultMode()
{
    SetMode(CMatrixWnd::MoveMode);
}

void CMatrixDlg::AddRemoveMode()
{
    SetMode(CMatrixWnd::AddRemoveMode);
}

void CMatrixDlg::SelectMode()
{
    SetMode(CMatrixWnd::SelectMode);
}

void CMatrixDlg::Remove()
{
    m_grid->RemoveSelected();
    SetSpinRanges(m_capacity + m_grid->Cells().EmptyCellCount());
    m_removeAction->setEnabled(false);
}

void CMatrixDlg::OnMatrixSelChanged()
{
    m_removeAction->setEnabled(!m_grid->Cells().m_selection.isEmpty());
}

void CMatrixDlg::Zoom()
{
    m_grid->SetZoom((m_grid->ZoomStep() + 1) % 3);
}

void CMatrixDlg::SetOrder(int order)
{
    m_grid->SetOrder(order, m_followingCheck->isChecked());
}

// ---- Preview ----

void CMatrixDlg::EnableEditing(bool on)
{
    for (QWidget* widget : std::initializer_list<QWidget*>{m_columnsSpin, m_rowsSpin, m_firstCombo, m_perUniverseCombo})
        widget->setEnabled(on);
    for (QAction* action : {m_defaultAction, m_addRemoveAction, m_selectAction, m_zoomAction})
        action->setEnabled(on);
    m_removeAction->setEnabled(on && !m_grid->Cells().m_selection.isEmpty());
    m_slider->setEnabled(!on);
    m_playAction->setIcon(QIcon(kPictures + (on ? QStringLiteral("Play.png") : QStringLiteral("Stop.png"))));
}

void CMatrixDlg::Play()
{
    if (m_grid->IsPlaying()) {
        StopPreview();
        return;
    }
    m_grid->StartPreview();
    if (m_grid->StepCount() < 1) {
        m_grid->StopPreview();
        return;
    }
    m_savedPlayback = m_project.m_playback;
    EnableEditing(false);
    {
        const QSignalBlocker blocker(m_slider);
        m_slider->setRange(0, m_grid->StepCount() - 1);
        m_slider->setValue(0);
    }
    if (!m_timer) {
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, &CMatrixDlg::OnTimer);
    }
    m_timer->start(kPreviewMs);
}

void CMatrixDlg::StopPreview()
{
    if (m_timer)
        m_timer->stop();
    m_grid->StopPreview();
    m_slider->setValue(0);
    EnableEditing(true);
    // The universes may have changed meanwhile: only those both layers have
    // are given back.
    m_project.m_playback.CopyFrom(m_savedPlayback);
    m_project.RefreshOutput();
}

void CMatrixDlg::OnTimer()
{
    if (m_slider->isSliderDown() || !m_grid->IsPlaying() || m_grid->StepCount() < 1)
        return;
    const int step = (m_slider->value() + 1) % m_grid->StepCount();
    // Shown here, not through the slider: a preview of one step moves no slider.
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(step);
    m_grid->ShowPreviewStep(step);
}

void CMatrixDlg::OnSliderMoved(int value)
{
    m_grid->ShowPreviewStep(value);
}

void CMatrixDlg::OnOk()
{
    if (m_grid->Cells().PlacedCellCount() == 0) {
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::MatrixEmpty));
        return;
    }
    accept();
}

void CMatrixDlg::done(int result)
{
    if (m_grid->IsPlaying())
        StopPreview();
    QDialog::done(result);
}

void CMatrixDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Room for the whole grid, but never more than the screen minus a margin.
    const QRect available = screen->availableGeometry();
    const QSize missing = (m_grid->minimumSize() + QSize(2, 2) - m_gridScroll->viewport()->size()).expandedTo(QSize(0, 0));
    const QSize wanted = size() + missing;
    resize(std::max(minimumSizeHint().width(), std::min(wanted.width(), available.width() - 199)),
           std::max(minimumSizeHint().height(), std::min(wanted.height(), available.height() - 299)));
    move(available.center() - rect().center());
}
