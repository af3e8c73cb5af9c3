#include "setup/EditChannelDlg.h"

#include "setup/ArrowWnd.h"
#include "setup/ColorTab.h"
#include "setup/GoboTab.h"
#include "setup/OtherTab.h"
#include "setup/PatternTab.h"
#include "setup/PictureFolderCache.h"
#include "setup/PresetsList.h"
#include "setup/ProfilePresetCtrl.h"
#include "setup/ProfilePresetsWnd.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/ProfileChannelDef.h"
#include "model/ProfilePresetDef.h"
#include "show/ShowHost.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QHBoxLayout* Row(int spacing)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    return row;
}

QPushButton* Button(const QString& text)
{
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CEditChannelDlg::CEditChannelDlg(const CProfileChannelDef& channel, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_channel(new CProfileChannelDef(channel))
{
    setWindowTitle(channel.m_name);
    setMinimumSize(720, 576);
    setPalette(ShowHost().ProgramPalette());
    setAutoFillBackground(true);
    // The first opening reads the picture folders.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();

    m_colorTab = new CColorTab(this);
    m_goboTab = new CGoboTab(this);
    m_patternTab = new CPatternTab(this);
    m_otherTab = new COtherTab(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setFixedWidth(400);
    m_tabs->addTab(m_colorTab, GetLangText(Txt::Colors));
    m_tabs->addTab(m_goboTab, GetLangText(Txt::Gobos));
    m_tabs->addTab(m_patternTab, GetLangText(Txt::Patterns));
    m_tabs->addTab(m_otherTab, GetLangText(Txt::Other));
    for (CPresetTab* tab : {static_cast<CPresetTab*>(m_colorTab), static_cast<CPresetTab*>(m_goboTab),
                            static_cast<CPresetTab*>(m_patternTab), static_cast<CPresetTab*>(m_otherTab)})
        connect(tab, &CPresetTab::selChanged, this, &CEditChannelDlg::OnSelPresetChanged);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CEditChannelDlg::OnTabChanged);

    m_toolBar = new QToolBar(this);
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_add = MakeAction(Txt::Add, "Add.png", &CEditChannelDlg::Add);
    m_remove = MakeAction(Txt::Remove, "Remove.png", &CEditChannelDlg::Remove);
    m_update = MakeAction(Txt::Update, "Update.png", &CEditChannelDlg::Update);
    m_copy = MakeAction(Txt::Copy, "Copy.png", &CEditChannelDlg::Copy);
    m_paste = MakeAction(Txt::Paste, "Paste.png", &CEditChannelDlg::Paste);
    m_reversePaste = MakeAction(Txt::ReversePaste, "ReversePaste.png", &CEditChannelDlg::ReversePaste);

    m_presets = new CProfilePresetsWnd(m_channel, this);
    connect(m_presets, &CProfilePresetsWnd::selChanged, this, &CEditChannelDlg::OnSelPresetCtrlChanged);
    connect(m_presets, &CProfilePresetsWnd::presetAdded, this, &CEditChannelDlg::EnsurePresetVisible);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_presets);
    m_scroll->setWidgetResizable(true);

    QHBoxLayout* listRow = Row(0);
    listRow->addWidget(m_scroll);
    listRow->addWidget(new CArrowWnd(this));
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(m_toolBar);
    right->addLayout(listRow);
    QHBoxLayout* top = Row(6);
    top->addWidget(m_tabs);
    top->addLayout(right);

    // Enter presses a button nobody listens to, so it closes nothing.
    auto* buttons = new QDialogButtonBox(Qt::Horizontal, this);
    buttons->addButton(Button(GetLangText(Txt::Ok)), QDialogButtonBox::AcceptRole);
    buttons->addButton(Button(GetLangText(Txt::Cancel)), QDialogButtonBox::RejectRole);
    QPushButton* sink = Button(QString());
    sink->setFixedWidth(0);
    buttons->addButton(sink, QDialogButtonBox::ActionRole);
    sink->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(top);
    column->addSpacing(6);
    column->addWidget(buttons);

    OnSelPresetCtrlChanged();
    ChooseStartingTab(channel.m_type);
    QApplication::restoreOverrideCursor();
}

CEditChannelDlg::~CEditChannelDlg()
{
    ClearClipboard();
}

QAction* CEditChannelDlg::MakeAction(int caption, const char* picture, void (CEditChannelDlg::*slot)())
{
    auto* action = new QAction(QIcon(QStringLiteral(":/Orvane/Images/Patch/") + QLatin1String(picture)),
                               GetLangText(caption), this);
    connect(action, &QAction::triggered, this, slot);
    m_toolBar->addAction(action);
    return action;
}

void CEditChannelDlg::ChooseStartingTab(int channelType)
{
    int tab = OtherTab;
    int subTab = COtherTab::Beam;
    switch (channelType) {
    case 1: case 2:
        subTab = COtherTab::Other;
        break;
    case 5:
        tab = ColorsTab;
        break;
    case 6: case 9: case 10: case 11: case 12: case 20: case 21:
        subTab = COtherTab::Rotation;
        break;
    case 8:
        tab = GobosTab;
        break;
    case 19:
        subTab = COtherTab::Prism;
        break;
    default:
        break;
    }
    if (tab == OtherTab)
        m_otherTab->SubTabs()->setCurrentIndex(subTab);
    m_tabs->setCurrentIndex(tab);
    OnTabChanged(tab);
}

CPresetTab* CEditChannelDlg::TabAt(int index) const
{
    switch (index) {
    case ColorsTab: return m_colorTab;
    case GobosTab: return m_goboTab;
    case PatternsTab: return m_patternTab;
    default: return m_otherTab;
    }
}

void CEditChannelDlg::OnTabChanged(int index)
{
    m_currentList = TabAt(index)->CurrentList();
    OnSelPresetCtrlChanged();
}

void CEditChannelDlg::OnSelPresetChanged(bool)
{
    OnTabChanged(m_tabs->currentIndex());
}

void CEditChannelDlg::OnSelPresetCtrlChanged()
{
    const bool picture = m_currentList && m_currentList->currentItem();
    const bool selection = !m_presets->Selection().isEmpty();
    m_add->setEnabled(picture);
    m_remove->setEnabled(picture && selection);
    m_update->setEnabled(picture && selection);
    m_copy->setEnabled(selection);
    m_paste->setEnabled(!m_clipboard.isEmpty());
    m_reversePaste->setEnabled(m_clipboard.size() >= 2);
}

int CEditChannelDlg::InsertionIndex() const
{
    const QList<int>& selection = m_presets->Selection();
    return selection.isEmpty() ? -1 : selection.last() + 1;
}

void CEditChannelDlg::Add()
{
    SPresetPayload picture;
    if (m_currentList && m_currentList->GetCurrentPreset(picture))
        m_presets->AddPresetAt(InsertionIndex(), picture);
}

void CEditChannelDlg::Update()
{
    SPresetPayload picture;
    if (m_presets->Selection().isEmpty() || !m_currentList || !m_currentList->GetCurrentPreset(picture))
        return;
    for (int index : m_presets->Selection())
        m_presets->UpdatePresetAt(index, picture);
}

void CEditChannelDlg::Remove()
{
    if (!m_presets->Selection().isEmpty())
        m_presets->DeleteSelected();
}

void CEditChannelDlg::ClearClipboard()
{
    qDeleteAll(m_clipboard);
    m_clipboard.clear();
}

void CEditChannelDlg::Copy()
{
    const QList<int>& selection = m_presets->Selection();
    if (selection.isEmpty())
        return;
    ClearClipboard();
    for (int index : selection) {
        if (index < 0 || index >= m_channel->m_presets.size())
            continue;
        auto* copy = new CProfilePresetDef(*m_channel->m_presets[index]);
        const auto later = std::find_if(m_clipboard.begin(), m_clipboard.end(), [&](const CProfilePresetDef* p) {
            return p->m_dmxStart > copy->m_dmxStart;
        });
        m_clipboard.insert(later, copy);
    }
    OnSelPresetCtrlChanged();
}

void CEditChannelDlg::Paste()
{
    PasteInOrder(false);
}

void CEditChannelDlg::ReversePaste()
{
    PasteInOrder(true);
}

void CEditChannelDlg::PasteInOrder(bool reverse)
{
    if (m_clipboard.isEmpty())
        return;
    int index = InsertionIndex();
    for (int k = 0; k < m_clipboard.size(); ++k) {
        const CProfilePresetDef* entry = m_clipboard[reverse ? k : m_clipboard.size() - 1 - k];
        auto* copy = new CProfilePresetDef(*entry);
        copy->m_defaultPreset = false;
        auto* row = new CProfilePresetCtrl(copy, m_channel, LoadPresetPicture(copy->m_icon), m_presets);
        if (!m_presets->InsertPreset(index, copy, row)) {
            delete row;
            delete copy;
            break;
        }
    }
    OnSelPresetCtrlChanged();
}

void CEditChannelDlg::EnsurePresetVisible(int index)
{
    const auto& rows = m_presets->Rows();
    if (index < 0 || index >= rows.size()) {
        m_scroll->verticalScrollBar()->setValue(m_scroll->verticalScrollBar()->maximum());
        return;
    }
    // The list lays its rows out when it next runs; the row must be placed first.
    m_presets->layout()->activate();
    m_scroll->ensureWidgetVisible(rows[index], 50, 50);
}
