#include "layout/view/FixturesView.h"

#include "Captions.h"
#include "effects/Effect.h"
#include "effects/PictureFile.h"
#include "layout/view/MatrixItem.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowHost.h"

#include <QImageReader>
#include <QPainter>
#include <QPaintEvent>
#include <QSet>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace {

CFixturesView* g_view = nullptr;
qint64 g_decodedPictures = 0;

constexpr float kMinZoom = 0.1f;
constexpr float kMaxZoom = 3.0f;
// A larger background is painted directly rather than cached.
constexpr qint64 kMaxCachedPixels = 64ll * 1024 * 1024;

const QPixmap& SelectPicture()
{
    static const QPixmap picture(QStringLiteral(":/Orvane/Images/Fixtures/2D/Select.png"));
    return picture;
}

} // namespace

CFixturesView::CFixturesView(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setMouseTracking(true);
    // Every pixel is painted, from the background cache or directly.
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!g_view)
        g_view = this;
    UpdateSize();
}

CFixturesView::~CFixturesView()
{
    if (g_view == this)
        g_view = nullptr;
    ClearItems();
}

CFixturesView* CFixturesView::Instance()
{
    return g_view;
}

// ---- Items

void CFixturesView::AddFixtureItem(CFixtureItem* item)
{
    if (!item)
        return;
    item->Drawer().SetOutput(&m_project.m_output);
    m_fixtureItems << item;
}

void CFixturesView::AddMatrixItem(CMatrixItem* item)
{
    if (!item)
        return;
    item->Drawer().SetOutput(&m_project.m_output);
    m_matrixItems << item;
}

void CFixturesView::RemoveFixtureItem(CFixtureItem* item)
{
    m_fixtureItems.removeAll(item);
}

void CFixturesView::RemoveMatrixItem(CMatrixItem* item)
{
    m_matrixItems.removeAll(item);
    if (m_toolTarget == item) {
        m_toolTarget = nullptr;
        m_toolDrag = false;
    }
}

void CFixturesView::ClearItems()
{
    qDeleteAll(m_fixtureItems);
    qDeleteAll(m_matrixItems);
    m_fixtureItems.clear();
    m_matrixItems.clear();
    m_toolTarget = nullptr;
    m_toolDrag = false;
}

void CFixturesView::ForgetFixtures(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices)
{
    if (m_fixtureItems.isEmpty() && m_matrixItems.isEmpty())
        return;
    const QSet<CPatchedFixture*> goneFixtures(fixtures.begin(), fixtures.end());
    const QSet<CFixtureMatrix*> goneMatrices(matrices.begin(), matrices.end());
    const auto gone = [&goneFixtures](CPatchedFixture* fixture) { return fixture && goneFixtures.contains(fixture); };
    // Each item is deleted while its fixture still exists, so it can clear
    // the fixture's pointer back to it.
    QList<CFixtureItem*> keptItems;
    for (CFixtureItem* item : qAsConst(m_fixtureItems)) {
        if (gone(item->Fixture()))
            delete item;
        else
            keptItems << item;
    }
    m_fixtureItems = keptItems;
    QList<CMatrixItem*> keptMatrices;
    for (CMatrixItem* item : qAsConst(m_matrixItems)) {
        CFixtureMatrix* matrix = item->Matrix();
        if (matrix && goneMatrices.contains(matrix)) {
            if (m_toolTarget == item) {
                m_toolTarget = nullptr;
                m_toolDrag = false;
            }
            delete item;
            continue;
        }
        if (gone(item->Fixture())) {
            const QList<CPatchedFixture*> members = matrix ? matrix->Members() : QList<CPatchedFixture*>();
            const auto stays = std::find_if_not(members.begin(), members.end(), gone);
            item->SetFixture(stays != members.end() ? *stays : nullptr);
        }
        keptMatrices << item;
    }
    m_matrixItems = keptMatrices;
    update();
}

void CFixturesView::Reset()
{
    ClearItems();
    update();
}

void CFixturesView::RefreshSelectedFlags()
{
    for (CFixtureItem* item : qAsConst(m_fixtureItems))
        item->SetSelected(item->Fixture() && item->Fixture()->IsAnyBeamSelected());
    for (CMatrixItem* item : qAsConst(m_matrixItems))
        item->UpdateSelected();
}

// ---- Geometry

void CFixturesView::SetZoom(float zoom)
{
    // A zoom read from a file may be anything; everything divides by it.
    m_zoom = zoom >= kMinZoom ? std::min(zoom, kMaxZoom) : kMinZoom;
    UpdateSize();
}

void CFixturesView::SetSceneRect(const QRect& rect)
{
    m_sceneRect = rect.isValid() ? rect : QRect(0, 0, 600, 400);
    if (m_cropped)
        ClampCrop();
    UpdateSize();
}

void CFixturesView::SetCrop(bool on, const QRect& rect)
{
    m_cropMode = on;
    m_cropRect = on ? rect : QRect();
    m_cropped = on && rect.isValid();
}

void CFixturesView::ApplyViewSettings(const CGroup& group, bool withoutCrop)
{
    m_backColor = group.m_backColor;
    m_picturePath = group.m_backImage;
    m_pictureMode = group.m_imageMode;
    m_gridVisible = group.m_drawGrid;
    m_snap = group.m_magnetGrid;
    m_pictureVisible = group.m_drawBackImage;
    LoadPicture();
    SetCrop(!withoutCrop, group.m_viewRect);
    m_zoom = group.m_zoom >= kMinZoom ? std::min(group.m_zoom, kMaxZoom) : kMinZoom;
    if (withoutCrop)
        SetSceneRect(group.m_layoutRect);
    else
        UpdateSize();
}

void CFixturesView::LoadPicture()
{
    m_picture = QImage();
    if (!m_pictureVisible || m_picturePath.isEmpty())
        return;
    // A show may name any file: its size is read before a pixel is decoded.
    const QList<QSize> sizes = PictureFile::DeclaredSizes(m_picturePath);
    if (sizes.isEmpty())
        return;
    if (!std::all_of(sizes.begin(), sizes.end(), PictureFile::IsSaneSize)) {
        // Told once, not at every switch to a group that shows it.
        if (m_refusedPicture != m_picturePath)
            ShowHost().ShowInformation(GetLangText(Txt::Warning),
                                       GetLangText(Txt::BackgroundTooLarge).arg(m_picturePath));
        m_refusedPicture = m_picturePath;
        return;
    }
    QImageReader reader(m_picturePath);
    ++g_decodedPictures;
    if (!reader.read(&m_picture))
        m_picture = QImage();
}

qint64 CFixturesView::DecodedPictures()
{
    return g_decodedPictures;
}

void CFixturesView::UpdateSize()
{
    if (!m_sceneRect.isValid())
        return;
    const QRect& shown = m_cropped ? m_cropRect : m_sceneRect;
    const int w = int(float(shown.width()) * m_zoom);
    const int h = int(float(shown.height()) * m_zoom);
    const auto square = [](int x, int y) { return QRect(QPoint(x, y), QPoint(x + 3, y + 3)); };
    m_handles[0] = square(0, 0);
    m_handles[1] = square(w / 2 - 2, 0);
    m_handles[2] = square(w - 5, 0);
    m_handles[3] = square(0, h / 2 - 2);
    m_handles[4] = square(w - 5, h / 2 - 2);
    m_handles[5] = square(0, h - 5);
    m_handles[6] = square(w / 2 - 2, h - 5);
    m_handles[7] = square(w - 5, h - 5);
    if (!m_cropMode) {
        // Only the right, bottom and corner handles resize the scene.
        for (int handle : {0, 1, 2, 3, 5})
            m_handles[handle] = QRect();
    }
    setFixedSize(std::max(w, 1), std::max(h, 1));
    RenderBackground();
}

QRect CFixturesView::ItemsExtent() const
{
    int right = 0;
    int bottom = 0;
    const auto grow = [&](const CFixtureItem* item) {
        right = std::max(right, item->m_rect.x() + item->m_rect.width());
        bottom = std::max(bottom, item->m_rect.y() + item->m_rect.height());
    };
    std::for_each(m_fixtureItems.begin(), m_fixtureItems.end(), grow);
    std::for_each(m_matrixItems.begin(), m_matrixItems.end(), grow);
    return QRect(0, 0, right + 10, bottom + 10);
}

QPoint CFixturesView::FreePosition(int width, int height) const
{
    if (m_fixtureItems.isEmpty() && m_matrixItems.isEmpty())
        return QPoint(10, 10);
    int left = INT_MAX;
    int top = INT_MAX;
    int right = INT_MIN;
    int bottom = INT_MIN;
    const auto bound = [&](const CFixtureItem* item, int extra) {
        left = std::min(left, item->m_rect.left());
        top = std::min(top, item->m_rect.top());
        right = std::max(right, item->m_rect.right());
        bottom = std::max(bottom, item->m_rect.bottom() + extra);
    };
    for (const CFixtureItem* item : m_fixtureItems)
        bound(item, 0);
    for (const CMatrixItem* item : m_matrixItems)
        bound(item, 1);
    if (left > width + 30)
        return QPoint(10, 10);
    if (m_sceneRect.bottom() <= height + 30 + bottom)
        return QPoint(right + 22, 10);
    return QPoint(10, bottom + 22);
}

QPoint CFixturesView::ToModel(const QPoint& widgetPoint) const
{
    QPoint point(qRound(double(widgetPoint.x()) / double(m_zoom)), qRound(double(widgetPoint.y()) / double(m_zoom)));
    if (m_cropped)
        point += m_cropRect.topLeft();
    return point;
}

void CFixturesView::KeepInScene(QRect& rect) const
{
    if (rect.left() < m_sceneRect.left())
        rect.moveLeft(m_sceneRect.left());
    else if (rect.right() > m_sceneRect.right())
        rect.moveRight(m_sceneRect.right());
    if (rect.top() < m_sceneRect.top())
        rect.moveTop(m_sceneRect.top());
    else if (rect.bottom() > m_sceneRect.bottom())
        rect.moveBottom(m_sceneRect.bottom());
}

void CFixturesView::MoveItem(CFixtureItem* item, int dx, int dy)
{
    QRect rect = item->m_moveOrigin.translated(dx, dy);
    if (m_gridVisible && m_snap)
        rect.moveTo(rect.left() - rect.left() % m_gridStep, rect.top() - rect.top() % m_gridStep);
    KeepInScene(rect);
    item->m_rect = rect;
}

void CFixturesView::StoreMoveOrigins()
{
    for (CFixtureItem* item : qAsConst(m_fixtureItems))
        item->m_moveOrigin = item->m_rect;
    for (CMatrixItem* item : qAsConst(m_matrixItems))
        item->m_moveOrigin = item->m_rect;
}

void CFixturesView::ApplyOutline()
{
    if (!m_cropMode) {
        const QRect extent = ItemsExtent();
        const int width = std::max(int(float(m_outline.width()) / m_zoom), extent.width());
        const int height = std::max(int(float(m_outline.height()) / m_zoom), extent.height());
        SetSceneRect(QRect(0, 0, width, height));
    } else if (m_outline.isValid()) {
        const QRectF scaled(QPointF(m_outline.topLeft()) / double(m_zoom),
                            QPointF(m_outline.x() + m_outline.width(), m_outline.y() + m_outline.height())
                                / double(m_zoom));
        QRect outline = scaled.toRect();
        if (m_cropRect.isValid()) {
            m_cropRect = outline.translated(m_cropRect.topLeft());
        } else {
            m_cropRect = outline;
            m_cropped = true;
        }
        ClampCrop();
        UpdateSize();
    }
    ShowHost().SetModified(true);
}

void CFixturesView::ClampCrop()
{
    QRect crop(QPoint(std::max(m_cropRect.left(), m_sceneRect.left()), std::max(m_cropRect.top(), m_sceneRect.top())),
               QPoint(std::min(m_cropRect.right(), m_sceneRect.right()),
                      std::min(m_cropRect.bottom(), m_sceneRect.bottom())));
    for (const CFixtureItem* item : qAsConst(m_fixtureItems))
        crop |= item->m_rect;
    for (const CMatrixItem* item : qAsConst(m_matrixItems))
        crop |= item->m_rect;
    m_cropRect = crop;
}

void CFixturesView::DrawScene(QPainter& painter) const
{
    painter.save();
    painter.scale(m_zoom, m_zoom);
    const QRect& scene = m_sceneRect;
    painter.fillRect(scene, m_backColor);
    if (m_pictureVisible && !m_picture.isNull()) {
        const int pw = m_picture.width();
        const int ph = m_picture.height();
        if (m_pictureMode == 0) {
            painter.drawImage(scene, m_picture);
        } else if (m_pictureMode == 1) {
            const double factor = std::min(double(scene.width()) / pw, double(scene.height()) / ph);
            const int w = int(pw * factor);
            const int h = int(ph * factor);
            painter.drawImage(QRect(scene.left() + (scene.width() - w) / 2, scene.top() + (scene.height() - h) / 2,
                                    w, h),
                              m_picture);
        } else {
            painter.drawImage(QPoint(scene.left() + (scene.width() - pw) / 2, scene.top() + (scene.height() - ph) / 2),
                              m_picture);
        }
    }
    if (m_gridVisible) {
        painter.setPen(QColor(200, 200, 200));
        for (int k = 1; k <= scene.width() / m_gridStep; ++k)
            painter.drawLine(k * m_gridStep, scene.top(), k * m_gridStep, scene.bottom());
        for (int k = 1; k <= scene.height() / m_gridStep; ++k)
            painter.drawLine(scene.left(), k * m_gridStep, scene.right(), k * m_gridStep);
    }
    painter.restore();
}

void CFixturesView::RenderBackground()
{
    const QSize size = m_cropped ? QSize(int(float(m_sceneRect.width()) * m_zoom),
                                         int(float(m_sceneRect.height()) * m_zoom))
                                 : this->size();
    m_background = QPixmap();
    if (size.isEmpty() || qint64(size.width()) * size.height() > kMaxCachedPixels) {
        update();
        return;
    }
    QPixmap pixmap(size);
    if (!pixmap.isNull()) {
        QPainter painter(&pixmap);
        DrawScene(painter);
        painter.end();
        m_background = pixmap;
    }
    update();
}

bool CFixturesView::RefreshLiveColors()
{
    const CDmxLayer& output = m_project.m_output;
    const size_t bytes = size_t(output.UniverseCount()) * CDmxLayer::kSlots;
    if (bytes == m_paintedOutput.size() && (bytes == 0 || std::memcmp(output[0], m_paintedOutput.data(), bytes) == 0))
        return false;
    m_paintedOutput.assign(output[0], output[0] + bytes);
    update();
    return true;
}

// A show whose fixtures were never placed stacks them all on one spot,
// where only the last is seen but every one was drawn at each start or
// stop of a scene. An item is left out only when a single later one paints
// every pixel it would; a few of the latest such covers are looked at.
std::vector<bool> CFixturesView::ItemsToDraw(QPainter& painter, const QRect& shown) const
{
    std::vector<bool> drawn(size_t(m_fixtureItems.size()), false);
    const CFixtureDrawer::SLabelFonts fonts(painter);
    std::array<QRect, 4> covers;
    size_t next = 0;
    for (int i = m_fixtureItems.size() - 1; i >= 0; --i) {
        CFixtureItem* item = m_fixtureItems.at(i);
        if (!item->m_rect.intersects(shown))
            continue;
        drawn[size_t(i)] = true;
        QRect bounds;
        QRect cover;
        if (!item->Extent(painter, m_zoom, fonts, bounds, cover))
            continue;
        if (std::any_of(covers.begin(), covers.end(), [&bounds](const QRect& c) { return c.contains(bounds); })) {
            drawn[size_t(i)] = false;
        } else if (!cover.isEmpty()) {
            covers[next] = cover;
            next = (next + 1) % covers.size();
        }
    }
    return drawn;
}

void CFixturesView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_background.isNull()) {
        painter.fillRect(rect(), m_backColor);
        painter.save();
        if (m_cropped)
            painter.translate(-double(m_cropRect.left()) * m_zoom, -double(m_cropRect.top()) * m_zoom);
        DrawScene(painter);
        painter.restore();
    } else if (m_cropped) {
        const QRectF source(double(m_cropRect.left()) * m_zoom, double(m_cropRect.top()) * m_zoom,
                            double(m_cropRect.width()) * m_zoom, double(m_cropRect.height()) * m_zoom);
        const QRect whole = source.toRect();
        painter.drawPixmap(QPoint(0, 0), m_background, whole);
    } else {
        painter.drawPixmap(0, 0, m_background);
    }

    painter.save();
    if (m_cropped)
        painter.translate(-double(m_cropRect.left()) * m_zoom, -double(m_cropRect.top()) * m_zoom);
    painter.setPen(QPen(Qt::black));
    // In the scroll area only part of a large plan is exposed: items
    // outside it (with room for their frames) are not drawn at all.
    const QRect exposed = event->rect();
    QRect shown(ToModel(exposed.topLeft()), ToModel(exposed.bottomRight() + QPoint(1, 1)));
    const int margin = 3 + int(4.0f / m_zoom);
    shown.adjust(-margin, -margin, margin, margin);
    const std::vector<bool> drawn = ItemsToDraw(painter, shown);
    for (int i = 0; i < m_fixtureItems.size(); ++i) {
        if (drawn[size_t(i)])
            m_fixtureItems.at(i)->Draw(painter, m_zoom);
    }
    for (CMatrixItem* item : qAsConst(m_matrixItems)) {
        if (item->m_rect.intersects(shown))
            item->DrawMatrix(painter, m_zoom, m_toolDrag, m_toolColor);
    }
    painter.restore();

    if (m_rubberBand) {
        painter.drawPixmap(m_outline, SelectPicture());
        painter.setPen(QColor(229, 121, 72));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_outline);
    } else if (m_handleDrag) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_outline);
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QColor(115, 115, 110));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(QColor(50, 50, 50));
    painter.setBrush(Qt::white);
    for (const QRect& handle : m_handles) {
        if (!handle.isNull())
            painter.drawRect(handle);
    }

    const CDmxLayer& output = m_project.m_output;
    const size_t bytes = size_t(output.UniverseCount()) * CDmxLayer::kSlots;
    if (bytes)
        m_paintedOutput.assign(output[0], output[0] + bytes);
}

// ---- Selection

void CFixturesView::Notify()
{
    update();
    ShowHost().SetDeleteTarget(0);
    emit selChanged();
}

void CFixturesView::SelectAll()
{
    for (CFixtureItem* item : qAsConst(m_fixtureItems))
        item->Select();
    for (CMatrixItem* item : qAsConst(m_matrixItems))
        item->Select();
    Notify();
}

void CFixturesView::InvertSelection()
{
    for (CFixtureItem* item : qAsConst(m_fixtureItems))
        item->InvertSelection();
    for (CMatrixItem* item : qAsConst(m_matrixItems))
        item->InvertSelection();
    Notify();
}

void CFixturesView::Select12()
{
    bool next = true;
    for (CFixtureItem* item : qAsConst(m_fixtureItems))
        next = item->SelectAlternate(next);
    for (CMatrixItem* item : qAsConst(m_matrixItems))
        next = item->SelectAlternate(next);
    Notify();
}

void CFixturesView::SelectActiv()
{
    UnselectAll(false);
    const CDmxLayer& layer = m_project.m_editedScene ? m_project.m_edit : m_project.m_playback;
    const auto isActive = [&layer](const CPatchedFixture* fixture) {
        const int universe = fixture->m_universe;
        if (universe < 0 || universe >= layer.UniverseCount())
            return false;
        const int count = fixture->Profile() ? fixture->Profile()->ChannelCount() : 1;
        const int first = std::max(0, fixture->m_address);
        const int end = std::min(CDmxLayer::kSlots, fixture->m_address + count);
        const quint8* levels = layer[universe];
        return std::any_of(levels + std::min(first, end), levels + end, [](quint8 level) { return level != 0; });
    };
    for (CFixtureItem* item : qAsConst(m_fixtureItems)) {
        if (item->Fixture() && isActive(item->Fixture()))
            item->Select();
    }
    for (CMatrixItem* item : qAsConst(m_matrixItems)) {
        const CFixtureMatrix* matrix = item->Matrix();
        for (int m = 0; matrix && m < matrix->MemberCount(); ++m) {
            if (isActive(matrix->Member(m)))
                item->SelectMemberBeams(m);
        }
    }
    Notify();
}

void CFixturesView::SelectFixtures(const QList<CPatchedFixture*>& fixtures)
{
    UnselectAll(false);
    for (CFixtureItem* item : qAsConst(m_fixtureItems)) {
        if (item->Fixture() && fixtures.contains(item->Fixture()))
            item->Select();
    }
    for (CMatrixItem* item : qAsConst(m_matrixItems)) {
        const CFixtureMatrix* matrix = item->Matrix();
        for (int m = 0; matrix && m < matrix->MemberCount(); ++m) {
            if (fixtures.contains(matrix->Member(m)))
                item->SelectMemberBeams(m);
        }
    }
    Notify();
}

bool CFixturesView::SelectEffectFixtures(const CEffect* effect)
{
    if (!effect)
        return false;
    UnselectAll(false);
    bool any = false;
    const int entries = std::min({effect->m_beamFixtures.size(), effect->m_beamIndex.size(), effect->m_beamSel.size()});
    for (int i = 0; i < entries; ++i) {
        if (!effect->m_beamSel.at(i))
            continue;
        const CPatchedFixture* fixture = effect->m_beamFixtures.at(i);
        const int beam = effect->m_beamIndex.at(i);
        bool accepted = false;
        for (CFixtureItem* item : qAsConst(m_fixtureItems)) {
            if ((accepted = item->SelectBeam(fixture, beam)))
                break;
        }
        for (int k = 0; !accepted && k < m_matrixItems.size(); ++k)
            accepted = m_matrixItems.at(k)->SelectBeam(fixture, beam);
        any = any || accepted;
    }
    if (!any)
        return false;
    update();
    emit selChanged();
    return true;
}

template <typename OnFixture, typename OnMember>
void CFixturesView::ForEachHolder(const QList<CPatchedFixture*>& fixtures, const QList<QList<bool>>& beams,
                                  OnFixture onFixture, OnMember onMember)
{
    for (int i = 0; i < std::min(fixtures.size(), beams.size()); ++i) {
        const auto holds = [&](const CFixtureItem* item) { return item->Fixture() == fixtures.at(i); };
        const auto found = std::find_if(m_fixtureItems.begin(), m_fixtureItems.end(), holds);
        if (found != m_fixtureItems.end()) {
            onFixture(*found, beams.at(i));
            continue;
        }
        for (CMatrixItem* item : qAsConst(m_matrixItems)) {
            const int member = item->Matrix() ? item->Matrix()->IndexOfMember(fixtures.at(i)) : -1;
            if (member >= 0) {
                onMember(item, member, beams.at(i));
                break;
            }
        }
    }
}

void CFixturesView::AddBeamsToSelection(const QList<CPatchedFixture*>& fixtures, const QList<QList<bool>>& beams)
{
    ForEachHolder(
        fixtures, beams, [](CFixtureItem* item, const QList<bool>& flags) { item->AddBeams(flags); },
        [](CMatrixItem* item, int member, const QList<bool>& flags) { item->AddCellBeams(member, flags); });
    Notify();
}

void CFixturesView::RemoveBeamsFromSelection(const QList<CPatchedFixture*>& fixtures,
                                             const QList<QList<bool>>& beams)
{
    ForEachHolder(
        fixtures, beams, [](CFixtureItem* item, const QList<bool>& flags) { item->RemoveBeams(flags); },
        [](CMatrixItem* item, int member, const QList<bool>& flags) { item->RemoveCellBeams(member, flags); });
    update();
    emit selChanged();
}

void CFixturesView::UnselectAll(bool repaint)
{
    UnselectAllExcept(-1, -1);
    if (repaint)
        update();
}

void CFixturesView::UnselectAllExcept(int fixtureItem, int matrixItem)
{
    for (int i = 0; i < m_fixtureItems.size(); ++i) {
        if (i != fixtureItem)
            m_fixtureItems.at(i)->Unselect();
    }
    for (int i = 0; i < m_matrixItems.size(); ++i) {
        if (i != matrixItem)
            m_matrixItems.at(i)->Unselect();
    }
}
