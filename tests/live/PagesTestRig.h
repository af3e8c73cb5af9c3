#pragma once

#include "../show/PlaybackRig.h"
#include "../widgets/WidgetTestUtil.h"
#include "Captions.h"
#include "effects/PresetEffect.h"
#include "live/LiveEditor.h"
#include "show/EffectScene.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// Four zoom heads on universe 0 (slots 0, 10, 20, 30) and short ways to make
// scenes that play and effect scenes of a preset effect on the zoom.
class CPagesRig : public CZoomHeadsRig
{
public:
    CPagesRig()
    {
        WidgetTest::LoadCaptions();
        RegisterEffectOperations();
    }

    // A scene of one step holding the zoom of head `head` at `level`.
    CScene* PlayableScene(CPage* page, const QString& name, int head = 0, int level = 200)
    {
        auto* scene = new CScene(name, project.UniverseCount());
        page->m_scenes << scene;
        AddStep(scene, 0, 1000, {{heads[head], {level}}});
        return scene;
    }

    // An effect scene whose preset effect sets the zoom between dmxMin and
    // dmxMax, by level percent.
    CEffectScene* ZoomEffect(int dmxMin, int dmxMax)
    {
        auto* effect = new CPresetEffect;
        effect->m_percent = false;
        effect->m_dmxMin = dmxMin;
        effect->m_dmxMax = dmxMax;
        effect->m_prValue = 100;
        effect->m_channelTypes = {ChannelType::Zoom};
        CEffectScene* scene = project.AddEffectScene();
        scene->m_effects << effect;
        return scene;
    }
};

// An editor that notes what the live pages window asks of it and raises the
// editors' signals when a test tells it to.
class CFakeEditor : public QWidget, public CLiveEditor
{
    Q_OBJECT
public:
    explicit CFakeEditor(int kind, QWidget* parent) : QWidget(parent), kind(kind) {}

    QWidget* Widget() override { return this; }
    bool HandleKey(int key, Qt::KeyboardModifiers) override
    {
        calls << QStringLiteral("HandleKey:%1").arg(key);
        return true;
    }
    void Tick(int ms, int) override { calls << QStringLiteral("Tick:%1").arg(ms); }
    void Retranslate() override { calls << QStringLiteral("Retranslate"); }
    void UpdateEffectList() override { calls << QStringLiteral("UpdateEffectList"); }
    void UpdatePage() override { calls << QStringLiteral("UpdatePage"); }
    void SetScene(CPage*, CScene* s, bool playing) override
    {
        scene = s;
        calls << QStringLiteral("SetScene:%1").arg(playing);
    }
    void UpdateDmxButton() override { calls << QStringLiteral("UpdateDmxButton"); }
    void PushUndo(int kind, const QString& label) override
    {
        calls << QStringLiteral("PushUndo:%1:%2").arg(kind).arg(label);
    }
    void FillStepsTable() override { calls << QStringLiteral("FillStepsTable"); }
    void UpdateDuration() override { calls << QStringLiteral("UpdateDuration"); }
    void SetEffectScene(CEffectScene* s) override
    {
        scene = s;
        calls << QStringLiteral("SetEffectScene");
    }
    void EditEffect(CScene* s, int type, bool edit) override
    {
        scene = s;
        calls << QStringLiteral("EditEffect:%1:%2").arg(type).arg(edit);
    }
    CEffect* EditedEffect() const override { return effect; }
    QString EditedName() const override { return name; }

    void Close() { emit closeWnd(); }
    void Close(bool done, bool cancelled) { emit closeWnd(done, cancelled); }
    void AskEffect(eEffect type, bool edit) { emit editEffect(type, edit); }

    int kind;
    CScene* scene = nullptr;
    CEffect* effect = nullptr;
    QString name;
    QStringList calls;

signals:
    void closeWnd();
    void closeWnd(bool done, bool cancelled);
    void editEffect(eEffect type, bool edit);
};

class CFakeEditorFactory : public CLiveEditorFactory
{
public:
    CLiveEditor* Create(Kind kind, QWidget* parent) override
    {
        auto* editor = new CFakeEditor(kind, parent);
        made << editor;
        return editor;
    }

    CFakeEditor* Last(int kind) const
    {
        for (int i = made.size() - 1; i >= 0; --i) {
            if (made[i] && made[i]->kind == kind)
                return made[i];
        }
        return nullptr;
    }

    QList<QPointer<CFakeEditor>> made;
};
