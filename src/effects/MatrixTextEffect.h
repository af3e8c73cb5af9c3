#pragma once

#include "effects/MatrixColorEffect.h"

#include <QFont>

// A text on a matrix, still (placed by the offsets) or scrolling.
class CMatrixTextEffect : public CMatrixColorEffect
{
public:
    enum TextDirection : int { Still = 0, ScrollLeft = 1, ScrollRight = 2, ScrollUp = 3, ScrollDown = 4 };

    // Reader: empty text, "Arial" 8 point, white on black.
    CMatrixTextEffect();
    CMatrixTextEffect(CFixtureMatrix* matrix, int fade, const QString& text, const QFont& font, int hOffset,
                      int vOffset, int direction, const CRgbwColor& textColor, const CRgbwColor& backColor);
    CMatrixTextEffect(const CMatrixTextEffect& other) = default;

    QString GetName() const override;
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    QString m_text;
    QFont m_font;
    int m_hOffset = 0;
    int m_vOffset = 0;
    int m_direction = Still;
    CRgbwColor m_textColor{255, 255, 255, 0};
    CRgbwColor m_backColor{0, 0, 0, 0};
};
