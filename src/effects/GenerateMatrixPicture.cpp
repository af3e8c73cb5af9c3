// The picture builders of the effect engine: animated pictures, still
// pictures and stored video frames sampled onto the matrix, one image pixel
// per matrix pixel. Picture files are untrusted: a file that cannot be
// decoded, or that declares a size beyond what a picture may take, counts as
// a missing file.

#include "effects/EffectEngine.h"
#include "effects/MatrixGifEffect.h"
#include "effects/MatrixMediaEffect.h"
#include "effects/MatrixSteps.h"
#include "effects/PictureFile.h"

#include <QImage>
#include <QImageReader>
#include <QMovie>

namespace {

QImage ScaledToMatrix(const QImage& image, int columns, int rows)
{
    if (image.isNull())
        return QImage();
    return image.scaled(columns, rows, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

int CEffectEngine::LoadMovieFrames(const QString& file)
{
    if (!MatrixSteps::MatrixSizeUsable(*this) || !PictureFile::IsReadable(file))
        return 0;
    QMovie movie(file);
    movie.setCacheMode(QMovie::CacheNone);
    movie.setScaledSize(QSize(m_cols, m_rows));
    if (!movie.isValid())
        return 0;

    // Every frame of the file once: a looping picture lets the jump past its
    // last frame succeed by wrapping to frame 0, which ends the count too.
    const qint64 framePixels = PictureFile::FramePixels(file);
    qint64 steps = 0;
    while (movie.jumpToFrame(int(steps)) && movie.currentFrameNumber() == steps) {
        ++steps;
        if (!FitsStepBudget(steps))
            return 0;
        if (steps * framePixels > PictureFile::kMaxAnimationPixels) {
            m_tooLarge = true;
            return 0;
        }
    }
    if (steps < 1)
        return 0;

    ResizeSteps(int(steps));
    for (int s = 0; s < steps; ++s) {
        const bool reached = movie.jumpToFrame(s);
        // A frame that cannot be reached or has another size shows black
        // rather than what an earlier generation left there.
        MatrixSteps::SampleImageIntoStep(*this, reached ? movie.currentImage() : QImage(), s);
    }
    return int(steps);
}

int CEffectEngine::LoadPicture(const QString& file)
{
    if (!MatrixSteps::MatrixSizeUsable(*this) || !FitsStepBudget(1) || !PictureFile::IsReadable(file))
        return 0;
    QImageReader reader(file);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return 0;
    ResizeSteps(1);
    MatrixSteps::SampleImageIntoStep(*this, ScaledToMatrix(image, m_cols, m_rows), 0);
    return 1;
}

int CEffectEngine::LoadVideoFrames(const CMatrixMediaEffect& effect)
{
    const int frames = effect.m_frames.size();
    if (frames < 1 || !MatrixSteps::MatrixSizeUsable(*this) || !FitsStepBudget(frames))
        return 0;
    ResizeSteps(frames);
    for (int s = 0; s < frames; ++s)
        MatrixSteps::SampleImageIntoStep(*this, ScaledToMatrix(effect.m_frames.at(s), m_cols, m_rows), s);
    return frames;
}

void CEffectEngine::GenerateMatrixGif()
{
    auto* effect = dynamic_cast<CMatrixGifEffect*>(Effect());
    if (!effect)
        return;
    const int steps = LoadMovieFrames(effect->m_file);
    ApplyIntensitySaturation();
    effect->m_len = MatrixSteps::EffectLength(effect->m_fade, steps);
}

int CEffectEngine::GenerateMatrixMedia()
{
    auto* effect = dynamic_cast<CMatrixMediaEffect*>(Effect());
    if (!effect)
        return 0;
    int steps = 0;
    switch (effect->m_mediaType) {
    case CMatrixMediaEffect::AnimatedPicture:
        steps = LoadMovieFrames(effect->m_file);
        break;
    case CMatrixMediaEffect::StoredFrames:
        steps = LoadVideoFrames(*effect);
        break;
    default:
        steps = LoadPicture(effect->m_file);
        break;
    }
    ApplyIntensitySaturation();
    effect->m_len = MatrixSteps::EffectLength(effect->m_fade, steps);
    return effect->m_len;
}
