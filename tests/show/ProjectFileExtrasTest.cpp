#include "TestRegistry.h"
#include "XmlText.h"

#include "PlaybackRig.h"
#include "effects/Effect.h"
#include "effects/GradientEffect.h"
#include "effects/PresetEffect.h"
#include "model/XmlDocument.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/ProjectFileV3.h"
#include "show/TimeLine.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

// The effect-scene, fading-button, timeline and mask sections of project
// files: the layout the writers produce, files written by hand, round trips
// compared on the model, and damaged records.

namespace {

const QString kWashPath = QStringLiteral("Led/Wash.kvp");

// Three modes of one profile file: dimmer; dimmer + RGB; RGB + dimmer + strobe.
CLibraryProfile* WashProfile(CProject& project, int mode)
{
    auto* profile = new CLibraryProfile;
    profile->m_path = kWashPath;
    ProfileBuilder::AddDimmer(*profile);
    profile->m_modes << new CProfileMode << new CProfileMode;
    profile->m_currentMode = 1;
    ProfileBuilder::AddDimmer(*profile);
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
    profile->m_currentMode = 2;
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
    ProfileBuilder::AddDimmer(*profile);
    ProfileBuilder::AddChannel(*profile, ChannelType::Shutter);
    profile->m_currentMode = mode;
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

QDomElement Written(CProject& project, CProjectFileV3& doc)
{
    doc.WriteProject(project);
    return doc.m_document.documentElement();
}

QDomElement Child(const QDomElement& parent, const char* tag, int n = 0)
{
    QDomElement child = parent.firstChildElement(QLatin1String(tag));
    for (int i = 0; i < n; ++i)
        child = child.nextSiblingElement(QLatin1String(tag));
    return child;
}

int ChildCount(const QDomElement& parent, const char* tag)
{
    int count = 0;
    for (QDomElement e = parent.firstChildElement(QLatin1String(tag)); !e.isNull();
         e = e.nextSiblingElement(QLatin1String(tag)))
        ++count;
    return count;
}

// The level an effect scene lays on the edit layer for one fixture channel:
// the scene is made the edited one with only that fixture selected.
int StaticLevelOnEdit(CProject& project, CEffectScene* scene, CPatchedFixture* fixture, int channel)
{
    for (bool& flag : fixture->BeamFlags())
        flag = true;
    project.m_currentGroup->m_selectedFixtures = {fixture};
    project.m_editedScene = scene;
    project.ResetEditLayer();
    project.LoadEditedEffectLevels();
    const int level = project.m_edit[fixture->m_universe][fixture->m_address + channel];
    project.m_editedScene = nullptr;
    project.m_currentGroup->m_selectedFixtures.clear();
    return level;
}

CPatchedFixture* FixtureWithId(CProject& project, int id)
{
    for (CPatchedFixture* fixture : project.m_generalGroup->m_fixtures) {
        if (fixture->m_id == id)
            return fixture;
    }
    return nullptr;
}

// The patch of a hand-written file: one block per (path, channel types),
// each with one fixture (id, universe 0, address).
QString Block(const QString& path, std::initializer_list<int> types, int id, int address)
{
    QString channels;
    for (int type : types)
        channels += QStringLiteral("<ZKChannel ZKChannelType=\"%1\"/>").arg(type);
    return QStringLiteral("<ZKFixtures><ZKLibrary ZKName=\"%1\" ZKMatrixId=\"-1\"><ZKProfile>"
                          "<ZKProperties ZKFixtPath=\"%1\"/><ZKModes ZKNbMode=\"1\"><ZKMode>%2</ZKMode></ZKModes>"
                          "</ZKProfile></ZKLibrary>"
                          "<ZKFixture ZKName=\"F%3\" ZKId=\"%3\" ZKUniverse=\"0\" ZKAddress=\"%4\"/></ZKFixtures>")
        .arg(path, channels)
        .arg(id)
        .arg(address);
}

} // namespace

class ProjectFileExtrasTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString Store(const QString& body, bool withGroups = true)
    {
        const QString path = m_dir.filePath(QStringLiteral("extras%1.kv3").arg(++m_files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        const QString groups = QStringLiteral("<ZKGroups ZKNumber=\"1\"><ZKGlobalGroup ZKName=\"General\"/></ZKGroups>");
        const QString xml =
            QStringLiteral("<ZKFile Version=\"2.0\"><ZKParams/>%1%2</ZKFile>").arg(withGroups ? groups : QString(), body);
        file.write(CXmlDocument::EncodeStorage(CXmlDocument::CompressedStorage, xml.toUtf8()));
        return path;
    }

    // Saves, opens the file again into the same project, and returns the
    // document that was saved.
    QString SaveAndOpen(CProject& project)
    {
        const QString path = m_dir.filePath(QStringLiteral("round%1.kv3").arg(++m_files));
        CProjectFileV3 doc;
        const QString text = Canonical(Written(project, doc));
        if (!project.SaveProject(path) || !project.OpenProject(path))
            return QString();
        return text;
    }

private slots:
    void effectScenesAreWrittenAsLaidOut()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* wash = WashProfile(project, 2);
        CPatchedFixture* a = rig.Patch(wash, 0, 0);
        CPatchedFixture* b = rig.Patch(wash, 0, 10);

        CEffectScene* bare = project.AddEffectScene();
        CEffectScene* channelsOnly = project.AddEffectScene();
        channelsOnly->m_effects << new CGradientEffect;
        channelsOnly->SetChannelStaticLevel(1, 7, 200);
        CEffectScene* modesOnly = project.AddEffectScene();
        modesOnly->m_effects << new CPresetEffect;
        modesOnly->SetStaticLevel(wash, 4, 128);

        // Two running copies of one effect scene on two selections.
        for (CPatchedFixture* fixture : {a, b}) {
            auto* copy = new CEffectScene(*channelsOnly, false, true, true, false);
            copy->m_runningCopy = true;
            copy->m_source = channelsOnly;
            CEffect* effect = CloneEffect(channelsOnly->m_effects.first());
            effect->m_fixtures << fixture;
            effect->m_fixtureSel << true;
            copy->m_effects << effect;
            project.m_runningCopies << copy;
        }
        bare->m_name = QStringLiteral("Bare");

        CProjectFileV3 doc;
        const QDomElement scenes = Child(Written(project, doc), "ZKEffScenes");
        QCOMPARE(scenes.attribute(QStringLiteral("ZKNumber")), QStringLiteral("3"));

        const QDomElement first = Child(scenes, "ZKEffScene", 0);
        QCOMPARE(first.attribute(QStringLiteral("ZKName")), QStringLiteral("Bare"));
        QCOMPARE(first.attribute(QStringLiteral("ZKColor")), QStringLiteral("0|0|0|0"));
        QVERIFY(first.firstChildElement().isNull());

        const QDomElement second = Child(scenes, "ZKEffScene", 1);
        const QDomElement levels = Child(Child(second, "ZKEffect"), "ZKStaticELevels");
        QCOMPARE(Child(second, "ZKEffect").attribute(QStringLiteral("ZKEType")), QStringLiteral("1"));
        QCOMPARE(levels.attribute(QStringLiteral("ZKENumber")), QStringLiteral("0"));
        QCOMPARE(ChildCount(levels, "ZKStaticEChannels"), 1);
        QCOMPARE(ChildCount(levels, "ZKStaticELevel"), 0);
        const QDomElement channel = Child(Child(levels, "ZKStaticEChannels"), "ZKStaticEChan");
        QCOMPARE(channel.attribute(QStringLiteral("ZKUniverse")), QStringLiteral("1"));
        QCOMPARE(channel.attribute(QStringLiteral("ZKChannel")), QStringLiteral("7"));
        QCOMPARE(channel.attribute(QStringLiteral("ZKLevel")), QStringLiteral("200"));
        const QDomElement playing = Child(second, "ZKPlayingEffects");
        QCOMPARE(ChildCount(second, "ZKPlayingEffects"), 1);
        QCOMPARE(ChildCount(playing, "ZKPlayingEffect"), 2);
        QCOMPARE(Child(Child(playing, "ZKPlayingEffect", 1), "ZKEFixts").attribute(QStringLiteral("ZKIds")),
                 QString::number(b->m_id));

        // The profile is used in one mode only: in the file that mode is
        // the profile's first.
        const QDomElement third = Child(scenes, "ZKEffScene", 2);
        QCOMPARE(Child(third, "ZKEffect").attribute(QStringLiteral("ZKEType")), QStringLiteral("5"));
        const QDomElement modeLevels = Child(Child(third, "ZKEffect"), "ZKStaticELevels");
        QCOMPARE(modeLevels.attribute(QStringLiteral("ZKENumber")), QStringLiteral("1"));
        QCOMPARE(ChildCount(modeLevels, "ZKStaticEChannels"), 0);
        const QDomElement record = Child(modeLevels, "ZKStaticELevel");
        QCOMPARE(record.attribute(QStringLiteral("ZKProfile")), kWashPath);
        QCOMPARE(record.attribute(QStringLiteral("ZKMode")), QStringLiteral("0"));
        const QDomElement entry = Child(Child(record, "ZKStaticEChannels"), "ZKStaticEChan");
        QCOMPARE(entry.attribute(QStringLiteral("ZKChannel")), QStringLiteral("4"));
        QCOMPARE(entry.attribute(QStringLiteral("ZKLevel")), QStringLiteral("128"));
        QVERIFY(!entry.hasAttribute(QStringLiteral("ZKUniverse")));
    }

    void fadingButtonsTimelineAndMasksAreWrittenAsLaidOut()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        {
            // Without buttons, masks or a timeline window.
            CProjectFileV3 doc;
            const QDomElement root = Written(project, doc);
            QCOMPARE(Child(root, "ZKFadingButs").attribute(QStringLiteral("ZKNumber")), QStringLiteral("0"));
            QVERIFY(Child(root, "ZKTimeLines").isNull());
            QVERIFY(Child(root, "ZKMasks").isNull());
            QVERIFY(Child(root, "ZKEffScenes").isNull());
        }

        project.AddPage(QStringLiteral("Two"));
        CPage* third = project.AddPage(QStringLiteral("Three"));
        project.AddScene(false);
        CScene* target = project.AddScene(false);
        CScene* doomed = project.AddScene(false);
        auto* button = new CFadingButton(QStringLiteral("Cross"));
        button->m_position = 3;
        button->m_fadeInPages << third << third;
        button->m_fadeInScenes << target << doomed;
        project.m_fadingButtons << button;

        rig.host.timeLine = true;
        CTimeLineData& timeLine = project.m_timeLine;
        timeLine.m_length = 60000;
        timeLine.AddLine(new CTimeLine(QStringLiteral("Empty")));
        auto* scenes = new CTimeLine(QStringLiteral("Scenes"));
        auto* block = new CTimeBlock(third, target);
        block->m_start = 1000;
        block->m_stop = 0;
        block->m_length = 5000;
        block->m_color = 6;
        scenes->AddBlock(block);
        scenes->AddBlock(new CTimeBlock(third, doomed));
        timeLine.AddLine(scenes);
        auto* video = new CMediaTimeLine(QStringLiteral("Video"), CTimeLine::VideoLine);
        video->m_videoRect = QRect(QPoint(100, 50), QPoint(739, 529));
        video->AddBlock(new CMediaTimeBlock(QStringLiteral("clip.mp4")));
        timeLine.AddLine(video);
        timeLine.AddMarker(new CTimeMarker(2500));

        project.m_masks << CMask{QStringLiteral("Front"), {CChannelLevel{0, 0, 255}, CChannelLevel{3, 511, 9}}};

        // Deleting a scene takes it out of the button and the timeline.
        QVERIFY(project.RemoveScene(2));

        CProjectFileV3 doc;
        const QDomElement root = Written(project, doc);
        const QDomElement fading = Child(Child(root, "ZKFadingButs"), "ZKFadingBut");
        QCOMPARE(fading.attribute(QStringLiteral("ZKName")), QStringLiteral("Cross"));
        QCOMPARE(fading.attribute(QStringLiteral("ZKFBPos")), QStringLiteral("3"));
        QVERIFY(Child(fading, "ZKFBScenesOut").isNull());
        const QDomElement in = Child(fading, "ZKFBScenesIn");
        QCOMPARE(in.attribute(QStringLiteral("ZKNumber")), QStringLiteral("1"));
        QCOMPARE(Child(in, "ZKFBSceneIn").attribute(QStringLiteral("ZKFBScPage")), QStringLiteral("2"));
        QCOMPARE(Child(in, "ZKFBSceneIn").attribute(QStringLiteral("ZKFBScScene")), QStringLiteral("1"));

        const QDomElement lines = Child(root, "ZKTimeLines");
        QCOMPARE(lines.attribute(QStringLiteral("ZKTLen")), QStringLiteral("60000"));
        QCOMPARE(lines.attribute(QStringLiteral("ZKNumber")), QStringLiteral("3"));
        QVERIFY(Child(Child(lines, "ZKTimeLine", 0), "ZKTimeBlocks").isNull());
        const QDomElement blocks = Child(Child(lines, "ZKTimeLine", 1), "ZKTimeBlocks");
        QCOMPARE(blocks.attribute(QStringLiteral("ZKNumber")), QStringLiteral("1"));
        const QDomElement sceneBlock = Child(blocks, "ZKTimeBlock");
        QCOMPARE(sceneBlock.attribute(QStringLiteral("ZKTBPage")), QStringLiteral("2"));
        QCOMPARE(sceneBlock.attribute(QStringLiteral("ZKTBScene")), QStringLiteral("1"));
        QCOMPARE(sceneBlock.attribute(QStringLiteral("ZKTBColor")), QStringLiteral("6"));
        QCOMPARE(sceneBlock.attribute(QStringLiteral("ZKTBStop")), QStringLiteral("0"));
        const QDomElement videoLine = Child(lines, "ZKTimeLine", 2);
        QCOMPARE(videoLine.attribute(QStringLiteral("Type")), QStringLiteral("2"));
        QCOMPARE(videoLine.attribute(QStringLiteral("ZKTLRcVideo")), QStringLiteral("100|50|640|480"));
        QCOMPARE(videoLine.attribute(QStringLiteral("ZKTLSound")), QStringLiteral("0"));
        QVERIFY(rig.host.calls.contains(QStringLiteral("StoreVideoGeometry")));
        const QDomElement mediaBlock = Child(Child(videoLine, "ZKTimeBlocks"), "ZKTimeBlock");
        QCOMPARE(mediaBlock.attribute(QStringLiteral("ZKTBPage")), QStringLiteral("-1"));
        QCOMPARE(mediaBlock.attribute(QStringLiteral("ZKTBScene")), QStringLiteral("-1"));
        QCOMPARE(mediaBlock.attribute(QStringLiteral("ZKTBFile")), QStringLiteral("clip.mp4"));
        QVERIFY(!mediaBlock.hasAttribute(QStringLiteral("ZKTBColor")));
        const QDomElement markers = Child(lines, "ZKTimeMarkers");
        QCOMPARE(markers.previousSiblingElement().tagName(), QStringLiteral("ZKTimeLine"));
        QCOMPARE(Child(markers, "ZKTimeMarker").attribute(QStringLiteral("ZKTMTime")), QStringLiteral("2500"));
        QCOMPARE(Child(markers, "ZKTimeMarker").attribute(QStringLiteral("ZKTMPause")), QStringLiteral("0"));

        const QDomElement mask = Child(Child(root, "ZKMasks"), "ZKMask");
        QCOMPARE(ChildCount(mask, "ZKMaskLevel"), 2);
        QCOMPARE(Child(mask, "ZKMaskLevel", 1).attribute(QStringLiteral("ZKChannel")), QStringLiteral("511"));
        QCOMPARE(Child(root, "ZKMasks").previousSiblingElement().tagName(), QStringLiteral("ZKTimeLines"));
    }

    void everySectionSurvivesARoundTrip()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        rig.host.timeLine = true;
        CScene* scene = rig.AddScene(QStringLiteral("Opening"));
        CPage* second = project.AddPage(QStringLiteral("Second"));
        CScene* other = project.AddScene(false);

        CEffectScene* effectScene = project.AddEffectScene();
        effectScene->m_name = QStringLiteral("Chase");
        effectScene->m_fadeIn = 1200;
        effectScene->m_fadeOut = 80;
        effectScene->m_loopCount = -3;
        effectScene->m_position = 7;
        effectScene->SetSpeed(80);
        effectScene->SetDimmer(20);
        effectScene->m_paused = true;
        effectScene->m_liveColor = true;
        effectScene->m_red = 1;
        effectScene->m_green = 2;
        effectScene->m_blue = 3;
        effectScene->m_white = 4;
        effectScene->m_playInCurrentPage = true;
        auto* gradient = new CGradientEffect;
        gradient->m_len = 4000;
        effectScene->m_effects << gradient;
        effectScene->SetChannelStaticLevel(3, 511, 17);

        auto* button = new CFadingButton(QStringLiteral("X"));
        button->m_fadeOutPages << project.m_firstPage;
        button->m_fadeOutScenes << scene;
        button->m_fadeInPages << second;
        button->m_fadeInScenes << other;
        project.m_fadingButtons << button;

        CTimeLineData& timeLine = project.m_timeLine;
        timeLine.m_cursorTime = 1234;
        timeLine.m_loop = true;
        timeLine.m_keepPlaying = true;
        timeLine.m_moveMarker = true;
        auto* music = new CMediaTimeLine(QStringLiteral("Music"), CTimeLine::MusicLine);
        music->m_display = 2;
        auto* song = new CMediaTimeBlock(QStringLiteral("song.mp3"));
        song->m_start = 40;
        song->m_stop = 90000;
        song->m_length = 89960;
        song->m_mediaLength = 180000;
        song->m_mediaLoop = true;
        song->m_filter = true;
        song->m_cutOff = 300;
        song->m_secondFrequency = 3000;
        music->AddBlock(song);
        timeLine.AddLine(music);
        auto* line = new CTimeLine(QStringLiteral("Cues"));
        auto* block = new CTimeBlock(second, other);
        block->m_start = 500;
        block->m_length = 700;
        block->m_color = 3;
        line->AddBlock(block);
        timeLine.AddLine(line);
        timeLine.AddMarker(new CTimeMarker(100));
        timeLine.AddMarker(new CTimeMarker(0));
        project.m_masks << CMask{QStringLiteral("M"), {CChannelLevel{2, 40, 128}}};

        const QString first = SaveAndOpen(project);
        QVERIFY(!first.isEmpty());
        QCOMPARE(project.m_effectScenes.size(), 1);
        const CEffectScene* read = project.m_effectScenes.first();
        QCOMPARE(read->m_name, QStringLiteral("Chase"));
        QCOMPARE(read->m_fadeIn, 1200);
        QCOMPARE(read->m_fadeOut, 80);
        QCOMPARE(int(read->m_loopCount), -3);
        QCOMPARE(read->m_position, 7);
        QCOMPARE(read->Speed(), 80);
        QCOMPARE(read->Dimmer(), 20);
        QVERIFY(read->m_paused && read->m_liveColor && read->m_playInCurrentPage && !read->m_blackout);
        QCOMPARE(QList<int>({read->m_red, read->m_green, read->m_blue, read->m_white}), QList<int>({1, 2, 3, 4}));
        QCOMPARE(read->m_effects.size(), 1);
        QCOMPARE(read->m_effects.first()->m_type, int(EffectType::Gradient));
        QCOMPARE(read->m_effects.first()->m_len, 4000);
        QCOMPARE(read->m_channelStaticLevels.size(), 1);
        QCOMPARE(read->m_channelStaticLevels.first().m_universe, 3);
        QCOMPARE(read->m_channelStaticLevels.first().m_channel, 511);
        QCOMPARE(int(read->m_channelStaticLevels.first().m_level), 17);

        QCOMPARE(project.m_fadingButtons.size(), 1);
        const CFadingButton* readButton = project.m_fadingButtons.first();
        QCOMPARE(readButton->m_fadeOutPages, QList<CPage*>({project.m_pages[0]}));
        QCOMPARE(readButton->m_fadeOutScenes, QList<CScene*>({project.m_pages[0]->m_scenes[0]}));
        QCOMPARE(readButton->m_fadeInScenes, QList<CScene*>({project.m_pages[1]->m_scenes[0]}));

        const CTimeLineData& readLine = project.m_timeLine;
        QCOMPARE(readLine.m_cursorTime, 1234);
        QVERIFY(readLine.m_loop && readLine.m_keepPlaying && readLine.m_moveMarker && !readLine.m_playing);
        QCOMPARE(readLine.m_lines.size(), 2);
        QVERIFY(readLine.m_musicLine == readLine.m_lines[0]);
        QVERIFY(!readLine.m_videoLine);
        QCOMPARE(readLine.m_musicLine->m_display, 2);
        QVERIFY(readLine.m_musicLine->m_sound && readLine.m_musicLine->m_wave);
        const auto* readSong = static_cast<const CMediaTimeBlock*>(readLine.m_musicLine->m_blocks.value(0));
        QVERIFY(readSong && readSong->IsMedia());
        QCOMPARE(readSong->m_file, QStringLiteral("song.mp3"));
        QCOMPARE(QList<int>({readSong->m_start, readSong->m_stop, readSong->m_length, readSong->m_mediaLength,
                             readSong->m_cutOff, readSong->m_secondFrequency}),
                 QList<int>({40, 90000, 89960, 180000, 300, 3000}));
        QVERIFY(readSong->m_mediaLoop && readSong->m_filter && !readSong->m_stereo);
        const CTimeBlock* readBlock = readLine.m_lines[1]->m_blocks.value(0);
        QVERIFY(readBlock);
        QCOMPARE(readBlock->m_page, project.m_pages[1]);
        QCOMPARE(readBlock->m_scene, project.m_pages[1]->m_scenes[0]);
        QCOMPARE(readBlock->m_color, 3);
        QCOMPARE(readLine.m_markers.size(), 2);
        QCOMPARE(readLine.m_markers[1]->m_time, 0);
        QCOMPARE(readLine.m_markers[1]->m_second, -1);

        QCOMPARE(project.m_masks.size(), 1);
        QCOMPARE(project.m_masks.first().m_levels.first().m_channel, 40);

        // The file the reopened show writes is the file it was opened from.
        CProjectFileV3 again;
        QCOMPARE(Canonical(Written(project, again)), first);
    }

    void staticLevelsKeepTheirProfileMode()
    {
        // A profile used in mode 2 only, and the same profile file used in
        // modes 1 and 2 by two fixtures: after reopening each fixture still
        // gets the levels set for its own mode, and the next save is the same.
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* rgbFirst = WashProfile(project, 1);  // dimmer, R, G, B
        CLibraryProfile* rgbLast = WashProfile(project, 2);   // R, G, B, dimmer, shutter
        CPatchedFixture* a = rig.Patch(rgbFirst, 0, 0);
        CPatchedFixture* b = rig.Patch(rgbLast, 0, 20);
        CEffectScene* scene = project.AddEffectScene();
        scene->m_effects << new CGradientEffect;
        scene->SetStaticLevel(rgbFirst, 0, 50);   // a: dimmer
        scene->SetStaticLevel(rgbLast, 3, 210);   // b: dimmer
        scene->SetStaticLevel(rgbLast, 4, 33);    // b: shutter
        // No fixture uses mode 0: the file could only bring it back on the
        // fixtures of another mode, so it is not saved.
        scene->SetStaticLevel(WashProfile(project, 0), 0, 99);
        QCOMPARE(StaticLevelOnEdit(project, scene, a, 0), 50);
        QCOMPARE(StaticLevelOnEdit(project, scene, b, 3), 210);
        const int idA = a->m_id;
        const int idB = b->m_id;

        const QString first = SaveAndOpen(project);
        QVERIFY(!first.isEmpty());
        scene = project.m_effectScenes.value(0);
        QVERIFY(scene);
        a = FixtureWithId(project, idA);
        b = FixtureWithId(project, idB);
        QVERIFY(a && b && a->Profile() != b->Profile());
        QCOMPARE(a->Profile()->m_currentMode, 0);
        QCOMPARE(StaticLevelOnEdit(project, scene, a, 0), 50);
        QCOMPARE(StaticLevelOnEdit(project, scene, a, 3), 0);  // b's dimmer index: not a's
        QCOMPARE(StaticLevelOnEdit(project, scene, b, 3), 210);
        QCOMPARE(StaticLevelOnEdit(project, scene, b, 4), 33);
        QCOMPARE(StaticLevelOnEdit(project, scene, b, 0), 0);  // a's dimmer index: b's red
        QCOMPARE(scene->m_modeStaticLevels.size(), 2);

        // Setting a level on the reopened profile finds the record read.
        scene->SetStaticLevel(b->Profile(), 4, 34);
        QCOMPARE(scene->m_modeStaticLevels.size(), 2);
        scene->SetStaticLevel(b->Profile(), 4, 33);

        const QString second = SaveAndOpen(project);
        QCOMPARE(second, first);
        CProjectFileV3 third;
        QCOMPARE(Canonical(Written(project, third)), first);
    }

    void staticLevelModesOfOtherWriters()
    {
        // Files of earlier writers number a record by the profile's own mode
        // list. With one embedded mode the record can only mean that one;
        // with two, a number past them names nothing.
        CPlaybackRig rig;
        const QString patch = QStringLiteral("<ZKPatch>%1%2%3</ZKPatch>")
                                  .arg(Block(QStringLiteral("Single.kvp"), {ChannelType::Dimmer, ChannelType::Zoom}, 1, 0),
                                       Block(kWashPath, {ChannelType::Dimmer}, 2, 10),
                                       Block(kWashPath, {ChannelType::Red, ChannelType::Green}, 3, 20));
        const QString scenes = QStringLiteral(
            "<ZKEffScenes ZKNumber=\"1\"><ZKEffScene ZKName=\"S\"><ZKEffect ZKEType=\"1\">"
            "<ZKStaticELevels ZKENumber=\"4\">"
            "<ZKStaticELevel ZKProfile=\"Single.kvp\" ZKMode=\"3\"><ZKStaticEChannels>"
            "<ZKStaticEChan ZKChannel=\"1\" ZKLevel=\"77\"/><ZKStaticEChan ZKChannel=\"2\" ZKLevel=\"5\"/>"
            "<ZKStaticEChan ZKChannel=\"0\"/></ZKStaticEChannels></ZKStaticELevel>"
            "<ZKStaticELevel ZKProfile=\"Led/Wash.kvp\" ZKMode=\"1\"><ZKStaticEChannels>"
            "<ZKStaticEChan ZKChannel=\"1\" ZKLevel=\"300\"/><ZKStaticEChan ZKChannel=\"0\" ZKLevel=\"12\"/>"
            "</ZKStaticEChannels></ZKStaticELevel>"
            "<ZKStaticELevel ZKProfile=\"Led/Wash.kvp\" ZKMode=\"5\"><ZKStaticEChannels>"
            "<ZKStaticEChan ZKChannel=\"0\" ZKLevel=\"9\"/></ZKStaticEChannels></ZKStaticELevel>"
            "<ZKStaticELevel ZKProfile=\"Gone.kvp\" ZKMode=\"2\"/>"
            "<ZKStaticELevel ZKMode=\"0\"/>"
            "</ZKStaticELevels></ZKEffect></ZKEffScene></ZKEffScenes>");
        QVERIFY(rig.project.OpenProject(Store(patch + scenes)));
        CEffectScene* scene = rig.project.m_effectScenes.value(0);
        QVERIFY(scene);
        // Single.kvp channel 1 at 77; channel 2 lies past its two channels.
        QCOMPARE(StaticLevelOnEdit(rig.project, scene, FixtureWithId(rig.project, 1), 1), 77);
        QCOMPARE(scene->m_modeStaticLevels.size(), 3);
        QCOMPARE(scene->m_modeStaticLevels[0].m_levels.size(), 1);
        // Mode 1 of the wash is its second embedded layout (red, green); 300 is truncated to 44.
        QCOMPARE(StaticLevelOnEdit(rig.project, scene, FixtureWithId(rig.project, 3), 1), 44);
        QCOMPARE(StaticLevelOnEdit(rig.project, scene, FixtureWithId(rig.project, 3), 0), 12);
        QCOMPARE(StaticLevelOnEdit(rig.project, scene, FixtureWithId(rig.project, 2), 0), 0);
        // A profile the patch does not hold keeps its record as it stands.
        QCOMPARE(scene->m_modeStaticLevels[2].m_profile, QStringLiteral("Gone.kvp"));
        QCOMPARE(scene->m_modeStaticLevels[2].m_mode, 2);
    }

    void handWrittenSectionsAreRead()
    {
        CPlaybackRig rig;
        rig.host.timeLine = true;
        const QString pages = QStringLiteral(
            "<ZKPages ZKNumber=\"2\"><ZKPage ZKName=\"A\"><ZKScenes><ZKScene ZKName=\"a0\"/><ZKScene ZKName=\"a1\"/>"
            "</ZKScenes></ZKPage><ZKPage ZKName=\"B\"><ZKScenes><ZKScene ZKName=\"b0\"/></ZKScenes></ZKPage></ZKPages>");
        const QString effects = QStringLiteral(
            "<ZKEffScenes ZKNumber=\"999999999\">"
            "<ZKEffScene ZKName=\"Preset\" ZKFadeIn=\"-40\" ZKLoop=\"65537\"><ZKEffect ZKEType=\"5\">"
            "<ZKStaticELevels><ZKStaticEChannels><ZKStaticEChan ZKUniverse=\"4\" ZKChannel=\"1\" ZKLevel=\"1\"/>"
            "<ZKStaticEChan ZKUniverse=\"0\" ZKChannel=\"512\" ZKLevel=\"1\"/>"
            "<ZKStaticEChan ZKUniverse=\"-1\" ZKChannel=\"0\" ZKLevel=\"1\"/>"
            "<ZKStaticEChan ZKUniverse=\"3\" ZKChannel=\"0\"/>"
            "<ZKStaticEChan ZKUniverse=\"3\" ZKChannel=\"0\" ZKLevel=\"6\"/>"
            "<ZKStaticEChan ZKUniverse=\"3\" ZKChannel=\"0\" ZKLevel=\"7\"/></ZKStaticEChannels>"
            "</ZKStaticELevels></ZKEffect><ZKEffect ZKEType=\"1\"/></ZKEffScene>"
            "<ZKEffScene ZKName=\"Seven\"><ZKEffect ZKEType=\"7\"/></ZKEffScene>"
            "<ZKEffScene ZKName=\"Untyped\"><ZKEffect/></ZKEffScene>"
            "</ZKEffScenes>");
        const QString fading = QStringLiteral(
            "<ZKFadingButs ZKNumber=\"3\"><ZKFadingBut ZKFBPos=\"1\"/>"
            "<ZKFadingBut ZKName=\"F\" ZKFBPos=\"4\"><ZKFBScenesOut>"
            "<ZKFBSceneOut ZKFBScPage=\"2\" ZKFBScScene=\"0\"/><ZKFBSceneOut ZKFBScPage=\"0\" ZKFBScScene=\"1\"/>"
            "<ZKFBSceneOut ZKFBScPage=\"1\" ZKFBScScene=\"1\"/><ZKFBSceneOut ZKFBScPage=\"1\"/>"
            "<ZKFBSceneOut ZKFBScPage=\"-1\" ZKFBScScene=\"0\"/>"
            "</ZKFBScenesOut><ZKFBScenesIn><ZKFBSceneIn ZKFBScPage=\"1\" ZKFBScScene=\"0\"/></ZKFBScenesIn>"
            "</ZKFadingBut></ZKFadingButs>");
        const QString timeLines = QStringLiteral(
            "<ZKTimeLines ZKTLen=\"120000\" ZKTLPlaying=\"1\" ZKTLLockMarker=\"1\">"
            "<ZKTimeLine ZKName=\"Odd\" Type=\"3\"/>"
            "<ZKTimeLine Type=\"0\"/>"
            "<ZKTimeLine ZKName=\"Scenes\" Type=\"0\"><ZKTimeBlocks>"
            "<ZKTimeBlock ZKTBPage=\"0\" ZKTBScene=\"1\" ZKTBStart=\"10\" ZKTBColor=\"9\"/>"
            "<ZKTimeBlock ZKTBPage=\"1\" ZKTBScene=\"1\"/>"
            "<ZKTimeBlock ZKTBPage=\"1\" ZKTBScene=\"0\" ZKTBColor=\"4\"/>"
            "<ZKTimeBlock ZKTBScene=\"0\"/>"
            "<ZKTimeBlock ZKTBPage=\"-1\" ZKTBScene=\"-1\" ZKTBFile=\"x.mp3\"/>"
            "</ZKTimeBlocks></ZKTimeLine>"
            "<ZKTimeLine ZKName=\"Music\" Type=\"1\" ZKTLWave=\"0\"><ZKTimeBlocks>"
            "<ZKTimeBlock ZKTBFile=\"a.mp3\" ZKTBFc=\"400\"/><ZKTimeBlock ZKTBPage=\"0\" ZKTBScene=\"0\"/>"
            "</ZKTimeBlocks></ZKTimeLine>"
            "<ZKTimeLine ZKName=\"Music 2\" Type=\"1\"><ZKTimeBlocks><ZKTimeBlock ZKTBFile=\"b.mp3\"/>"
            "</ZKTimeBlocks></ZKTimeLine>"
            "<ZKTimeLine ZKName=\"Video\" Type=\"2\" ZKTLRcVideo=\"1|2|3\" ZKTLMaximized=\"1\"/>"
            "<ZKTimeLine ZKName=\"Video 2\" Type=\"2\" ZKTLRcVideo=\"1|2|3|4\"/>"
            "<ZKTimeMarkers><ZKTimeMarker ZKTMTime=\"700\"/><ZKTimeMarker/><ZKTimeMarker ZKTMTime=\"-5\"/>"
            "</ZKTimeMarkers></ZKTimeLines>");
        const QString masks = QStringLiteral(
            "<ZKMasks><ZKMask ZKName=\"M\"><ZKMaskLevel ZKUniverse=\"4\" ZKChannel=\"0\" ZKLevel=\"1\"/>"
            "<ZKMaskLevel ZKUniverse=\"0\" ZKChannel=\"-1\" ZKLevel=\"1\"/>"
            "<ZKMaskLevel ZKUniverse=\"1\" ZKChannel=\"511\"/>"
            "<ZKMaskLevel ZKUniverse=\"1\" ZKChannel=\"511\" ZKLevel=\"257\"/></ZKMask><ZKMask/></ZKMasks>");
        QVERIFY(rig.project.OpenProject(Store(pages + effects + fading + timeLines + masks)));
        CProject& project = rig.project;

        QCOMPARE(project.m_effectScenes.size(), 3);
        const CEffectScene* preset = project.m_effectScenes[0];
        QCOMPARE(preset->m_fadeIn, 0);
        QCOMPARE(int(preset->m_loopCount), 1);
        QCOMPARE(preset->m_effects.size(), 1);
        QCOMPARE(preset->m_effects.first()->m_type, int(EffectType::Preset));
        QCOMPARE(preset->m_channelStaticLevels.size(), 1);
        QCOMPARE(int(preset->m_channelStaticLevels.first().m_level), 7);
        QVERIFY(project.m_effectScenes[1]->m_effects.isEmpty());
        QVERIFY(project.m_effectScenes[2]->m_effects.isEmpty());
        QCOMPARE(project.m_effectScenes[2]->m_name, QStringLiteral("Untyped"));

        QCOMPARE(project.m_fadingButtons.size(), 1);
        const CFadingButton* button = project.m_fadingButtons.first();
        QCOMPARE(button->m_position, 4);
        QCOMPARE(button->m_fadeOutScenes, QList<CScene*>({project.m_pages[0]->m_scenes[1]}));
        QCOMPARE(button->m_fadeOutPages, QList<CPage*>({project.m_pages[0]}));
        QCOMPARE(button->m_fadeInScenes, QList<CScene*>({project.m_pages[1]->m_scenes[0]}));

        const CTimeLineData& timeLine = project.m_timeLine;
        QCOMPARE(timeLine.m_length, 120000);
        QVERIFY(timeLine.m_playing && timeLine.m_lockMarker && !timeLine.m_loop);
        QStringList names;
        for (const CTimeLine* line : timeLine.m_lines)
            names << line->m_name;
        QCOMPARE(names, QStringList({QStringLiteral("Scenes"), QStringLiteral("Music"), QStringLiteral("Video")}));
        const CTimeLine* scenes = timeLine.m_lines[0];
        QCOMPARE(scenes->m_blocks.size(), 2);
        QCOMPARE(scenes->m_blocks[0]->m_scene, project.m_pages[0]->m_scenes[1]);
        QCOMPARE(scenes->m_blocks[0]->m_start, 10);
        QCOMPARE(scenes->m_blocks[0]->m_color, 0);
        QCOMPARE(scenes->m_blocks[1]->m_color, 4);
        QCOMPARE(timeLine.m_musicLine, timeLine.m_lines[1]);
        QVERIFY(timeLine.m_musicLine->m_sound && !timeLine.m_musicLine->m_wave);
        QCOMPARE(timeLine.m_musicLine->m_blocks.size(), 1);
        QCOMPARE(static_cast<const CMediaTimeBlock*>(timeLine.m_musicLine->m_blocks[0])->m_cutOff, 400);
        QCOMPARE(timeLine.m_videoLine, timeLine.m_lines[2]);
        QVERIFY(timeLine.m_videoLine->m_videoRect.isNull() && timeLine.m_videoLine->m_maximized);
        QVERIFY(!timeLine.m_videoLine->m_sound && timeLine.m_videoLine->m_onTop);
        QCOMPARE(timeLine.m_markers.size(), 2);
        QCOMPARE(timeLine.m_markers[1]->m_time, -5);

        QCOMPARE(project.m_masks.size(), 2);
        QCOMPARE(project.m_masks[0].m_levels.size(), 1);
        QCOMPARE(project.m_masks[0].m_levels[0].m_universe, 1);
        QCOMPARE(int(project.m_masks[0].m_levels[0].m_level), 1);
        QCOMPARE(project.m_masks[1].m_name, QString());
    }

    void timelineSurvivesWithoutItsWindow()
    {
        // No timeline window exists: a file's timeline is still read and
        // written back unchanged, and opening forgets the show before's.
        CPlaybackRig rig;
        CProject& project = rig.project;
        project.m_timeLine.AddLine(new CTimeLine(QStringLiteral("Old")));
        project.m_timeLine.AddMarker(new CTimeMarker(5));
        const QString file = Store(QStringLiteral(
            "<ZKPages ZKNumber=\"1\"><ZKPage ZKName=\"A\"><ZKScenes><ZKScene ZKName=\"a0\"/></ZKScenes></ZKPage>"
            "</ZKPages><ZKTimeLines ZKTLen=\"5000\" ZKTLLoop=\"1\"><ZKTimeLine ZKName=\"New\" Type=\"0\">"
            "<ZKTimeBlocks><ZKTimeBlock ZKTBPage=\"0\" ZKTBScene=\"0\" ZKTBStart=\"40\" ZKTBColor=\"3\"/>"
            "</ZKTimeBlocks></ZKTimeLine><ZKTimeMarkers><ZKTimeMarker ZKTMTime=\"700\"/></ZKTimeMarkers>"
            "</ZKTimeLines>"));
        QVERIFY(project.OpenProject(file));
        QCOMPARE(project.m_timeLine.m_markers.size(), 1);
        CProjectFileV3 doc;
        const QString section = Canonical(Child(Written(project, doc), "ZKTimeLines"));
        QVERIFY(section.contains(QStringLiteral("ZKTBStart=40")) && section.contains(QStringLiteral("ZKTLen=5000")));
        QVERIFY(!SaveAndOpen(project).isEmpty());
        CProjectFileV3 again;
        QCOMPARE(Canonical(Child(Written(project, again), "ZKTimeLines")), section);

        // An empty section the file held comes back too; a show without one gains none.
        QVERIFY(project.OpenProject(Store(QStringLiteral("<ZKTimeLines ZKTLen=\"6000\"/>"))));
        QVERIFY(!SaveAndOpen(project).isEmpty());
        QCOMPARE(project.m_timeLine.m_length, 6000);
        QVERIFY(project.OpenProject(Store(QString())));
        CProjectFileV3 none;
        QVERIFY(Child(Written(project, none), "ZKTimeLines").isNull());

        // A failed open ends in a new show with a new timeline.
        QVERIFY(!project.OpenProject(m_dir.filePath(QStringLiteral("missing.kv3"))));
        QCOMPARE(project.m_timeLine.m_length, int(CTimeLineData::kNewLengthMs));
    }

    // The video window's place and a media block's filter as a file holds
    // them: a place without a size, or one no screen has, leaves the window
    // unplaced; frequencies come back inside what the filter takes.
    void videoPlaceAndFilterFromAFile_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("cutOff");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("readCutOff");
        QTest::addColumn<int>("readSecond");
        QTest::newRow("as written") << "100|50|640|480" << "6000" << "10000" << QRect(100, 50, 640, 480) << 6000
                                    << 10000;
        QTest::newRow("left of the first screen") << "-1280|0|640|480" << "0" << "20000" << QRect(-1280, 0, 640, 480)
                                                  << 0 << 20000;
        QTest::newRow("unplaced") << "0|0|0|0" << "4000" << "0" << QRect() << 4000 << 0;
        QTest::newRow("no height") << "10|10|300|-2" << "-300" << "25000" << QRect() << 0 << 20000;
        QTest::newRow("past any screen") << "2147483647|0|10|10" << "2147483647" << "-2147483648" << QRect()
                                         << 20000 << 0;
        QTest::newRow("not numbers") << "a|b|c|d" << "x" << "" << QRect() << 0 << 0;
        QTest::newRow("five fields") << "1|2|3|4|5" << "1" << "2" << QRect() << 1 << 2;
    }
    void videoPlaceAndFilterFromAFile()
    {
        QFETCH(QString, place);
        QFETCH(QString, cutOff);
        QFETCH(QString, second);
        CPlaybackRig rig;
        QVERIFY(rig.project.OpenProject(Store(
            QStringLiteral("<ZKTimeLines><ZKTimeLine ZKName=\"Video\" Type=\"2\" ZKTLRcVideo=\"%1\"><ZKTimeBlocks>"
                           "<ZKTimeBlock ZKTBFile=\"a.avi\" ZKTBFc=\"%2\" ZKTBFz=\"%3\"/></ZKTimeBlocks>"
                           "</ZKTimeLine></ZKTimeLines>")
                .arg(place, cutOff, second))));
        const CMediaTimeLine* video = rig.project.m_timeLine.m_videoLine;
        QVERIFY(video);
        QTEST(video->m_videoRect, "rect");
        const auto* block = static_cast<const CMediaTimeBlock*>(video->m_blocks.value(0));
        QVERIFY(block);
        QTEST(block->m_cutOff, "readCutOff");
        QTEST(block->m_secondFrequency, "readSecond");
    }

    void playingCopiesComeBackWithTheirSelection()
    {
        CPlaybackRig rig;
        CProject& project = rig.project;
        CLibraryProfile* wash = WashProfile(project, 1);
        CPatchedFixture* a = rig.Patch(wash, 0, 0);
        CPatchedFixture* b = rig.Patch(wash, 0, 4);
        CEffectScene* scene = project.AddEffectScene();
        scene->m_effects << new CGradientEffect;
        auto* copy = new CEffectScene(*scene, false, true, true, false);
        copy->m_source = scene;
        CEffect* effect = CloneEffect(scene->m_effects.first());
        effect->m_fixtures << b << a;
        effect->m_fixtureSel << true << false;
        copy->m_effects << effect;
        project.m_runningCopies << copy;
        const int idA = a->m_id;
        const int idB = b->m_id;

        // Off: the playing copies are not read.
        QVERIFY(!SaveAndOpen(project).isEmpty());
        QVERIFY(project.m_savedPlayingCopies.isEmpty());

        // Save once more with a copy running, then open with the option on.
        scene = project.m_effectScenes.first();
        copy = new CEffectScene(*scene, false, true, true, false);
        copy->m_source = scene;
        effect = CloneEffect(scene->m_effects.first());
        effect->m_fixtures << FixtureWithId(project, idB) << FixtureWithId(project, idA);
        effect->m_fixtureSel << true << false;
        copy->m_effects << effect;
        project.m_runningCopies << copy;
        rig.host.startScenes = true;
        QVERIFY(!SaveAndOpen(project).isEmpty());
        QCOMPARE(project.m_savedPlayingCopies.size(), 1);
        QCOMPARE(project.m_savedPlayingPages, QList<CPage*>({nullptr}));
        QCOMPARE(project.m_savedPlayingScenes, QList<CScene*>({project.m_effectScenes.first()}));
        const CEffectScene* saved = project.m_savedPlayingCopies.first();
        QCOMPARE(saved->m_source, project.m_effectScenes.first());
        QCOMPARE(saved->m_effects.size(), 1);
        const CEffect* savedEffect = saved->m_effects.first();
        QCOMPARE(savedEffect->m_fixtures,
                 QList<CPatchedFixture*>({FixtureWithId(project, idB), FixtureWithId(project, idA)}));
        QCOMPARE(savedEffect->m_fixtureSel, QVector<bool>({true, false}));
        // The effect scene itself keeps no selection.
        QVERIFY(project.m_effectScenes.first()->m_effects.first()->m_fixtures.isEmpty());

        // Deleting the effect scene deletes the copy saved with it.
        QVERIFY(project.RemoveEffectScene(0));
        QVERIFY(project.m_savedPlayingCopies.isEmpty());
    }

    // Records are found by look-up: lists of tens of thousands took minutes
    // when every record searched the ones before it.
    void longListsAreReadInTime_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("list"); // what is counted after the open
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("universes");
        const auto effectScene = [](const QString& levels) {
            return QStringLiteral("<ZKEffScenes><ZKEffScene ZKName=\"E\"><ZKEffect ZKEType=\"1\"><ZKStaticELevels>%1"
                                  "</ZKStaticELevels></ZKEffect></ZKEffScene></ZKEffScenes>")
                .arg(levels);
        };
        QString text;
        for (int i = 0; i < 100000; ++i)
            text += QStringLiteral("<ZKStaticEChan ZKUniverse=\"%1\" ZKChannel=\"%2\" ZKLevel=\"1\"/>").arg(i / 512).arg(i % 512);
        QTest::newRow("channel levels") << effectScene("<ZKStaticEChannels>" + text + "</ZKStaticEChannels>")
                                        << "channels" << 100000 << 256;
        text.clear();
        for (int i = 0; i < 60000; ++i)
            text += QStringLiteral("<ZKStaticELevel ZKProfile=\"%1\" ZKMode=\"0\"/>").arg(i);
        QTest::newRow("mode records") << effectScene(text) << "records" << 60000 << 1;
        text.clear();
        for (int i = 0; i < 100000; ++i)
            text += QStringLiteral("<ZKStaticEChan ZKChannel=\"%1\" ZKLevel=\"1\"/>").arg(i);
        QTest::newRow("levels of a mode record")
            << effectScene("<ZKStaticELevel ZKProfile=\"P\" ZKMode=\"0\"><ZKStaticEChannels>" + text
                           + "</ZKStaticEChannels></ZKStaticELevel>")
            << "levels" << 100000 << 1;
        QStringList released;
        for (int i = 1; i < 6000; ++i)
            released << QString::number(i);
        QTest::newRow("release list")
            << QStringLiteral("<ZKPages><ZKPage><ZKScenes><ZKScene ZKReleaseList=\"%1\"/>%2</ZKScenes></ZKPage></ZKPages>")
                   .arg(released.join(QLatin1Char('|')) + QStringLiteral("|5999").repeated(500000),
                        QStringLiteral("<ZKScene/>").repeated(5999))
            << "released" << 5999 << 1;
        text.clear();
        for (int i = 0; i < 60000; ++i)
            text += QStringLiteral("<ZKPresetConfig ZKChannel=\"%1\" ZKChanIndType=\"0\"/>").arg(i);
        QTest::newRow("preset configs") << QStringLiteral("<ZKGroups><ZKGlobalGroup><ZKPresetConfigs><ZKProfileConfig "
                                                          "ZKFixtPath=\"\">%1</ZKProfileConfig></ZKPresetConfigs>"
                                                          "</ZKGlobalGroup></ZKGroups>").arg(text)
                                        << "configs" << 60000 << 1;
        // 3000 matrices of a fixture each; a group names them all, and the
        // last again and again, as it selects its fixture.
        QString patch;
        QStringList ids;
        for (int i = 0; i < 3000; ++i) {
            patch += QStringLiteral("<ZKFixtures><ZKLibrary ZKMatrixId=\"%1\"><ZKProfile><ZKProperties/><ZKModes><ZKMode>"
                                    "<ZKChannel/></ZKMode></ZKModes></ZKProfile><ZKMatrix ZKMatrixSizeX=\"1\" "
                                    "ZKMatrixSizeY=\"1\"/></ZKLibrary><ZKFixture ZKId=\"%1\"/></ZKFixtures>").arg(i);
            ids << QString::number(i);
        }
        const QString matrixGroup =
            QStringLiteral("<ZKPatch>%1</ZKPatch><ZKGroups><ZKGlobalGroup/><ZKGroup ZKFixtures=\"2999\" "
                           "ZKMatrix=\"%2\" ZKGrpSel=\"%3\"/></ZKGroups>")
                .arg(patch, ids.join(QLatin1Char('|')) + QStringLiteral("|2999").repeated(300000),
                     QStringLiteral("2999;1|").repeated(300000));
        // Each effect row selects its fixtures to be generated.
        text.clear();
        for (int i = 0; i < 20000; ++i)
            text += QStringLiteral("<ZKFixture ZKId=\"%1\"/>").arg(i);
        QTest::newRow("effect rows over a large patch")
            << QStringLiteral("<ZKPatch><ZKFixtures><ZKLibrary ZKMatrixId=\"-1\"><ZKProfile><ZKProperties/><ZKModes>"
                              "<ZKMode><ZKChannel/></ZKMode></ZKModes></ZKProfile></ZKLibrary>%1</ZKFixtures></ZKPatch>"
                              "<ZKPages><ZKPage><ZKScenes><ZKScene><ZKSteps>%2</ZKSteps></ZKScene></ZKScenes></ZKPage></ZKPages>")
                   .arg(text,
                        QStringLiteral("<ZKStep><ZKEffect ZKEType=\"1\"/></ZKStep>").repeated(20000))
            << "steps" << 20000 << 1;
        QTest::newRow("matrices of a group") << matrixGroup << "matrices" << 3000 << 1;
        QTest::newRow("selected matrices") << matrixGroup << "selected matrices" << 1 << 1;
    }
    void longListsAreReadInTime()
    {
        QFETCH(QString, body);
        QFETCH(QString, list);
        QFETCH(int, universes);
        CPlaybackRig rig(universes);
        const QString path = Store(body, false);
        // Read as they are, these lists take well under two seconds with the
        // sanitizers; searched instead of looked up, from 20 s to minutes
        // (bench_projectio times the longest).
        QVERIFY(rig.project.OpenProject(path));
        const CEffectScene* effectScene = rig.project.m_effectScenes.value(0);
        const CScene* scene = rig.project.m_firstPage->m_scenes.value(0);
        const CGroup* general = rig.project.m_generalGroup;
        const CGroup* group = rig.project.m_groups.value(1);
        const QHash<QString, int> counts = {
            {QStringLiteral("channels"), effectScene ? effectScene->m_channelStaticLevels.size() : -1},
            {QStringLiteral("records"), effectScene ? effectScene->m_modeStaticLevels.size() : -1},
            {QStringLiteral("levels"), effectScene ? effectScene->m_modeStaticLevels.value(0).m_levels.size() : -1},
            {QStringLiteral("released"), scene ? scene->m_releaseList.size() : -1},
            {QStringLiteral("steps"), scene ? scene->m_steps.size() : -1},
            {QStringLiteral("configs"), general->m_presetConfigs.value(0).size()},
            {QStringLiteral("matrices"), group ? group->m_matrices.size() : -1},
            {QStringLiteral("selected matrices"), group ? group->m_selectedMatrices.size() : -1},
        };
        QTEST(counts.value(list), "count");
    }

    void timelineDataFollowsTheScenes()
    {
        CPlaybackRig rig;
        CScene* kept = rig.AddScene(QStringLiteral("Kept"));
        CScene* edited = rig.AddScene(QStringLiteral("Edited"));
        CTimeLineData& timeLine = rig.project.m_timeLine;
        auto* line = new CTimeLine(QStringLiteral("L"));
        line->AddBlock(new CTimeBlock(rig.Page(), kept));
        line->AddBlock(new CTimeBlock(rig.Page(), edited));
        timeLine.AddLine(line);
        auto* music = new CMediaTimeLine(QStringLiteral("M"), 7);
        QCOMPARE(music->m_type, int(CTimeLine::MusicLine));
        timeLine.AddLine(music);
        QCOMPARE(timeLine.m_musicLine, music);

        // The editor swaps the scene for its working copy and back.
        auto* copy = new CScene(*edited, true, true, true);
        rig.project.SetEditedScene(edited, copy);
        delete edited;
        QCOMPARE(line->m_blocks[1]->m_scene, copy);

        QVERIFY(rig.project.RemoveScene(0));
        QCOMPARE(line->m_blocks.size(), 1);
        QCOMPARE(line->m_blocks[0]->m_scene, copy);

        rig.project.Clear();
        QVERIFY(timeLine.m_lines.isEmpty());
        QVERIFY(!timeLine.m_musicLine);
    }
};

ORVANE_TEST(ProjectFileExtrasTest)
#include "ProjectFileExtrasTest.moc"
