#include "editors/TrichroPreviewWnd.h"

#include "effects/EffectEngine.h"
#include "effects/EffectMath.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Project.h"

#include <QPainter>
#include <QPixmap>

namespace {

const QColor kIdle(60, 60, 60);

using EffectMath::ByteAt;

} // namespace

CTrichroPreviewWnd::CTrichroPreviewWnd(CProject& project, QWidget* parent) : CTrichroPreviewWnd(project, false, parent)
{
}

CTrichroPreviewWnd::CTrichroPreviewWnd(CProject& project, bool matrix, QWidget* parent)
    : QWidget(parent), m_project(project), m_engine(&project.m_effectEngine)
{
    if (!matrix) {
        setMinimumWidth(4 * CellCount());
        setFixedHeight(20);
    }
}

CTrichroPreviewWnd::~CTrichroPreviewWnd()
{
    delete m_pixmap;
}

int CTrichroPreviewWnd::CellCount() const
{
    return m_engine->m_colorRecords.size();
}

void CTrichroPreviewWnd::Start(bool restart)
{
    if (m_running)
        return;
    const int steps = m_engine->m_stepCount;
    const bool fits = m_current >= 0 && m_current < steps && m_next >= 0 && m_next < steps;
    if (restart || !fits) {
        m_current = 0;
        m_next = steps < 2 ? 0 : 1;
        m_elapsed = 0;
    }
    m_running = true;
}

void CTrichroPreviewWnd::Stop()
{
    if (!m_running)
        return;
    m_running = false;
    update();
}

void CTrichroPreviewWnd::SetPlayPosition(int step, int timeMs)
{
    const int steps = m_engine->m_stepCount;
    if (step < 0 || step >= steps)
        return;
    m_current = step;
    m_next = (step + 1) % steps;
    m_elapsed = qMax(0, timeMs);
}

void CTrichroPreviewWnd::LayOut(int columns, int rows)
{
    const int w = width();
    const int h = height();
    if (columns < 1 || rows < 1) {
        m_cellArea = rect();
    } else {
        m_cellSize = qMax(4, qMin(w / columns, h / rows));
        const int areaWidth = columns * m_cellSize;
        const int areaHeight = rows * m_cellSize;
        m_cellArea = QRect((w - areaWidth) / 2, (h - areaHeight) / 2, areaWidth, areaHeight);
    }
    delete m_pixmap;
    m_pixmap = nullptr;
    if (m_cellArea.isEmpty())
        return;
    m_pixmap = new QPixmap(m_cellArea.size());
    if (!m_running)
        m_pixmap->fill(kIdle);
}

void CTrichroPreviewWnd::UpdateGeometry()
{
    LayOut(CellCount(), 1);
}

void CTrichroPreviewWnd::Refresh()
{
    const int cells = CellCount();
    if (cells <= 0) {
        hide();
        return;
    }
    setMinimumWidth(cells);
    setFixedHeight(20);
    show();
    UpdateGeometry();
}

bool CTrichroPreviewWnd::Advance(int elapsedMs)
{
    const int steps = m_engine->m_stepCount;
    if (!m_running || steps < 1)
        return false;
    // A position left by a shorter regeneration starts over.
    if (m_current >= steps || m_next >= steps) {
        m_current = 0;
        m_next = steps < 2 ? 0 : 1;
        m_elapsed = 0;
    }
    const int stepTime = qMax(1, m_stepTime);
    m_elapsed += qMax(0, elapsedMs);
    if (m_elapsed >= stepTime) {
        m_current = (m_current + 1) % steps;
        m_next = (m_current + 1) % steps;
        m_elapsed = 0;
    }
    if (!m_pixmap)
        return false;
    m_blend = float(m_elapsed) / float(stepTime);
    m_pixmap->fill(kIdle);
    return true;
}

void CTrichroPreviewWnd::DrawCell(QPainter& painter, int index, int x, int y, bool writeLevels, bool selectedBeamsOnly)
{
    if (index < 0 || index >= m_engine->m_colorRecords.size())
        return;
    const CColorStepRecord& record = m_engine->m_colorRecords.at(index);
    const auto blend = [this](const QByteArray& array) {
        return quint8(float(ByteAt(array, m_current)) * (1.0F - m_blend) + float(ByteAt(array, m_next)) * m_blend);
    };
    const quint8 red = blend(record.m_outRed);
    const quint8 green = blend(record.m_outGreen);
    const quint8 blue = blend(record.m_outBlue);
    painter.fillRect(x, y, m_cellSize, m_cellSize, QColor(red, green, blue));

    CPatchedFixture* fixture = record.m_fixture;
    const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
    const int beam = record.m_beam;
    if (!writeLevels || !profile || beam < 0)
        return;
    if (selectedBeamsOnly && !fixture->BeamFlags().value(beam))
        return;
    const CLayerTarget edit = CLayerTarget::Of(m_project, false);
    if (profile->IsDimmerOnly()) {
        const QList<CDimmerChannel>& dimmers = profile->Dimmers(false);
        if (beam < dimmers.size())
            fixture->WriteChannel(dimmers.at(beam).channel, quint8((red + green + blue) / 3), edit);
        return;
    }
    // The writer skips a set the profile lacks and slots past the universe.
    fixture->WriteColor(beam, red, green, blue, blend(record.m_outWhite), edit);
}

void CTrichroPreviewWnd::Tick(bool writeLevels, int elapsedMs)
{
    if (!Advance(elapsedMs))
        return;
    {
        QPainter painter(m_pixmap);
        for (int i = 0; i < CellCount(); ++i)
            DrawCell(painter, i, i * m_cellSize, 0, writeLevels, false);
    }
    update();
}

void CTrichroPreviewWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateGeometry();
}

void CTrichroPreviewWnd::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    if (m_pixmap)
        painter.drawPixmap(m_cellArea, *m_pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_cellArea.adjusted(0, 0, -1, -1));
}
