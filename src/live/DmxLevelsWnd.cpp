#include "live/DmxLevelsWnd.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Project.h"

#include <QComboBox>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kRows = CDmxLevelsWnd::kSlots / CDmxLevelsWnd::kColumns;
constexpr int kHeaderWidth = 28;

} // namespace

// The grid itself: one cell per slot, the level as a bar and a number, row
// headers with the first slot number of the row (counted from 1).
class CDmxLevelsWnd::CGrid : public QWidget
{
public:
    explicit CGrid(CDmxLevelsWnd& owner)
        : QWidget(&owner)
        , m_owner(owner)
    {
        setMinimumSize(kHeaderWidth + kColumns * 18, kRows * 16);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    QRect CellRect(int slot) const
    {
        const int cellWidth = qMax(1, (width() - kHeaderWidth) / kColumns);
        const int cellHeight = qMax(1, height() / kRows);
        return QRect(kHeaderWidth + (slot % kColumns) * cellWidth, (slot / kColumns) * cellHeight, cellWidth,
                     cellHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        QFont small = font();
        small.setPointSizeF(qMax(5.0, small.pointSizeF() - 2));
        painter.setFont(small);
        for (int row = 0; row < kRows; ++row) {
            const QRect first = CellRect(row * kColumns);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(QRect(0, first.top(), kHeaderWidth - 2, first.height()), Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(row * kColumns + 1));
        }
        for (int slot = 0; slot < kSlots; ++slot) {
            const QRect cell = CellRect(slot).adjusted(0, 0, -1, -1);
            const int level = m_owner.m_levels[size_t(slot)];
            painter.fillRect(cell, m_owner.m_live[size_t(slot)] ? LiveColor() : CellColor());
            // The bar stays clear of the cell's top-left pixel, which shows
            // whether the slot is live.
            const int barHeight = (cell.height() - 1) * level / 255;
            if (barHeight > 0)
                painter.fillRect(QRect(cell.left() + 1, cell.bottom() - barHeight + 1, cell.width() - 1, barHeight),
                                 QColor(70, 110, 170));
            painter.setPen(Qt::white);
            painter.drawText(cell, Qt::AlignCenter, QString::number(level));
        }
    }

private:
    CDmxLevelsWnd& m_owner;
};

CDmxLevelsWnd::CDmxLevelsWnd(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
    , m_pUniverses(new QComboBox(this))
    , m_pGrid(new CGrid(*this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pUniverses, 0, Qt::AlignLeft);
    layout->addWidget(m_pGrid, 1);
    connect(m_pUniverses, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CDmxLevelsWnd::OnUniverseChosen);
    Retranslate();
    Reload();
}

void CDmxLevelsWnd::Retranslate()
{
    setWindowTitle(GetLangText(Txt::DmxLevelsTitle));
    for (int i = 0; i < m_pUniverses->count(); ++i)
        m_pUniverses->setItemText(i, QStringLiteral("%1 %2").arg(GetLangText(Txt::DmxUniverse)).arg(i + 1));
}

void CDmxLevelsWnd::Reload()
{
    {
        const QSignalBlocker block(m_pUniverses);
        m_pUniverses->clear();
        for (int i = 0; i < m_project.UniverseCount(); ++i)
            m_pUniverses->addItem(QStringLiteral("%1 %2").arg(GetLangText(Txt::DmxUniverse)).arg(i + 1));
        if (!m_project.IsUniverse(m_universe))
            m_universe = 0;
        m_pUniverses->setCurrentIndex(m_pUniverses->count() > 0 ? m_universe : -1);
    }
    ReadLiveMarks();
    ReadLevels();
    m_pGrid->update();
}

void CDmxLevelsWnd::SetUniverse(int universe)
{
    if (!m_project.IsUniverse(universe) || universe == m_universe)
        return;
    m_universe = universe;
    {
        const QSignalBlocker block(m_pUniverses);
        m_pUniverses->setCurrentIndex(universe);
    }
    ReadLiveMarks();
    ReadLevels();
    m_pGrid->update();
}

void CDmxLevelsWnd::OnUniverseChosen(int index)
{
    SetUniverse(index);
}

void CDmxLevelsWnd::Tick()
{
    if (!isVisible())
        return;
    // A new project may have fewer universes than the one shown.
    if (m_pUniverses->count() != m_project.UniverseCount()) {
        Reload();
        return;
    }
    if (ReadLevels())
        m_pGrid->update();
}

void CDmxLevelsWnd::OnLiveLevelsChanged()
{
    ReadLiveMarks();
    m_pGrid->update();
}

bool CDmxLevelsWnd::ReadLevels()
{
    std::array<quint8, kSlots> levels{};
    if (m_project.IsUniverse(m_universe) && m_universe < m_project.m_output.UniverseCount()) {
        const quint8* output = m_project.m_output[m_universe];
        std::copy(output, output + kSlots, levels.begin());
    }
    if (levels == m_levels)
        return false;
    m_levels = levels;
    return true;
}

void CDmxLevelsWnd::ReadLiveMarks()
{
    m_live.fill(false);
    if (!m_project.IsUniverse(m_universe) || m_universe >= m_project.m_liveMask.UniverseCount())
        return;
    const quint8* mask = m_project.m_liveMask[m_universe];
    for (int slot = 0; slot < kSlots; ++slot)
        m_live[size_t(slot)] = mask[slot] != 0;
}

int CDmxLevelsWnd::Level(int slot) const
{
    return slot >= 0 && slot < kSlots ? m_levels[size_t(slot)] : 0;
}

bool CDmxLevelsWnd::IsLiveSlot(int slot) const
{
    return slot >= 0 && slot < kSlots && m_live[size_t(slot)];
}

QRect CDmxLevelsWnd::CellRect(int slot) const
{
    return slot >= 0 && slot < kSlots ? m_pGrid->CellRect(slot) : QRect();
}

QWidget* CDmxLevelsWnd::Grid() const
{
    return m_pGrid;
}
