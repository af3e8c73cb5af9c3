#pragma once

#include "effects/MatrixColorEffect.h"

// An animated picture file played on a matrix.
class CMatrixGifEffect : public CMatrixColorEffect
{
public:
    CMatrixGifEffect();
    CMatrixGifEffect(CFixtureMatrix* matrix, int fade);
    CMatrixGifEffect(const CMatrixGifEffect& other) = default;

    // The file's base name, "Animated" without a file.
    QString GetName() const override;
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    QString m_file;
};
