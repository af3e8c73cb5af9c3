#include "effects/CurveTables.h"

#include "effects/CurveEffect.h"
#include "effects/EffectMath.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kTwoPi = 6.28318530718f;

using EffectMath::Trunc;

} // namespace

int CCurveGenerator::MapLevel(qint64 v) const
{
    if (v < 1)
        return m_min;
    if (v >= 65535)
        return m_max;
    return int(Trunc(double(float(v) * m_scale))) + m_min;
}

void CCurveGenerator::Fill(int level)
{
    std::fill(m_table->begin(), m_table->end(), level);
}

void CCurveGenerator::Generate(int type, int ampli, int phase, int offset, float& ratio)
{
    if (!m_table)
        return;
    if (m_table->size() != kCurvePoints)
        m_table->resize(kCurvePoints);
    if (type != m_lastType) {
        m_lastType = type;
        m_lastRatio = 0.0f;
    }
    const bool adjust = ratio != m_lastRatio;
    // The editors offer 0..100; beyond it the square's delay loop would run
    // on without limit.
    phase = std::clamp(phase, 0, 100);
    const int a = int(Trunc(float(ampli) * m_ampliScale));
    const int o = int(Trunc(float(offset) * m_offsetScale)) - 50;
    const float ph = float(phase) * 0.2f;

    // The limit of every waveform as its period grows without end: a level
    // that never changes. Without this the square's half period divides by 0.
    const bool flat = !(ratio > 0.0f);
    switch (type) {
    case CCurveParam::Sinus:
        if (flat) {
            const float s = float(a) * 0.02f * m_mid;
            const qint64 b = Trunc(float(o) * (m_mid * 2.0f / 100.0f) + m_mid);
            Fill(MapLevel(Trunc(std::sin(ph) * s + float(b))));
        } else {
            Sinus(a, o, ph, ratio, adjust);
        }
        break;
    case CCurveParam::Square:
    case CCurveParam::Triangle:
        if (flat)
            Fill(MapLevel(Trunc(float(o) * (m_mid * 2.0f / 100.0f))));
        else
            SquareOrTriangle(type == CCurveParam::Triangle, a, o, phase, ratio, adjust);
        break;
    case CCurveParam::Pulse:
        if (flat)
            Fill(MapLevel(Trunc(float(o) * (m_mid * 2.0f / 100.0f) + m_mid)));
        else
            Pulse(ampli, o, ph, ratio);
        break;
    default:
        Fill(m_min);
        break;
    }
    m_lastRatio = ratio;
}

void CCurveGenerator::Sinus(int a, int o, float ph, float& ratio, bool adjust)
{
    const float s = float(a) * 0.02f * m_mid;
    const float b = float(Trunc(float(o) * (m_mid * 2.0f / 100.0f) + m_mid));
    auto step = [](float r) { return (r * 0.2f) * kTwoPi / 200.0f; };
    float w = step(ratio);
    if (adjust) {
        // The table loops seamlessly when its last point lands on its first.
        const qint64 first = Trunc(std::sin(ph) * s + b);
        for (int n = 0; n < kMaxRatioSteps; ++n) {
            if (Trunc(std::sin(199.0f * w + ph) * s + b) == first)
                break;
            const float next = ratio + 0.00001f;
            if (next == ratio)
                break; // too large for the increment to register
            ratio = next;
            w = step(ratio);
        }
    }
    for (int i = 0; i < kCurvePoints; ++i)
        (*m_table)[i] = MapLevel(Trunc(std::sin(float(i) * w + ph) * s + b));
}

void CCurveGenerator::SquareOrTriangle(bool triangle, int a, int o, int phase, float& ratio, bool adjust)
{
    const qint64 q = Trunc(float(a) / 100.0f * 131070.0f);
    const qint64 b = Trunc(float(o) * (m_mid * 2.0f / 100.0f));
    // A ratio above 800 would give a half period of 0 points; one point is
    // the shortest a table can show.
    auto halfPeriod = [](float r) { return std::max<qint64>(1, Trunc(200.0f / (r * 0.25f))); };
    qint64 h = halfPeriod(ratio);
    if (adjust) {
        // Ends at the latest at a half period of 1, since 200 is even.
        while (200 % (2 * h) != 0) {
            const float next = ratio + 1.0f;
            if (next == ratio)
                break;
            ratio = next;
            h = halfPeriod(ratio);
        }
    }

    const int delay = 2 * phase;
    qint64 toggle = h;
    if (!triangle) {
        qint64 level = 0;
        for (int j = 0; j < delay + kCurvePoints; ++j) {
            if (j == toggle) {
                toggle += h;
                level = level == 0 ? q : 0;
            }
            if (j >= delay)
                (*m_table)[j - delay] = MapLevel(b + level);
        }
        return;
    }
    float slope = float(q) / float(h);
    qint64 start = 0;
    qint64 base = b;
    qint64 last = b;
    for (int j = 0; j < delay + kCurvePoints; ++j) {
        if (j == toggle) {
            start = toggle;
            toggle += h;
            slope = -slope;
            base = last;
        }
        last = Trunc(float(j - start) * slope + float(base));
        if (j >= delay)
            (*m_table)[j - delay] = MapLevel(last);
    }
}

void CCurveGenerator::Pulse(int ampli, int o, float ph, float ratio)
{
    const float a = float(ampli / 2) * m_ampliScale;
    const float b = float(Trunc(float(o) * (m_mid * 2.0f / 100.0f) + m_mid));
    const float w = (ratio * 0.4f) * kTwoPi / 200.0f;
    const float whole = float(Trunc(a));
    float envelope = 0.0f;
    float change = 0.5f;
    for (int i = 0; i < kCurvePoints; ++i) {
        (*m_table)[i] = MapLevel(Trunc(std::sin(float(i) * w + ph) * (envelope * whole * 0.001f * m_mid) + b));
        envelope += change;
        if ((i + 1) % 100 == 0)
            change = -change;
    }
}
