#pragma once

// The one random source of every effect: 15-bit values 0 to 32767, which the
// effect formulas divide by 32767. Each generation reseeds it from the
// milliseconds of the current time; tests pin the seed so that a generation
// is repeatable.
class CEffectRandom
{
public:
    static constexpr int kMax = 32767;

    static void Seed(unsigned int seed);
    // Milliseconds of the wall clock, or the pinned test seed.
    static void SeedFromClock();
    // 0 to kMax.
    static int Next();

    // While pinned, SeedFromClock seeds with `seed` instead of the clock.
    static void PinSeed(unsigned int seed);
    static void UnpinSeed();
};
