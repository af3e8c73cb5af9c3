#pragma once

#include <QWidget>

class QLabel;
class QMovie;

// One animated thumbnail of the picture library; a press marks it.
class CGifViewerCtrl : public QWidget
{
    Q_OBJECT
public:
    CGifViewerCtrl(const QString& file, int index, QWidget* parent = nullptr);

    int Index() const { return m_index; }
    bool IsMarked() const { return m_marked; }
    void SetMarked(bool marked);
    // Null when the file cannot be shown.
    QMovie* Movie() const { return m_movie; }

signals:
    void selChanged(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_index;
    bool m_marked = false;
    QLabel* m_label;
    QMovie* m_movie = nullptr;
};
