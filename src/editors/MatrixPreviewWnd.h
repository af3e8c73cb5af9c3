#pragma once

#include "editors/TrichroPreviewWnd.h"

// The preview of an effect laid on a matrix: the cells row by row. Only
// beams still selected receive the colours on the fixtures.
class CMatrixPreviewWnd : public CTrichroPreviewWnd
{
    Q_OBJECT
public:
    explicit CMatrixPreviewWnd(CProject& project, QWidget* parent = nullptr);

    void UpdateGeometry() override;
    void Tick(bool writeLevels, int elapsedMs) override;
};
