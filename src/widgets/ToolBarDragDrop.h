#pragma once

#include <QPoint>
#include <QWidget>

// The handle at the start of a control's tool bar: pulling it asks the
// owner to drag the whole control (the owner runs the drag itself).
class CToolBarDragDrop : public QWidget
{
    Q_OBJECT
public:
    CToolBarDragDrop(int id, const QString& title, QWidget* parent = nullptr);

    int Id() const { return m_id; }
    QString Title() const { return m_title; }
    void SetTitle(const QString& title);

    QSize sizeHint() const override;

signals:
    void startDrag(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_id;
    QString m_title;
    QPoint m_pressPos;
    // One drag per press, however far the pointer travels afterwards.
    bool m_armed = false;
};
