#pragma once

#include "effects/RgbwColor.h"

#include <QList>
#include <QVector>
#include <QtGlobal>

// How a colour sequence plays: the flags and colours of the effect that every
// table routine reads. `number` colours of `colors` take part; callers pad the
// list so that it never holds fewer.
struct CColorSequenceStyle
{
    bool forward = false;  // the effect's Sens flag
    bool fade = false;     // HasFade
    bool comeBack = false; // ComeBack: the table plays forward then backward
    bool wrap = false;     // Continue: a wave band wraps around the fixtures
    QList<CRgbwColor> colors;
};

// A grid of colours, one row per step and one column per driven beam, that the
// colour-sequence builder fills and the engine copies into its step records.
// Every Build routine replaces the table and returns its row count; 0 means
// the parameters make no table (a width or size below 1, or more cells than a
// generation may hold).
class CColorTable
{
public:
    // Rows x columns one table may hold (32 MB of colours), as many cells as
    // the engine's step budget.
    static constexpr qint64 MaxCells = qint64(1) << 23;

    CColorTable() = default;

    // `shift` is the number of columns the pattern moves per step.
    int BuildRainbow(int width, int size, int number, int shift, const CColorSequenceStyle& style);
    int BuildWave(int width, int size, int shift, const CColorSequenceStyle& style);
    int BuildHalfWave(int width, int halfSize, int number, int shift, const CColorSequenceStyle& style);
    // Seeds the effect random source from the clock first.
    int BuildRandom(int width, int size, int number, const CColorSequenceStyle& style);
    int BuildWagons(int width, int size, int wagonSpan, int number, int shift, const CColorSequenceStyle& style);

    // Per byte trunc(b x (1 - w) + a x w), single precision; w is held to 0..1.
    static CRgbwColor Blend(float w, const CRgbwColor& a, const CRgbwColor& b);
    // trunc(random / 32767 x n).
    static int RandomInt(int n);

    int RowCount() const { return m_rowCount; }
    int Width() const { return m_width; }
    int Current() const { return m_current; }
    int SpanA() const { return m_spanA; }
    int SpanB() const { return m_spanB; }
    int Shift() const { return m_shift; }
    // (0,0,0,0) outside the table.
    CRgbwColor At(int row, int column) const;

    void FreeRows();

private:
    // Stores width and colours, sizes the table to `rows` black rows; false
    // when the sizes are not positive or the table would be too large.
    bool Begin(int width, qint64 rows, const CColorSequenceStyle& style);
    // Rows from Current on become the rows before them played backwards.
    void MirrorRows();
    // Colour `index` of the copied list; black past its end.
    CRgbwColor Color(int index) const;
    void Set(int row, int column, const CRgbwColor& color);

    QVector<QVector<CRgbwColor>> m_rows;
    int m_current = 0;
    int m_rowCount = 0;
    int m_width = 0;
    int m_spanA = 0;
    int m_spanB = 0;
    int m_shift = 0;
    QList<CRgbwColor> m_colors;
};
