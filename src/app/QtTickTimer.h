#pragma once

#include "app/MasterTick.h"

class QTimer;

// The master tick's timer on a QTimer, read as it runs.
class CQtTickTimer final : public CMasterTick::CTimer
{
public:
    explicit CQtTickTimer(QTimer& timer);

    CMasterTick::STimer State() const override;
    void Start(int ms) override;

private:
    QTimer& m_timer;
};
