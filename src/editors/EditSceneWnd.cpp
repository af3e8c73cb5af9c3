#include "editors/EditSceneWnd.h"

#include "Captions.h"
#include "editors/EffectsList.h"
#include "editors/ModalRun.h"
#include "editors/RecordDmxDlg.h"
#include "editors/SceneMediaDlg.h"
#include "editors/ScenesListDlg.h"
#include "editors/TimeStepDlg.h"
#include "editors/TriggerDlg.h"
#include "live/TriggerDispatcher.h"
#include "model/Language.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/UndoKind.h"
#include "widgets/TimeBoxDelegate.h"
#include "widgets/TimeWidget.h"
#include "widgets/ZKTimeEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <iterator>

namespace {

const QString kIcons = QStringLiteral(":/Orvane/Images/Icons/");
const QString kBlackHeader = QStringLiteral("QHeaderView::section {color: black;}");
const QString kRedHeader = QStringLiteral("QHeaderView::section {color: red;}");
constexpr int kLoopItems = 256; // "Always loop" and 1 to 255
constexpr int kPlayModes = 5;
constexpr int kMinWaitMs = 40;

struct CEffectKind
{
    int caption;
    const char* icon;
    int type;
};
const CEffectKind kEffectKinds[] = {
    {Txt::EdGradient, "Gradient.png", EffectType::Gradient},   {Txt::EdSequencer, "Color.png", EffectType::Trichro},
    {Txt::EdCurve, "Curve.png", EffectType::Curve},            {Txt::EdPanTilt, "PanTilt.png", EffectType::PanTilt},
    {Txt::Matrix, "Matrix.png", EffectType::MatrixAnim},       {Txt::EdAnimated, "GIF.png", EffectType::MatrixGif},
    {Txt::EdMedia, "Media.png", EffectType::MatrixMedia},      {Txt::EdText, "Text.png", EffectType::MatrixText},
};

const CEffectKind* KindOf(int type)
{
    for (const CEffectKind& kind : kEffectKinds) {
        if (kind.type == type)
            return &kind;
    }
    return nullptr;
}

QIcon EffectIcon(const CEffectKind& kind)
{
    return QIcon(QStringLiteral(":/Orvane/Images/Effects/") + QLatin1String(kind.icon));
}

// A copy for the history: the whole scene with its release list, which the
// scene's own copy leaves out so that page copies never share one.
CScene* CopyOf(const CScene& scene)
{
    auto* copy = new CScene(scene, true, true, true);
    copy->m_releaseList = scene.m_releaseList;
    return copy;
}

QTime TimeOf(int ms)
{
    return QTime(0, 0).addMSecs(qMax(0, ms));
}

int Ms(const QTime& time)
{
    return time.isValid() ? time.msecsSinceStartOfDay() : 0;
}

// A step never has fade and wait both 0.
void KeepPlayable(CSceneStep& step)
{
    if (step.m_fade + step.m_wait == 0) {
        step.m_fade = 0;
        step.m_wait = kMinWaitMs;
    }
}

// Shared by every editor, as the blinking is the program's one signal that
// edited levels do not reach the output.
int g_blinkMs = 0;
bool g_blinkCrossed = false;

} // namespace

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
    m_steps->verticalHeader()->setDefaultSectionSize(20);
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
    m_steps->verticalHeader()->setStyleSheet(kBlackHeader);
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

// --- Opening and fields

void CEditSceneWnd::SetScene(CPage* page, CScene* scene, bool playing)
{
    if (!page || !scene)
        return;
    m_page = page;
    m_scene = scene;
    delete m_opened;
    m_opened = CopyOf(*scene);
    m_project.SetEditedScene(nullptr, scene);
    Retranslate();
    SetSceneFields(true);
    UpdateEffectList();
    UpdateDmxButton();
    PushUndo(UndoEdit, GetLangText(Txt::EdEdit));
    if (playing)
        StartPlay(false);
    else
        StopPlay(false);
}

void CEditSceneWnd::SetSceneFields(bool resetHistory)
{
    QScopedValueRollback<bool> busy(m_busy, true);
    m_name->setText(m_scene->m_name);
    m_fadeIn->SetTime(TimeOf(m_scene->m_fadeIn));
    m_fadeOut->SetTime(TimeOf(m_scene->m_fadeOut));
    if (m_loops->count() != kLoopItems) {
        m_loops->clear();
        m_loops->addItem(GetLangText(Txt::EdAlwaysLoop));
        for (int i = 1; i < kLoopItems; ++i)
            m_loops->addItem(QStringLiteral("%1 %2").arg(i).arg(GetLangText(Txt::EdLoops)));
    }
    // A value no item stands for (a damaged file) shows none and is kept.
    const int loops = m_scene->m_loopCount;
    m_loops->setCurrentIndex(loops >= 0 && loops < kLoopItems ? loops : -1);
    FillJumpCombo();
    const int mode = m_scene->m_playMode;
    m_releaseMode->setCurrentIndex(mode >= 0 && mode < kPlayModes ? mode : -1);
    m_triggers->setText(m_scene->m_triggers.GetText());
    m_currentTab->setChecked(!m_scene->m_playInCurrentPage);
    FillStepsTable(0);
    m_clock->SetTime(m_scene->m_cycleLength);
    m_duration->setText(m_scene->DurationText());
    if (resetHistory) {
        ClearUndo();
        QSignalBlocker block(m_undo);
        m_undo->clearContents();
        m_undo->setRowCount(0);
    }
    UpdateUndoButtons();
    m_lastUndoKind = 0;
}

void CEditSceneWnd::FillJumpCombo()
{
    QSignalBlocker block(m_jump);
    m_jump->clear();
    m_jump->addItem(GetLangText(Txt::EdStop));
    m_jump->addItem(GetLangText(Txt::EdNext));
    for (const CScene* other : qAsConst(m_page->m_scenes)) {
        if (other != m_scene)
            m_jump->addItem(other->m_name);
    }
    if (m_scene->m_loopCount == 0) {
        m_jump->setCurrentIndex(0);
        m_jump->setEnabled(false);
        return;
    }
    m_jump->setEnabled(true);
    int index = 0;
    if (m_scene->m_autoJump) {
        index = 1;
    } else if (m_scene->m_jumpTarget) {
        for (int i = 2; i < m_jump->count(); ++i) {
            if (m_jump->itemText(i) == m_scene->m_jumpTarget->m_name) {
                index = i;
                break;
            }
        }
    }
    m_jump->setCurrentIndex(index);
}

void CEditSceneWnd::StoreParams()
{
    if (!m_scene)
        return;
    // A scene without a name could not be told apart on its page.
    if (m_name->text().trimmed().isEmpty())
        m_name->setText(m_scene->m_name);
    if (m_name->text() != m_scene->m_name) {
        m_scene->m_name = m_name->text();
        ShowHost().UpdateSceneName(m_scene);
    }
    m_scene->SetFadeIn(m_fadeIn->GetTime());
    m_scene->SetFadeOut(m_fadeOut->GetTime());
    if (m_loops->currentIndex() >= 0)
        m_scene->m_loopCount = qint16(m_loops->currentIndex());
    if (m_scene->m_loopCount != 0 && m_jump->currentIndex() >= 0) {
        // The first two items are "Stop" and "Next"; only the names after
        // them are scenes, whatever a scene is called.
        const int index = m_jump->currentIndex();
        m_scene->m_autoJump = index == 1;
        m_scene->m_jumpTarget = index >= 2 && m_page ? m_page->FindScene(m_jump->currentText()) : nullptr;
    } else if (m_scene->m_loopCount == 0) {
        m_scene->m_autoJump = false;
        m_scene->m_jumpTarget = nullptr;
    }
    if (m_scene->m_jumpTarget == m_scene)
        m_scene->m_jumpTarget = nullptr;
    m_scene->m_jumpIndex = m_page && m_scene->m_jumpTarget ? m_page->m_scenes.indexOf(m_scene->m_jumpTarget) : -1;
    if (m_releaseMode->currentIndex() >= 0)
        m_scene->m_playMode = m_releaseMode->currentIndex();
    m_scene->m_playInCurrentPage = !m_currentTab->isChecked();
    ShowHost().SetModified(true);
}

bool CEditSceneWnd::ChangedFrom(const CScene& reference) const
{
    const int loops = m_loops->currentIndex() >= 0 ? m_loops->currentIndex() : reference.m_loopCount;
    bool autoJump = false;
    const CScene* target = nullptr;
    if (loops != 0) {
        autoJump = m_jump->currentIndex() == 1;
        target = m_jump->currentIndex() >= 2 ? m_page->FindScene(m_jump->currentText()) : nullptr;
        if (m_jump->currentIndex() < 0) {
            autoJump = reference.m_autoJump;
            target = reference.m_jumpTarget;
        }
    }
    const int mode = m_releaseMode->currentIndex() >= 0 ? m_releaseMode->currentIndex() : reference.m_playMode;
    return m_name->text() != reference.m_name || Ms(m_fadeIn->GetTime()) != reference.m_fadeIn ||
           Ms(m_fadeOut->GetTime()) != reference.m_fadeOut || loops != reference.m_loopCount ||
           autoJump != reference.m_autoJump || target != reference.m_jumpTarget || mode != reference.m_playMode ||
           m_currentTab->isChecked() == reference.m_playInCurrentPage ||
           CTriggerDispatcher::FormatCommandTrigger(m_scene->m_triggers) !=
               CTriggerDispatcher::FormatCommandTrigger(reference.m_triggers) ||
           m_scene->m_playSound != reference.m_playSound || m_scene->m_sound != reference.m_sound ||
           m_scene->m_defaultButtonPicture != reference.m_defaultButtonPicture ||
           m_scene->m_buttonPicture != reference.m_buttonPicture || m_scene->m_releaseList != reference.m_releaseList;
}

void CEditSceneWnd::RestoreParams(const CScene& reference)
{
    if (m_scene->m_name != reference.m_name) {
        m_scene->m_name = reference.m_name;
        ShowHost().UpdateSceneName(m_scene);
    }
    m_scene->m_fadeIn = reference.m_fadeIn;
    m_scene->m_fadeOut = reference.m_fadeOut;
    m_scene->m_loopCount = reference.m_loopCount;
    m_scene->m_autoJump = reference.m_autoJump;
    m_scene->m_jumpTarget = reference.m_jumpTarget;
    m_scene->m_jumpIndex = reference.m_jumpIndex;
    m_scene->m_playMode = reference.m_playMode;
    m_scene->m_playInCurrentPage = reference.m_playInCurrentPage;
    m_scene->m_triggers = reference.m_triggers;
    m_scene->m_playSound = reference.m_playSound;
    m_scene->m_sound = reference.m_sound;
    m_scene->m_defaultButtonPicture = reference.m_defaultButtonPicture;
    m_scene->m_buttonPicture = reference.m_buttonPicture;
    m_scene->m_releaseList = reference.m_releaseList;
    m_scene->LoadButtonPicture();
    m_scene->UpdateLength();
}

// --- Steps table

void CEditSceneWnd::FillStepsTable(int row)
{
    if (!m_scene)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    {
        QSignalBlocker block(m_steps);
        m_steps->clearContents();
        const QList<CSceneStep*>& steps = m_scene->m_steps;
        m_steps->setRowCount(m_scene->RowCount());
        qint64 total = 0;
        int tableRow = 0;
        for (int i = 0; i < steps.size(); ++tableRow) {
            const CSceneStep* step = steps.at(i);
            int end = i + 1;
            qint64 length = step->Duration();
            if (step->m_effect) {
                while (end < steps.size() && steps.at(end)->m_effect == step->m_effect)
                    length += steps.at(end++)->Duration();
            }
            FillStepRow(step, tableRow, total, length);
            i = end;
        }
        m_steps->clearSelection();
        if (row >= 0 && row < m_steps->rowCount())
            m_steps->setCurrentCell(row, 0);
    }
    OnSelStepChanged();
}

void CEditSceneWnd::FillStepRow(const CSceneStep* step, int row, qint64& total, qint64 rowLength)
{
    const Qt::ItemFlags fixed = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    QTableWidgetItem* first = nullptr;
    QTableWidgetItem* second = nullptr;
    if (step->m_effect) {
        const CEffectKind* kind = KindOf(step->m_effect->m_type);
        first = new QTableWidgetItem(kind ? GetLangText(kind->caption) : QString());
        if (kind)
            first->setIcon(EffectIcon(*kind));
        second = new QTableWidgetItem(CellText(rowLength));
        // A generated row is changed in the effects window, not by its times.
        for (QTableWidgetItem* item : {first, second}) {
            item->setFlags(fixed);
            item->setBackground(QColor(175, 175, 205));
        }
        total += rowLength;
        if (row == 0)
            total -= step->m_fade;
        m_steps->setRowHeight(row, 40);
    } else {
        first = new QTableWidgetItem(CellText(step->m_fade));
        second = new QTableWidgetItem(CellText(step->m_wait));
        total += step->m_wait;
        if (row != 0)
            total += step->m_fade;
        m_steps->setRowHeight(row, 20);
    }
    auto* third = new QTableWidgetItem(CellText(total));
    third->setFlags(fixed);
    m_steps->setItem(row, 0, first);
    m_steps->setItem(row, 1, second);
    m_steps->setItem(row, 2, third);
}

int CEditSceneWnd::CurrentRow() const
{
    return m_steps->currentRow();
}

void CEditSceneWnd::OnSelStepChanged()
{
    if (m_playing || !m_scene)
        return;
    m_scene->ClearSelection();
    // The current row goes last: its first step becomes the current step.
    const int current = m_steps->currentRow();
    bool currentSelected = false;
    for (const QTableWidgetItem* item : m_steps->selectedItems()) {
        if (item->column() != 0)
            continue;
        if (item->row() == current)
            currentSelected = true;
        else
            m_scene->SelectRow(item->row());
    }
    if (currentSelected)
        m_scene->SelectRow(current);
    m_project.RefreshEditLayer(true);
    UpdateActions();
    m_lastUndoKind = 0;
}

void CEditSceneWnd::UpdateActions()
{
    const bool current = m_scene && m_scene->m_currentStep;
    m_tools[ToolAdd]->setEnabled(true);
    for (Tool tool : {ToolRemove, ToolTime, ToolCut, ToolCopy, ToolCopyLive})
        m_tools[size_t(tool)]->setEnabled(current);
    m_tools[ToolPaste]->setEnabled(!m_clipSteps.isEmpty());
    m_tools[ToolPlay]->setEnabled(m_scene && m_scene->IsDynamic());
    m_tools[ToolRecord]->setEnabled(ShowHost().HasDmxInputPort());
}

void CEditSceneWnd::UpdateUndoButtons()
{
    const int entries = m_undoCopies.size();
    m_tools[ToolUndo]->setEnabled(m_currentUndo != 0 && entries > 1);
    m_tools[ToolRedo]->setEnabled(m_currentUndo >= 0 && m_currentUndo <= entries - 2);
}

void CEditSceneWnd::UpdateDuration()
{
    if (!m_scene)
        return;
    m_scene->UpdateLength();
    m_clock->SetTime(m_scene->m_cycleLength);
    m_duration->setText(m_scene->DurationText());
    m_tools[ToolPlay]->setEnabled(m_scene->IsDynamic());
}

void CEditSceneWnd::UpdateEffectList()
{
    const CSelectionCaps& caps = m_project.m_selectionCaps;
    const bool color = caps.m_color || caps.m_masterColor;
    const CGroup* group = m_project.m_currentGroup;
    const bool matrix = color && group && group->m_selectedMatrices.size() == 1 && group->AllSelectedHaveIds();
    for (int i = 0; i < m_effectList->count(); ++i) {
        bool shown = false;
        switch (kEffectKinds[i].type) {
        case EffectType::Gradient:
        case EffectType::Trichro:
            shown = color;
            break;
        case EffectType::Curve:
            shown = !caps.m_profiles.isEmpty();
            break;
        case EffectType::PanTilt:
            shown = caps.m_panTilt;
            break;
        default:
            shown = matrix;
        }
        m_effectList->item(i)->setHidden(!shown);
    }
}

// --- Step operations

void CEditSceneWnd::EmptyClipboard()
{
    qDeleteAll(m_clipSteps);
    m_clipSteps.clear();
    qDeleteAll(m_clipEffects);
    m_clipEffects.clear();
}

void CEditSceneWnd::AddStep()
{
    if (!m_scene || m_playing)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    const int row = CurrentRow();
    m_scene->InsertStep(row, !ShowHost().ChannelFadersShown(), m_scene->m_currentStep, m_project);
    FillStepsTable(row + 1);
    UpdateDuration();
    if (m_scene->m_steps.size() == 1)
        ShowHost().RefreshCurrentPanel();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoNewStep));
}

void CEditSceneWnd::DelSteps()
{
    if (!m_scene || m_playing || m_scene->m_selection.isEmpty())
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    m_scene->RemoveSelectedSteps(true);
    FillStepsTable(0);
    UpdateDuration();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoRemoveSteps));
}

void CEditSceneWnd::CutSteps()
{
    if (!m_scene || m_playing || m_scene->m_selection.isEmpty())
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    EmptyClipboard();
    for (CSceneStep* step : qAsConst(m_scene->m_selection)) {
        if (!m_scene->m_steps.contains(step) || m_clipSteps.contains(step))
            continue;
        m_clipSteps << step;
        if (step->m_effect && !m_clipEffects.contains(step->m_effect))
            m_clipEffects << step->m_effect;
    }
    // The scene forgets the steps and their effects; the clipboard owns them now.
    m_scene->RemoveSelectedSteps(false);
    FillStepsTable(0);
    UpdateDuration();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoCutSteps));
}

void CEditSceneWnd::CopySteps()
{
    if (!m_scene || m_playing)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    EmptyClipboard();
    const CEffect* runEffect = nullptr;
    CEffect* runClone = nullptr;
    QList<const CSceneStep*> copied;
    for (const CSceneStep* step : qAsConst(m_scene->m_selection)) {
        if (!m_scene->m_steps.contains(const_cast<CSceneStep*>(step)) || copied.contains(step))
            continue;
        copied << step;
        if (step->m_effect && step->m_effect != runEffect) {
            runEffect = step->m_effect;
            runClone = CloneEffect(step->m_effect);
            if (runClone)
                m_clipEffects << runClone;
        } else if (!step->m_effect) {
            runEffect = nullptr;
            runClone = nullptr;
        }
        m_clipSteps << new CSceneStep(m_scene, *step, step->m_effect ? runClone : nullptr);
    }
    UpdateActions();
}

void CEditSceneWnd::PasteSteps()
{
    if (!m_scene || m_playing)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    int row = CurrentRow();
    if (row < 0)
        row = m_steps->rowCount() - 1;
    m_scene->PasteSteps(row, m_clipSteps);
    FillStepsTable(qMax(0, row));
    UpdateDuration();
    ShowHost().RefreshCurrentPanel();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoPasteSteps));
}

void CEditSceneWnd::TimeSteps()
{
    if (!m_scene || m_playing || !m_scene->m_currentStep || m_scene->m_currentStep->m_effect)
        return;
    CTimeStepDlg dialog(*m_scene->m_currentStep, this);
    if (RunDialog(dialog) != QDialog::Accepted || !m_scene)
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    for (CSceneStep* step : qAsConst(m_scene->m_selection)) {
        if (!m_scene->m_steps.contains(step))
            continue;
        step->SetFade(dialog.FadeTime());
        step->SetWait(dialog.HoldTime());
        KeepPlayable(*step);
    }
    FillStepsTable(0);
    UpdateDuration();
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoTimeSteps));
}

void CEditSceneWnd::OnTimeFadeChanged(const QTime& time)
{
    CSceneStep* step = m_scene ? m_scene->m_currentStep : nullptr;
    if (m_busy || m_playing || !step || step->m_effect)
        return;
    BeginChange();
    step->SetFade(time);
    KeepPlayable(*step);
    UpdateDuration();
}

void CEditSceneWnd::OnTimeWaitChanged(const QTime& time)
{
    CSceneStep* step = m_scene ? m_scene->m_currentStep : nullptr;
    if (m_busy || m_playing || !step || step->m_effect)
        return;
    BeginChange();
    step->SetWait(time);
    KeepPlayable(*step);
    UpdateDuration();
}

void CEditSceneWnd::OnCelStepChanged(int row, int column)
{
    if (m_busy || m_playing || !m_scene)
        return;
    // The committed cell is the time the step keeps, whichever way it was typed.
    CSceneStep* step = m_scene->StepAtRow(row);
    const QTableWidgetItem* item = m_steps->item(row, column);
    BeginChange();
    if (step && !step->m_effect && item && column < 2) {
        const QTime time = CTimeBoxDelegate::ParseCellText(item->text());
        if (time.isValid()) {
            (column == 0 ? step->m_fade : step->m_wait) = Ms(time);
            KeepPlayable(*step);
        }
    }
    PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoTimeSteps));
    FillStepsTable(CurrentRow());
    UpdateDuration();
}

void CEditSceneWnd::ApplyLevelsToSelection(const QString& label)
{
    for (CSceneStep* step : qAsConst(m_scene->m_selection)) {
        if (m_scene->m_steps.contains(step))
            step->StoreFixtures(m_scene, false, m_project);
    }
    m_project.RefreshEditLayer(true);
    ShowHost().RefreshCurrentPanel();
    PushUndo(UndoCopyLive, label);
}

void CEditSceneWnd::CopyLive()
{
    if (!m_scene || m_playing || m_scene->m_selection.isEmpty())
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    m_project.CopyLiveToEdit();
    ApplyLevelsToSelection(GetLangText(Txt::EdUndoCopyLive));
}

void CEditSceneWnd::OnMaskChanged(int mask)
{
    if (!m_scene || m_playing || m_scene->m_selection.isEmpty() || !m_project.ApplyMask(mask))
        return;
    QScopedValueRollback<bool> busy(m_busy, true);
    BeginChange();
    ApplyLevelsToSelection(GetLangText(Txt::EdUndoApplyMask));
}

// --- Effects

void CEditSceneWnd::OnSelEffectChanged(QListWidgetItem* item)
{
    if (m_playing || !item)
        return;
    m_lastUndoKind = 0;
    emit editEffect(eEffect(item->data(Qt::UserRole).toInt()), false);
}

void CEditSceneWnd::EditEffect()
{
    if (m_busy || m_playing || !m_scene || !m_scene->m_currentStep || !m_scene->m_currentStep->m_effect)
        return;
    emit editEffect(eEffect(m_scene->m_currentStep->m_effect->m_type), true);
}

void CEditSceneWnd::OnCelStepDoubleClicked(int row, int column)
{
    Q_UNUSED(row);
    Q_UNUSED(column);
    EditEffect();
}

void CEditSceneWnd::OnSelStepClicked(QTableWidgetItem* item)
{
    Q_UNUSED(item);
    if (!(QApplication::mouseButtons() & Qt::RightButton) || !m_scene || !m_scene->m_currentStep ||
        !m_scene->m_currentStep->m_effect)
        return;
    QMenu menu(this);
    menu.setStyleSheet(QStringLiteral("QMenu { background: rgb(195, 195, 190) }"));
    menu.addAction(QIcon(kIcons + QStringLiteral("Params.png")), GetLangText(Txt::EdEdit), this,
                   &CEditSceneWnd::EditEffect);
    menu.exec(QCursor::pos());
}

// --- Parameters

void CEditSceneWnd::OnLoopsChanged(int index)
{
    if (m_busy || !m_scene || index < 0)
        return;
    if (index == 0)
        m_jump->setCurrentIndex(0);
    m_jump->setEnabled(index != 0);
    m_scene->m_loopCount = qint16(index);
    UpdateDuration();
}

void CEditSceneWnd::OnPlayModeChanged(int index)
{
    if (m_busy || !m_scene || index != ReleaseList)
        return;
    const QList<CScene*> saved = m_scene->m_releaseList;
    CScenesListDlg dialog(m_page, m_scene, this);
    if (RunDialog(dialog) != QDialog::Accepted && m_scene)
        m_scene->m_releaseList = saved;
}

void CEditSceneWnd::OnPlayModeInfo()
{
    const int texts[] = {Txt::EdHelpIdentical, Txt::EdHelpLtp, Txt::EdHelpAuto, Txt::EdHelpAll, Txt::EdHelpList};
    const int mode = m_releaseMode->currentIndex();
    if (mode >= 0 && mode < kPlayModes)
        ShowHost().ShowInformation(GetLangText(Txt::EdHelp), GetLangText(texts[mode]));
}

void CEditSceneWnd::OnTriggers()
{
    if (!m_scene)
        return;
    CTriggerDlg dialog(m_scene->m_triggers, false, true, m_project.UniverseCount(), this);
    ShowHost().SetOpenTriggerDialog(&dialog);
    const int result = RunDialog(dialog);
    ShowHost().SetOpenTriggerDialog(nullptr);
    if (result == QDialog::Accepted && m_scene)
        m_triggers->setText(m_scene->m_triggers.GetText());
}

void CEditSceneWnd::OnMedias()
{
    if (!m_scene)
        return;
    CSceneMediaDlg dialog(*m_scene, this);
    RunDialog(dialog);
}

// --- Play, record and output

void CEditSceneWnd::SetTableEditable(bool editable)
{
    m_steps->setEnabled(editable);
    m_undo->setEnabled(editable);
    m_effectList->setEnabled(editable);
    for (Tool tool : {ToolAdd, ToolRemove, ToolTime, ToolCut, ToolCopy, ToolPaste, ToolUndo, ToolRedo, ToolRecord,
                      ToolCopyLive})
        m_tools[size_t(tool)]->setEnabled(editable);
}

void CEditSceneWnd::SetToolIcon(Tool tool, const QString& name)
{
    m_tools[size_t(tool)]->setIcon(QIcon(kIcons + name));
}

void CEditSceneWnd::Play()
{
    if (m_playing)
        StopPlay(true);
    else
        StartPlay(true);
}

void CEditSceneWnd::StartPlay(bool start)
{
    if (!m_scene)
        return;
    SetTableEditable(false);
    SetToolIcon(ToolPlay, QStringLiteral("Stop.png"));
    m_playing = true;
    if (start && m_page) {
        const int index = m_scene->CurrentStepIndex();
        m_page->PlayScene(m_scene, index, index >= 0 ? 0 : -1);
    }
    ShowPlayingStep(m_scene);
    ShowHost().EnableLevelPanels(false);
}

void CEditSceneWnd::StopPlay(bool stop)
{
    if (!m_scene)
        return;
    m_playing = false;
    if (stop && m_page)
        m_page->StopScene(m_scene, false, false, true, true);
    SetTableEditable(true);
    UpdateActions();
    UpdateUndoButtons();
    SetToolIcon(ToolPlay, QStringLiteral("Play.png"));
    m_clock->SetTime(m_scene->m_cycleLength);
    ShowHost().EnableLevelPanels(true);
    OnSelStepChanged();
}

void CEditSceneWnd::ShowPlayingStep(CScene* scene)
{
    if (!m_playing || !scene || scene != m_scene)
        return;
    const int row = m_scene->StepToRow(m_scene->m_currentStep);
    if (row < 0)
        return;
    QSignalBlocker block(m_steps);
    m_steps->setCurrentCell(row, 0);
}

void CEditSceneWnd::Record()
{
    if (!m_scene || m_playing || ShowHost().IsRecording() || m_recordDlg)
        return;
    ShowHost().SetRecordDialogOpen(true);
    const int result = [this] {
        CRecordDmxDlg dialog(m_project, m_page, this);
        m_recordDlg = &dialog;
        const int answer = RunDialog(dialog);
        m_recordDlg = nullptr;
        return answer;
    }();
    ShowHost().SetRecordDialogOpen(false);
    TakeRecordedSteps(result == QDialog::Accepted);
}

void CEditSceneWnd::TakeRecordedSteps(bool keep)
{
    CScene* recorded = m_project.m_recordScene;
    if (!recorded)
        return;
    m_project.m_recordScene = nullptr;
    for (CPage* page : qAsConst(m_project.m_pages))
        page->DropScene(recorded);
    if (keep && m_scene) {
        QScopedValueRollback<bool> busy(m_busy, true);
        int row = CurrentRow();
        if (row < 0)
            row = m_steps->rowCount() - 1;
        BeginChange();
        m_scene->PasteSteps(row, recorded->m_steps);
        // The recorded channels play in the scene as they did in the recording.
        for (int u = 0; u < m_scene->UniverseCount() && u < recorded->UniverseCount(); ++u) {
            quint8* to = m_scene->ActiveMask(u);
            const quint8* from = recorded->ActiveMask(u);
            for (int slot = 0; slot < kSlotsPerUniverse; ++slot)
                to[slot] = to[slot] || from[slot];
        }
        FillStepsTable(row + 1);
        UpdateDuration();
        PushUndo(UndoStepOperation, GetLangText(Txt::EdUndoPasteSteps));
    }
    delete recorded;
}

void CEditSceneWnd::OnRecordStopped()
{
    if (m_recordDlg)
        m_recordDlg->OnRecordStopped();
}

void CEditSceneWnd::EnableDmx()
{
    ShowHost().ToggleSendEditDmx();
    UpdateDmxButton();
}

void CEditSceneWnd::UpdateDmxButton()
{
    const bool on = ShowHost().SendEditDmxOption();
    SetToolIcon(ToolDmx, on ? QStringLiteral("XLR.png") : QStringLiteral("XLR_Cross.png"));
    m_clock->SetPenColor(on ? QColor(80, 80, 80) : QColor(255, 0, 0));
    m_steps->verticalHeader()->setStyleSheet(on ? kBlackHeader : kRedHeader);
}

void CEditSceneWnd::Tick(int elapsedMs)
{
    if (!ShowHost().SendEditDmxOption()) {
        g_blinkMs += elapsedMs;
        if (g_blinkMs >= 500) {
            g_blinkMs = 0;
            g_blinkCrossed = !g_blinkCrossed;
            SetToolIcon(ToolDmx, g_blinkCrossed ? QStringLiteral("XLR_Cross.png") : QStringLiteral("XLR.png"));
        }
    }
    if (m_playing && m_scene) {
        m_clock->SetTime(m_scene->m_roundedPosition);
    } else if (m_recordDlg) {
        if (m_recordDlg->IsPlayingBack() && m_project.m_recordScene)
            m_recordDlg->Clock()->SetTime(m_project.m_recordScene->m_roundedPosition);
        else if (ShowHost().IsRecording())
            m_recordDlg->Clock()->SetTime(ShowHost().DmxRecordElapsedMs());
    }
}

// --- Undo history

void CEditSceneWnd::PushUndo(int kind, const QString& label)
{
    if (!m_scene)
        return;
    if (kind == m_lastUndoKind && kind != UndoStepOperation) {
        // The run goes on: the entry is refreshed again at its end.
        m_lastEntryRefreshed = false;
        return;
    }
    QScopedValueRollback<bool> busy(m_busy, true);
    QSignalBlocker block(m_undo);
    m_lastUndoKind = kind;
    int n = m_undo->rowCount();
    if (m_currentUndo == -1) {
        if (!m_lastEntryRefreshed)
            RefreshLastUndo();
    } else {
        // A change made while an earlier entry is shown drops the later ones.
        for (int r = n - 1; r > m_currentUndo; --r)
            delete m_undoCopies.takeAt(r);
        m_undo->setRowCount(m_currentUndo + 1);
        n = m_currentUndo + 1;
        m_currentUndo = -1;
        m_undo->clearSelection();
    }
    int row = n;
    if (n < kUndoLimit) {
        m_undo->insertRow(n);
    } else {
        m_undo->removeRow(0);
        delete m_undoCopies.takeFirst();
        row = kUndoLimit - 1;
        m_undo->insertRow(row);
    }
    m_undoCopies << CopyOf(*m_scene);
    auto* item = new QTableWidgetItem(label);
    item->setData(Qt::UserRole, kind);
    m_undo->setItem(row, 0, item);
    m_tools[ToolUndo]->setEnabled(m_undoCopies.size() > 1);
    m_tools[ToolRedo]->setEnabled(false);
    m_lastEntryRefreshed = false;
}

void CEditSceneWnd::BeginChange()
{
    // The entry of a run of level changes is refreshed lazily, at the next
    // push; the editor's own operations refresh it before they change the
    // scene, so that it never holds what they did.
    if (m_currentUndo == -1 && !m_lastEntryRefreshed) {
        RefreshLastUndo();
        m_lastEntryRefreshed = true;
    }
}

void CEditSceneWnd::RefreshLastUndo()
{
    const int rows = m_undo->rowCount();
    if (rows == 0 || m_undoCopies.size() != rows)
        return;
    const QTableWidgetItem* item = m_undo->item(rows - 1, 0);
    if (!item || item->data(Qt::UserRole).toInt() <= UndoStepOperation)
        return;
    delete m_undoCopies.takeLast();
    m_undoCopies << CopyOf(*m_scene);
}

void CEditSceneWnd::ClearUndo()
{
    qDeleteAll(m_undoCopies);
    m_undoCopies.clear();
    m_currentUndo = -1;
}

void CEditSceneWnd::Undo()
{
    if (m_playing || m_currentUndo == 0 || m_undoCopies.isEmpty())
        return;
    const int target = m_currentUndo > 0 ? m_currentUndo - 1 : m_undoCopies.size() - 2;
    if (target >= 0)
        m_undo->setCurrentCell(target, 0);
}

void CEditSceneWnd::Redo()
{
    if (m_playing || m_currentUndo < 0 || m_currentUndo >= m_undoCopies.size() - 1)
        return;
    m_undo->setCurrentCell(m_currentUndo + 1, 0);
}

void CEditSceneWnd::OnSelUndoChanged()
{
    if (m_busy || m_playing || !m_scene)
        return;
    const int r = m_undo->currentRow();
    if (r < 0 || r >= m_undoCopies.size())
        return;
    if (m_currentUndo == -1)
        RefreshLastUndo();
    m_currentUndo = r;
    ReplaceScene(CopyOf(*m_undoCopies.at(r)));
    // Undo gives back steps, effects, triggers and media; the fields shown stay.
    StoreParams();
    SetSceneFields(false);
}

void CEditSceneWnd::ReplaceScene(CScene* copy)
{
    CScene* old = m_scene;
    m_project.SetEditedScene(old, copy);
    m_scene = copy;
    if (m_page && m_page->IsPlaying(copy)) {
        // The copy is idle: it plays on from its first step, or stops at once
        // when it has nothing to play.
        copy->UpdateLength();
        if (!copy->Start(0, 0))
            m_page->DropScene(copy);
    }
    delete old;
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
    if (!m_scene)
        return;
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
    if (!m_scene || !m_opened)
        return;
    const auto ask = [] {
        return ShowHost().AskQuestion(GetLangText(Txt::AppTitle), GetLangText(Txt::SaveChanges)) == CShowHost::Yes;
    };
    if (m_undoCopies.size() <= 1) {
        if (ChangedFrom(*m_opened)) {
            if (ask()) {
                OnOk();
                return;
            }
            RestoreParams(*m_opened);
        }
    } else if (ask()) {
        StoreParams();
    } else {
        ReplaceScene(CopyOf(*m_opened));
    }
    // A scene that plays goes on playing where it is: the editor's
    // selection must not move its current step any more.
    if (m_playing)
        ShowHost().EnableLevelPanels(true);
    m_playing = false;
    Close();
}

void CEditSceneWnd::Close()
{
    ClearUndo();
    delete m_opened;
    m_opened = nullptr;
    if (m_project.m_editedScene == m_scene) {
        m_project.SetEditedScene(nullptr, nullptr);
        m_project.ClearEditLayer();
    }
    m_scene = nullptr;
    emit closeWnd();
}
