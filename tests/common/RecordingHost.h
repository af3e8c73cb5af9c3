#pragma once

#include "show/ShowHost.h"

#include <QEvent>
#include <QObject>
#include <QStringList>

#include <functional>

// A host that records every call the show document makes, in order, and
// answers questions as the test tells it.
class CRecordingHost : public CShowHost
{
public:
    CRecordingHost()
        : m_paints(calls)
    {
        SetShowHost(this);
    }
    ~CRecordingHost() override { SetShowHost(nullptr); }

    // Widgets paint on their own, not through the host: the paint events of
    // a watched one are written down with the calls, as "Paint:<objectName>".
    void WatchPaints(QObject* widget) { widget->installEventFilter(&m_paints); }

    QStringList calls;
    int answer = No;
    bool modified = false;
    int outputMode = 0;
    int livePagesMode = 0;
    CEffect* editedEffect = nullptr;
    bool startScenes = false;
    bool sendEditDmx = true;
    int universeCount = 4;
    bool busy = false;
    bool importAccepted = false;
    QList<bool> importKeep;
    bool importNewPage = false;
    int deleteTarget = 0;
    bool recording = false;
    QObject* openTriggerDialog = nullptr;
    bool layoutView = false;
    bool layoutMoveLocked = false;
    int timeLineSceneLines = 0;
    CPage* livePage = nullptr;   // the live page view's current scene and its page
    CScene* liveScene = nullptr;
    CFixtureMatrix* effectsMatrix = nullptr; // the colour matrix the default effects were offered

    bool timeLine = false;
    CAppOptions* options = nullptr; // the panels' options record, when a test gives one

    CAppOptions* AppOptions() override { return options; }

    CEffect* EditedEffect() const override { return editedEffect; }

    void ShowSplashMessage(const QString& text) override { calls << QStringLiteral("ShowSplashMessage:") + text; }
    void CloseSplash() override { calls << QStringLiteral("CloseSplash"); }
    int AskQuestion(const QString& title, const QString& text) override
    {
        calls << QStringLiteral("AskQuestion:%1:%2").arg(title, text);
        return answer;
    }
    void ShowInformation(const QString& title, const QString& text) override
    {
        calls << QStringLiteral("ShowInformation:%1:%2").arg(title, text);
    }
    void WaitAfterLoadError() override { calls << QStringLiteral("WaitAfterLoadError"); }
    void EffectTooLarge() override { calls << QStringLiteral("EffectTooLarge"); }
    void ShowStatusMessage(const QString& text) override { calls << QStringLiteral("ShowStatusMessage:") + text; }
    void SuspendVideoWindow() override { calls << QStringLiteral("SuspendVideoWindow"); }
    void ResumeVideoWindow() override { calls << QStringLiteral("ResumeVideoWindow"); }
    bool ChooseImportScenes(const QStringList& names, QList<bool>& keep, bool& newPage) override
    {
        calls << QStringLiteral("ChooseImportScenes:") + names.join(QLatin1Char('|'));
        keep = importKeep;
        newPage = importNewPage;
        return importAccepted;
    }
    void OnProjectLoaded() override { calls << QStringLiteral("OnProjectLoaded"); }
    void StoreDeviceConfig() override { calls << QStringLiteral("StoreDeviceConfig"); }
    void RefreshEffectState(int index) override { calls << QStringLiteral("RefreshEffectState:%1").arg(index); }
    void RefreshLivePage() override { calls << QStringLiteral("RefreshLivePage"); }
    void RefreshEffectActions() override { calls << QStringLiteral("RefreshEffectActions"); }
    void NotifySceneEditorScene(CScene*) override { calls << QStringLiteral("NotifySceneEditorScene"); }
    void NotifySceneEditor(int kind, const QString& label) override
    {
        calls << QStringLiteral("NotifySceneEditor:%1:%2").arg(kind).arg(label);
    }
    void RefreshOutputViews() override { calls << QStringLiteral("RefreshOutputViews"); }
    void RefreshCurrentPanel() override { calls << QStringLiteral("RefreshCurrentPanel"); }
    void RefreshPagesAndPresets() override { calls << QStringLiteral("RefreshPagesAndPresets"); }
    void UpdateReleaseEffectsAction() override { calls << QStringLiteral("UpdateReleaseEffectsAction"); }
    void UpdateReleaseScenesAction(bool force) override
    {
        calls << QStringLiteral("UpdateReleaseScenesAction:%1").arg(force);
    }

    void ToggleSendEditDmx() override { calls << QStringLiteral("ToggleSendEditDmx"); }
    void ClearEffectMarks() override { calls << QStringLiteral("ClearEffectMarks"); }
    void ReleaseScenes() override { calls << QStringLiteral("ReleaseScenes"); }
    void AddMask() override { calls << QStringLiteral("AddMask"); }
    void StartDmxRecord() override { calls << QStringLiteral("StartDmxRecord"); }
    void StopDmxRecord() override { calls << QStringLiteral("StopDmxRecord"); }
    void CreateEffectsForFixtures(const QList<CLibraryProfile*>& profiles, CFixtureMatrix* matrix,
                                  bool newFixtures) override
    {
        effectsMatrix = matrix;
        calls << QStringLiteral("CreateEffectsForFixtures:%1:%2").arg(profiles.size()).arg(newFixtures);
    }
    void OnSceneStarted(CPage*, CScene*) override { calls << QStringLiteral("OnSceneStarted"); }
    void OnSceneStopped(CPage*, CScene*) override { calls << QStringLiteral("OnSceneStopped"); }
    void UpdateSceneName(CScene*) override { calls << QStringLiteral("UpdateSceneName"); }
    void UpdateScenePage(CScene*, CPage*) override { calls << QStringLiteral("UpdateScenePage"); }
    int TimeLineSceneLineCount() const override { return timeLineSceneLines; }
    int TimeLineLineEndX(int line) const override { return line < timeLineSceneLines ? 40 * (line + 1) : -1; }
    void AddTimeLineSceneBlock(CPage*, CScene*, int line, int x) override
    {
        calls << QStringLiteral("AddTimeLineSceneBlock:%1:%2").arg(line).arg(x);
    }
    CScene* LiveCurrentScene(CPage*& page) const override
    {
        page = livePage;
        return liveScene;
    }
    void FadingUpdateProgress(CScene*) override { calls << QStringLiteral("FadingUpdateProgress"); }
    void FadingSceneStopped(CScene*) override { calls << QStringLiteral("FadingSceneStopped"); }
    void FadingRemoveScene(CScene*) override { calls << QStringLiteral("FadingRemoveScene"); }
    void RemoveSceneBlocks(CScene*) override { calls << QStringLiteral("RemoveSceneBlocks"); }
    void ReloadPage() override { calls << QStringLiteral("ReloadPage"); }
    void ResetPresets() override { calls << QStringLiteral("ResetPresets"); }
    void FixturesChanged() override { calls << QStringLiteral("FixturesChanged"); }
    void ResetPortRefresh() override { calls << QStringLiteral("ResetPortRefresh"); }
    void ClearTimeLine() override { calls << QStringLiteral("ClearTimeLine"); }
    void ClearTimeMarkers() override { calls << QStringLiteral("ClearTimeMarkers"); }
    void SetTimeLineLength(int ms) override { calls << QStringLiteral("SetTimeLineLength:%1").arg(ms); }
    void SetTimeLineVolume(int volume) override { calls << QStringLiteral("SetTimeLineVolume:%1").arg(volume); }
    bool HasTimeLine() const override { return timeLine; }
    void StoreVideoGeometry() override { calls << QStringLiteral("StoreVideoGeometry"); }
    // What the layout does when fixtures are about to be deleted, where a test gives it.
    std::function<void(const QList<CPatchedFixture*>&, const QList<CFixtureMatrix*>&)> fixturesDeleting;
    void FixturesDeleting(const QList<CPatchedFixture*>& fixtures, const QList<CFixtureMatrix*>& matrices) override
    {
        if (fixturesDeleting)
            fixturesDeleting(fixtures, matrices);
    }
    // What copies kept outside the show do when profiles leave the library, where a test gives it.
    std::function<void(const QList<CLibraryProfile*>&)> profilesDeleting;
    void ProfilesDeleting(const QList<CLibraryProfile*>& profiles) override
    {
        if (profilesDeleting)
            profilesDeleting(profiles);
    }
    void RepaintLayoutView() override { calls << QStringLiteral("RepaintLayoutView"); }
    void StoreGroupView() override { calls << QStringLiteral("StoreGroupView"); }
    bool HasLayoutView() const override { return layoutView; }
    bool IsLayoutMoveLocked() const override { return layoutMoveLocked; }
    void SetLayoutMoveLocked(bool locked) override { layoutMoveLocked = locked; }
    void SelectEffectFixtures(const CEffect*) override { calls << QStringLiteral("SelectEffectFixtures"); }
    void PlaySceneSound(const QString& path, int volume) override
    {
        calls << QStringLiteral("PlaySceneSound:%1:%2").arg(path).arg(volume);
    }
    void StopSceneSound() override { calls << QStringLiteral("StopSceneSound"); }
    void SetSceneSoundVolume(int volume) override { calls << QStringLiteral("SetSceneSoundVolume:%1").arg(volume); }

    void FadingReplaceScene(CScene*, CScene*) override { calls << QStringLiteral("FadingReplaceScene"); }
    void TimeLineReplaceScene(CScene*, CScene*) override { calls << QStringLiteral("TimeLineReplaceScene"); }
    void MarkDimmersFx() override { calls << QStringLiteral("MarkDimmersFx"); }
    void MarkChannelTypeFx(int type) override { calls << QStringLiteral("MarkChannelTypeFx:%1").arg(type); }
    void MarkPanTiltFx() override { calls << QStringLiteral("MarkPanTiltFx"); }
    void MarkColorFx() override { calls << QStringLiteral("MarkColorFx"); }
    void LockDimmerChannels() override { calls << QStringLiteral("LockDimmerChannels"); }
    void LockChannelsOfType(int type) override { calls << QStringLiteral("LockChannelsOfType:%1").arg(type); }
    void LockPanTiltChannels() override { calls << QStringLiteral("LockPanTiltChannels"); }
    void LockColorChannels() override { calls << QStringLiteral("LockColorChannels"); }

    void SetModified(bool m) override { modified = m; }
    bool IsModified() const override { return modified; }
    void RaiseUiUpdate() override { calls << QStringLiteral("RaiseUiUpdate"); }
    void RaiseLiveLevelsChanged() override { calls << QStringLiteral("RaiseLiveLevelsChanged"); }
    void RaiseChangeFlag() override { calls << QStringLiteral("RaiseChangeFlag"); }
    int OutputMode() const override { return outputMode; }
    void SetOutputMode(int mode) override { outputMode = mode; }
    int LivePagesMode() const override { return livePagesMode; }
    void SelectLivePage(int n) override { calls << QStringLiteral("SelectLivePage:%1").arg(n); }
    bool IsBusy() const override { return busy; }
    void SetBusy(bool b) override { busy = b; }
    bool IsRecording() const override { return recording; }
    void SetOpenTriggerDialog(QObject* dialog) override { openTriggerDialog = dialog; }
    int DeleteTarget() const override { return deleteTarget; }
    void SetDeleteTarget(int target) override { deleteTarget = target; }
    // A reader asks as it reads each page's scenes; a test may see when.
    std::function<void()> startScenesAsked;
    bool StartScenesOption() const override
    {
        if (startScenesAsked)
            startScenesAsked();
        return startScenes;
    }
    bool SendEditDmxOption() const override { return sendEditDmx; }
    int UniverseCountOption() const override { return universeCount; }
    void SetUniverseCountOption(int count) override { universeCount = count; }

    int Count(const QString& prefix) const
    {
        int n = 0;
        for (const QString& c : calls)
            n += c.startsWith(prefix) ? 1 : 0;
        return n;
    }

private:
    class CPaintRecorder : public QObject
    {
    public:
        explicit CPaintRecorder(QStringList& calls)
            : m_calls(calls)
        {
        }
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                m_calls << QStringLiteral("Paint:") + watched->objectName();
            return false;
        }

    private:
        QStringList& m_calls;
    };
    CPaintRecorder m_paints;
};
