#include "setup/ProfileChannelCtrl.h"

#include "model/ProfileChannelDef.h"
#include "model/ProfileTypes.h"
#include "setup/ProfileChannelCell.h"
#include "setup/ProfileChannelsWnd.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString kPatchImages = QStringLiteral(":/Orvane/Images/Patch/");
constexpr int kMaxNameLength = 255;

bool IsColorMix(int type)
{
    return type >= ChannelType::Red && type <= ChannelType::White;
}

QPushButton* IconButton(const char* picture, QWidget* parent)
{
    auto* button = new QPushButton(QIcon(kPatchImages + QLatin1String(picture)), QString(), parent);
    button->setFixedSize(32, 32);
    button->setIconSize(QSize(24, 24));
    return button;
}

} // namespace

CProfileChannelCtrl::CProfileChannelCtrl(CProfileChannelDef* channel, const QPixmap& picture,
                                         CProfileChannelsWnd* strip)
    : QWidget(strip), m_strip(strip), m_picture(picture), m_channel(channel)
{
    setFixedWidth(kWidth);
    for (int kind = CProfileChannelCell::Index; kind <= CProfileChannelCell::Presets; ++kind)
        m_cells << new CProfileChannelCell(CProfileChannelCell::Kind(kind), channel, &m_picture, this);
    m_name = new QLineEdit(channel ? channel->m_name : QString(), this);
    m_name->setMaxLength(kMaxNameLength);
    m_sixteenBits = new QCheckBox(this);
    m_edit = IconButton("Params.png", this);
    m_delete = IconButton("Remove.png", this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    m_cells[CProfileChannelCell::Index]->setFixedSize(24, 20);
    top->addWidget(m_cells[CProfileChannelCell::Index]);
    top->addWidget(m_name);
    layout->addLayout(top);
    layout->addWidget(m_sixteenBits);
    layout->addSpacing(2);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_delete);
    layout->addLayout(buttons);
    layout->addWidget(m_cells[CProfileChannelCell::Picture], 1);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->setSpacing(0);
    for (int kind : {CProfileChannelCell::Beams, CProfileChannelCell::Presets}) {
        m_cells[kind]->setFixedHeight(24);
        bottom->addWidget(m_cells[kind]);
    }
    layout->addLayout(bottom);

    ShowPairing();
    const int type = channel ? channel->m_type : 0;
    EnableEdit(type != ChannelType::RollerX && !IsColorMix(type));

    connect(m_name, &QLineEdit::editingFinished, this, &CProfileChannelCtrl::OnNameChanged);
    connect(m_sixteenBits, &QCheckBox::stateChanged, this, &CProfileChannelCtrl::OnCheck16Bits);
    connect(m_edit, &QPushButton::pressed, this, &CProfileChannelCtrl::OnChannelEdit);
    connect(m_delete, &QPushButton::pressed, this, &CProfileChannelCtrl::OnChannelDelete);
    m_created.start();
}

CProfileChannelCell* CProfileChannelCtrl::Cell(int kind) const
{
    return m_cells.value(kind);
}

void CProfileChannelCtrl::SetChannel(CProfileChannelDef* channel)
{
    m_channel = channel;
    for (CProfileChannelCell* cell : qAsConst(m_cells))
        cell->SetChannel(channel);
    ShowPairing();
    update();
}

void CProfileChannelCtrl::ShowPairing()
{
    const QSignalBlocker blocker(m_sixteenBits);
    const bool fine = m_channel && m_channel->m_lsb;
    m_sixteenBits->setText(fine ? QStringLiteral("u Channel") : QStringLiteral("16 Bits"));
    m_sixteenBits->setChecked(m_channel && (m_channel->m_msb || m_channel->m_lsb));
    m_sixteenBits->setEnabled(m_channel && !fine);
    if (fine)
        m_edit->setEnabled(false);
    for (CProfileChannelCell* cell : qAsConst(m_cells))
        cell->update();
}

void CProfileChannelCtrl::EnableEdit(bool byType)
{
    const bool fine = m_channel && m_channel->m_lsb;
    bool enabled = m_channel && byType && !fine;
    // A colour dimmer is edited in a dialog of its own, offered only when
    // the program has one.
    if (enabled && m_channel->m_type == ChannelType::ColorDimmer)
        enabled = m_strip->CanEditColorDimmer();
    m_edit->setEnabled(enabled);
}

void CProfileChannelCtrl::UpdateType(const QPixmap& picture)
{
    m_picture = picture;
    if (m_channel) {
        m_name->setText(m_channel->m_name);
        const int type = m_channel->m_type;
        EnableEdit(!(type >= ChannelType::Pan && type <= ChannelType::RollerX) && !IsColorMix(type));
    }
    for (CProfileChannelCell* cell : qAsConst(m_cells))
        cell->update();
}

void CProfileChannelCtrl::SetSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

bool CProfileChannelCtrl::TooSoon() const
{
    return m_created.elapsed() < kGuardMs;
}

void CProfileChannelCtrl::OnNameChanged()
{
    if (m_channel && m_name->text() != m_channel->m_name)
        m_strip->RenameChannel(this, m_name->text());
}

void CProfileChannelCtrl::OnChannelEdit()
{
    if (TooSoon() || !m_channel || !m_edit->isEnabled())
        return;
    if (m_channel->m_type == ChannelType::ColorDimmer)
        m_strip->EditColorDimmer(this);
    else
        m_strip->EditChannel(this);
}

void CProfileChannelCtrl::OnChannelDelete()
{
    if (!TooSoon())
        m_strip->DeleteChannel(this);
}

void CProfileChannelCtrl::OnCheck16Bits(int state)
{
    if (m_channel)
        m_strip->SetSixteenBits(this, state == Qt::Checked);
}

void CProfileChannelCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_selected)
        painter.fillRect(rect(), QColor(176, 176, 196));
    painter.setPen(QColor(115, 115, 110));
    painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
}
