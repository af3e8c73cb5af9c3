#pragma once

#include "editors/SceneHistory.h"
#include "live/LiveEditor.h"

#include <QList>
#include <functional>
#include <QTime>
#include <QWidget>

#include <array>

class CEffect;
class CEffectsList;
class CFixtureMatrix;
class CLibraryProfile;
class CPage;
class CPatchedFixture;
class CProject;
class CRecordDmxDlg;
class CScene;
class CSceneStep;
class CTimeBoxDelegate;
class CTimeWidget;
class CZKTimeEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidgetItem;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QToolBar;
class QToolButton;

// The page on which one scene of a live page is programmed step by step,
// with an undo history of the scene's states (CSceneHistory). It works on
// the scene the page owns and swaps in copies on undo, redo and cancel.
class CEditSceneWnd : public QWidget, public CLiveEditor
{
    Q_OBJECT
public:
    enum Tool { ToolAdd, ToolRemove, ToolTime, ToolCut, ToolCopy, ToolPaste, ToolUndo, ToolRedo, ToolPlay,
                ToolRecord, ToolCopyLive, ToolDmx, ToolCount };
    static constexpr int kUndoLimit = 15;

    CEditSceneWnd(CProject& project, QWidget* parent = nullptr);
    ~CEditSceneWnd() override;

    // CLiveEditor
    QWidget* Widget() override { return this; }
    void Cancel() override { OnCancel(); }
    bool HasChanges() const override;
    QString EditedName() const override;
    void EndEdit(bool keep) override;
    // The show no longer edits the scene: it is not the edited scene, and
    // the edit layer is cleared.
    void ReleaseScene() override;
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers) override;
    void Tick(int elapsedMs, int ticks) override;
    void Retranslate() override;
    void UpdateEffectList() override;
    void SetScene(CPage* page, CScene* scene, bool playing) override;
    void UpdateDmxButton() override;
    void PushUndo(int kind, const QString& label) override;
    void FillStepsTable() override { FillStepsTable(0); }
    void UpdateDuration() override;

    void FillStepsTable(int row);
    void StoreParams();
    void StartPlay(bool start);
    void StopPlay(bool stop);
    void ShowPlayingStep(CScene* scene);
    void OnRecordStopped();
    void RefreshLastUndo();
    void ClearUndo();
    // The patch is about to delete these: they leave every copy the editor
    // keeps (history, the scene as opened, the clipboard) as they leave the
    // show's scenes, so that no Undo, Cancel or Paste gives them back.
    void FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices);
    // Fixtures took other profiles: the copies' entries follow, before a
    // former profile can leave the library.
    void FixtureProfilesChanged();
    // The profiles leave the library: what the copies' effects name of them
    // goes (a curve's channels, a grid made of the profile's fixtures).
    void ProfilesDeleting(const QList<CLibraryProfile*>& profiles);
    // The scene is about to be deleted: the copies' jumps and release lists
    // let go of it as the show's scenes do; when it is the edited scene the
    // edit ends, keeping nothing, and the editor closes.
    void SceneDeleting(CScene* scene);
    // A step command on `scene` is about to change it (the effects window's
    // apply): its history entry may keep only what the command changes.
    void StepCommandComing(CScene* scene);

    CScene* Scene() const { return m_scene; }
    bool IsPlaying() const { return m_playing; }
    CRecordDmxDlg* RecordDialog() const { return m_recordDlg; }
    QToolButton* ToolButton(Tool tool) const { return m_tools[size_t(tool)]; }
    QTableWidget* StepsTable() const { return m_steps; }
    QTableWidget* UndoTable() const { return m_undo; }
    CEffectsList* EffectList() const { return m_effectList; }
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* DurationDisplay() const { return m_duration; }
    CZKTimeEdit* FadeInEdit() const { return m_fadeIn; }
    CZKTimeEdit* FadeOutEdit() const { return m_fadeOut; }
    QComboBox* LoopsCombo() const { return m_loops; }
    QComboBox* JumpCombo() const { return m_jump; }
    QComboBox* ReleaseModeCombo() const { return m_releaseMode; }
    QPushButton* TriggersButton() const { return m_triggers; }
    QCheckBox* CurrentTabBox() const { return m_currentTab; }
    CTimeWidget* Clock() const { return m_clock; }
    int CurrentUndoIndex() const { return m_currentUndo; }
    int UndoCount() const { return m_history.Count(); }
    const QList<CSceneStep*>& ClipboardSteps() const;
    const QList<CEffect*>& ClipboardEffects() const;

    // A time of the steps table: minutes, seconds and milliseconds; empty
    // from one hour on.
    static QString CellText(qint64 ms);

public slots:
    void AddStep();
    void DelSteps();
    void TimeSteps();
    void CutSteps();
    void CopySteps();
    void PasteSteps();
    void Undo();
    void Redo();
    void Play();
    void Record();
    void CopyLive();
    void EnableDmx();
    void EditStepEffect();
    void OnOk();
    void OnCancel();
    void OnTimeFadeChanged(const QTime& time);
    void OnTimeWaitChanged(const QTime& time);
    void OnSelEffectChanged(QListWidgetItem* item);
    void OnSelStepChanged();
    void OnSelStepClicked(QTableWidgetItem* item);
    void OnCelStepChanged(int row, int column);
    void OnCelStepDoubleClicked(int row, int column);
    void OnSelUndoChanged();
    void OnMaskChanged(int mask);
    void OnLoopsChanged(int index);
    void OnTriggers();
    void OnMedias();
    void OnPlayModeChanged(int index);
    void OnPlayModeInfo();

signals:
    void editEffect(eEffect type, bool edit);
    void closeWnd();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildPage();
    void SetSceneFields(bool resetHistory);
    void FillJumpCombo();
    void FillStepRow(const CSceneStep* step, int row, qint64& total, qint64 rowLength);
    static constexpr int kPlainRowHeight = 20;
    void SetStepNumbersStyle(const QString& sheet);
    void UpdateActions();
    void UpdateUndoButtons();
    void SetToolIcon(Tool tool, const QString& name);
    int CurrentRow() const;
    void EmptyClipboard();
    // Every copy of the scene the editor keeps.
    QList<CScene*> Copies();
    // The selected steps, copied into a clipboard of their own.
    void FillClipboard();
    // Puts `copy` in place of the edited scene everywhere and deletes the old one.
    void ReplaceScene(CScene* copy);
    // What the fields would store differs from `reference`, or the scene's
    // triggers, media or release list differ from it.
    bool ChangedFrom(const CScene& reference) const;
    void RestoreParams(const CScene& reference);
    void ApplyLevelsToSelection(const QString& label);
    // The levels went into the steps: the edit layer, the panels and the history follow.
    void LevelsStored(const QString& label);
    void BeginChange();
    // BeginChange for a command whose entry CSceneHistory::PushChange can make.
    void BeginStepCommand();
    // Ends the edit: the undo history and the opened copy go.
    void Close();
    void RunRecordDialog();
    void TakeRecordedSteps(bool keep);
    // True when the show has room for what InsertStep or PasteSteps would
    // add to the scene, the entries that aligning its steps gives them
    // included, else the user is told and the scene stays. Counted before
    // anything is made: the scene is not copied.
    bool RoomForNewStep(int row, bool selectionOnly) const;
    bool RoomForPaste(const QList<CSceneStep*>& pasted) const;
    void SetTableEditable(bool editable);

    CProject& m_project;
    int m_lastUndoKind = 0;
    CPage* m_page = nullptr;
    CScene* m_scene = nullptr;
    // The scene as opened, kept apart from the history, which may drop it.
    CScene* m_opened = nullptr;
    // The step clipboard: a scene of its own owns the copied steps and their
    // effects, so that the patch cleans it as it cleans any scene.
    CScene* m_clip = nullptr;
    QToolBar* m_toolBar = nullptr;
    CTimeWidget* m_clock = nullptr;
    CRecordDmxDlg* m_recordDlg = nullptr;
    std::array<QToolButton*, ToolCount> m_tools{};
    QTableWidget* m_steps = nullptr;
    QTableWidget* m_undo = nullptr;
    CEffectsList* m_effectList = nullptr;
    CTimeBoxDelegate* m_fadeDelegate = nullptr;
    CTimeBoxDelegate* m_waitDelegate = nullptr;
    std::array<QLabel*, 9> m_labels{};
    QLineEdit* m_name = nullptr;
    QLineEdit* m_duration = nullptr;
    CZKTimeEdit* m_fadeIn = nullptr;
    CZKTimeEdit* m_fadeOut = nullptr;
    QComboBox* m_loops = nullptr;
    QComboBox* m_jump = nullptr;
    QComboBox* m_releaseMode = nullptr;
    QPushButton* m_help = nullptr;
    QPushButton* m_triggers = nullptr;
    QPushButton* m_media = nullptr;
    QCheckBox* m_currentTab = nullptr;
    bool m_busy = false;
    bool m_playing = false;
    int m_currentUndo = -1;
    // The last entry already holds the scene as it was before the change
    // under way.
    bool m_lastEntryRefreshed = false;
    CSceneHistory m_history;
};
