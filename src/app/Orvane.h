#pragma once

#include "app/DocumentLink.h"
#include "app/MasterTick.h"
#include "app/options/TriggerTargets.h"
#include "editors/EditTriggerRecord.h"
#include "show/Project.h"
#include "show/ShowHost.h"

#include <QIcon>
#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <QVector>
#include <array>
#include <functional>
#include <memory>

class CAppOptions;
class CDmxRecorder;
class CEditorFactory;
class CArtNetManager;
class CCommandsWnd;
class CDmxChannelsWnd;
class CDmxLevelsWnd;
class CFadingWnd;
class CFixturesWnd;
class CPageWnd;
class CPagesWnd;
class CPresetsWnd;
class CTimeLineWnd;
class CTriggerDispatcher;
class CVideoDlg;
class CDeviceManager;
class CDeviceTransport;
class CMidiManager;
class QAction;
class QActionGroup;
class CMusicPlayer;
class QMenu;
class QSplashScreen;
class QSlider;
class QSplitter;
class QTimer;
class QToolBar;

// How the main window is started. The program passes only the project path;
// tests also choose the directory of the options file, the document, the
// interfaces the device manager finds and the pause after a load error.
struct COrvaneSetup
{
    QString projectPath;
    QString programDir; // empty: the directory of the program
    std::unique_ptr<CDocumentLink> document; // null: the window's own project
    std::unique_ptr<CDeviceTransport> deviceTransport; // null: the back-end of this build
    int loadErrorWaitMs = 4000;
    CMasterTick::Clock tickClock; // null: the monotonic clock
    std::function<qint64()> renderClockNs; // what renders between ticks take; null: the monotonic clock
};

// The main window: owns the project document, the options record, the
// device, MIDI and Art-Net managers and every panel; runs the 25 ms master
// tick and the file commands.
class Orvane : public QMainWindow, public CShowHost, public CTickStages, public CTriggerTargets
{
    Q_OBJECT

public:
    // The master tick's period.
    static constexpr int kTickMs = CMasterTick::kPeriodMs;
    // The tool panels of the tool area, one shown at a time.
    enum EToolPanel { kPresetsPanel, kFadersPanel, kCommandsPanel, kFadingPanel, kTimelinePanel, kToolPanelCount };

    explicit Orvane(const QString& projectPath = QString(), QWidget* parent = nullptr);
    explicit Orvane(COrvaneSetup setup, QWidget* parent = nullptr);
    ~Orvane() override;

    CProject& Project() { return m_project; }
    CAppOptions& Options() { return *m_options; }
    QString OptionsPath() const;
    QString ProjectPath() const { return m_projectPath; }
    bool IsOutputOn() const { return m_bOutputOn; }
    // Tests replace the stages of the tick; null restores the window's own.
    void SetTickStages(CTickStages* stages) { m_pStages = stages; }
    // Likewise for where dispatched triggers go.
    void SetTriggerTargets(CTriggerTargets* targets) { m_pTriggerTargets = targets; }

    CDeviceManager& DeviceManager() { return *m_devices; }
    CMidiManager& MidiManager() { return *m_midi; }
    // Null until Art-Net is first used: a program that never outputs to it
    // never opens its port.
    CArtNetManager* ArtNetManager() const { return m_artNet.get(); }

    // File flows. Each sets the busy flag for its whole run and clears it on
    // every way out; a failed save is reported and keeps the modified mark.
    bool OpenProject(const QString& path);
    bool ImportProject(const QString& path);
    bool SaveProject(const QString& path);

    // Null until a scene first plays a sound.
    CMusicPlayer* SceneSoundPlayer() const { return m_sceneSound; }
    // Makes the player of scene sounds on first need; tests hand in a recording one.
    void SetMusicPlayerMaker(std::function<CMusicPlayer*(QObject*)> make) { m_makeMusicPlayer = std::move(make); }

    // The live pages window: the pages, or the editor open in their place.
    CPagesWnd* LivePages() const { return m_pages; }
    CFixturesWnd* FixturesWindow() const { return m_fixtures; }

    // The tool area: a panel that is not built yet is null, and asking to
    // show it changes nothing.
    QWidget* ToolPanel(int panel) const;
    int CurrentToolPanel() const { return m_toolPanel; }
    void ShowToolPanel(int panel);
    CFadingWnd* FadingPanel() const { return m_fading; }
    CTimeLineWnd* TimeLinePanel() const { return m_timeLine; }
    CDmxChannelsWnd* ChannelFaders() const { return m_faders; }
    CCommandsWnd* CommandsPanel() const { return m_commands; }
    CPresetsWnd* PresetsPanel() const { return m_presets; }
    // Null until the operator first opens it.
    CDmxLevelsWnd* LevelMonitor() const { return m_levelMonitor; }
    void OpenLevelMonitor();
    CTriggerDispatcher& Dispatcher() { return *m_dispatcher; }
    // How the window's dialogs run the trigger dialog on the project's universes.
    TriggerDialogRunner TriggerRunner();

    // An editor took the place of the live pages (mode 1 to 4) or gave it
    // back (0): it alone hears the operator meanwhile, and the crossfade
    // transport rests.
    void SetLivePagesMode(int mode);

    // The floating video window of the timeline's video line, made by the
    // timeline inside this window; null while there is none.
    CVideoDlg* VideoWindow() const;
    // Out of the way of a modal box, and back after it.
    void HideVideoWindow();
    void ShowVideoWindow();

    // CShowHost
    void ShowSplashMessage(const QString& text) override;
    void CloseSplash() override;
    int AskQuestion(const QString& title, const QString& text) override;
    int AskYesNoCancel(const QString& title, const QString& text) override;
    void ShowInformation(const QString& title, const QString& text) override;
    void WaitAfterLoadError() override;
    void EffectTooLarge() override;
    void ShowStatusMessage(const QString& text) override;
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
    void ClearEffectMarks() override;
    void ResetPresets() override;
    void FixturesChanged() override;
    void ResetPortRefresh() override;
    void RepaintLayoutView() override;
    void StoreGroupView() override;
    void FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices) override;
    void FixtureProfilesChanged() override;
    void ProfilesDeleting(const QList<CLibraryProfile*>& profiles) override;
    bool HasLayoutView() const override { return m_fixtures != nullptr; }
    bool IsLayoutMoveLocked() const override;
    void SetLayoutMoveLocked(bool locked) override;
    void SelectEffectFixtures(const CEffect* effect) override;
    void SelectLivePage(int n) override;
    void MarkDimmersFx() override;
    void MarkChannelTypeFx(int channelType) override;
    void MarkPanTiltFx() override;
    void MarkColorFx() override;
    void OnSceneStarted(CPage* page, CScene* scene) override;
    void OnSceneStopped(CPage* page, CScene* scene) override;
    void RenderStartedScenes() override;
    void UpdateSceneName(CScene* scene) override;
    void UpdateScenePage(CScene* scene, CPage* page) override;
    int TimeLineSceneLineCount() const override;
    int TimeLineLineEndX(int line) const override;
    void AddTimeLineSceneBlock(CPage* page, CScene* scene, int line, int x) override;
    void AddTimeLineSceneLine() override;
    CScene* LiveCurrentScene(CPage*& page) const override;
    void RemoveSceneBlocks(CScene* scene) override;
    void ClearTimeLine() override;
    void ClearTimeMarkers() override;
    void SetTimeLineLength(int ms) override;
    void SetTimeLineVolume(int volume) override;
    bool HasTimeLine() const override { return m_timeLine != nullptr; }
    void StoreVideoGeometry() override;
    void TimeLineReplaceScene(CScene* oldScene, CScene* newScene) override;
    void ReloadPage() override;
    void FadingUpdateProgress(CScene* scene) override;
    void FadingSceneStopped(CScene* scene) override;
    void FadingRemoveScene(CScene* scene) override;
    void FadingReplaceScene(CScene* oldScene, CScene* newScene) override;
    void LockDimmerChannels() override;
    void LockChannelsOfType(int channelType) override;
    void LockPanTiltChannels() override;
    void LockColorChannels() override;
    void ReleaseScenes() override;
    void PlaySceneSound(const QString& path, int volume) override;
    void StopSceneSound() override;
    void SetSceneSoundVolume(int volume) override;
    void CreateEffectsForFixtures(const QList<CLibraryProfile*>& profiles, CFixtureMatrix* colorMatrix,
                                  bool newFixtures) override;

    void SetModified(bool modified) override;
    bool IsModified() const override { return m_bModified; }
    void RaiseUiUpdate() override { m_bUiUpdate = true; }
    void RaiseLiveLevelsChanged() override { m_bLiveLevelsChanged = true; }
    void RaiseChangeFlag() override { m_bChanged = true; }
    int OutputMode() const override { return m_outputMode; }
    void SetOutputMode(int mode) override;
    int LivePagesMode() const override { return m_livePagesMode; }
    CEffect* EditedEffect() const override;
    bool IsBusy() const override { return m_bBusy; }
    void SetBusy(bool busy) override;
    bool IsRecording() const override { return m_bRecording; }
    void AddMask() override;
    void StartDmxRecord() override;
    void StopDmxRecord() override;
    bool HasDmxInputPort() const override;
    void SetRecordDialogOpen(bool open) override { m_bRecordDialogOpen = open; }
    int DmxRecordElapsedMs() const override;
    bool ChannelFadersShown() const override { return m_toolPanel == kFadersPanel; }
    void EnableLevelPanels(bool enable) override;
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
    void TickProject(int ms, int ticks) override;
    void TickLivePagesOrEditor(int ms, int ticks) override;
    void MergeOutput() override;
    void TickLayoutView(int ms) override;
    void TickLevelMonitor(int ms) override;
    void InterfacePass(int ms) override;
    void ArtNetPass(int ms) override;
    void RecordDmxInput(int ms) override;
    void UpdateReleaseLive() override;

    // CTriggerTargets: the fixtures window, then the live pages.
    void MidiTrigger(int kind, int channel, int number, int value) override;
    void DmxInputTrigger(int universe) override;
    void StandAloneTrigger(int a, int b, int c) override;

public slots:
    void handleMessage(const QString& message);
    void OnTimer();
    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    void OnFileImport();
    void OnOptions();
    // The options dialog stored new options: the window follows them.
    void ApplyOptions();
    void OnReleaseScenes();
    void OnReleaseEffects();
    void OnReleaseLive();
    void OnOutputOn(bool on);
    // The program's name and version; with Control held a compressed copy
    // of a project file picked, with Shift an uncompressed one.
    void OnAbout();
    // Mask n of the project goes into the steps selected in the open scene editor.
    void ApplyMaskToEditedScene(int n);
    // The volume control: the volume of scene sounds and of the timeline's media.
    void OnVolumeChanged(int volume);

    // From the MIDI manager: to the open trigger dialog alone while there is
    // one, else dispatched as triggers.
    void OnNoteOn(int channel, int note, int velocity);
    void OnNoteOff(int channel, int note, int velocity);
    void OnControlChange(int channel, int controller, int value);
    void OnProgramChange(int channel, int program);

    // From the device manager.
    void OnDmxInputRefreshed(int universe);
    void OnStandAloneInputs(int input1, int input2, int input3);
    void OnInterfaceLost(const QString& description);

private slots:
    void OnNetworkBlink();
    void OnSceneSoundFailed(const QString& reason);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void RunStartUp();
    void LoadOptions();
    bool SaveOptions(QString* error = nullptr);
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
    void RouteMidi(int kind, int channel, int number, int value);
    void RouteKey(int key, bool pressed);
    // Runs the slot of the grid that has come, ahead of the timer.
    void TickIfDue();
    // The first renders of scenes just started, a render at a time in the
    // time left before the slot (OrvaneHost.cpp).
    void RenderBeforeTick();
    // One master tick, if a slot has come.
    void RunTick();
    // Sets the timer for the grid's next slot.
    void ArmTickTimer();
    // The page view, unless its buttons may point into a project being replaced.
    CPageWnd* SettledPageView() const;
    // The page view's lights, while it is the page view that shows.
    void RefreshPageMarks();
    // The shown tool panel takes the show's levels again.
    void RefreshShownPanel();
    // A scene, effect or mask editor is open: it alone hears the operator.
    bool IsEditing() const { return m_livePagesMode != 0; }
    CTriggerTargets& Triggers() { return m_pTriggerTargets ? *m_pTriggerTargets : *this; }
    void UpdateNetworkIcons();
    void UpdateTitle();
    void UpdateOutputActions();
    void ShowProgress(const QString& text);
    void ClearProgress();
    // Shows the information boxes held back while a file flow ran or before
    // the tick started; nothing while a flow still runs.
    void ShowHeldMessages();
    // Before the show in the window goes (File Open, New, Exit, a show
    // handed over): the open edit asks whether to keep its changes, then
    // the project whether to be saved. Nothing is done before every answer
    // is in, so Cancel at any question leaves the edit open and the show as
    // it was. False when the command must not go on (Cancel, or the save
    // failed).
    bool MayCloseShow();
    struct SClosingAnswers;
    bool AskBeforeClosingShow(SClosingAnswers& answers);
    bool CarryOut(const SClosingAnswers& answers);
    // Reads the file aside, the show in the window left as it is; when it
    // would be refused the operator is told why in a box. True when it reads.
    bool FileWouldOpen(const QString& path);
    // Gives up the show in the window for the file, which FileWouldOpen read.
    bool OpenReadableFile(const QString& path);
    // The box of an open refused for `reason`, which names the show the
    // window now holds: the one kept, or a new one.
    void TellRefusedOpen(const QString& path, const QString& reason, bool showKept);
    // The file Save As writes to, picked by the operator; empty when cancelled.
    QString ChooseSavePath();
    void RememberProject(const QString& path);
    // Where the dialogs for project files start.
    QString ProjectFolder() const;
    // A file the operator picks from there, empty when cancelled.
    QString ChooseProjectFile(int titleCaption, int filterCaption);
    // The show commands: the masks offered to the open scene editor, the
    // volume control showing the project's volume, the maintenance copies.
    void UpdateMaskMenu();
    void ShowVolume();
    // The layout view again, for the marks of the fixtures scenes drive.
    void RepaintPlayingMarks();
    void RunMaintenanceCopy(bool compress);

    // The show comes first: everything below may refer to it.
    CProject m_project;
    COrvaneSetup m_setup;
    std::unique_ptr<CDocumentLink> m_document;
    std::unique_ptr<CAppOptions> m_options;
    std::unique_ptr<CDeviceManager> m_devices;
    std::unique_ptr<CMidiManager> m_midi;
    std::unique_ptr<CArtNetManager> m_artNet;
    CTriggerTargets* m_pTriggerTargets = nullptr;
    std::unique_ptr<CTriggerDispatcher> m_dispatcher;
    // The stand-alone inputs as last seen, so that only a new non-zero
    // value triggers and a held button does not trigger again.
    std::array<int, 3> m_standAlone{};

    QString m_projectPath;
    bool m_bModified = false;
    // Saved while an editor held changes: the file has them, and the show
    // no longer will if that edit is dropped.
    bool m_fileHoldsEdit = false;
    bool m_bBusy = false;
    bool m_bUiUpdate = false;
    bool m_bLiveLevelsChanged = false;
    bool m_bChanged = false;
    bool m_bOutputOn = false;
    bool m_bRecording = false;
    bool m_bRecordDialogOpen = false;
    std::unique_ptr<CDmxRecorder> m_recorder;
    std::unique_ptr<CEditorFactory> m_editorFactory;
    QAction* m_actMasks = nullptr;
    int m_outputMode = 0;
    int m_livePagesMode = 0;
    int m_deleteTarget = 0;
    QPointer<QObject> m_openTriggerDialog;
    struct SHeldMessage
    {
        QString title;
        QString text;
    };
    QVector<SHeldMessage> m_heldMessages;
    QPalette m_palette;

    std::unique_ptr<QSplashScreen> m_splash;
    QString m_splashText; // the splash's last message
    QString m_loadError;  // the one it showed before the pause after a load error
    QTimer* m_timer = nullptr;
    QTimer* m_renderTimer = nullptr; // RenderBeforeTick's
    double m_renderMs = 0;           // what one of its renders took of late
    bool m_rendersAsked = false;     // scenes started since it last found none to render
    std::function<CMusicPlayer*(QObject*)> m_makeMusicPlayer;
    CMusicPlayer* m_sceneSound = nullptr; // a child of the window
    bool m_sceneSoundFailedTold = false;
    CMasterTick m_tick;
    // The tick runs: from start-up until the window closes.
    bool m_bTickOn = false;
    CTickStages* m_pStages = nullptr;

    // Children of the window, deleted with it before the project goes.
    QSplitter* m_splitBar = nullptr;
    CPagesWnd* m_pages = nullptr;
    CFixturesWnd* m_fixtures = nullptr;
    QWidget* m_toolArea = nullptr;
    CPresetsWnd* m_presets = nullptr;
    CDmxChannelsWnd* m_faders = nullptr;
    CCommandsWnd* m_commands = nullptr;
    CFadingWnd* m_fading = nullptr;
    CTimeLineWnd* m_timeLine = nullptr;
    bool m_timeLineEditing = false; // a scene editor is open
    static constexpr int kTimeMarkersTarget = 2; // Delete removes the selected marker
    CDmxLevelsWnd* m_levelMonitor = nullptr;
    std::array<QWidget*, kToolPanelCount> m_toolPanels{};
    int m_toolPanel = kPresetsPanel;

    QMenu* m_fileMenu = nullptr;
    QMenu* m_outputMenu = nullptr;
    QMenu* m_liveMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_actNew = nullptr;
    QAction* m_actOpen = nullptr;
    QAction* m_actSave = nullptr;
    QAction* m_actSaveAs = nullptr;
    QAction* m_actImport = nullptr;
    QAction* m_actOptions = nullptr;
    QAction* m_actExit = nullptr;
    QActionGroup* m_outputModeGroup = nullptr;
    QAction* m_actOutputMode[3] = {};
    QAction* m_actOutputOn = nullptr;
    QAction* m_actReleaseScenes = nullptr;
    QAction* m_actReleaseEffects = nullptr;
    QAction* m_actReleaseLive = nullptr;
    QAction* m_actSendEditDmx = nullptr;
    QActionGroup* m_toolPanelGroup = nullptr;
    std::array<QAction*, kToolPanelCount> m_actToolPanel{};
    QAction* m_actLevelMonitor = nullptr;
    QMenu* m_maskMenu = nullptr; // offers the masks while the scene editor is open
    QMenu* m_helpMenu = nullptr;
    QAction* m_actAbout = nullptr;
    QSlider* m_volume = nullptr;

    // The tool bar's network status: Art-Net and the Wi-Fi interfaces. An
    // icon blinks while starting its network failed.
    enum ENetworkLook { kNetIdle, kNetRunning, kNetFailed, kNetDark, kNetLooks };
    QAction* m_actArtNetStatus = nullptr;
    QAction* m_actWiFiStatus = nullptr;
    std::array<QIcon, kNetLooks> m_netIcons;
    QTimer* m_blinkTimer = nullptr;
    bool m_bBlinkLit = true;
};
