#include "editors/PictureViewer.h"

#include "effects/PictureFile.h"

#include <QImageReader>
#include <QPainter>

CPictureViewer::CPictureViewer(QWidget* parent) : QWidget(parent) {}

bool CPictureViewer::SetFile(const QString& path)
{
    m_file = path;
    m_pixmap = QPixmap();
    QImage image;
    // The header is checked first: the reader would otherwise allocate
    // whatever size a damaged or hostile file declares.
    if (PictureFile::IsReadable(path)) {
        QImageReader reader(path);
        if (reader.read(&image))
            m_pixmap = QPixmap::fromImage(image);
    }
    update();
    return !m_pixmap.isNull();
}

QRect CPictureViewer::FittedRect(const QSize& picture, const QRect& area)
{
    if (picture.isEmpty() || area.isEmpty())
        return QRect();
    const qint64 pictureWide = qint64(picture.width()) * area.height();
    const qint64 areaWide = qint64(area.width()) * picture.height();
    if (pictureWide > areaWide) {
        const int height = int(qint64(area.width()) * picture.height() / picture.width());
        return QRect(area.left(), area.top() + (area.height() - height) / 2, area.width(), height);
    }
    const int width = int(qint64(area.height()) * picture.width() / picture.height());
    return QRect(area.left() + (area.width() - width) / 2, area.top(), width, area.height());
}

void CPictureViewer::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.fillRect(rect(), QColor(100, 100, 100));
    if (!m_pixmap.isNull())
        painter.drawPixmap(FittedRect(m_pixmap.size(), rect()), m_pixmap);
    painter.setPen(QColor(115, 115, 110));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
