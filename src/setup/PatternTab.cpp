#include "setup/PatternTab.h"

#include "setup/PictureFolderCache.h"
#include "setup/PresetsList.h"
#include "setup/PresetsListWnd.h"

#include "Captions.h"
#include "model/Language.h"

#include <QHBoxLayout>

namespace {
constexpr int kPatternType = 41;
}

CPatternTab::CPatternTab(QWidget* parent)
    : CPresetTab(parent), m_window(new CPresetsListWnd(GetLangText(Txt::Patterns), true, this))
{
    m_current = m_window->List();
    connect(m_current, &QListWidget::itemClicked, this, &CPatternTab::OnSelChanged);
    const QString folder = QStringLiteral("System/Patterns");
    m_current->ScanFolder(kPatternType, folder, PictureFolderCache(folder));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_window);
}

void CPatternTab::OnSelChanged(QListWidgetItem* item)
{
    emit selChanged(item != nullptr);
}
