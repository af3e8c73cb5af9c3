#pragma once

#include <QByteArray>

class CPatchedFixture;

// Generated steps of one driven beam: one byte per step in every array. The
// beam number is kept by value, so editing the effect's lists afterwards
// cannot change what a record refers to. Resizing keeps the existing bytes
// and zero-fills the new ones.

struct CColorStepRecord
{
    CPatchedFixture* m_fixture = nullptr;
    int m_beam = 0;
    // Written by the builders.
    QByteArray m_rawRed, m_rawGreen, m_rawBlue, m_rawWhite;
    // Raw colours after intensity and saturation: what plays.
    QByteArray m_outRed, m_outGreen, m_outBlue, m_outWhite;

    void Resize(int steps);
    void Clear();
};

struct CPanTiltStepRecord
{
    CPatchedFixture* m_fixture = nullptr;
    int m_beam = 0;
    QByteArray m_panCoarse, m_panFine, m_tiltCoarse, m_tiltFine;

    void Resize(int steps);
    void Clear();
};

// Also the per-fixture output record of a curve channel.
struct CChannelStepRecord
{
    CPatchedFixture* m_fixture = nullptr;
    int m_beam = 0;
    QByteArray m_coarse, m_fine;

    void Resize(int steps);
    void Clear();
};

// Sets the array to `steps` bytes, keeping the existing ones and zeroing the
// rest; a negative count empties it.
void ResizeStepArray(QByteArray& array, int steps);
