#include "editors/GifEffectsTab.h"

#include "editors/GifEffectsWnd.h"

#include <QHBoxLayout>
#include <QScrollArea>

CGifEffectsTab::CGifEffectsTab(const QString& folder, QWidget* parent)
    : QWidget(parent), m_pictures(new CGifEffectsWnd(folder))
{
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(m_pictures);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}
