#include "setup/PresetTab.h"

#include "setup/PresetsList.h"
#include "setup/PresetsListWnd.h"

#include <QHBoxLayout>
#include <QTabWidget>

CPresetTab::CPresetTab(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}

CSubTabsPresetTab::CSubTabsPresetTab(QWidget* parent) : CPresetTab(parent), m_tabs(new QTabWidget(this))
{
    m_tabs->setTabPosition(QTabWidget::West);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CSubTabsPresetTab::OnTabChanged);
}

CPresetsListWnd* CSubTabsPresetTab::AddWindow(const QString& title, bool largeSizes)
{
    auto* window = new CPresetsListWnd(title, largeSizes, this);
    connect(window->List(), &QListWidget::itemClicked, this, &CSubTabsPresetTab::OnSelChanged);
    m_windows << window;
    if (!m_current)
        m_current = window->List();
    // The first page added raises currentChanged before the window is listed.
    const QSignalBlocker blocker(m_tabs);
    m_tabs->addTab(window, title);
    return window;
}

void CSubTabsPresetTab::OnTabChanged(int index)
{
    CPresetsListWnd* window = Window(index);
    if (!window)
        return;
    m_current = window->List();
    emit selChanged(m_current->currentItem() != nullptr);
}

void CSubTabsPresetTab::OnSelChanged(QListWidgetItem* item)
{
    emit selChanged(item != nullptr);
}
