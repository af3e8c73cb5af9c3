#pragma once

#include "app/DocumentLink.h"
#include "app/MasterTick.h"
#include "show/ShowHost.h"

#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <memory>

class CAppOptions;
class QAction;
class QActionGroup;
class QMenu;
class QSplashScreen;
class QTimer;
class QToolBar;

// How the main window is started. The program passes only the project path;
// tests also choose the directory of the options file, the document and
// the pause after a load error.
struct COrvaneSetup
{
    QString projectPath;
    QString programDir; // empty: the directory of the program
    std::unique_ptr<CDocumentLink> document; // null: no show document yet
    int loadErrorWaitMs = 4000;
};

// The main window: owns the project document, the options record and, with
// the issues ahead, the device managers and every panel; runs the 25 ms
// master tick and the file commands. Windows that do not exist yet are
// reached through the empty member stages below, which their issues fill.
class Orvane : public QMainWindow, public CShowHost, public CTickStages
{
    Q_OBJECT

public:
    explicit Orvane(const QString& projectPath = QString(), QWidget* parent = nullptr);
    explicit Orvane(COrvaneSetup setup, QWidget* parent = nullptr);
    ~Orvane() override;

    CAppOptions& Options() { return *m_options; }
    QString OptionsPath() const;
    QString ProjectPath() const { return m_projectPath; }
    bool IsOutputOn() const { return m_bOutputOn; }
    // Tests replace the stages of the tick; null restores the window's own.
    void SetTickStages(CTickStages* stages) { m_pStages = stages; }

    // File flows. Each sets the busy flag for its whole run and clears it on
    // every way out; a failed save is reported and keeps the modified mark.
    bool OpenProject(const QString& path);
    bool ImportProject(const QString& path);
    bool SaveProject(const QString& path);

    // The floating video window of the timeline (none yet).
    void HideVideoWindow() {}
    void ShowVideoWindow() {}

    // CShowHost
    void ShowSplashMessage(const QString& text) override;
    void CloseSplash() override;
    int AskQuestion(const QString& title, const QString& text) override;
    void ShowInformation(const QString& title, const QString& text) override;
    void WaitAfterLoadError() override;
    void SuspendVideoWindow() override;
    void ResumeVideoWindow() override;
    bool ChooseImportScenes(const QStringList& sceneNames, QList<bool>& keep, bool& newPage) override;

    void OnProjectLoaded() override;
    void StoreDeviceConfig() override;
    void RefreshEffectState(int effectSceneIndex) override;
    void RefreshLivePage() override;
    void RefreshEffectActions() override;
    void NotifySceneEditorScene(CScene* scene) override;
    void NotifySceneEditor(int undoKind, const QString& label) override;
    void RefreshOutputViews() override;
    void RefreshCurrentPanel() override;
    void RefreshPagesAndPresets() override;
    void UpdateReleaseEffectsAction() override;
    void UpdateReleaseScenesAction(bool force) override;
    void ToggleSendEditDmx() override;
    void ReleaseScenes() override;

    void SetModified(bool modified) override;
    bool IsModified() const override { return m_bModified; }
    void RaiseUiUpdate() override { m_bUiUpdate = true; }
    void RaiseLiveLevelsChanged() override { m_bLiveLevelsChanged = true; }
    void RaiseChangeFlag() override { m_bChanged = true; }
    int OutputMode() const override { return m_outputMode; }
    void SetOutputMode(int mode) override;
    int LivePagesMode() const override { return m_livePagesMode; }
    bool IsBusy() const override { return m_bBusy; }
    void SetBusy(bool busy) override { m_bBusy = busy; }
    bool IsRecording() const override { return m_bRecording; }
    int DeleteTarget() const override { return m_deleteTarget; }
    void SetDeleteTarget(int target) override { m_deleteTarget = target; }
    void SetOpenTriggerDialog(QObject* dialog) override { m_openTriggerDialog = dialog; }
    QPalette ProgramPalette() const override { return m_palette; }
    bool StartScenesOption() const override;
    bool SendEditDmxOption() const override;
    int UniverseCountOption() const override;
    void SetUniverseCountOption(int count) override;
    CAppOptions* AppOptions() override { return m_options.get(); }

    // CTickStages: what the master tick runs, in its order.
    void TickTimeline(int ms) override;
    void TickProject(int ms) override;
    void TickLivePagesOrEditor(int ms) override;
    void MergeOutput() override;
    void TickLayoutView(int ms) override;
    void TickLevelMonitor(int ms) override;
    void InterfacePass(int ms) override;
    void ArtNetPass(int ms) override;
    void RecordDmxInput(int ms) override;
    void UpdateReleaseLive() override;

public slots:
    void handleMessage(const QString& message);
    void OnTimer();
    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    void OnFileImport();
    void OnReleaseScenes();
    void OnReleaseEffects();
    void OnReleaseLive();
    void OnOutputOn(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RunStartUp();
    void LoadOptions();
    bool SaveOptions();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreatePanels();
    void Retranslate();
    void ApplyPalette();
    void OpenInterfaces();
    void ConnectMidi();
    void RestoreStartPage();
    void StartArtNet();
    void UpdateTitle();
    void UpdateOutputActions();
    void ShowProgress(const QString& text);
    void ClearProgress();
    // Asks whether to save a modified project; false when the command that
    // asked must not go on (Cancel, or the save failed).
    bool MayDiscardProject();
    void RememberProject(const QString& path);

    COrvaneSetup m_setup;
    std::unique_ptr<CDocumentLink> m_document;
    std::unique_ptr<CAppOptions> m_options;
    // The device manager and the MIDI manager join here, after the options.

    QString m_projectPath;
    bool m_bModified = false;
    bool m_bBusy = false;
    bool m_bUiUpdate = false;
    bool m_bLiveLevelsChanged = false;
    bool m_bChanged = false;
    bool m_bOutputOn = false;
    bool m_bRecording = false;
    int m_outputMode = 0;
    int m_livePagesMode = 0;
    int m_deleteTarget = 0;
    QPointer<QObject> m_openTriggerDialog;
    QPalette m_palette;

    std::unique_ptr<QSplashScreen> m_splash;
    QTimer* m_timer = nullptr;
    CMasterTick m_tick;
    CTickStages* m_pStages = nullptr;

    QMenu* m_fileMenu = nullptr;
    QMenu* m_outputMenu = nullptr;
    QMenu* m_liveMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_actNew = nullptr;
    QAction* m_actOpen = nullptr;
    QAction* m_actSave = nullptr;
    QAction* m_actSaveAs = nullptr;
    QAction* m_actImport = nullptr;
    QAction* m_actExit = nullptr;
    QActionGroup* m_outputModeGroup = nullptr;
    QAction* m_actOutputMode[3] = {};
    QAction* m_actOutputOn = nullptr;
    QAction* m_actReleaseScenes = nullptr;
    QAction* m_actReleaseEffects = nullptr;
    QAction* m_actReleaseLive = nullptr;
    QAction* m_actSendEditDmx = nullptr;
};
