#include "app/QtTickTimer.h"

#include <QTimer>

CQtTickTimer::CQtTickTimer(QTimer& timer)
    : m_timer(timer)
{
}

CMasterTick::STimer CQtTickTimer::State() const
{
    return {m_timer.isActive(), m_timer.interval(), m_timer.remainingTime()};
}

void CQtTickTimer::Start(int ms)
{
    m_timer.start(ms);
}
