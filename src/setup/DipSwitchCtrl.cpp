#include "setup/DipSwitchCtrl.h"

#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

const QString kFolder = QStringLiteral(":/Orvane/Images/Patch/DipSwitch/");
constexpr int kMaxAddress = 512;
const QRect kMarkRect(88, 0, 30, 30);

const QPixmap& Picture(const char* name)
{
    static QHash<QString, QPixmap> pictures;
    const QString key = QLatin1String(name);
    auto it = pictures.find(key);
    if (it == pictures.end())
        it = pictures.insert(key, QPixmap(kFolder + key));
    return it.value();
}

} // namespace

CDipSwitchCtrl::CDipSwitchCtrl(QWidget* parent) : QWidget(parent)
{
    setFixedSize(118, 32);
}

void CDipSwitchCtrl::SetAddress(int address)
{
    if (address < 0 || address > kMaxAddress)
        return;
    m_address = quint16(address);
    update();
}

void CDipSwitchCtrl::mousePressEvent(QMouseEvent* event)
{
    if (!kMarkRect.contains(event->pos()))
        return;
    m_nineBit = event->pos().y() > 15;
    update();
}

void CDipSwitchCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, Picture("DipSwitch.png"));
    painter.drawPixmap(kMarkRect.topLeft(), Picture(m_nineBit ? "9Bit.png" : "10Bit.png"));
    const int value = m_nineBit && m_address != 0 ? m_address - 1 : m_address;
    for (int k = 0; k < 10; ++k) {
        const int top = (value >> k) & 1 ? 5 : 12;
        painter.fillRect(QRect(QPoint(16 + 7 * k, top), QPoint(21 + 7 * k, top + 4)), Qt::black);
    }
}
