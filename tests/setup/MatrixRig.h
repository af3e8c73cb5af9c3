#pragma once

#include "setup/MatrixCells.h"

#include <QStringList>

#include <memory>

// A builder grid of `columns` x `rows` chained from `start` of universe 0
// with first address `first` and `perUniverse` fixtures a universe (0: as
// many as fit), over `universes` universes blocked from `limit` on (-1: none).
inline std::unique_ptr<CMatrixCells> MakeCells(int channels, int first, int start, int perUniverse, int columns,
                                               int rows, int universes = 2, int limit = -1)
{
    auto cells = std::make_unique<CMatrixCells>(channels, 0, start, limit < 0 ? universes * 512 : limit, universes);
    cells->SetFirstAddress(first);
    cells->SetFixturesPerUniverse(perUniverse > 0 ? perUniverse : cells->MaxFixturesPerUniverse());
    cells->RebuildGrid(columns, rows, false);
    return cells;
}

// The first `count` chain starts as "universe:address".
inline QStringList ChainStarts(const CMatrixCells& cells, int count)
{
    QStringList starts;
    for (int i = 0, p = cells.ChainStart(); i < count; ++i, p = cells.NextAddress(p))
        starts << QStringLiteral("%1:%2").arg(p / 512).arg(p % 512);
    return starts;
}

// Square by square, row by row: "number@address" of the fixture there, "."
// for an empty square; rows joined by "|".
inline QString Squares(const CMatrixCells& cells, bool withAddress = false)
{
    QStringList rows;
    for (int r = 0; r < cells.Rows(); ++r) {
        QStringList row;
        for (int c = 0; c < cells.Columns(); ++c) {
            const int i = cells.FindCell(cells.Square(c, r));
            if (i < 0)
                row << QStringLiteral(".");
            else if (withAddress)
                row << QStringLiteral("%1@%2").arg(cells.CellAt(i).number).arg(cells.CellAt(i).address);
            else
                row << QString::number(cells.CellAt(i).number);
        }
        rows << row.join(QLatin1Char(' '));
    }
    return rows.join(QLatin1Char('|'));
}

inline QList<int> IntList(const QString& text)
{
    QList<int> values;
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        values << part.toInt();
    return values;
}
