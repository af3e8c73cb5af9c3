#include "editors/DmxBlink.h"

namespace {

constexpr int kBlinkMs = 500;

} // namespace

bool CDmxBlink::Advance(int elapsedMs)
{
    m_ms += elapsedMs;
    if (m_ms < kBlinkMs)
        return false;
    m_ms = 0;
    m_crossed = !m_crossed;
    return true;
}

QString CDmxBlink::IconName() const
{
    return m_crossed ? QStringLiteral("XLR_Cross.png") : QStringLiteral("XLR.png");
}
