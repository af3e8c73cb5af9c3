#include "editors/GifViewerCtrl.h"

#include "effects/PictureFile.h"

#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr QSize kLabelSize(60, 80);

} // namespace

CGifViewerCtrl::CGifViewerCtrl(const QString& file, int index, QWidget* parent)
    : QWidget(parent), m_index(index), m_label(new QLabel(this))
{
    setFixedSize(64, 84);
    m_label->setFixedSize(kLabelSize);
    m_label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    layout->addWidget(m_label);
    // A file the library cannot decode, or one declaring a huge picture,
    // leaves an empty thumbnail rather than a decoder let loose on it.
    if (!PictureFile::IsReadable(file))
        return;
    m_movie = new QMovie(file, QByteArray(), this);
    const QSize size = QImageReader(file).size();
    if (size.isValid())
        m_movie->setScaledSize(size.scaled(kLabelSize.width(), kLabelSize.width(), Qt::KeepAspectRatio));
    m_label->setMovie(m_movie);
    m_movie->start();
}

void CGifViewerCtrl::SetMarked(bool marked)
{
    m_marked = marked;
    update();
}

void CGifViewerCtrl::mousePressEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    if (m_marked)
        return;
    SetMarked(true);
    emit selChanged(m_index);
}

void CGifViewerCtrl::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_marked ? QColor(255, 0, 0) : QColor(50, 50, 50), 2, Qt::SolidLine, Qt::SquareCap,
                        Qt::BevelJoin));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
}
