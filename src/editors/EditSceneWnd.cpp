#include "editors/EditSceneWnd.h"

#include "Captions.h"
#include "editors/EditSceneShared.h"
#include "editors/EffectsList.h"
#include "model/Language.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/TimeBoxDelegate.h"
#include "widgets/TimeWidget.h"
#include "widgets/ZKTimeEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <iterator>

using namespace EditScene;

CEditSceneWnd::CEditSceneWnd(CProject& project, QWidget* parent) : QWidget(parent), m_project(project)
{
    m_busy = true;
    BuildPage();
    m_busy = false;
}

CEditSceneWnd::~CEditSceneWnd()
{
    ClearUndo();
    delete m_opened;
    EmptyClipboard();
}

QString CEditSceneWnd::CellText(qint64 ms)
{
    if (ms < 0 || ms >= 3600000)
        return QString();
    return TimeOf(int(ms)).toString(QStringLiteral("mm'm' ss's' zzz"));
}

// --- Page layout

void CEditSceneWnd::BuildPage()
{
    m_toolBar = new QToolBar;
    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBarBig2.png\") }"));
    auto* grid = new QWidget;
    auto* gridLayout = new QGridLayout(grid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(1);
    struct CToolPlace
    {
        Tool tool;
        const char* icon;
        int row;
        int column;
        void (CEditSceneWnd::*slot)();
    };
    const CToolPlace places[] = {
        {ToolAdd, "Add.png", 0, 0, &CEditSceneWnd::AddStep},       {ToolCopy, "Copy.png", 0, 1, &CEditSceneWnd::CopySteps},
        {ToolPaste, "Paste.png", 0, 2, &CEditSceneWnd::PasteSteps}, {ToolUndo, "Undo.png", 0, 3, &CEditSceneWnd::Undo},
        {ToolPlay, "Play.png", 0, 4, &CEditSceneWnd::Play},         {ToolCopyLive, "CopyLive.png", 0, 5, &CEditSceneWnd::CopyLive},
        {ToolRemove, "Remove.png", 1, 0, &CEditSceneWnd::DelSteps}, {ToolCut, "Cut.png", 1, 1, &CEditSceneWnd::CutSteps},
        {ToolTime, "Time.png", 1, 2, &CEditSceneWnd::TimeSteps},    {ToolRedo, "Redo.png", 1, 3, &CEditSceneWnd::Redo},
        {ToolRecord, "Record.png", 1, 4, &CEditSceneWnd::Record},
    };
    for (const CToolPlace& place : places) {
        auto* button = new QToolButton;
        button->setFixedSize(24, 24);
        button->setIconSize(QSize(16, 16));
        button->setIcon(QIcon(kIcons + QLatin1String(place.icon)));
        connect(button, &QToolButton::pressed, this, place.slot);
        gridLayout->addWidget(button, place.row, place.column);
        m_tools[size_t(place.tool)] = button;
    }
    m_toolBar->addWidget(grid);
    m_toolBar->addSeparator();
    m_clock = new CTimeWidget(0);
    m_clock->setFixedHeight(32);
    m_clock->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_clock->setFont(QFont(QStringLiteral("Arial"), 24));
    m_toolBar->addWidget(m_clock);
    m_toolBar->addSeparator();
    auto* dmx = new QToolButton;
    dmx->setFixedSize(32, 32);
    dmx->setIconSize(QSize(24, 24));
    connect(dmx, &QToolButton::pressed, this, &CEditSceneWnd::EnableDmx);
    m_toolBar->addWidget(dmx);
    m_tools[ToolDmx] = dmx;

    m_steps = new QTableWidget(0, 3);
    m_steps->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_steps->verticalHeader()->setMinimumSectionSize(20);
    m_steps->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_steps->horizontalHeader()->setHighlightSections(false);
    m_steps->horizontalHeader()->setStretchLastSection(true);
    m_steps->horizontalHeader()->setDefaultSectionSize(140);
    m_steps->horizontalHeader()->setMinimumSectionSize(100);
    m_fadeDelegate = new CTimeBoxDelegate(this);
    m_waitDelegate = new CTimeBoxDelegate(this);
    m_steps->setItemDelegateForColumn(0, m_fadeDelegate);
    m_steps->setItemDelegateForColumn(1, m_waitDelegate);
    m_steps->setFixedWidth(440);
    connect(m_steps, &QTableWidget::itemSelectionChanged, this, &CEditSceneWnd::OnSelStepChanged);
    connect(m_steps, &QTableWidget::itemPressed, this, &CEditSceneWnd::OnSelStepClicked);
    connect(m_steps, &QTableWidget::cellChanged, this, &CEditSceneWnd::OnCelStepChanged);
    connect(m_steps, &QTableWidget::cellDoubleClicked, this, &CEditSceneWnd::OnCelStepDoubleClicked);
    connect(m_fadeDelegate, &CTimeBoxDelegate::timeChanged, this, &CEditSceneWnd::OnTimeFadeChanged);
    connect(m_waitDelegate, &CTimeBoxDelegate::timeChanged, this, &CEditSceneWnd::OnTimeWaitChanged);

    m_undo = new QTableWidget(0, 1);
    m_undo->setSelectionMode(QAbstractItemView::SingleSelection);
    m_undo->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_undo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_undo->verticalHeader()->setDefaultSectionSize(20);
    m_undo->verticalHeader()->setMinimumSectionSize(20);
    m_undo->horizontalHeader()->setDefaultSectionSize(40);
    m_undo->horizontalHeader()->setMinimumSectionSize(20);
    m_undo->horizontalHeader()->setStretchLastSection(true);
    SetStepNumbersStyle(kBlackHeader);
    m_undo->verticalHeader()->setStyleSheet(kBlackHeader);
    connect(m_undo, &QTableWidget::itemSelectionChanged, this, &CEditSceneWnd::OnSelUndoChanged);

    m_effectList = new CEffectsList;
    for (const CEffectKind& kind : kEffectKinds) {
        auto* item = new QListWidgetItem(EffectIcon(kind), QString());
        item->setTextAlignment(Qt::AlignCenter);
        item->setFlags(Qt::ItemIsEnabled);
        item->setData(Qt::UserRole, kind.type);
        m_effectList->addItem(item);
        item->setHidden(true);
    }
    connect(m_effectList, &QListWidget::itemClicked, this, &CEditSceneWnd::OnSelEffectChanged);

    for (QLabel*& label : m_labels)
        label = new QLabel;
    m_name = new QLineEdit;
    m_duration = new QLineEdit;
    m_duration->setEnabled(false);
    m_duration->setAlignment(Qt::AlignCenter);
    m_fadeIn = new CZKTimeEdit(nullptr, true);
    m_fadeOut = new CZKTimeEdit(nullptr, true);
    m_loops = new QComboBox;
    m_jump = new QComboBox;
    m_releaseMode = new QComboBox;
    for (int i = 0; i < kPlayModes; ++i)
        m_releaseMode->addItem(QString());
    m_help = new QPushButton;
    m_help->setFixedSize(16, 16);
    m_help->setIcon(QIcon(kIcons + QStringLiteral("About.png")));
    m_triggers = new QPushButton(QStringLiteral("..."));
    m_media = new QPushButton(QStringLiteral("..."));
    m_currentTab = new QCheckBox;
    QWidget* fields[] = {m_name, m_duration, m_fadeIn, m_fadeOut, m_loops, m_jump, m_triggers, m_media};
    for (QWidget* field : fields)
        field->setFixedWidth(160);
    m_releaseMode->setFixedWidth(140);

    auto* params = new QGridLayout;
    params->setContentsMargins(6, 6, 6, 6);
    params->setSpacing(6);
    QWidget* rowFields[] = {m_name, m_duration, m_fadeIn, m_fadeOut, m_loops, m_jump, nullptr, m_triggers, m_media};
    for (int row = 0; row < 9; ++row) {
        params->addWidget(m_labels[size_t(row)], row, 0);
        if (rowFields[row]) {
            params->addWidget(rowFields[row], row, 1);
            continue;
        }
        auto* modeRow = new QHBoxLayout;
        modeRow->setSpacing(4);
        modeRow->addWidget(m_releaseMode);
        modeRow->addWidget(m_help);
        params->addLayout(modeRow, row, 1);
    }
    params->addWidget(m_currentTab, 9, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CEditSceneWnd::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &CEditSceneWnd::OnCancel);
    auto* right = new QVBoxLayout;
    right->addLayout(params);
    right->addStretch();
    right->addWidget(buttons);

    auto* left = new QGridLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(m_toolBar, 0, 0, 1, 2);
    left->addWidget(m_steps, 1, 0);
    left->addWidget(m_undo, 1, 1);
    left->addWidget(m_effectList, 2, 0, 1, 2);
    auto* page = new QHBoxLayout(this);
    page->addLayout(left, 1);
    page->addLayout(right, 0);

    connect(m_triggers, &QPushButton::pressed, this, &CEditSceneWnd::OnTriggers);
    connect(m_media, &QPushButton::pressed, this, &CEditSceneWnd::OnMedias);
    connect(m_loops, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CEditSceneWnd::OnLoopsChanged);
    connect(m_releaseMode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CEditSceneWnd::OnPlayModeChanged);
    connect(m_help, &QPushButton::pressed, this, &CEditSceneWnd::OnPlayModeInfo);
    Retranslate();
}

void CEditSceneWnd::Retranslate()
{
    QScopedValueRollback<bool> busy(m_busy, true);
    struct CTip
    {
        Tool tool;
        int caption;
        const char* suffix;
    };
    const CTip tips[] = {
        {ToolAdd, Txt::EdAdd, " (CTRL + 'M')"},   {ToolRemove, Txt::Remove, " ('Delete')"},
        {ToolTime, Txt::EdTime, ""},              {ToolCut, Txt::EdCut, " (CTRL + 'X')"},
        {ToolCopy, Txt::EdCopy, " (CTRL + 'C')"}, {ToolPaste, Txt::EdPaste, " (CTRL + 'V')"},
        {ToolUndo, Txt::EdUndo, ""},              {ToolRedo, Txt::EdRedo, ""},
        {ToolPlay, Txt::Play, ""},                {ToolRecord, Txt::EdRecord, ""},
        {ToolCopyLive, Txt::EdCopyLiveLevels, ""},
    };
    for (const CTip& tip : tips)
        m_tools[size_t(tip.tool)]->setToolTip(GetLangText(tip.caption) + QLatin1String(tip.suffix));
    m_tools[ToolDmx]->setToolTip(QStringLiteral("DMX On/Off"));
    m_steps->setHorizontalHeaderLabels(
        {GetLangText(Txt::EdFadeTime), GetLangText(Txt::EdHoldTime), GetLangText(Txt::EdTotal)});
    m_undo->setHorizontalHeaderLabels({GetLangText(Txt::EdUndo)});
    for (int i = 0; i < m_effectList->count(); ++i)
        m_effectList->item(i)->setToolTip(GetLangText(kEffectKinds[i].caption));
    const int captions[] = {Txt::EdName,  Txt::EdDuration, Txt::EdFadeIn,      Txt::EdFadeOut, Txt::EdLoops,
                            Txt::EdJump,  Txt::EdReleaseMode, Txt::Triggers};
    for (size_t i = 0; i < std::size(captions); ++i)
        m_labels[i]->setText(GetLangText(captions[i]) + QStringLiteral(" :"));
    m_labels[8]->setText(GetLangText(Txt::EdSound) + QLatin1Char('/') + GetLangText(Txt::EdPicture) +
                         QStringLiteral(" :"));
    const int modes[] = {Txt::EdReleaseIdentical, Txt::EdReleaseLtp, Txt::EdReleaseAuto, Txt::EdReleaseAll,
                         Txt::EdReleaseList};
    for (int i = 0; i < kPlayModes; ++i)
        m_releaseMode->setItemText(i, GetLangText(modes[i]));
    m_help->setToolTip(GetLangText(Txt::EdHelp));
    m_currentTab->setText(GetLangText(Txt::EdCurrentTabOnly));
    if (m_scene && m_page)
        FillJumpCombo();
}

// --- Keys and closing

bool CEditSceneWnd::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (m_playing)
        return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Delete:
        DelSteps();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OnOk();
        return true;
    case Qt::Key_Escape:
        OnCancel();
        return true;
    default:
        break;
    }
    if (!ctrl)
        return false;
    switch (key) {
    case Qt::Key_A:
        m_steps->selectAll();
        return true;
    case Qt::Key_C:
        CopySteps();
        return true;
    case Qt::Key_M:
        AddStep();
        return true;
    case Qt::Key_V:
        PasteSteps();
        return true;
    case Qt::Key_X:
        CutSteps();
        return true;
    default:
        return false;
    }
}

void CEditSceneWnd::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}

void CEditSceneWnd::OnOk()
{
    // Its scene went while it waited behind the effects window: nothing is left to keep.
    if (!m_scene) {
        Close();
        return;
    }
    StoreParams();
    // A scene that plays goes on playing where it is: the editor's
    // selection must not move its current step any more.
    if (m_playing)
        ShowHost().EnableLevelPanels(true);
    m_playing = false;
    Close();
}

void CEditSceneWnd::OnCancel()
{
    CancelAsking();
}

bool CEditSceneWnd::HasChanges() const
{
    // A scene that went keeps nothing to ask about.
    return m_scene && m_opened && (m_history.Count() > 1 || ChangedFrom(*m_opened));
}

QString CEditSceneWnd::EditedName() const
{
    return m_scene ? m_scene->m_name : QString();
}

void CEditSceneWnd::EndEdit(bool keep)
{
    if (keep || !m_scene || !m_opened) {
        OnOk();
        return;
    }
    // Without an entry of its own the history holds no change to the steps:
    // the fields alone are put back.
    if (m_history.Count() > 1)
        ReplaceScene(CopyOf(*m_opened));
    else if (ChangedFrom(*m_opened))
        RestoreParams(*m_opened);
    // A scene that plays goes on playing where it is: the editor's
    // selection must not move its current step any more.
    if (m_playing)
        ShowHost().EnableLevelPanels(true);
    m_playing = false;
    Close();
}

void CEditSceneWnd::ReleaseScene()
{
    if (m_project.m_editedScene == m_scene) {
        m_project.SetEditedScene(nullptr, nullptr);
        m_project.ClearEditLayer();
    }
}

void CEditSceneWnd::Close()
{
    ClearUndo();
    delete m_opened;
    m_opened = nullptr;
    EmptyClipboard();
    ReleaseScene();
    m_scene = nullptr;
    emit closeWnd();
}
