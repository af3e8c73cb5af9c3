#include "panels/ScrollPresetList.h"

#include "panels/ChannelPresetList.h"

#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

QPushButton* ArrowButton(const QString& picture, QWidget* parent)
{
    auto* button = new QPushButton(QIcon(picture), QString(), parent);
    button->setFixedSize(34, 16);
    return button;
}

} // namespace

CScrollPresetList::CScrollPresetList(CChannelPresetList* list, const QColor& background, QWidget* parent)
    : QWidget(parent), m_list(list)
{
    m_up = ArrowButton(QStringLiteral(":/Orvane/Images/Icons/Up.png"), this);
    m_down = ArrowButton(QStringLiteral(":/Orvane/Images/Icons/Down.png"), this);
    m_area = new QScrollArea(this);
    m_area->setWidgetResizable(true);
    m_area->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area->setFrameShape(QFrame::NoFrame);
    QPalette palette = m_area->palette();
    palette.setColor(QPalette::Window, background);
    m_area->setPalette(palette);
    m_area->setWidget(list);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up, 0, Qt::AlignHCenter);
    layout->addWidget(m_area);
    layout->addWidget(m_down, 0, Qt::AlignHCenter);
    connect(m_up, &QPushButton::pressed, this, &CScrollPresetList::OnPresetUp);
    connect(m_down, &QPushButton::pressed, this, &CScrollPresetList::OnPresetDown);
}

void CScrollPresetList::SetListLayout(int itemSize, int height, bool scroller)
{
    m_list->SetLayout(itemSize, height, scroller);
    m_area->setFixedSize(m_list->width(), height);
    m_up->setVisible(scroller);
    m_down->setVisible(scroller);
}

void CScrollPresetList::ScrollToTop()
{
    m_area->ensureVisible(0, 0, 8, 8);
}

void CScrollPresetList::OnPresetUp()
{
    QScrollBar* bar = m_area->verticalScrollBar();
    bar->setValue(bar->value() - m_list->ItemSize());
}

void CScrollPresetList::OnPresetDown()
{
    QScrollBar* bar = m_area->verticalScrollBar();
    bar->setValue(bar->value() + m_list->ItemSize());
}
