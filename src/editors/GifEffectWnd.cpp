#include "editors/GifEffectWnd.h"

#include "Captions.h"
#include "editors/GifEffectsTab.h"
#include "editors/GifEffectsWnd.h"
#include "editors/MatrixPreviewWnd.h"
#include "effects/EffectEngine.h"
#include "effects/MatrixGifEffect.h"
#include "model/Language.h"
#include "show/Project.h"
#include "widgets/TimeWidget.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Speed 1 to 10 against a step time of (11 − speed) × 40 ms.
constexpr int kMaxSpeed = 10;
constexpr int kStepGrain = 40;
constexpr int kNewStepTime = 120;

const int kTabCaptions[] = {Txt::PictureTabParticles, Txt::PictureTabSpirals, Txt::PictureTabAnim,
                            Txt::PictureTabNeon, Txt::Other};

const bool kRegistered = RegisterMatrixEffectPage<CGifEffectWnd, CMatrixGifEffect>(EffectType::MatrixGif);

} // namespace

QStringList CGifEffectWnd::LibraryFolders()
{
    return {tr("System/Effects/Particles"), tr("System/Effects/Spirals"), tr("System/Effects/Anim"),
            tr("System/Effects/Neon"), tr("System/Effects/Others")};
}

CGifEffectWnd::CGifEffectWnd(CProject& project, const CMatrixGifEffect* effect, CEffectEngine* engine,
                             CFixtureMatrix* matrix, CTimeWidget* timeWidget, bool effectScene, QWidget* parent)
    : CPreviewEffectWnd(engine, timeWidget, effectScene, parent), m_project(project),
      m_effect(effect ? new CMatrixGifEffect(*effect) : new CMatrixGifEffect(matrix, kNewStepTime))
{
    AdoptEffect(m_project, m_effect, matrix, kMaxSpeed, kStepGrain);

    BuildMatrixPreview(m_project, Qt::AlignCenter);

    m_tabs = new QTabWidget(this);
    m_tabs->setFixedWidth(382);
    const QString root = QDir::currentPath();
    for (const QString& folder : LibraryFolders()) {
        auto* tab = new CGifEffectsTab(QDir(root).filePath(folder), m_tabs);
        m_tabs->addTab(tab, QString());
        connect(tab->Pictures(), &CGifEffectsWnd::selChanged, this, &CGifEffectWnd::OnSelChanged);
        m_libraryTabs.append(tab);
    }


    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(m_previewGroup, 1);
    right->addWidget(m_paramsGroup, 0);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(6);
    outer->addWidget(m_tabs, 0);
    outer->addLayout(right, 1);

    Retranslate();
    if (effect && !m_effect->m_file.isEmpty() && QFileInfo(m_effect->m_file).isFile()) {
        m_engine->GenerateEffect();
        m_preview->Start(true);
        ShowLength();
    }
    m_effect->m_flag = false;
}

CMatrixPreviewWnd* CGifEffectWnd::Preview() const
{
    return static_cast<CMatrixPreviewWnd*>(m_preview);
}

void CGifEffectWnd::ShowLength()
{
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

void CGifEffectWnd::OnSelChanged(const QString& file)
{
    m_effect->m_file = file;
    GenerateAnew(*m_effect, true);
}

void CGifEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    MoveToMatrix(m_project, m_effect, matrix);
}

void CGifEffectWnd::Tick(int elapsedMs)
{
    m_tabs->update();
    CPreviewEffectWnd::Tick(elapsedMs);
}

void CGifEffectWnd::Retranslate()
{
    for (int i = 0; i < m_tabs->count(); ++i)
        m_tabs->setTabText(i, GetLangText(kTabCaptions[i]));
    RetranslateMatrixPreview();
}
