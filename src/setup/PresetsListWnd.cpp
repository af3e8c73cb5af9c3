#include "setup/PresetsListWnd.h"

#include "setup/PresetsList.h"
#include "widgets/TitleWnd.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kNormalSteps[] = {24, 32, 48};
constexpr int kLargeSteps[] = {24, 32, 48, 96, 128};

QToolButton* ZoomButton(const char* picture, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(QIcon(QStringLiteral(":/Orvane/Images/Patch/") + QLatin1String(picture)));
    button->setFixedSize(22, 22);
    button->setIconSize(QSize(22, 22));
    return button;
}

} // namespace

CPresetsListWnd::CPresetsListWnd(const QString& title, bool largeSizes, QWidget* parent)
    : QWidget(parent), m_large(largeSizes), m_list(new CPresetsList(48, this))
{
    QToolButton* zoomOut = ZoomButton("ZoomOutList.png", this);
    QToolButton* zoomIn = ZoomButton("ZoomInList.png", this);
    connect(zoomIn, &QToolButton::pressed, this, &CPresetsListWnd::OnZoomIn);
    connect(zoomOut, &QToolButton::pressed, this, &CPresetsListWnd::OnZoomOut);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(0);
    header->addWidget(zoomOut);
    header->addWidget(new CTitleWnd(title, this));
    header->addWidget(zoomIn);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(0);
    column->addLayout(header);
    column->addWidget(m_list);
}

void CPresetsListWnd::OnZoomIn()
{
    const int* first = m_large ? std::begin(kLargeSteps) : std::begin(kNormalSteps);
    const int* last = m_large ? std::end(kLargeSteps) : std::end(kNormalSteps);
    const int* next = std::upper_bound(first, last, m_edge);
    SetEdge(next == last ? m_edge : *next);
}

void CPresetsListWnd::OnZoomOut()
{
    const int* first = std::begin(kLargeSteps);
    const int* lower = std::lower_bound(first, std::end(kLargeSteps), m_edge);
    SetEdge(lower == first ? m_edge : *(lower - 1));
}

void CPresetsListWnd::SetEdge(int edge)
{
    m_edge = edge;
    m_list->setIconSize(QSize(edge, edge));
}
