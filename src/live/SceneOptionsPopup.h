#pragma once

#include <QFrame>

class CProject;
class CProSlider;
class CScene;
class QPushButton;

// The live options of one scene button: speed, dimmer, pause, blackout and
// beam on. The scene's own values change at once; an effect scene hands
// them on to its running copies.
class CSceneOptionsPopup : public QFrame
{
    Q_OBJECT
public:
    explicit CSceneOptionsPopup(CProject& project, QWidget* parent = nullptr);

    // Shows the options of the scene below `globalPos`.
    void Open(CScene* scene, const QPoint& globalPos);
    // Closes the popup when it shows `scene` (null: whatever it shows).
    void CloseFor(const CScene* scene);
    // The scene shown; null once closed.
    CScene* Scene() const { return isVisible() ? m_scene : nullptr; }

    // Someone else changed the scene's live values: pass them on and show them.
    void SceneChanged(bool dimmerChanged);
    void Refresh();
    void Retranslate();

    CProSlider* SpeedFader() const { return m_speed; }
    CProSlider* DimmerFader() const { return m_dimmer; }
    QPushButton* PauseButton() const { return m_pause; }
    QPushButton* BlackoutButton() const { return m_blackout; }
    QPushButton* BeamOnButton() const { return m_beamOn; }

signals:
    void closed();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void OnSpeedMoved(int value);
    void OnDimmerMoved(int value);
    void OnPauseToggled(bool on);
    void OnBlackoutToggled(bool on);
    void OnBeamOnToggled(bool on);
    void Apply(bool dimmerChanged);

    CProject& m_project;
    CScene* m_scene = nullptr;
    CProSlider* m_speed;
    CProSlider* m_dimmer;
    QPushButton* m_pause;
    QPushButton* m_blackout;
    QPushButton* m_beamOn;
    bool m_refreshing = false;
};
