#pragma once

#include "effects/MatrixColorEffect.h"

#include <QImage>
#include <QList>

// A still picture, an animated picture or stored video frames on a matrix.
class CMatrixMediaEffect : public CMatrixColorEffect
{
public:
    enum MediaKind : int { Picture = 0, AnimatedPicture = 1, StoredFrames = 2 };

    CMatrixMediaEffect();
    CMatrixMediaEffect(CFixtureMatrix* matrix, int fade);
    CMatrixMediaEffect(const CMatrixMediaEffect& other) = default;

    // The file's base name, "Media" without a file.
    QString GetName() const override;
    void Load(CXmlDocument& doc) override;
    void Save(CXmlDocument& doc) const override;

    // Empties the frames and sets the frame size to the source's aspect,
    // 100 pixels on the longer side. Non-positive sizes are ignored.
    void SetSourceSize(int width, int height);
    // Appends the image scaled to the frame size, aspect ignored, unsmoothed.
    void AddFrame(const QImage& image);

    int m_frameWidth = 100;
    int m_frameHeight = 100;
    int m_mediaType = Picture;
    QString m_file;
    QList<QImage> m_frames; // stored in the file only with StoredFrames
};
