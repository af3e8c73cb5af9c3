#pragma once

#include <QtGlobal>

#include <algorithm>
#include <limits>

class CEffectEngine;
class QImage;

// Helpers the matrix builders share: images and frames into colour records.
namespace MatrixSteps {

// Effect length of `steps` steps of `stepTime` ms, held within an int; a
// negative step time counts as 0.
inline int EffectLength(int stepTime, qint64 steps)
{
    const qint64 length = qint64(std::max(stepTime, 0)) * std::max<qint64>(steps, 0);
    return int(std::min<qint64>(length, std::numeric_limits<int>::max()));
}

// Whether the engine's matrix size is one the builders can fill: positive
// and within one generation's frame budget.
bool MatrixSizeUsable(const CEffectEngine& engine);

// Image pixel (x = column, y = row) of an image exactly columns x rows into
// the raw arrays of colour record columns x row + column at `step`, white 0.
// Any other image (a null one too) writes black.
void SampleImageIntoStep(CEffectEngine& engine, const QImage& image, int step);

} // namespace MatrixSteps
