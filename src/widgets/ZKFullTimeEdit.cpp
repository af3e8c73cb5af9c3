#include "widgets/ZKFullTimeEdit.h"

#include "widgets/SplitTime.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace {

QSpinBox* MakeField(QWidget* parent, int maximum, const QString& suffix, const char* name)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setSuffix(suffix);
    box->setAlignment(Qt::AlignRight);
    box->setObjectName(QLatin1String(name));
    // A time is held to the owner's range as a whole: one digit of several
    // would be held on its own and the rest of the typing lost. Typed text
    // counts at Return or when the field loses focus; arrows count at once.
    box->setKeyboardTracking(false);
    return box;
}

} // namespace

CZKFullTimeEdit::CZKFullTimeEdit(QWidget* parent)
    : QWidget(parent)
    , m_pHours(MakeField(this, 99, QStringLiteral(" h"), "hours"))
    , m_pMinutes(MakeField(this, 59, QStringLiteral(" m"), "minutes"))
    , m_pSeconds(MakeField(this, 59, QStringLiteral(" s"), "seconds"))
    , m_pMs(MakeField(this, 999, QString(), "milliseconds"))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (QSpinBox* box : {m_pHours, m_pMinutes, m_pSeconds, m_pMs}) {
        layout->addWidget(box);
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &CZKFullTimeEdit::OnFieldChanged);
    }
    setFocusProxy(m_pHours);
}

int CZKFullTimeEdit::FieldsTime() const
{
    return ((m_pHours->value() * 60 + m_pMinutes->value()) * 60 + m_pSeconds->value()) * 1000 + m_pMs->value();
}

void CZKFullTimeEdit::ShowTime(int ms)
{
    m_ms = ms;
    const STimeParts parts = SplitTime(ms);
    const QSignalBlocker blockHours(m_pHours);
    const QSignalBlocker blockMinutes(m_pMinutes);
    const QSignalBlocker blockSeconds(m_pSeconds);
    const QSignalBlocker blockMs(m_pMs);
    m_pHours->setValue(parts.hours);
    m_pMinutes->setValue(parts.minutes);
    m_pSeconds->setValue(parts.seconds);
    m_pMs->setValue(parts.milliseconds);
}

void CZKFullTimeEdit::SetTime(int ms)
{
    ShowTime(std::clamp(ms, m_min, m_max));
}

void CZKFullTimeEdit::SetRange(int minimumMs, int maximumMs)
{
    if (minimumMs > maximumMs)
        std::swap(minimumMs, maximumMs);
    m_min = std::clamp(minimumMs, 0, kLongest);
    m_max = std::clamp(maximumMs, 0, kLongest);
    ShowTime(std::clamp(m_ms, m_min, m_max));
}

void CZKFullTimeEdit::OnFieldChanged()
{
    const int before = m_ms;
    const int entered = FieldsTime();
    const int kept = std::clamp(entered, m_min, m_max);
    if (kept != entered)
        ShowTime(kept);
    m_ms = kept;
    if (kept != before)
        emit timeChanged(kept);
}
