#include "widgets/ZKTimeEdit.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace {

QSpinBox* MakeField(QWidget* parent, int maximum, int step, const QString& suffix)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    box->setWrapping(true);
    box->setAlignment(Qt::AlignRight);
    return box;
}

} // namespace

CZKTimeEdit::CZKTimeEdit(QWidget* parent, bool shortRange)
    : QWidget(parent)
    , m_pMinutes(MakeField(this, shortRange ? 43 : 59, 1, QStringLiteral(" m")))
    , m_pSeconds(MakeField(this, 59, 1, QStringLiteral(" s")))
    , m_pMs(MakeField(this, 960, 40, QString()))
{
    m_pMinutes->setObjectName(QStringLiteral("minutes"));
    m_pSeconds->setObjectName(QStringLiteral("seconds"));
    m_pMs->setObjectName(QStringLiteral("milliseconds"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_pMinutes);
    layout->addWidget(m_pSeconds);
    layout->addWidget(m_pMs);
    for (QSpinBox* box : {m_pMinutes, m_pSeconds, m_pMs})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &CZKTimeEdit::OnFieldChanged);
    setFocusProxy(m_pMinutes);
}

void CZKTimeEdit::SetTime(const QTime& time)
{
    const QTime t = time.isValid() ? time : QTime(0, 0);
    const QSignalBlocker blockMinutes(m_pMinutes);
    const QSignalBlocker blockSeconds(m_pSeconds);
    const QSignalBlocker blockMs(m_pMs);
    // A wrapping spin box would turn a value past its top into zero.
    m_pMinutes->setValue(std::min(t.minute(), m_pMinutes->maximum()));
    m_pSeconds->setValue(t.second());
    m_pMs->setValue(std::min(t.msec(), m_pMs->maximum()));
}

QTime CZKTimeEdit::GetTime() const
{
    return QTime(0, m_pMinutes->value(), m_pSeconds->value(), m_pMs->value());
}

void CZKTimeEdit::OnFieldChanged()
{
    emit timeChanged(GetTime());
}
