#include "layout/view/FixturesView.h"

#include "layout/view/MatrixItem.h"
#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"

#include <QImageReader>
#include <QPainter>
#include <QScopedValueRollback>

#include <vector>

namespace {

// A matrix's pixel grid is drawn into an image for the shape tools; a grid
// larger than this (only a damaged file makes one) takes no shapes.
constexpr qint64 kMaxToolPixels = 16ll * 1024 * 1024;

// The four bytes of a cell; white only counts on a profile with white.
struct CCellColor
{
    int red = 0;
    int green = 0;
    int blue = 0;
    int white = 0;

    bool operator==(const CCellColor& other) const
    {
        return red == other.red && green == other.green && blue == other.blue && white == other.white;
    }
};

bool IsColorMatrix(const CFixtureMatrix* matrix)
{
    return matrix && matrix->Profile() && matrix->Profile()->HasColor(false);
}

// The colour painted into a cell, read from the layer painting writes: the
// edit layer while a scene is edited, else the live layer. CMY levels are
// stored inverted; the colour painted is returned. False for a beam without
// a colour set of its own.
bool CellColor(const CProject& project, const CFixtureMatrix* matrix, int member, int beam, CCellColor& color)
{
    const CPatchedFixture* fixture = matrix->Member(member);
    const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
    if (!profile || beam < 0 || beam >= profile->ColorSets(false).size())
        return false;
    const CDmxLayer& layer = project.m_editedScene ? project.m_edit : project.m_live;
    const auto level = [&](const CProfileChannelDef* channel) {
        const int slot = channel ? fixture->m_address + channel->m_index : -1;
        if (slot < 0 || slot >= CDmxLayer::kSlots || fixture->m_universe < 0
            || fixture->m_universe >= layer.UniverseCount())
            return 0;
        return int(layer[fixture->m_universe][slot]);
    };
    const CColorSet& set = profile->ColorSets(false).at(beam);
    const auto painted = [&](const CProfileChannelDef* channel) {
        return profile->IsCmy() ? 255 - level(channel) : level(channel);
    };
    color.red = painted(set.red);
    color.green = painted(set.green);
    color.blue = painted(set.blue);
    color.white = profile->HasWhite() ? level(set.white) : 0;
    return true;
}

} // namespace

void CFixturesView::SetTool(int mode, const QColor& color, int white)
{
    m_toolMode = mode;
    m_toolColor = color;
    m_toolWhite = white;
}

void CFixturesView::EndTool()
{
    if (m_endToolMode)
        m_endToolMode();
    else
        m_toolMode = NoTool;
}

bool CFixturesView::FindCell(const QPoint& modelPoint, bool endOnMiss, CMatrixItem*& item, int& member, int& beam)
{
    for (CMatrixItem* candidate : qAsConst(m_matrixItems)) {
        if (IsColorMatrix(candidate->Matrix()) && candidate->CellAt(modelPoint, member, beam)) {
            item = candidate;
            return true;
        }
    }
    if (endOnMiss)
        EndTool();
    return false;
}

void CFixturesView::SetCellColor(CFixtureMatrix* matrix, int member, int beam)
{
    if (matrix->DrawType() != 2) {
        matrix->SetDrawType(2);
        emit liveDrawingStarted();
    }
    const QScopedValueRollback<bool> painting(m_project.m_fullColorDrawing, true);
    m_project.SetFixtureColor(matrix->Member(member), beam, quint8(m_toolColor.red()), quint8(m_toolColor.green()),
                              quint8(m_toolColor.blue()), quint8(m_toolWhite));
}

void CFixturesView::PenAt(const QPoint& modelPoint, bool endOnMiss)
{
    CMatrixItem* item = nullptr;
    int member = -1;
    int beam = -1;
    if (!FindCell(modelPoint, endOnMiss, item, member, beam))
        return;
    SetCellColor(item->Matrix(), member, beam);
    m_project.RefreshOutput();
    update();
}

void CFixturesView::PickAt(const QPoint& modelPoint)
{
    CMatrixItem* item = nullptr;
    int member = -1;
    int beam = -1;
    CCellColor color;
    if (!FindCell(modelPoint, true, item, member, beam))
        return;
    if (!CellColor(m_project, item->Matrix(), member, beam, color))
        return;
    m_toolColor = QColor(color.red, color.green, color.blue);
    m_toolWhite = color.white;
    emit colorPicked();
}

void CFixturesView::FillAt(const QPoint& modelPoint)
{
    CMatrixItem* item = nullptr;
    int member = -1;
    int beam = -1;
    if (!FindCell(modelPoint, true, item, member, beam))
        return;
    CCellColor old;
    if (!CellColor(m_project, item->Matrix(), member, beam, old))
        return;
    const CLibraryProfile* profile = item->Matrix()->Profile();
    const CCellColor tool{m_toolColor.red(), m_toolColor.green(), m_toolColor.blue(),
                          profile->HasWhite() ? m_toolWhite : 0};
    if (old == tool)
        return;
    FloodFill(item, member, beam, QColor(old.red, old.green, old.blue), old.white);
    m_project.RefreshOutput();
    update();
}

void CFixturesView::FloodFill(CMatrixItem* item, int member, int beam, const QColor& old, int oldWhite)
{
    CFixtureMatrix* matrix = item->Matrix();
    const int beams = item->Drawer().BeamCount();
    const CCellColor from{old.red(), old.green(), old.blue(), oldWhite};
    // Each cell is visited once, so the fill ends even when painting is
    // refused (the colour lock) and the cells keep matching.
    std::vector<bool> visited(size_t(matrix->MemberCount()) * size_t(beams), false);
    std::vector<std::pair<int, int>> stack{{member, beam}};
    while (!stack.empty()) {
        const auto [m, b] = stack.back();
        stack.pop_back();
        if (m < 0 || m >= matrix->MemberCount() || b < 0 || b >= beams || visited[size_t(m) * beams + b])
            continue;
        visited[size_t(m) * beams + b] = true;
        SetCellColor(matrix, m, b);
        const QPoint pixel = matrix->BeamRect(m, b);
        for (const QPoint& step : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)}) {
            int nm = -1;
            int nb = -1;
            CCellColor color;
            matrix->HitTest(pixel.x() + step.x(), pixel.y() + step.y(), nm, nb);
            if (nm >= 0 && nb >= 0 && nb < beams && !visited[size_t(nm) * beams + nb]
                && CellColor(m_project, matrix, nm, nb, color) && color == from)
                stack.emplace_back(nm, nb);
        }
    }
}

void CFixturesView::ShapeToolPress(const QPoint& modelPoint)
{
    CMatrixItem* item = nullptr;
    int member = -1;
    int beam = -1;
    if (!FindCell(modelPoint, true, item, member, beam))
        return;
    m_toolTarget = item;
    m_toolStartMember = member;
    m_toolStartBeam = beam;
    item->ClearToolMask();
    item->SetToolMask(member, beam, true);
    m_toolDrag = true;
    update();
}

void CFixturesView::UpdateToolPreview(const QPoint& modelPoint)
{
    int member = -1;
    int beam = -1;
    if (!m_toolTarget || !m_toolTarget->CellAt(modelPoint, member, beam))
        return;
    const CFixtureMatrix* matrix = m_toolTarget->Matrix();
    const int width = matrix->PixelColumns();
    const int height = matrix->PixelRows();
    if (width <= 0 || height <= 0 || qint64(width) * height > kMaxToolPixels)
        return;
    const QPoint p0 = matrix->BeamRect(m_toolStartMember, m_toolStartBeam);
    const QPoint p1 = matrix->BeamRect(member, beam);
    QImage image(width, height, QImage::Format_RGB16);
    if (image.isNull())
        return;
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        const QRect box(std::min(p0.x(), p1.x()), std::min(p0.y(), p1.y()), std::abs(p1.x() - p0.x()),
                        std::abs(p1.y() - p0.y()));
        if (m_toolMode == LineTool)
            painter.drawLine(p0, p1);
        else if (m_toolMode == RectangleTool)
            painter.drawRect(box);
        else if (m_toolMode == CircleTool)
            painter.drawEllipse(box);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int m = -1;
            int b = -1;
            matrix->HitTest(x, y, m, b);
            if (m >= 0 && b >= 0)
                m_toolTarget->SetToolMask(m, b, image.pixelColor(x, y) == Qt::black);
        }
    }
    update();
}

void CFixturesView::CommitToolMask()
{
    if (m_toolTarget) {
        CFixtureMatrix* matrix = m_toolTarget->Matrix();
        for (int m = 0; matrix && m < matrix->MemberCount(); ++m) {
            for (int b = 0; b < m_toolTarget->Drawer().BeamCount(); ++b) {
                if (m_toolTarget->ToolMask(m, b))
                    SetCellColor(matrix, m, b);
            }
        }
        m_toolTarget->ClearToolMask();
    }
    m_toolDrag = false;
    m_project.RefreshOutput();
    update();
}

void CFixturesView::ApplyImageToMatrix(const QString& fileName)
{
    CFixturesView* view = Instance();
    if (!view)
        return;
    CProject& project = view->m_project;
    const CGroup* group = project.m_currentGroup;
    if (!group || !group->IsMatrixSelection() || group->m_selectedMatrices.size() != 1)
        return;
    CFixtureMatrix* matrix = group->m_selectedMatrices.first();
    const int width = matrix ? matrix->PixelColumns() : 0;
    const int height = matrix ? matrix->PixelRows() : 0;
    if (width <= 0 || height <= 0 || qint64(width) * height > kMaxToolPixels)
        return;
    QImageReader reader(fileName);
    const QImage picture = reader.read();
    if (picture.isNull())
        return;
    const QImage scaled = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QScopedValueRollback<bool> painting(project.m_fullColorDrawing, true);
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            int member = -1;
            int beam = -1;
            matrix->HitTest(x, y, member, beam);
            if (member < 0 || beam < 0)
                continue;
            if (matrix->DrawType() != 2) {
                matrix->SetDrawType(2);
                emit view->liveDrawingStarted();
            }
            const QColor color = scaled.pixelColor(x, y);
            project.SetFixtureColor(matrix->Member(member), beam, quint8(color.red()), quint8(color.green()),
                                    quint8(color.blue()), 0);
        }
    }
    project.RefreshOutput();
    view->update();
}
