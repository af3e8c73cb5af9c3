#pragma once

#include <QVector>

// Writes the 200-point, 16-bit waveform table of one curve channel. The
// engine points `m_table` at the channel's table before each generation.
class CCurveGenerator
{
public:
    // Keeps the sine's loop search bounded: enough increments to cross the
    // widest gap between two matching ratios (about 5) several times over.
    static constexpr int kMaxRatioSteps = 1000000;

    CCurveGenerator() = default;

    // Fills the table (resized to 200 entries). With a ratio that differs
    // from the last generation of the same waveform, sine, square and
    // triangle move the ratio up until the table loops seamlessly; the caller
    // keeps the adjusted ratio. A phase is held to 0..100; a ratio of 0 or
    // less gives a flat table.
    void Generate(int type, int ampli, int phase, int offset, float& ratio);

    // v < 1 gives Min, v >= 65535 Max, else trunc(v x Scale) + Min.
    int MapLevel(qint64 v) const;

    int m_min = 0;
    int m_max = 65535;
    int m_lastType = 0;
    float m_scale = 1.0f;
    float m_lastRatio = 0.0f;
    float m_mid = 32767.5f;
    float m_ampliScale = 50.0f / 255.0f;
    float m_offsetScale = 100.0f / 255.0f;
    QVector<int>* m_table = nullptr;

private:
    void Fill(int level);
    void Sinus(int a, int o, float ph, float& ratio, bool adjust);
    // Square and triangle share their half period and its adjustment.
    void SquareOrTriangle(bool triangle, int a, int o, int phase, float& ratio, bool adjust);
    void Pulse(int ampli, int o, float ph, float ratio);
};
