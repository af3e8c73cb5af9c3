#pragma once

#include "editors/DmxBlink.h"
#include "live/LiveEditor.h"
#include "model/Triggers.h"

#include <QWidget>

#include <array>

class CEffectScene;
class CScene;
class CEffectTitleWidget;
class CProject;
class CZKTimeEdit;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolBar;

// The editor of an effect scene's parameters (name, fades, loops,
// triggers) and the choice of the effect kind, whose edit goes on in the
// effects window. OK and the apply buttons hand the engine's effect, when
// the effects window left one there, to the scene.
class CEditEffectWnd : public QWidget, public CLiveEditor
{
    Q_OBJECT
public:
    enum Button { BtnOk, BtnApplySelected, BtnApplyAll, BtnCancel, ButtonCount };

    explicit CEditEffectWnd(CProject& project, QWidget* parent = nullptr);
    ~CEditEffectWnd() override;

    // CLiveEditor
    QWidget* Widget() override { return this; }
    void Cancel() override { OnCancel(); }
    bool HasChanges() const override;
    QString EditedName() const override;
    void EndEdit(bool keep) override;
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers) override;
    void Tick(int elapsedMs, int ticks) override;
    void Retranslate() override;
    void UpdateEffectList() override;
    // An effect scene that holds an effect is edited, one without is made.
    void SetEffectScene(CEffectScene* scene) override;
    void UpdateDmxButton() override { UpdateDmxLook(); }
    void ReleaseScene() override;
    bool WasCancelled() const override { return m_cancelled; }

    void OpenScene(CEffectScene* scene, bool edit);
    // The scene is about to be deleted: the edit ends, keeping nothing, and
    // the editor closes.
    void SceneDeleting(CScene* scene);
    void StoreParams();
    void Apply(int scope);

    QListWidget* KindList() const { return m_kinds; }
    QListWidgetItem* KindItem(int type) const;
    QLineEdit* NameEdit() const { return m_name; }
    QPushButton* TriggersButton() const { return m_triggers; }
    QComboBox* LoopsCombo() const { return m_loops; }
    QPushButton* EndButton(Button button) const { return m_buttons[size_t(button)]; }

public slots:
    void OnOk();
    void OnApplySelected();
    void OnApplyAll();
    void OnCancel();
    void OnSelEffectChanged(QListWidgetItem* item);
    void OnTriggers();
    void EnableDmx();

signals:
    void editEffect(eEffect type, bool edit);
    void closeWnd();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LoadFields();
    bool FieldsChanged() const;
    void ApplyAndClose(int scope);
    // Ends the edit: the show no longer edits the scene.
    void Close();
    void UpdateButtons();
    void UpdateDmxLook();

    CProject& m_project;
    CEffectScene* m_scene = nullptr;
    bool m_edit = false;
    bool m_cancelled = false;
    bool m_closed = false;
    // The trigger dialog edits the scene's own triggers: Cancel's No puts
    // these back.
    CTriggers m_savedTriggers;
    QToolBar* m_toolBar = nullptr;
    CEffectTitleWidget* m_title = nullptr;
    QAction* m_dmx = nullptr;
    QListWidget* m_kinds = nullptr;
    std::array<QLabel*, 5> m_labels{};
    QLineEdit* m_name = nullptr;
    CZKTimeEdit* m_fadeIn = nullptr;
    CZKTimeEdit* m_fadeOut = nullptr;
    QComboBox* m_loops = nullptr;
    QPushButton* m_triggers = nullptr;
    std::array<QPushButton*, ButtonCount> m_buttons{};
    CDmxBlink m_blink;
};
