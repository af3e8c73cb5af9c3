#include "TestRegistry.h"

#include "EffectPageRig.h"
#include "editors/ChannelEffectList.h"
#include "editors/PresetEffectList.h"
#include "editors/PresetEffectWnd.h"
#include "effects/PresetEffect.h"
#include "model/ProfilePresetDef.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QtTest>

namespace {

// Profiles written "15:19,21;14|14": profiles split by '|', channels by ';',
// a channel's presets after ':' as type or type/sub-type.
void AddProfiles(CPlaybackRig& rig, const QString& text)
{
    for (const QString& profileText : text.split('|', Qt::SkipEmptyParts)) {
        auto* profile = new CLibraryProfile;
        for (const QString& channelText : profileText.split(';', Qt::SkipEmptyParts)) {
            const QStringList parts = channelText.split(':');
            CProfileChannelDef* channel = ProfileBuilder::AddChannel(*profile, parts[0].toInt());
            for (const QString& presetText : parts.value(1).split(',', Qt::SkipEmptyParts)) {
                const QStringList pair = presetText.split('/');
                ProfileBuilder::AddPreset(channel, pair[0].toInt(), 0, 0)->m_effectType = pair.value(1).toInt();
            }
        }
        profile->UpdateRoles();
        rig.project.m_library << profile;
    }
}

// The edited effect scene holds `effect` (when given) and the page opens on it.
CPresetEffectWnd* Open(CEffectsRig& rig, const QString& profiles, CPresetEffect* effect = nullptr)
{
    AddProfiles(rig, profiles);
    rig.Select({rig.rgb});
    CEffectScene* scene = rig.AddEffectScene(false);
    if (effect)
        scene->m_effects << effect;
    rig.window->EditEffect(scene, EffectType::Preset, effect != nullptr);
    return qobject_cast<CPresetEffectWnd*>(rig.window->Page());
}

QString Items(const QListWidget& list, bool selectedOnly)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i) {
        const QListWidgetItem* item = list.item(i);
        if (selectedOnly && !item->isSelected())
            continue;
        QString text = item->data(Qt::UserRole).toString();
        if (item->data(Qt::UserRole + 1).isValid())
            text += '/' + item->data(Qt::UserRole + 1).toString();
        items << text;
    }
    return items.join(',');
}

QString Pairs(const CPresetEffect& effect)
{
    QStringList pairs;
    for (int i = 0; i < effect.m_presetTypes1.size(); ++i)
        pairs << QStringLiteral("%1/%2").arg(effect.m_presetTypes1[i]).arg(effect.m_presetTypes2.value(i, -9));
    return pairs.join(',');
}

QString Range(const CPresetEffect& effect)
{
    return QStringLiteral("%1 %2-%3 %4-%5 v%6")
        .arg(effect.m_percent ? "%" : "dmx")
        .arg(effect.m_percentMin)
        .arg(effect.m_percentMax)
        .arg(effect.m_dmxMin)
        .arg(effect.m_dmxMax)
        .arg(effect.m_prValue);
}

// "pmin 80", "pmax 10", "dmin 3", "dmax 4", "dmx", "percent", "cursor 0|1",
// each as the user does it.
void Run(CPresetEffectWnd& page, const QString& script)
{
    for (const QString& command : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList words = command.split(' ', Qt::SkipEmptyParts);
        const QString& verb = words[0];
        if (verb == "dmx")
            page.DmxButton()->click();
        else if (verb == "percent")
            page.PercentButton()->click();
        else if (verb == "cursor")
            page.CursorBox()->setChecked(words[1] == "1");
        else {
            QComboBox* list = verb == "pmin" ? page.PercentMinList()
                              : verb == "pmax" ? page.PercentMaxList()
                              : verb == "dmin" ? page.DmxMinList()
                                               : page.DmxMaxList();
            list->setCurrentIndex(words[1].toInt());
        }
    }
}

void Toggle(QListWidget& list, std::initializer_list<int> rows)
{
    for (int row : rows)
        list.item(row)->setSelected(!list.item(row)->isSelected());
}

} // namespace

class PresetEffectPageTest : public QObject
{
    Q_OBJECT

private slots:
    void offeredItems_data()
    {
        QTest::addColumn<QString>("profiles");
        QTest::addColumn<QString>("channels");
        QTest::addColumn<QString>("presets");
        QTest::newRow("dimmer and zoom") << "7;14" << "7,14" << "";
        QTest::newRow("gobo wheel, lamp, filter never") << "8;22;23" << "" << "";
        QTest::newRow("same type in two profiles: one item") << "14|6;14" << "14,6" << "";
        QTest::newRow("colour and gobo presets never") << "4:1,3|8:7,10" << "" << "3/0,10/0";
        QTest::newRow("shutter presets") << "15:19,21,21" << "" << "19/0,21/0";
        QTest::newRow("prism sub-types apart") << "19:31/3,31/5" << "" << "31/3,31/5";
        QTest::newRow("empty library") << "" << "" << "";
    }
    void offeredItems()
    {
        QFETCH(QString, profiles);
        QFETCH(QString, channels);
        QFETCH(QString, presets);
        CEffectsRig rig;
        CPresetEffectWnd* page = Open(rig, profiles);
        QVERIFY(page);
        QCOMPARE(Items(*page->ChannelList(), false), channels);
        QCOMPARE(Items(*page->PresetList(), false), presets);
        QCOMPARE(page->GetPlayStep(), -1);
        QCOMPARE(page->GetPlayTime(), -1);
    }

    void presetSelection_data()
    {
        QTest::addColumn<QList<int>>("stored1");
        QTest::addColumn<QList<int>>("stored2");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("pairs");
        // Items: 0 open (19), 1 strobe (21) of the shutter; 2 prism 31/3.
        QTest::newRow("strobe replaces open") << QList<int>() << QList<int>() << QList<int>{0, 1} << "21/0" << "21/0";
        QTest::newRow("other channel stays") << QList<int>() << QList<int>() << QList<int>{0, 2} << "19/0,31/3"
                                             << "19/0,31/3";
        QTest::newRow("stored pair shown") << QList<int>{31} << QList<int>{3} << QList<int>() << "31/3" << "31/3";
        QTest::newRow("any sub-type shows every one") << QList<int>{31} << QList<int>{-1} << QList<int>()
                                                      << "31/3" << "31/-1";
        QTest::newRow("pair without sub-type ignored") << QList<int>{19, 21} << QList<int>{0} << QList<int>()
                                                       << "19/0" << "19/0,21/-9";
    }
    void presetSelection()
    {
        QFETCH(QList<int>, stored1);
        QFETCH(QList<int>, stored2);
        QFETCH(QList<int>, clicks);
        QFETCH(QString, shown);
        QFETCH(QString, pairs);
        CEffectsRig rig;
        auto* effect = new CPresetEffect;
        effect->m_presetTypes1 = stored1;
        effect->m_presetTypes2 = stored2;
        CPresetEffectWnd* page = Open(rig, "15:19,21|19:31/3", stored1.isEmpty() ? nullptr : effect);
        if (stored1.isEmpty())
            delete effect;
        for (int row : clicks)
            Toggle(*page->PresetList(), {row});
        QCOMPARE(Items(*page->PresetList(), true), shown);
        QCOMPARE(Pairs(*page->Effect()), pairs);
        QCOMPARE(page->Effect()->m_flag, !clicks.isEmpty());
    }

    void okHandsTheSelectionToTheScene()
    {
        CEffectsRig rig;
        CPresetEffectWnd* page = Open(rig, "14;15:19,21");
        Toggle(*page->ChannelList(), {0});
        Toggle(*page->PresetList(), {1});
        CScene* scene = rig.window->EditedEffect() ? rig.project.m_effectScenes.value(0) : nullptr;
        rig.window->OnOk();
        QVERIFY(!rig.window->Page());
        QVERIFY(scene);
        const auto* stored = dynamic_cast<const CPresetEffect*>(scene->m_effects.value(0));
        QVERIFY(stored);
        QCOMPARE(stored->m_channelTypes, QList<int>{14});
        QCOMPARE(Pairs(*stored), QStringLiteral("21/0"));
    }

    void channelSelectionMarks()
    {
        CEffectsRig rig;
        CPresetEffectWnd* page = Open(rig, "7;14");
        Toggle(*page->ChannelList(), {1, 0});
        QCOMPARE(page->Effect()->m_channelTypes, (QList<int>{14, 7}));
        QVERIFY(rig.host.calls.contains("MarkChannelTypeFx:14"));
        Toggle(*page->ChannelList(), {0, 1});
        QVERIFY(page->Effect()->m_channelTypes.isEmpty());
        const QStringList sinceClear = rig.host.calls.mid(rig.host.calls.lastIndexOf("ClearEffectMarks"));
        QVERIFY(sinceClear.filter("MarkChannelTypeFx").isEmpty());
    }

    void range_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("range");
        QTest::newRow("min above max raises max") << "% 0 50 0 255" << "pmin 80" << "% 80-80 0-255 v7";
        QTest::newRow("max below min lowers min") << "% 30 100 0 255" << "pmax 10" << "% 10-10 0-255 v7";
        QTest::newRow("dmx and back keeps percent") << "% 20 60 5 9" << "dmx;percent" << "% 20-60 5-9 v7";
        QTest::newRow("dmx lists only in dmx") << "% 20 60 5 9" << "dmin 100;dmx;dmin 100" << "dmx 20-60 100-100 v7";
        QTest::newRow("percent lists ignored in dmx") << "dmx 20 60 5 9" << "pmax 1" << "dmx 20-60 5-9 v7";
        QTest::newRow("cursor off centres value") << "% 0 100 0 255" << "cursor 0" << "% 0-100 0-255 v50";
        QTest::newRow("cursor on keeps value") << "% 0 100 0 255" << "cursor 0;cursor 1" << "% 0-100 0-255 v50";
        QTest::newRow("no selection stores nothing") << "% 20 60 5 9" << "pmin -1;pmax -1" << "% 20-60 5-9 v7";
        // Ranges from a file are brought within their scale on opening.
        QTest::newRow("file: beyond scale") << "% -5 300 -1 999" << "" << "% 0-100 0-255 v7";
        QTest::newRow("file: min above max") << "dmx 90 40 200 100" << "" << "dmx 40-40 100-100 v7";
    }
    void range()
    {
        QFETCH(QString, stored);
        QFETCH(QString, script);
        QFETCH(QString, range);
        const QStringList v = stored.split(' ');
        CEffectsRig rig;
        auto* effect = new CPresetEffect;
        effect->m_percent = v[0] == "%";
        effect->m_percentMin = v[1].toInt();
        effect->m_percentMax = v[2].toInt();
        effect->m_dmxMin = v[3].toInt();
        effect->m_dmxMax = v[4].toInt();
        effect->m_prValue = 7;
        CPresetEffectWnd* page = Open(rig, "", effect);
        QVERIFY(!page->Effect()->m_flag);
        Run(*page, script);
        QCOMPARE(Range(*page->Effect()), range);
        const bool percent = page->Effect()->m_percent;
        QCOMPARE(page->PercentMinList()->isEnabled(), percent);
        if (script.contains("-1"))
            return;
        QCOMPARE(page->DmxMaxList()->isEnabled(), !percent);
        QCOMPARE(page->PercentMinList()->currentIndex(), percent ? page->Effect()->m_percentMin : -1);
        QCOMPARE(page->DmxMaxList()->currentIndex(), percent ? -1 : page->Effect()->m_dmxMax);
    }
};

ORVANE_TEST(PresetEffectPageTest)
#include "PresetEffectPageTest.moc"
