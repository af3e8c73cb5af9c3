#pragma once

#include "editors/DmxBlink.h"
#include "live/LiveEditor.h"
#include "show/EffectScene.h"

#include <QList>
#include <QWidget>

#include <array>

class CEffectEngine;
class CEffectWnd;
class CFixtureMatrix;
class CProject;
class CScene;
class CTimeWidget;
class QAction;
class QPushButton;
class QScrollArea;
class QToolBar;

// The view in which one effect is edited on the page of its type: it drives
// the page's preview at the scene's speed and hands the edited copy to the
// project on OK or an apply. An edit that opens no page (no effect on the
// current step, a matrix type without a matrix, a type without a page)
// leaves the window empty, and every way out then ends it as Cancel does.
class CEffectsWnd : public QWidget, public CLiveEditor
{
    Q_OBJECT
public:
    enum Action { ActCopyLive, ActApplySelected, ActDmx, ActPlay, ActDirection, ActDefaultMode, ActStartMode,
                  ActMoveMode, ActAddMode, ActRemoveMode, ActionCount };
    enum Button { BtnParams, BtnOk, BtnApplySelected, BtnApplyAll, BtnCancel, ButtonCount };

    explicit CEffectsWnd(CProject& project, QWidget* parent = nullptr);
    ~CEffectsWnd() override;

    // CLiveEditor
    QWidget* Widget() override { return this; }
    void Cancel() override { OnCancel(); }
    bool HasChanges() const override;
    QString EditedName() const override;
    void EndEdit(bool keep) override { keep ? OnOk() : Discard(); }
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers) override;
    void Tick(int elapsedMs, int ticks) override;
    void Retranslate() override;
    void UpdatePage() override;
    void RefreshEditMode() override { UpdateEditMode(true); }
    void EditEffect(CScene* scene, int type, bool edit) override;
    CEffect* EditedEffect() const override;

    // False when nothing was applied (the show had no room, say): the scene is left as it was.
    bool Apply(int scope);
    void ClosePage(bool restorePanels);
    // The scene is about to be deleted: an effect edited for it has nowhere
    // to go, and the window closes as its Cancel closes it.
    void SceneDeleting(CScene* scene);
    // The locks and marks of the effect being edited, again; with
    // refreshPage the curve and preset pages mark their channels anew.
    void UpdateEditMode(bool refreshPage);

    CEffectWnd* Page() const { return m_page; }
    CFixtureMatrix* Matrix() const { return m_matrix; }
    int Speed() const { return m_speed; }
    QAction* ToolAction(Action action) const { return m_actions[size_t(action)]; }
    QPushButton* EndButton(Button button) const { return m_buttons[size_t(button)]; }
    CTimeWidget* TimeDisplay() const { return m_time; }

public slots:
    void OnOk();
    void OnApplySelected();
    void OnApplyAll();
    void OnCancel();
    void OnParams();
    void CopyLive();
    void ApplySelected();
    void EnableDmx();

signals:
    void closeWnd(bool done, bool cancelled);
    // The apply is about to write a row into a plain scene: what the scene
    // editor's history needs to know first.
    void rowComing(CScene* scene);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyAndClose(int scope);
    // Ends the edit without applying: static levels back, the page gone,
    // then the engine's copy deleted.
    void Discard();
    // Forgets what the edit set on the project (flags, locks, marks).
    void EndEditState();
    void UpdateButtons();
    void UpdateDmxLook();
    void SetActionIcon(Action action, const QString& name);
    // The Play/Stop and direction icons of the pan/tilt page.
    void ShowPanTiltLook();
    // Slots [first, end) of a universe.
    struct SChannels {
        int universe;
        int first;
        int end;
    };
    // Takes the fixtures whose beams are all unlit out of the edited effect:
    // the channels their rewritten row alone drove, which an admitted apply
    // marks no more.
    QList<SChannels> DropUnselectedFixtures();
    bool IsEffectScene() const;

    CProject& m_project;
    CEffectEngine* m_engine;
    CEffectWnd* m_page = nullptr;
    QToolBar* m_toolBar = nullptr;
    CTimeWidget* m_time = nullptr;
    QScrollArea* m_scroll = nullptr;
    std::array<QAction*, ActionCount> m_actions{};
    std::array<QPushButton*, ButtonCount> m_buttons{};
    CFixtureMatrix* m_matrix = nullptr;
    CScene* m_scene = nullptr;
    int m_type = 0;
    bool m_edit = false;
    int m_speed = 50;
    CDmxBlink m_blink;
    // The effect scene's static levels as the edit found them.
    QList<CModeStaticLevels> m_savedModeLevels;
    QList<CStaticChannelLevel> m_savedChannelLevels;
};
