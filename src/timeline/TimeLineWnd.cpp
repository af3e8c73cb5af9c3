#include "timeline/TimeLineWnd.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "show/TimeLine.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineHeader.h"
#include "timeline/TimeScaleCtrl.h"
#include "timeline/TimeScaleHeader.h"
#include "widgets/FileFilters.h"
#include "widgets/TBToolButtonStyle.h"
#include "widgets/ZKFullTimeEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStringListModel>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kSnapMs = 40;

int Snapped(int ms)
{
    return ms - ms % kSnapMs;
}

QScrollArea* ScrollRow(QWidget* header, QWidget* body)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header, 0, Qt::AlignTop);
    layout->addWidget(body, 1);
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setAlignment(Qt::AlignCenter);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(row);
    return area;
}

} // namespace

CTimeLineWnd::CTimeLineWnd(CProject& project, std::function<CMusicPlayer*()> makePlayer, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
    , m_data(project.m_timeLine)
{
    setAutoFillBackground(true);
    // A new timeline plays to its last block, loops and starts at the cursor.
    m_data.m_playLength = m_data.m_loop = m_data.m_playFrom = true;
    m_data.m_moveMarker = true;
    m_ruler = new CTimeScaleCtrl(m_data);
    m_ruler->setObjectName(QStringLiteral("timeRuler"));
    m_control = new CTimeLineCtrl(project, *m_ruler, std::move(makePlayer));
    m_control->setObjectName(QStringLiteral("timeLineControl"));
    m_scaleHeader = new CTimeScaleHeader(*m_ruler);
    m_lineHeader = new CTimeLineHeader(*m_control);
    m_lineHeader->setObjectName(QStringLiteral("timeLineHeader"));

    connect(m_scaleHeader, &CTimeScaleHeader::zoomChanged, m_ruler, &CTimeScaleCtrl::SetZoom);
    connect(m_ruler, &CTimeScaleCtrl::timeChanged, this, &CTimeLineWnd::OnTimeChanged);
    connect(m_ruler, &CTimeScaleCtrl::selChanged, this, &CTimeLineWnd::OnSelMarkerChanged);
    connect(m_ruler, &CTimeScaleCtrl::posLock, this, &CTimeLineWnd::OnCurPosLock);
    connect(m_ruler, &CTimeScaleCtrl::posUnlock, this, &CTimeLineWnd::OnCurPosUnlock);
    connect(m_ruler, &CTimeScaleCtrl::posChanged, this, &CTimeLineWnd::OnCurPosChanged);
    connect(m_ruler, &CTimeScaleCtrl::markerChanged, this, &CTimeLineWnd::OnMarkerChanged);
    connect(m_ruler, &CTimeScaleCtrl::endMarkerChanged, this, &CTimeLineWnd::RefillMarkers);
    connect(m_ruler, &CTimeScaleCtrl::markersReordered, this, &CTimeLineWnd::RefillMarkers);
    connect(m_ruler, &CTimeScaleCtrl::timeChanged, m_control, &CTimeLineCtrl::OnTimeChanged);
    connect(m_ruler, &CTimeScaleCtrl::markerRemoved, m_control, &CTimeLineCtrl::ForgetMarker);
    connect(m_ruler, &CTimeScaleCtrl::markerChanged, m_control, &CTimeLineCtrl::MoveMarkedBlocks);
    // The lines' picture shows the markers and the selected one.
    connect(m_ruler, &CTimeScaleCtrl::selChanged, m_control, &CTimeLineCtrl::Redraw);
    connect(m_ruler, &CTimeScaleCtrl::endMarkerChanged, m_control, &CTimeLineCtrl::Redraw);
    connect(m_lineHeader, &CTimeLineHeader::addLine, this, &CTimeLineWnd::OnAddLine);
    connect(m_lineHeader, &CTimeLineHeader::removeLine, this, &CTimeLineWnd::OnRemoveLine);
    connect(m_lineHeader, &CTimeLineHeader::musicSoundChanged, this, [this] {
        if (m_control->MusicLine())
            m_control->SetMusicSound(!m_control->MusicLine()->m_sound);
    });
    connect(m_lineHeader, &CTimeLineHeader::musicWaveChanged, this, [this] {
        if (m_control->MusicLine())
            m_control->SetMusicWave(!m_control->MusicLine()->m_wave);
    });
    connect(m_lineHeader, &CTimeLineHeader::videoSoundChanged, this, [this] {
        if (m_control->VideoLine())
            m_control->SetVideoSound(!m_control->VideoLine()->m_sound);
    });
    connect(m_lineHeader, &CTimeLineHeader::videoWaveChanged, this, [this] {
        if (m_control->VideoLine())
            m_control->SetVideoWave(!m_control->VideoLine()->m_wave);
    });
    connect(m_lineHeader, &CTimeLineHeader::videoVisibleChanged, this, [this](bool reset) {
        if (m_control->VideoLine())
            m_control->SetVideoVisible(!m_control->VideoLine()->m_visible, reset);
    });
    connect(m_control, &CTimeLineCtrl::selChanged, this, &CTimeLineWnd::OnSelBlockChanged);
    connect(m_control, &CTimeLineCtrl::timeBlockChanged, this, &CTimeLineWnd::OnTimeBlockChanged);
    connect(m_control, &CTimeLineCtrl::markerAdded, this, &CTimeLineWnd::OnMarkerAdded);
    connect(m_control, &CTimeLineCtrl::headerChanged, m_lineHeader, qOverload<>(&QWidget::update));
    connect(m_control, &CTimeLineCtrl::timeLineLenChanged, this, [this](int ms) {
        SetLength(ms);
        m_control->OnTimeChanged();
    });

    QWidget* toolBar = CreateToolBar();
    QScrollArea* rulerArea = ScrollRow(m_scaleHeader, m_ruler);
    rulerArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rulerArea->setFixedHeight(CTimeScaleCtrl::kHeight + 2);
    QScrollArea* linesArea = ScrollRow(m_lineHeader, m_control);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(toolBar, 0);
    column->addWidget(rulerArea, 0);
    column->addWidget(linesArea, 1);
    Retranslate();
    UpdateFromProject();
}

QToolButton* CTimeLineWnd::Button(const char* name, const char* picture, bool checkable)
{
    auto* button = new QToolButton;
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(QStringLiteral(":/Orvane/Images/TimeLine/") + QLatin1String(picture)));
    button->setFixedSize(32, 32);
    button->setIconSize(QSize(24, 24));
    button->setCheckable(checkable);
    new CTBToolButtonStyle(button);
    return button;
}

QLabel* CTimeLineWnd::Label()
{
    auto* label = new QLabel;
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_labels << label;
    return label;
}

CZKFullTimeEdit* CTimeLineWnd::TimeField(const char* name)
{
    auto* field = new CZKFullTimeEdit;
    field->setObjectName(QLatin1String(name));
    return field;
}

QWidget* CTimeLineWnd::CreateToolBar()
{
    m_play = Button("timeLinePlay", "Play.png", false);
    m_pause = Button("timeLinePause", "Pause.png", true);
    m_stop = Button("timeLineStop", "Stop.png", false);
    m_prevPage = Button("timeLinePrevPage", "Previous.png", false);
    m_nextPage = Button("timeLineNextPage", "Next.png", false);
    m_open = Button("timeLineOpen", "Open.png", false);
    m_loop = Button("timeLineLoop", "LoopLine.png", true);
    m_playLen = Button("timeLinePlayLen", "PlayLen.png", true);
    m_playFrom = Button("timeLinePlayFrom", "PlayFrom.png", true);
    m_keepPlaying = Button("timeLineKeepPlaying", "KeepPlaying.png", true);
    m_removeBlock = Button("timeLineRemoveBlock", "Remove.png", false);
    m_colorBlock = Button("timeLineColorBlock", "Color.png", false);
    m_lockMarkers = Button("timeLineLockMarkers", "LockMarker.png", true);
    m_addMarker = Button("timeLineAddMarker", "Add.png", false);
    m_removeMarker = Button("timeLineRemoveMarker", "Remove.png", false);
    m_moveMarkers = Button("timeLineMoveMarkers", "MoveMarker.png", true);
    m_prevMarker = Button("timeLinePrevMarker", "Previous.png", false);
    m_nextMarker = Button("timeLineNextMarker", "Next.png", false);
    m_lengthField = TimeField("timeLineLength");
    m_timeField = TimeField("timeLineTime");
    m_startField = TimeField("timeLineBlockStart");
    m_stopField = TimeField("timeLineBlockStop");
    m_blockLenField = TimeField("timeLineBlockLength");
    m_markerTimeField = TimeField("timeLineMarkerTime");
    m_markerList = new QComboBox;
    m_markerList->setObjectName(QStringLiteral("timeLineMarkers"));
    // A show holds up to 65,536 markers: a list of their labels takes a
    // fraction of the items a combo box makes of its own.
    m_markerList->setModel(new QStringListModel(m_markerList));
    m_colorBlock->setEnabled(false);
    m_pause->setEnabled(false);
    m_stop->setEnabled(false);

    connect(m_play, &QToolButton::pressed, this, &CTimeLineWnd::Play);
    // A checkable button changes its mark only when released over it: what
    // it stands for follows the mark, so a press dragged away changes neither.
    connect(m_pause, &QToolButton::clicked, this, [this](bool checked) {
        if (checked != m_paused)
            Pause();
    });
    connect(m_stop, &QToolButton::pressed, this, &CTimeLineWnd::Stop);
    connect(m_prevPage, &QToolButton::pressed, m_ruler, &CTimeScaleCtrl::PageBack);
    connect(m_nextPage, &QToolButton::pressed, m_ruler, &CTimeScaleCtrl::PageForward);
    const auto toggle = [this](QToolButton* button, bool CTimeLineData::*option) {
        connect(button, &QToolButton::clicked, this, [this, option](bool checked) {
            m_data.*option = checked;
            Modified();
        });
    };
    toggle(m_playLen, &CTimeLineData::m_playLength);
    toggle(m_loop, &CTimeLineData::m_loop);
    toggle(m_playFrom, &CTimeLineData::m_playFrom);
    toggle(m_keepPlaying, &CTimeLineData::m_keepPlaying);
    toggle(m_moveMarkers, &CTimeLineData::m_moveMarker);
    connect(m_lockMarkers, &QToolButton::clicked, this, [this](bool checked) {
        if (checked != m_data.m_lockMarker)
            m_ruler->ToggleLockMarkers();
        Modified();
    });
    connect(m_removeBlock, &QToolButton::released, this, [this] {
        if (!m_playing)
            m_control->OnRemoveSelected();
    });
    connect(m_colorBlock, &QToolButton::released, this, [this] {
        if (!m_playing)
            m_control->OnColorSelected();
    });
    connect(m_open, &QToolButton::released, this, &CTimeLineWnd::Open);
    connect(m_addMarker, &QToolButton::released, this, &CTimeLineWnd::AddMarker);
    connect(m_removeMarker, &QToolButton::released, this, &CTimeLineWnd::RemoveMarker);
    connect(m_prevMarker, &QToolButton::pressed, m_ruler, &CTimeScaleCtrl::SelectPrevMarker);
    connect(m_nextMarker, &QToolButton::pressed, m_ruler, &CTimeScaleCtrl::SelectNextMarker);
    connect(m_lengthField, &CZKFullTimeEdit::timeChanged, this, &CTimeLineWnd::OnTimeLineLenChanged);
    connect(m_timeField, &CZKFullTimeEdit::timeChanged, this, &CTimeLineWnd::OnTimeLineTimeChanged);
    connect(m_startField, &CZKFullTimeEdit::timeChanged, this, &CTimeLineWnd::OnBlockStartChanged);
    connect(m_stopField, &CZKFullTimeEdit::timeChanged, this, &CTimeLineWnd::OnBlockStopChanged);
    connect(m_blockLenField, &CZKFullTimeEdit::timeChanged, this, &CTimeLineWnd::OnBlockLenChanged);
    connect(m_markerTimeField, &CZKFullTimeEdit::timeChanged, this, &CTimeLineWnd::OnMarkerTimeChanged);
    connect(m_markerList, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &CTimeLineWnd::OnComboMarkerChanged);

    const auto grid = [] {
        auto* g = new QGridLayout;
        g->setContentsMargins(0, 0, 0, 0);
        g->setSpacing(2);
        return g;
    };
    const auto centred = [](QLayout* inner) {
        auto* box = new QWidget;
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 0);
        column->addStretch();
        column->addLayout(inner);
        column->addStretch();
        return box;
    };
    QGridLayout* transport = grid();
    int c = 0;
    for (QWidget* w : {static_cast<QWidget*>(m_play), static_cast<QWidget*>(m_pause), static_cast<QWidget*>(m_stop),
                       static_cast<QWidget*>(m_prevPage), static_cast<QWidget*>(m_nextPage),
                       static_cast<QWidget*>(Label()), static_cast<QWidget*>(m_lengthField)})
        transport->addWidget(w, 0, c++);
    c = 0;
    for (QWidget* w : {static_cast<QWidget*>(m_open), static_cast<QWidget*>(m_loop), static_cast<QWidget*>(m_playLen),
                       static_cast<QWidget*>(m_playFrom), static_cast<QWidget*>(m_keepPlaying),
                       static_cast<QWidget*>(Label()), static_cast<QWidget*>(m_timeField)})
        transport->addWidget(w, 1, c++);

    auto* blocks = new QHBoxLayout;
    blocks->setContentsMargins(0, 0, 0, 0);
    blocks->setSpacing(2);
    auto* blockButtons = new QVBoxLayout;
    blockButtons->setSpacing(2);
    blockButtons->addWidget(m_removeBlock);
    blockButtons->addWidget(m_colorBlock);
    blocks->addLayout(blockButtons);
    QGridLayout* blockFields = grid();
    int row = 0;
    for (CZKFullTimeEdit* field : {m_startField, m_stopField, m_blockLenField}) {
        blockFields->addWidget(Label(), row, 0);
        blockFields->addWidget(field, row++, 1);
    }
    blocks->addLayout(blockFields);

    QGridLayout* markers = grid();
    c = 0;
    for (QWidget* w : {static_cast<QWidget*>(m_lockMarkers), static_cast<QWidget*>(m_addMarker),
                       static_cast<QWidget*>(m_removeMarker), static_cast<QWidget*>(Label()),
                       static_cast<QWidget*>(m_markerTimeField)})
        markers->addWidget(w, 0, c++);
    c = 0;
    for (QWidget* w : {static_cast<QWidget*>(m_moveMarkers), static_cast<QWidget*>(m_prevMarker),
                       static_cast<QWidget*>(m_nextMarker), static_cast<QWidget*>(Label()),
                       static_cast<QWidget*>(m_markerList)})
        markers->addWidget(w, 1, c++);

    auto* bar = new QToolBar;
    bar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/TimeLineBar.png\") }"));
    bar->setFixedHeight(70);
    bar->addWidget(centred(transport));
    const auto separate = [bar] {
        bar->addSeparator();
        auto* spacer = new QWidget;
        spacer->setFixedHeight(32);
        spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        bar->addWidget(spacer);
        bar->addSeparator();
    };
    separate();
    bar->addWidget(centred(blocks));
    separate();
    bar->addWidget(centred(markers));
    return bar;
}

void CTimeLineWnd::Retranslate()
{
    const std::pair<QToolButton*, int> tips[] = {
        {m_open, Txt::TimeLineOpen},          {m_play, Txt::Play},
        {m_pause, Txt::TimeLinePause},        {m_stop, Txt::TimeLineStop},
        {m_prevPage, Txt::TimeLinePrevious},  {m_nextPage, Txt::TimeLineNext},
        {m_playLen, Txt::TimeLinePlayLen},    {m_loop, Txt::TimeLineLoop},
        {m_playFrom, Txt::TimeLinePlayFrom},  {m_keepPlaying, Txt::TimeLineKeepPlaying},
        {m_removeBlock, Txt::Remove},         {m_colorBlock, Txt::TimeLineColor},
        {m_addMarker, Txt::Add},      {m_removeMarker, Txt::Remove},
        {m_prevMarker, Txt::TimeLinePrevious}, {m_nextMarker, Txt::TimeLineNext},
        {m_lockMarkers, Txt::TimeLineLockMarkers}, {m_moveMarkers, Txt::TimeLineMoveMarkers}};
    for (const auto& [button, text] : tips)
        button->setToolTip(GetLangText(text));
    // In the order the tool bar made them.
    const int labels[] = {Txt::TimeLineDuration, Txt::TimeLineTime, Txt::TimeLineStart, Txt::TimeLineEnd,
                          Txt::TimeLineDuration, Txt::TimeLineTime, Txt::TimeLineMarker};
    for (int i = 0; i < m_labels.size() && i < int(std::size(labels)); ++i)
        m_labels[i]->setText(QStringLiteral("  ") + GetLangText(labels[i]) + QStringLiteral(" :"));
}

void CTimeLineWnd::Modified()
{
    ShowHost().SetModified(true);
}

// --- Transport ----------------------------------------------------------------

void CTimeLineWnd::SetTransportEnabled(bool stopped)
{
    for (QWidget* w : {static_cast<QWidget*>(m_play), static_cast<QWidget*>(m_open), static_cast<QWidget*>(m_prevPage),
                       static_cast<QWidget*>(m_nextPage), static_cast<QWidget*>(m_playLen),
                       static_cast<QWidget*>(m_loop), static_cast<QWidget*>(m_playFrom),
                       static_cast<QWidget*>(m_keepPlaying), static_cast<QWidget*>(m_lockMarkers),
                       static_cast<QWidget*>(m_moveMarkers), static_cast<QWidget*>(m_lengthField),
                       static_cast<QWidget*>(m_timeField), static_cast<QWidget*>(m_addMarker)})
        w->setEnabled(stopped);
    m_pause->setEnabled(!stopped);
    m_stop->setEnabled(!stopped);
}

void CTimeLineWnd::Play()
{
    if (m_playing)
        return;
    m_playTime = m_data.m_playFrom ? m_ruler->CursorTime() : 0;
    m_endTime = m_data.m_playLength ? m_control->LastBlockEnd() : m_ruler->Length();
    if (m_endTime <= 0)
        return;
    SetTransportEnabled(false);
    m_removeMarker->setEnabled(false);
    EnableBlockFields(false);
    m_markerTimeField->setEnabled(false);
    m_markerTimeField->SetTime(0);
    m_markerList->setCurrentIndex(-1);
    m_ruler->SetEditable(false);
    m_control->StartPlayback();
    ShowHost().ReleaseScenes();
    m_playing = true;
    m_data.m_playing = true;
    Modified();
}

void CTimeLineWnd::Pause()
{
    if (!m_playing)
        return;
    // The button checks itself; keys set its mark.
    m_paused = !m_paused;
    m_control->SetPaused(m_paused);
}

void CTimeLineWnd::Stop()
{
    if (!m_playing)
        return;
    SetTransportEnabled(true);
    EnableBlockFields(m_control->CurrentBlock() != nullptr);
    EnableMarkerFields(m_ruler->SelectedMarker() != nullptr);
    m_ruler->SetEditable(true);
    m_control->StopPlayback();
    if (!m_data.m_keepPlaying)
        ShowHost().ReleaseScenes();
    if (m_paused) {
        m_paused = false;
        m_pause->setChecked(false);
    }
    m_playing = false;
    m_data.m_playing = false;
    Modified();
}

void CTimeLineWnd::ShowPlayTime()
{
    m_timeField->SetTime(Snapped(m_playTime));
}

void CTimeLineWnd::Tick(int elapsed)
{
    if (!m_playing || m_paused)
        return;
    m_playTime += elapsed;
    if (m_playTime >= m_endTime) {
        if (!m_data.m_loop) {
            m_ruler->SetCursorTime(0);
            m_timeField->SetTime(0);
            Stop();
            return;
        }
        m_playTime = 0;
        m_control->PrepareRestart(false);
    }
    m_ruler->SetCursorTime(m_playTime);
    m_control->SetPosition(m_playTime, false);
    ShowPlayTime();
}

bool CTimeLineWnd::KeyPress(int key)
{
    if (key == Qt::Key_Space) {
        if (!m_playing) {
            Play();
        } else {
            Pause();
            m_pause->setChecked(m_paused);
        }
        return true;
    }
    if (key == Qt::Key_Delete && ShowHost().DeleteTarget() == CTimeLineCtrl::kDeleteTarget) {
        // The blocks stay while they play.
        if (!m_playing)
            m_control->OnRemoveSelected();
        return true;
    }
    if (key == Qt::Key_Return) {
        if (!m_playing)
            return m_control->OnAddMarker();
        m_control->AddMarkerAt(Snapped(m_playTime));
        return true;
    }
    return false;
}

void CTimeLineWnd::SetEditMode(bool editing)
{
    m_play->setEnabled(!editing && !m_playing);
    m_control->RefreshEditedScene(editing);
}

void CTimeLineWnd::UpdateFromProject()
{
    m_playLen->setChecked(m_data.m_playLength);
    m_loop->setChecked(m_data.m_loop);
    m_playFrom->setChecked(m_data.m_playFrom);
    m_keepPlaying->setChecked(m_data.m_keepPlaying);
    m_lockMarkers->setChecked(m_data.m_lockMarker);
    m_moveMarkers->setChecked(m_data.m_moveMarker);
    const bool resume = m_data.m_playing;
    const int repaired = m_control->RefreshFromProject();
    m_ruler->RefreshFromProject();
    m_control->LayoutLines();
    EnableBlockFields(false);
    EnableMarkerFields(false);
    RefillMarkers();
    m_lengthField->SetRange(0, CTimeScaleCtrl::kMaxLength);
    m_lengthField->SetTime(m_ruler->Length());
    m_timeField->SetRange(0, m_ruler->Length());
    m_markerTimeField->SetRange(0, m_ruler->Length());
    m_timeField->SetTime(m_ruler->CursorTime());
    if (repaired > 0)
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::TimeLineBadValues).arg(repaired));
    m_control->TellMissingMedia();
    if (resume) {
        m_data.m_playing = false;
        Play();
    }
}

void CTimeLineWnd::ClearLines()
{
    if (m_playing)
        Stop();
    m_control->Clear();
    EnableBlockFields(false);
}

void CTimeLineWnd::ClearMarkers()
{
    m_control->ForgetMarkers();
    m_ruler->ClearMarkers();
    m_control->Redraw();
    RefillMarkers();
    EnableMarkerFields(false);
}

void CTimeLineWnd::SetLength(int ms)
{
    m_ruler->SetLength(ms, 100);
    m_lengthField->SetTime(m_ruler->Length());
    m_timeField->SetRange(0, m_ruler->Length());
    m_markerTimeField->SetRange(0, m_ruler->Length());
    // The end of the timeline bounds the block and ends an open one.
    if (!m_playing)
        ShowBlockTimes();
}

// --- Fields -------------------------------------------------------------------

void CTimeLineWnd::OnTimeLineLenChanged(int ms)
{
    if (m_playing)
        return;
    SetLength(ms);
    m_control->OnTimeChanged();
    Modified();
}

void CTimeLineWnd::OnTimeLineTimeChanged(int ms)
{
    if (m_playing)
        return;
    m_ruler->SetCursorTime(std::clamp(ms, 0, m_ruler->Length()));
    m_control->update();
}

void CTimeLineWnd::OnBlockStartChanged(int ms)
{
    CTimeBlock* block = m_control->CurrentBlock();
    if (m_playing || !block)
        return;
    block->m_start = std::clamp(ms, m_control->MinBlockStart(), m_control->MaxBlockStart());
    BlockTimeTyped();
}

void CTimeLineWnd::OnBlockStopChanged(int ms)
{
    CTimeBlock* block = m_control->CurrentBlock();
    if (m_playing || !block)
        return;
    block->m_length = std::clamp(ms, m_control->MinBlockStop(), m_control->MaxBlockStop()) - block->m_start;
    BlockTimeTyped();
}

void CTimeLineWnd::OnBlockLenChanged(int ms)
{
    CTimeBlock* block = m_control->CurrentBlock();
    if (m_playing || !block)
        return;
    constexpr int kMinLength = CTimeLineCtrl::kMinBlockLength;
    block->m_length = std::clamp(ms, kMinLength, std::max(m_control->MaxBlockLength(), kMinLength));
    BlockTimeTyped();
}

void CTimeLineWnd::BlockTimeTyped()
{
    // Fixing the line shows the block's times again, held as the line holds them.
    m_control->FixLine(m_control->CurrentBlockLine());
    m_control->update();
    Modified();
}

void CTimeLineWnd::OnSelBlockChanged(bool selected)
{
    if (!m_playing)
        EnableBlockFields(selected);
}

void CTimeLineWnd::OnTimeBlockChanged()
{
    if (!m_playing)
        ShowBlockTimes();
}

void CTimeLineWnd::EnableBlockFields(bool on)
{
    for (QWidget* w : {static_cast<QWidget*>(m_removeBlock), static_cast<QWidget*>(m_startField),
                       static_cast<QWidget*>(m_stopField), static_cast<QWidget*>(m_blockLenField)})
        w->setEnabled(on);
    const CTimeBlock* block = m_control->CurrentBlock();
    m_colorBlock->setEnabled(on && block && !block->IsMedia() && m_control->Dialogs().chooseColor);
    if (!on || !block) {
        // The bounds of the block they showed would turn the zero into one of its times.
        for (CZKFullTimeEdit* field : {m_startField, m_stopField, m_blockLenField}) {
            field->SetRange(0, CZKFullTimeEdit::kLongest);
            field->SetTime(0);
        }
        return;
    }
    ShowBlockTimes();
}

void CTimeLineWnd::ShowBlockTimes()
{
    const CTimeBlock* block = m_control->CurrentBlock();
    if (!block)
        return;
    // The bounds move with the block and its neighbours: fields held to old
    // ones would show times no block has and refuse the ones it may take.
    const int stop = block->m_stop > 0 ? block->m_stop : m_ruler->Length();
    m_startField->SetRange(m_control->MinBlockStart(), m_control->MaxBlockStart());
    m_stopField->SetRange(m_control->MinBlockStop(), m_control->MaxBlockStop());
    constexpr int kMinLength = CTimeLineCtrl::kMinBlockLength;
    m_blockLenField->SetRange(kMinLength, std::max(m_control->MaxBlockLength(), kMinLength));
    m_startField->SetTime(block->m_start);
    m_stopField->SetTime(stop);
    m_blockLenField->SetTime(stop - block->m_start);
}

// --- Markers ------------------------------------------------------------------

void CTimeLineWnd::AddMarker()
{
    if (!m_playing)
        m_control->AddMarkerAt(m_ruler->CursorTime());
}

void CTimeLineWnd::RemoveMarker()
{
    if (m_playing)
        return;
    m_ruler->RemoveSelectedMarker();
}

void CTimeLineWnd::OnMarkerTimeChanged(int ms)
{
    if (m_playing || !m_ruler->SelectedMarker())
        return;
    m_ruler->SetSelectedMarkerTime(ms);
    Modified();
}

void CTimeLineWnd::OnComboMarkerChanged(int index)
{
    if (!m_refilling)
        m_ruler->SelectMarker(index);
}

void CTimeLineWnd::RefillMarkers()
{
    m_refilling = true;
    m_markerList->clear();
    for (const CTimeMarker* marker : m_ruler->Markers())
        m_markerList->addItem(TimeMarkerLabel(*marker));
    m_markerList->setCurrentIndex(m_ruler->SelectedIndex());
    m_refilling = false;
}

void CTimeLineWnd::OnMarkerAdded(const CTimeMarker* marker)
{
    const QList<CTimeMarker*>& markers = m_ruler->Markers();
    if (m_markerList->count() == markers.size())
        return;
    // Filling the list again costs a label per marker, a click at a time.
    const int at = markers.indexOf(const_cast<CTimeMarker*>(marker));
    if (at < 0 || m_markerList->count() + 1 != markers.size()) {
        RefillMarkers();
        return;
    }
    m_refilling = true;
    m_markerList->insertItem(at, TimeMarkerLabel(*marker));
    m_markerList->setCurrentIndex(m_ruler->SelectedIndex());
    m_refilling = false;
}

void CTimeLineWnd::OnMarkerChanged()
{
    const CTimeMarker* marker = m_ruler->SelectedMarker();
    if (m_playing || !marker)
        return;
    m_markerTimeField->SetTime(marker->m_time);
    const int index = m_ruler->SelectedIndex();
    if (index >= 0 && index < m_markerList->count())
        m_markerList->setItemText(index, TimeMarkerLabel(*marker));
}

void CTimeLineWnd::OnSelMarkerChanged(bool selected)
{
    const CTimeMarker* marker = m_ruler->SelectedMarker();
    if (m_playing) {
        if (marker) {
            const bool saved = m_paused;
            m_paused = true;
            m_playTime = marker->m_time;
            m_control->SetPosition(m_playTime, true);
            m_paused = saved;
            m_markerTimeField->SetTime(marker->m_time);
            m_refilling = true;
            m_markerList->setCurrentIndex(m_ruler->SelectedIndex());
            m_refilling = false;
        }
    } else {
        EnableMarkerFields(selected);
    }
    m_control->update();
}

void CTimeLineWnd::EnableMarkerFields(bool on)
{
    m_removeMarker->setEnabled(on);
    m_markerTimeField->setEnabled(on);
    const CTimeMarker* marker = m_ruler->SelectedMarker();
    m_refilling = true;
    if (on && marker) {
        m_markerTimeField->SetTime(marker->m_time);
        m_markerList->setCurrentIndex(m_ruler->SelectedIndex());
    } else {
        m_markerTimeField->SetTime(0);
        m_markerList->setCurrentIndex(-1);
    }
    m_refilling = false;
}

// --- Cursor and lines ---------------------------------------------------------

void CTimeLineWnd::OnCurPosLock()
{
    if (!m_playing)
        return;
    m_savedPause = m_paused;
    if (!m_paused) {
        m_paused = true;
        m_control->SetPaused(true);
    }
}

void CTimeLineWnd::OnCurPosChanged()
{
    if (!m_playing) {
        const int t = m_ruler->CursorTime();
        m_timeField->SetTime(t);
        m_control->ShowPosition(t);
        Modified();
    } else if (m_paused) {
        m_playTime = m_ruler->CursorTime();
        m_ruler->SetCursorTime(m_playTime);
        m_control->SetPosition(m_playTime, true);
        ShowPlayTime();
    }
}

void CTimeLineWnd::OnCurPosUnlock()
{
    if (m_playing && !m_savedPause && m_paused) {
        m_paused = false;
        m_control->SetPaused(false);
    }
}

void CTimeLineWnd::OnTimeChanged()
{
    if (!m_scaleHeader->IsDragging())
        m_scaleHeader->SetValue(m_ruler->Zoom());
}

void CTimeLineWnd::OnAddLine(int index)
{
    m_control->InsertLine(index);
}

void CTimeLineWnd::OnRemoveLine(int index)
{
    if (!m_playing)
        m_control->RemoveLine(index);
}

// --- Media files --------------------------------------------------------------

void CTimeLineWnd::Open()
{
    if (m_playing || !m_control->Dialogs().chooseFile)
        return;
    const QString path = m_control->ChooseFile(
        GetLangText(Txt::TimeLineOpenMedia), QStringLiteral("Media"),
        GetLangText(Txt::TimeLineMediaFiles).arg(SoundFileFilter() + QLatin1Char(' ') + VideoFileFilter()));
    if (path.isEmpty())
        return;
    bool empty = m_ruler->Markers().isEmpty();
    for (const CTimeLine* line : m_control->Lines())
        empty &= line->m_blocks.isEmpty();
    if (IsVideoFileSuffix(QFileInfo(path).suffix().toLower()))
        AddVideoFile(path, empty);
    else
        AddMusicFile(path, empty);
}

bool CTimeLineWnd::AddMusicFile(const QString& path, bool emptyTimeLine)
{
    return AddMediaFile(path, emptyTimeLine, false);
}

bool CTimeLineWnd::AddVideoFile(const QString& path, bool emptyTimeLine)
{
    return AddMediaFile(path, emptyTimeLine, true);
}

bool CTimeLineWnd::AddMediaFile(const QString& path, bool emptyTimeLine, bool video)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    const bool added = video ? m_control->AddVideoFile(path, emptyTimeLine)
                             : m_control->AddMusicFile(path, emptyTimeLine);
    QApplication::restoreOverrideCursor();
    if (added)
        m_lineHeader->Layout();
    else
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::TimeLineNoSpace));
    return added;
}
