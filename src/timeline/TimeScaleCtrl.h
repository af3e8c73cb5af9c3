#pragma once

#include <QHash>
#include <QPixmap>
#include <QVector>
#include <QWidget>

class CTimeLineData;
class CTimeMarker;

// "0h 1m 5s 120": how the marker list names a marker.
QString TimeMarkerLabel(const CTimeMarker& marker);

// The time ruler above the timeline lines: the timeline's length, the play
// cursor, the markers and the visible stretch of time, chosen by a thumb in
// a thin band at the top whose width is the zoom. Every conversion between
// milliseconds and x in the timeline goes through it. Length, lock option
// and markers are the document's; the ruler keeps only what it shows.
class CTimeScaleCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxLength = 86400000; // 24 hours
    static constexpr int kHeight = 39;

    explicit CTimeScaleCtrl(CTimeLineData& data, QWidget* parent = nullptr);

    void SetLength(int ms, int zoom);
    int Length() const { return m_length; }
    int Zoom() const { return m_zoom; }
    void SetZoom(int zoom);
    void PageForward();
    void PageBack();

    int TimeToX(int ms) const;
    // Snaps the time to 40 ms and `x` to that time's position.
    int XToTime(int& x) const;
    // The unsnapped time at x.
    int RawTime(int x) const;
    int ViewStartTime() const;
    int ViewEndTime() const;
    int Span() const { return m_span; }
    int MajorSpacing() const { return m_major; }

    int CursorTime() const { return m_cursorTime; }
    int CursorX() const { return m_cursorX; }
    void SetCursorTime(int ms);
    void ResetCursor();
    void RestoreCursor();

    void RefreshFromProject();
    void SetEditable(bool on);
    bool MarkersReadOnly() const { return m_markersReadOnly; }
    void ToggleLockMarkers();

    // The marker added.
    CTimeMarker* AddMarkerAtX(int& x);
    CTimeMarker* AddMarkerAtTime(int ms);
    void SelectMarker(int index);
    void SelectNextMarker();
    void SelectPrevMarker();
    void SetSelectedMarkerTime(int ms);
    void RemoveSelectedMarker();
    void ClearMarkers();
    // A marker the document dropped: the ruler forgets it.
    void ForgetMarkers();
    CTimeMarker* SelectedMarker() const { return m_selected; }
    int SelectedIndex() const;
    const QList<CTimeMarker*>& Markers() const;
    // The marker's x in the ruler, -1 when not shown.
    int MarkerX(const CTimeMarker* marker) const { return m_views.value(marker).x; }
    QRect MarkerRect(const CTimeMarker* marker) const { return m_views.value(marker).rect; }
    // One shown marker for each x where markers are shown, from left to
    // right: what a paint draws, however many markers the show holds.
    const QVector<const CTimeMarker*>& ShownMarkers() const;
    // The markers from one time to another, both included, by time.
    QVector<const CTimeMarker*> MarkersWithin(int from, int to) const;

    // Labelled-tick period and subdivisions for a visible span.
    struct STicks
    {
        int period;
        int subdivisions;
    };
    static STicks TicksForSpan(int span);
    static QString TickLabel(int period, int n);
    int TickPeriod() const { return m_period; }
    QRect Thumb() const { return QRect(QPoint(m_thumbLeft, 0), QPoint(m_thumbRight, 14)); }

signals:
    void timeChanged();
    void posLock();
    void posUnlock();
    void posChanged();
    void markerChanged();
    void endMarkerChanged();
    // Markers other than the one just added changed their order.
    void markersReordered();
    void selChanged(bool selected);
    // Before the marker is deleted: whatever points at it lets go.
    void markerRemoved(const CTimeMarker* marker);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum EDrag { NoDrag, ThumbMove, ThumbLeft, ThumbRight, CursorDrag, MarkerDrag };
    struct SMarkerView
    {
        int x = -1;
        QRect rect; // empty when the marker lies outside the visible window
    };

    int W() const { return m_rc.right() - m_rc.left(); }
    QRect RulerRect() const;
    void UpdateScale();
    void ThumbRightFromZoom();
    void ThumbInside();
    void ZoomFromThumb();
    void UpdateTickOrigin();
    void PlaceMarker(const CTimeMarker* marker, int x);
    void UpdateMarkerRects();
    void SortMarkers();
    void PutInOrder(CTimeMarker* marker);
    // The markers by time, kept beside the list (which the user orders).
    void IndexMarkers() const;
    void IndexMarker(CTimeMarker* marker);
    void UnindexMarker(const CTimeMarker* marker);
    void ScrollToTime(int t);
    void ShowSelected(CTimeMarker* marker);
    void SetCursorFromX(int x);
    void Modified();

    CTimeLineData& m_data;
    QRect m_rc{0, 0, 60, kHeight};
    int m_thumbLeft = 0;
    int m_thumbRight = 59;
    QPixmap m_background;
    EDrag m_drag = NoDrag;
    int m_pressX = 0;
    int m_pressThumbLeft = 0;
    int m_pressThumbRight = 0;
    int m_cursorX = 0;
    int m_cursorTime = 0;
    int m_zoom = 100;
    int m_viewStart = 0;
    int m_span = 0;
    int m_length = 0;
    int m_period = 0;
    int m_subdivisions = 1;
    int m_major = 0;
    int m_minor = 0;
    int m_firstTick = 0;
    int m_firstTickX = 0;
    bool m_initialised = false;
    bool m_markersReadOnly = false;
    int m_storedCursor = -1;
    CTimeMarker* m_selected = nullptr;
    // The views of the markers in the visible window only.
    QHash<const CTimeMarker*, SMarkerView> m_views;
    mutable QVector<CTimeMarker*> m_byTime;
    mutable QVector<const CTimeMarker*> m_shown;
    mutable bool m_shownValid = false;
};
