#pragma once

#include "effects/ColorEffect.h"

// Base of the pixel effects on a fixture matrix: one colour record per
// matrix pixel, pixel (row r, column c) being record m_cols * r + c.
class CMatrixColorEffect : public CColorEffect
{
public:
    // Reader: no matrix, size 0.
    explicit CMatrixColorEffect(int type);
    // New: takes the matrix as SetMatrix does.
    CMatrixColorEffect(int type, CFixtureMatrix* matrix, int fade);
    CMatrixColorEffect(const CMatrixColorEffect& other) = default;

    bool IsMatrix() const override { return true; }
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    // Takes the matrix (owned exactly when it is virtual) and its pixel size;
    // the previous matrix is not released here. Null clears the size.
    void SetMatrix(CFixtureMatrix* matrix);

    int m_rows = 0; // pixel rows
    int m_cols = 0; // pixel columns
    int m_fade = 0; // ms per step
    bool m_applySel = false;
};
