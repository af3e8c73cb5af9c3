#include "effects/EffectRandom.h"

#include <QTime>

namespace {

unsigned int g_state = 1;
bool g_pinned = false;
unsigned int g_pinnedSeed = 0;

} // namespace

void CEffectRandom::Seed(unsigned int seed)
{
    g_state = seed;
}

void CEffectRandom::SeedFromClock()
{
    Seed(g_pinned ? g_pinnedSeed : static_cast<unsigned int>(QTime::currentTime().msec()));
}

int CEffectRandom::Next()
{
    // The classic 15-bit linear congruential generator: the formulas expect
    // exactly 0..32767, whatever the platform's own generator returns.
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

void CEffectRandom::PinSeed(unsigned int seed)
{
    g_pinned = true;
    g_pinnedSeed = seed;
}

void CEffectRandom::UnpinSeed()
{
    g_pinned = false;
}
