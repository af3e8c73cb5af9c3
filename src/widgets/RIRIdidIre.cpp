#include "widgets/RIRIdidIre.h"

#include "widgets/HTabsWnd.h"

#include <QHBoxLayout>

RIRIdidIre::RIRIdidIre(const QString& firstTabName, QWidget* parent)
    : QWidget(parent)
    , m_pTabs(new CHTabsWnd(this))
{
    m_pTabs->SetTabs({firstTabName});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pTabs);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}
