#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

// A still picture shown whole, at its own aspect, on a grey ground.
class CPictureViewer : public QWidget
{
    Q_OBJECT
public:
    explicit CPictureViewer(QWidget* parent = nullptr);

    // False, with nothing shown, for a file that cannot be decoded or would
    // take more memory than a picture may.
    bool SetFile(const QString& path);

    QString File() const { return m_file; }
    // Where the picture is drawn in a widget of `area`.
    static QRect FittedRect(const QSize& picture, const QRect& area);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_file;
    QPixmap m_pixmap;
};
