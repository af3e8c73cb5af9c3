#pragma once

#include <QString>

// While the editors send nothing, their DMX button changes picture every
// half second so that the operator notices.
class CDmxBlink
{
public:
    // True when the picture changes.
    bool Advance(int elapsedMs);
    QString IconName() const;

private:
    int m_ms = 0;
    bool m_crossed = false;
};
