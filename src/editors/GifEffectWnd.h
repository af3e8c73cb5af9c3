#pragma once

#include "editors/PreviewEffectWnd.h"

#include <QVector>

class CGifEffectsTab;
class CMatrixGifEffect;
class CMatrixPreviewWnd;
class CSliderCtrl;
class QGroupBox;
class QTabWidget;

// The page of the matrix picture sequence: an animated picture from the
// library below the program's folder, played on a fixture matrix.
class CGifEffectWnd : public CPreviewEffectWnd
{
    Q_OBJECT
public:
    CGifEffectWnd(CProject& project, const CMatrixGifEffect* effect, CEffectEngine* engine, CFixtureMatrix* matrix,
                  CTimeWidget* timeWidget, bool effectScene, QWidget* parent = nullptr);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;
    void Tick(int elapsedMs) override;

    // The library folders, relative to the program's folder, in tab order.
    static QStringList LibraryFolders();

    CMatrixGifEffect* Effect() const { return m_effect; }
    CMatrixPreviewWnd* Preview() const;
    QTabWidget* Tabs() const { return m_tabs; }
    const QVector<CGifEffectsTab*>& LibraryTabs() const { return m_libraryTabs; }
    CSliderCtrl* SpeedCtrl() const { return m_speed; }
    CSliderCtrl* IntensityCtrl() const { return m_intensity; }
    CSliderCtrl* SaturationCtrl() const { return m_saturation; }

public slots:
    void OnSelChanged(const QString& file);

private:
    void ShowLength();

    CProject& m_project;
    CMatrixGifEffect* m_effect;
    QTabWidget* m_tabs;
    QVector<CGifEffectsTab*> m_libraryTabs;
};
