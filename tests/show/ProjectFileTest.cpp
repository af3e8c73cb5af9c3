#include "DataTable.h"
#include "FileBytes.h"
#include "NoLanguage.h"
#include "TestRegistry.h"
#include "XmlText.h"

#include "PlaybackRig.h"
#include "Captions.h"
#include "model/Language.h"
#include "model/FixtureMatrix.h"
#include "model/ProfileChannelDef.h"
#include "model/XmlDocument.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/ProjectFileV3.h"
#include "show/TimeLine.h"
#include "show/ShowBounds.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

// Project files as a whole and their params, patch and groups sections:
// round trips compared on the model, files written by hand from the
// layout, damaged files and a save that cannot be written.

namespace {

const QString kParPath = QStringLiteral("Led/Par.kvp");
const QString kSpotPath = QStringLiteral("Heads/Spot.kvp");

// One profile file with two modes, the way the library holds it: one
// library profile per mode in use. Mode 0 is red, green, blue; mode 1 is
// dimmer, red, green, blue.
CLibraryProfile* ParProfile(CProject& project, int mode)
{
    auto* profile = new CLibraryProfile;
    profile->m_path = kParPath;
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
    profile->m_modes << new CProfileMode;
    profile->m_currentMode = 1;
    ProfileBuilder::AddDimmer(*profile);
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
    profile->m_currentMode = mode;
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

QString ChannelTypes(const CLibraryProfile* profile)
{
    QStringList types;
    for (int c = 0; c < profile->ChannelCount(); ++c)
        types << QString::number(profile->GetChannel(c)->m_type);
    return types.join(QLatin1Char(','));
}

QString Flags(const QList<bool>& flags)
{
    QString text;
    for (bool flag : flags)
        text += flag ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

QString Ids(const QList<CPatchedFixture*>& fixtures)
{
    QStringList ids;
    for (const CPatchedFixture* fixture : fixtures)
        ids << QString::number(fixture->m_id);
    return ids.join(QLatin1Char(','));
}

QString Ids(const QList<CFixtureMatrix*>& matrices)
{
    QStringList ids;
    for (const CFixtureMatrix* matrix : matrices)
        ids << QString::number(matrix->Id());
    return ids.join(QLatin1Char(','));
}

QString Rect(const QRect& rect)
{
    return QStringLiteral("%1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

template <typename T>
QString Positions(const T* object, int groups)
{
    QStringList points;
    for (int g = 0; g < groups; ++g)
        points << QStringLiteral("%1;%2").arg(object->Position(g).x()).arg(object->Position(g).y());
    return points.join(QLatin1Char('|'));
}

// Fields joined by spaces: one line of a description.
template <typename... Fields>
QString Line(const Fields&... fields)
{
    QStringList parts;
    (parts << ... << QVariant(fields).toString());
    return parts.join(QLatin1Char(' '));
}

// Everything the params, patch and groups sections carry, one line per
// object, so that a failing comparison names what differs.
QStringList Describe(const CProject& project)
{
    QStringList lines;
    const int groups = project.m_groups.size();
    for (const CDmxConfigRecord* r : project.m_dmxConfig)
        lines << Line("dmx", r->m_portADirection, r->m_portBDirection, r->m_portAUniverse, r->m_portBUniverse,
                      r->m_secondaryPortAUniverse, r->m_secondaryPortBUniverse);
    const CGroup* general = project.m_generalGroup;
    QList<CPatchedFixture*> fixtures = general->m_fixtures;
    std::sort(fixtures.begin(), fixtures.end(), [](auto* a, auto* b) { return a->m_id < b->m_id; });
    for (const CPatchedFixture* f : fixtures)
        lines << Line("fixture", f->m_id, f->m_name, f->m_universe, f->m_address, f->m_invertPan, f->m_invertTilt,
                      f->m_drawType, f->m_matrixId, f->Profile()->m_path, ChannelTypes(f->Profile()),
                      Positions(f, groups));
    for (const CFixtureMatrix* m : general->m_matrices) {
        QStringList cells;
        for (const QRect& cell : m->MemberCells())
            cells << Rect(cell);
        lines << Line("matrix", m->Id(), m->Columns(), m->Rows(), m->DrawType(), Positions(m, groups),
                      Ids(m->Members()), cells.join(QLatin1Char(' ')));
    }
    for (int g = 0; g < groups; ++g) {
        const CGroup* group = project.m_groups[g];
        QStringList flags;
        for (const QList<bool>& list : group->m_beamFlags)
            flags << Flags(list);
        lines << Line("group", g, group->m_name, int(project.m_pages.indexOf(group->m_page)), group->m_triggers.GetText(),
                      group->m_zoom,
                      group->m_scrollX, group->m_scrollY, group->m_drawGrid, group->m_magnetGrid,
                      group->m_backColor.name(), group->m_backImage, group->m_drawBackImage, group->m_imageMode);
        lines << Line(" view", Rect(group->m_viewRect), group->m_commonPositions,
                      g == 0 ? Rect(group->m_layoutRect) : QString());
        lines << Line(" members", Ids(group->m_fixtures), Ids(group->m_matrices), flags.join(QLatin1Char(' ')));
        lines << Line(" selected", Ids(group->m_selectedFixtures), Ids(group->m_selectedMatrices));
        for (const CSubGroup* sub : group->m_subGroups) {
            QStringList subFlags;
            for (const QList<bool>& list : sub->m_beamFlags)
                subFlags << Flags(list);
            lines << Line(" sub", Ids(sub->m_fixtures), subFlags.join(QLatin1Char(' ')));
        }
        for (int i = 0; i < group->m_presetProfiles.size(); ++i) {
            const CLibraryProfile* profile = group->m_presetProfiles[i];
            for (const CPresetConfig* c : group->m_presetConfigs[i])
                lines << Line(" preset", profile ? profile->m_path : QStringLiteral("-"), c->m_channel,
                              c->m_channelIndexType, c->m_x, c->m_y, c->m_displayType, c->m_displaySize,
                              c->m_presetDisplayType);
        }
    }
    return lines;
}

QString CanonicalFile(const QString& path)
{
    CXmlDocument doc;
    QString error;
    if (!doc.LoadFile(path, error))
        return QStringLiteral("load error: ") + error;
    return Canonical(doc.m_document.documentElement());
}

QDomElement LoadRoot(const QString& path, CXmlDocument& doc)
{
    QString error;
    if (!doc.LoadFile(path, error))
        return QDomElement();
    return doc.m_document.documentElement();
}

QList<QDomElement> Children(const QDomElement& parent, const QString& tag)
{
    QList<QDomElement> list;
    for (QDomElement e = parent.firstChildElement(tag); !e.isNull(); e = e.nextSiblingElement(tag))
        list << e;
    return list;
}

// A ".kv3" file as the program stores one: the XML text compressed.
bool WriteProjectXml(const QString& path, const QString& xml)
{
    return WriteBytes(path, qCompress(xml.toUtf8(), -1));
}

// An embedded profile of the given channel types, one mode.
QString EmbeddedProfile(const QString& path, const QList<int>& types)
{
    QString channels;
    for (int type : types)
        channels += QStringLiteral("<ZKChannel ZKChannelType=\"%1\"/>").arg(type);
    return QStringLiteral("<ZKProfile><ZKProperties ZKFixtPath=\"%1\"/><ZKModes ZKNbMode=\"1\">"
                          "<ZKMode ZKNbChannel=\"%2\">%3</ZKMode></ZKModes></ZKProfile>")
        .arg(path)
        .arg(types.size())
        .arg(channels);
}

const QList<int> kRgb = {ChannelType::Red, ChannelType::Green, ChannelType::Blue};

QString File(const QString& sections)
{
    return QStringLiteral("<ZKFile Version=\"2.0\">") + sections + QStringLiteral("</ZKFile>");
}

// The rig's project after every fixture, group and matrix left it: what
// a new, empty project holds.
bool IsNewEmptyProject(const CProject& project)
{
    return project.m_pages.size() == 1 && project.m_firstPage == project.m_pages[0]
        && project.m_firstPage->m_name == QLatin1String("Scenes") && project.m_groups.size() == 1
        && project.m_generalGroup == project.m_groups[0] && project.m_generalGroup->m_fixtures.isEmpty()
        && project.m_library.isEmpty();
}


// 64 universes, each filled by one fixture of 512 channels, and a scene of
// steps that set every channel: the levels of step s come from `seed` + s,
// all alike with seed 0, else each a run of numbers deflate cannot shrink.
void FillUniverses(CPlaybackRig& rig, int steps, quint32 seed)
{
    CProject& project = rig.project;
    if (project.m_library.isEmpty()) {
        auto* profile = new CLibraryProfile;
        for (int c = 0; c < kSlotsPerUniverse; ++c)
            ProfileBuilder::AddChannel(*profile, ChannelType::Zoom);
        profile->UpdateRoles();
        project.m_library << profile;
        for (int u = 0; u < project.UniverseCount(); ++u)
            rig.Patch(profile, u, 0);
        rig.AddScene(QStringLiteral("Full"));
    }
    CScene* scene = rig.Page()->m_scenes.first();
    for (int s = 0; s < steps; ++s) {
        auto* step = new CSceneStep(0, 1000);
        quint32 state = seed ? seed + quint32(s) : 0;
        for (CPatchedFixture* fixture : project.m_generalGroup->m_fixtures) {
            auto* entry = new CStepFixture(fixture, scene);
            for (int c = 0; c < kSlotsPerUniverse; ++c) {
                state = seed ? state * 1664525u + 1013904223u : 0;
                entry->SetLevel(c, quint8(state >> 24), false, false);
            }
            step->AddEntry(entry);
        }
        scene->m_steps << step;
    }
}
} // namespace

class ProjectFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // A show with every part of the params, patch and groups sections.
    // Ids: 1 A1 (par mode 0), 2 B1 (spot), 3 A2 (par mode 0), 4 C1 (par
    // mode 1, pan inverted), 5-8 the members of the 2 x 2 matrix 9.
    void BuildShow(CPlaybackRig& rig)
    {
        CProject& project = rig.project;
        CLibraryProfile* par0 = ParProfile(project, 0);
        CLibraryProfile* par1 = ParProfile(project, 1);
        CLibraryProfile* spot = rig.MovingHeadProfile();
        spot->m_path = kSpotPath;

        auto* group = new CGroup(QStringLiteral("Front"));
        project.m_groups << group;

        CPatchedFixture* a1 = rig.Patch(par0, 0, 0);
        CPatchedFixture* b1 = rig.Patch(spot, 1, 10);
        CPatchedFixture* a2 = rig.Patch(par0, 0, 3);
        CPatchedFixture* c1 = rig.Patch(par1, 2, 100);
        c1->m_invertPan = true;
        c1->m_drawType = 2;
        c1->m_name = QStringLiteral("Side & <back>");
        int n = 0;
        for (CPatchedFixture* f : {a1, b1, a2, c1}) {
            ++n;
            f->AddPosition(10 * n, 20 * n);
            f->AddPosition(-5 * n, 7 * n);
        }
        auto* matrix = new CFixtureMatrix(par0, 9, 2, 2, 1);
        matrix->AddPosition(300, 310);
        matrix->AddPosition(40, 50);
        project.m_generalGroup->m_matrices << matrix;
        for (int i = 0; i < 4; ++i) {
            CPatchedFixture* member = rig.Patch(par0, 3, 3 * i);
            member->m_matrixId = 9;
            // The item lies elsewhere; the file places a member by its cell.
            member->AddPosition(999, 999);
            matrix->AddMember(member, QRect(20 * (i % 2), 20 * (i / 2), 20, 20));
        }
        matrix->OrderMembers();

        CGroup* general = project.m_generalGroup;
        general->m_layoutRect = QRect(0, 0, 800, 600);
        general->m_zoom = 0.75f;
        general->m_scrollX = 12;
        general->m_backColor = QColor(10, 20, 30);
        general->m_beamFlags[1] = {true};
        general->m_selectedFixtures = {b1};

        group->AddFixture(a2);
        group->AddFixture(c1);
        group->AddFixture(project.m_generalGroup->m_fixtures[4]);
        group->m_matrices << matrix;
        // A page that is not the current one, linked by its place in the list.
        project.m_pages << new CPage(project, QStringLiteral("Linked"));
        group->m_page = project.m_pages.last();
        group->m_triggers.ParseShortCut(QStringLiteral("F5"));
        group->m_zoom = 1.5f;
        group->m_scrollY = 40;
        group->m_drawGrid = true;
        group->m_magnetGrid = true;
        group->m_backImage = QStringLiteral("stage.png");
        group->m_drawBackImage = true;
        group->m_imageMode = 2;
        group->m_commonPositions = true;
        group->m_viewRect = QRect(5, 6, 100, 50);
        group->m_beamFlags[1] = {true};
        group->m_selectedFixtures = {c1};
        auto* sub = new CSubGroup;
        sub->m_fixtures = {a2, c1};
        sub->m_beamFlags = {{true}, {false}};
        group->m_subGroups << sub;
        CPresetConfig* config = group->GetPresetConfig(spot, 1, 0);
        config->m_x = 3;
        config->m_y = 4;
        config->m_displayType = 1;
        config->m_displaySize = 2;
        config->m_presetDisplayType = 5;
        general->GetPresetConfig(nullptr, 7, 1)->m_x = 11;

        project.m_dmxConfig << new CDmxConfigRecord{2, 0, 0, -1, -1, -1};
        project.m_dmxConfig << new CDmxConfigRecord{1, 2, 3, 4, 5, 6};
        project.UpdateAfterPatch(true, false);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Open gives back the show that was saved, and saving the opened show
    // writes the same document. Two modes of one profile stay two blocks
    // with their own channels, however often the show is saved.
    void roundTripKeepsParamsPatchAndGroups()
    {
        CPlaybackRig rig;
        BuildShow(rig);
        rig.host.outputMode = 2;
        rig.host.layoutView = true;
        rig.host.layoutMoveLocked = true;
        // Members placed at their cells, as saving places them.
        for (CPatchedFixture* member : rig.project.m_generalGroup->m_matrices[0]->Members())
            member->SetPosition(0, rig.project.m_generalGroup->m_matrices[0]->CellOfFixture(member));
        // A1 and B1 are not in Front, whose plan never shows them: the file
        // keeps their general place there.
        for (int id : {1, 2}) {
            CPatchedFixture* outside = rig.project.m_generalGroup->FindFixture(id);
            outside->SetPosition(1, outside->Position(0));
        }
        const QStringList before = Describe(rig.project);

        const QString first = Path(QStringLiteral("round1.kv3"));
        QVERIFY(rig.project.SaveProject(first));
        QVERIFY(rig.host.calls.contains(QLatin1String("StoreGroupView")));
        QVERIFY(rig.host.calls.contains(QLatin1String("StoreDeviceConfig")));

        rig.host.layoutMoveLocked = false;
        rig.host.calls.clear();
        QVERIFY(rig.project.OpenProject(first));
        const QStringList after = Describe(rig.project);
        for (int i = 0; i < qMax(after.size(), before.size()); ++i)
            QCOMPARE(after.value(i), before.value(i));
        QCOMPARE(rig.project.m_loadedDmxMode, 2);
        // Front's three fixtures and its matrix.
        QCOMPARE(CShowBounds::Held(rig.project, CShowBounds::GroupMembers), qint64(4));
        QVERIFY(rig.host.layoutMoveLocked);
        QCOMPARE(rig.host.calls.filter(QStringLiteral("OnProjectLoaded")).size(), 1);
        QVERIFY(!rig.host.calls.contains(QLatin1String("WaitAfterLoadError")));
        QCOMPARE(rig.project.m_invertedFixtures.size(), 1);
        QCOMPARE(rig.project.m_invertedFixtures[0]->m_id, 4);
        QVERIFY(rig.project.m_hasInvertedFixtures);

        const QString second = Path(QStringLiteral("round2.kv3"));
        QVERIFY(rig.project.SaveProject(second));
        QCOMPARE(CanonicalFile(second), CanonicalFile(first));
        QVERIFY(rig.project.OpenProject(second));
        QCOMPARE(Describe(rig.project), before);
    }

    void newProjectWritesItsFixedSections()
    {
        CPlaybackRig rig;
        const QString path = Path(QStringLiteral("new.kv3"));
        QVERIFY(rig.project.SaveProject(path));
        CXmlDocument doc;
        const QDomElement root = LoadRoot(path, doc);
        QCOMPARE(root.tagName(), QStringLiteral("ZKFile"));
        QCOMPARE(root.attribute(QStringLiteral("Version")), QStringLiteral("2.0"));
        QCOMPARE(root.attributes().count(), 1);
        QStringList sections;
        for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            sections << e.tagName();
        sections.removeAll(QStringLiteral("ZKTimeLines")); // written when the program has a timeline
        QCOMPARE(sections, QStringList({"ZKParams", "ZKGroups", "ZKPages", "ZKFadingButs"}));
        const QDomElement params = root.firstChildElement(QStringLiteral("ZKParams"));
        QVERIFY(!params.hasAttribute(QStringLiteral("ZKDmxConfig")));
        QVERIFY(!params.hasAttribute(QStringLiteral("ZKSceneMoveLocked"))); // no layout view
        QCOMPARE(params.attribute(QStringLiteral("ZKDmxMode")), QStringLiteral("0"));
        const QDomElement groups = root.firstChildElement(QStringLiteral("ZKGroups"));
        QCOMPARE(groups.attribute(QStringLiteral("ZKNumber")), QStringLiteral("1"));
        QCOMPARE(Children(groups, QStringLiteral("ZKGlobalGroup")).size(), 1);
        QVERIFY(Children(groups, QStringLiteral("ZKGroup")).isEmpty());
        const QDomElement global = groups.firstChildElement();
        QVERIFY(!global.hasAttribute(QStringLiteral("ZKGrpSel")));
        QVERIFY(!global.firstChildElement(QStringLiteral("ZKPresetConfigs")).isNull());
    }

    void patchBlocksFollowLibraryProfilesAndMatrices()
    {
        CPlaybackRig rig;
        BuildShow(rig);
        CProject& project = rig.project;
        // A fixture whose matrix no longer exists is still written, once.
        CPatchedFixture* stray = rig.Patch(project.m_library[0], 0, 50);
        stray->m_matrixId = 77;
        project.UpdateAfterPatch(true, false);

        const QString path = Path(QStringLiteral("blocks.kv3"));
        QVERIFY(project.SaveProject(path));
        CXmlDocument doc;
        const QDomElement patch = LoadRoot(path, doc).firstChildElement(QStringLiteral("ZKPatch"));
        QCOMPARE(patch.attribute(QStringLiteral("ZKNumber")), QStringLiteral("9"));
        QStringList blocks;
        for (const QDomElement& block : Children(patch, QStringLiteral("ZKFixtures"))) {
            const QDomElement library = block.firstChildElement(QStringLiteral("ZKLibrary"));
            QCOMPARE(block.firstChildElement().tagName(), QStringLiteral("ZKLibrary"));
            const QDomElement mode =
                library.firstChildElement(QStringLiteral("ZKProfile")).firstChildElement(QStringLiteral("ZKModes"));
            QCOMPARE(mode.attribute(QStringLiteral("ZKNbMode")), QStringLiteral("1"));
            QStringList ids;
            for (const QDomElement& fixture : Children(block, QStringLiteral("ZKFixture")))
                ids << fixture.attribute(QStringLiteral("ZKId"));
            blocks << QStringLiteral("%1 m%2 ch%3: %4")
                          .arg(library.attribute(QStringLiteral("ZKName")), library.attribute(QStringLiteral("ZKMatrixId")),
                               mode.firstChildElement().attribute(QStringLiteral("ZKNbChannel")), ids.join(QLatin1Char(',')));
        }
        // General list after sorting: A1 (0/0), A2 (0/3), stray (0/50),
        // B1 (1/10), C1 (2/100), members (3/0..9).
        QCOMPARE(blocks, QStringList({"Led/Par.kvp m-1 ch3: 1,3,9", "Heads/Spot.kvp m-1 ch5: 2",
                                      "Led/Par.kvp m-1 ch4: 4", "Led/Par.kvp m9 ch3: 5,6,7,8"}));
        const QDomElement matrix = Children(patch, QStringLiteral("ZKFixtures"))[3]
                                       .firstChildElement(QStringLiteral("ZKLibrary"))
                                       .firstChildElement(QStringLiteral("ZKMatrix"));
        QCOMPARE(matrix.attribute(QStringLiteral("ZKMatrixSizeX")), QStringLiteral("2"));
        QCOMPARE(matrix.attribute(QStringLiteral("ZKMatrixSizeY")), QStringLiteral("2"));
        QCOMPARE(matrix.attribute(QStringLiteral("ZKPosition")), QStringLiteral("300;310|40;50"));
        // After saving each member sits at its cell in the general group.
        for (int i = 0; i < 4; ++i)
            QCOMPARE(project.m_generalGroup->FindFixture(5 + i)->Position(0), QPoint(20 * (i % 2), 20 * (i / 2)));
        const QDomElement a1 = Children(patch, QStringLiteral("ZKFixtures"))[0].firstChildElement(QStringLiteral("ZKFixture"));
        // A1 is not in Front: its general place stands there too, one run of
        // two places. A2 is.
        QCOMPARE(a1.attribute(QStringLiteral("ZKPosition")), QStringLiteral("10;20*2"));
        const QDomElement a2 = Children(Children(patch, QStringLiteral("ZKFixtures"))[0], QStringLiteral("ZKFixture"))[1];
        QCOMPARE(a2.attribute(QStringLiteral("ZKPosition")), QStringLiteral("30;60|-15;21"));
        QCOMPARE(a1.attribute(QStringLiteral("ZKInvPan")), QStringLiteral("0"));
    }

    void groupAttributesFollowTheLayout()
    {
        CPlaybackRig rig;
        BuildShow(rig);
        CProject& project = rig.project;
        // A fixture of three beams with the second one selected.
        auto* triple = new CLibraryProfile;
        triple->m_path = QStringLiteral("Bar.kvp");
        ProfileBuilder::SetBeams(*triple, {{0, 0}, {1, 0}, {2, 0}});
        for (int beam = 0; beam < 3; ++beam)
            ProfileBuilder::AddDimmer(*triple, ProfileBuilder::Beams({beam}));
        triple->UpdateRoles();
        project.m_library << triple;
        CPatchedFixture* bar = rig.Patch(triple, 0, 200);
        CGroup* frontGroup = project.m_groups[1];
        frontGroup->AddFixture(bar);
        frontGroup->m_beamFlags.last() = {false, true, false};
        frontGroup->m_viewRect = QRect();

        const QString path = Path(QStringLiteral("groups.kv3"));
        QVERIFY(project.SaveProject(path));
        CXmlDocument doc;
        const QDomElement groups = LoadRoot(path, doc).firstChildElement(QStringLiteral("ZKGroups"));
        QCOMPARE(groups.attribute(QStringLiteral("ZKNumber")), QStringLiteral("2"));
        const QDomElement global = groups.firstChildElement(QStringLiteral("ZKGlobalGroup"));
        QCOMPARE(global.attribute(QStringLiteral("ZKSceneColorBack")), QString::number(10 + 256 * 20 + 65536 * 30));
        const QDomElement front = groups.firstChildElement(QStringLiteral("ZKGroup"));
        QCOMPARE(front.attribute(QStringLiteral("ZKFixtures")), QStringLiteral("3|4|5|9"));
        QCOMPARE(front.attribute(QStringLiteral("ZKMatrix")), QStringLiteral("9"));
        QCOMPARE(front.attribute(QStringLiteral("ZKZoom")), QStringLiteral("150"));
        QVERIFY(!front.hasAttribute(QStringLiteral("ZKCropRect")));
        QCOMPARE(front.attribute(QStringLiteral("ZKGrpSel")), QStringLiteral("4;1|9;0;1;0"));
        const QDomElement subs = front.firstChildElement(QStringLiteral("ZKSubGroups"));
        QCOMPARE(subs.attribute(QStringLiteral("ZKNumber")), QStringLiteral("1"));
        QCOMPARE(subs.firstChildElement().attribute(QStringLiteral("ZKBeams")), QStringLiteral("3;1|4;0"));
        QCOMPARE(subs.nextSiblingElement().tagName(), QStringLiteral("ZKPresetConfigs"));
        // The null profile's entry comes first, even when it holds nothing.
        const QDomElement config =
            front.firstChildElement(QStringLiteral("ZKPresetConfigs")).firstChildElement().nextSiblingElement();
        QCOMPARE(config.attribute(QStringLiteral("ZKFixtPath")), kSpotPath);
        QCOMPARE(config.firstChildElement().attribute(QStringLiteral("ZKPrDisplayType")), QStringLiteral("5"));
        const QDomElement nullConfig = global.firstChildElement(QStringLiteral("ZKPresetConfigs")).firstChildElement();
        QVERIFY(nullConfig.hasAttribute(QStringLiteral("ZKFixtPath")));
        QCOMPARE(nullConfig.attribute(QStringLiteral("ZKFixtPath")), QString());
        const QDomElement params = LoadRoot(path, doc).firstChildElement(QStringLiteral("ZKParams"));
        QCOMPARE(params.attribute(QStringLiteral("ZKDmxConfig")), QStringLiteral("2;0;0;-1;-1;-1|1;2;3;4;5;6"));
    }

    // Layout places as a file lists them: a record a place, or a run of
    // equal places after "*"; records the reader cannot take are skipped,
    // and no item reads more places than a show has groups.
    void placeRecords_data()
    {
        Columns<QString, int, QString>("text", "maxPlaces", "runs");
        QTest::newRow("one a record, as earlier builds wrote") << "5;6|7;8|7;8" << 9 << "5;6*1 7;8*2";
        QTest::newRow("runs") << "5;6*3|-7;8|-7;8*2|5;6" << 9 << "5;6*3 -7;8*3 5;6*1";
        QTest::newRow("counts that are no count") << "1;1*0|2;2*-3|3;3*|4;4*x|5;5*2" << 9 << "5;5*2";
        QTest::newRow("records without x") << ";9|1;2*2|*4|9" << 9 << "1;2*2";
        QTest::newRow("no more places than groups") << "1;1*3|2;2*5000|3;3" << 5 << "1;1*3 2;2*2";
        QTest::newRow("a count past any int") << "1;1*99999999999|2;2" << 4097 << "2;2*1";
        QTest::newRow("nothing") << "" << 9 << "";
    }
    void placeRecords()
    {
        const auto [text, maxPlaces, runs] = Row<QString, int, QString>("text", "maxPlaces", "runs");
        const CProjectFileV3::PlaceRuns parsed = CProjectFileV3::StringToPlaces(text, maxPlaces);
        QStringList read;
        for (const auto& run : parsed)
            read << QStringLiteral("%1;%2*%3").arg(run.first.x()).arg(run.first.y()).arg(run.second);
        QCOMPARE(read.join(QLatin1Char(' ')), runs);
        // What the writer makes of them reads back the same.
        if (!parsed.isEmpty())
            QCOMPARE(CProjectFileV3::StringToPlaces(CProjectFileV3::PlacesToString(parsed), maxPlaces), parsed);
    }

    // A file made by hand from the layout, not by our writer.
    void handWrittenFileOpens()
    {
        const QString path = Path(QStringLiteral("hand.kv3"));
        QVERIFY(WriteProjectXml(
            path,
            File(QStringLiteral("<ZKParams ZKDmxConfig=\"2;0;0;-1;-1;-1|1;2|;;;;;|9;8;7;6;5;4;3\" ZKDmxMode=\"1\"/>"
                                "<ZKPatch ZKNumber=\"4\">"
                                "<ZKFixtures><ZKLibrary ZKName=\"ignored.kvp\" ZKMatrixId=\"-1\">%1</ZKLibrary>"
                                "<ZKFixture ZKName=\"Wash\" ZKAddress=\"509\" ZKUniverse=\"3\" ZKId=\"12\" ZKInvTilt=\"1\""
                                " ZKPosition=\"5;6|;9|7;8\"/>"
                                "<ZKFixture ZKId=\"13\"/></ZKFixtures>"
                                "<ZKFixtures><ZKLibrary ZKMatrixId=\"4\">%1"
                                "<ZKMatrix ZKMatrixSizeX=\"2\" ZKMatrixSizeY=\"1\" ZKPosition=\"100;200\"/></ZKLibrary>"
                                "<ZKFixture ZKId=\"21\" ZKAddress=\"3\" ZKPosition=\"20;0\"/>"
                                "<ZKFixture ZKId=\"20\" ZKPosition=\"0;0\"/></ZKFixtures>"
                                "</ZKPatch>"
                                "<ZKGroups ZKNumber=\"2\">"
                                "<ZKGlobalGroup ZKName=\"All\" ZKZoom=\"150\" ZKSceneRectX=\"640\" ZKSceneRectY=\"480\""
                                " ZKGrpSel=\"12;1|20;1;1|21;1\"/>"
                                "<ZKGroup ZKName=\"Pair\" ZKFixtures=\"13|99|12\" ZKMatrix=\"4|5\" ZKCropRect=\"1;2;30;40\""
                                " ZKSceneImageBack=\"\" ZKSceneDrawImageBack=\"1\"/>"
                                "</ZKGroups>")
                     .arg(EmbeddedProfile(QStringLiteral("Led/Rgb.kvp"), kRgb)))));
        CPlaybackRig rig;
        QVERIFY(rig.project.OpenProject(path));
        CProject& project = rig.project;
        CGroup* general = project.m_generalGroup;

        // Records of another field count are skipped; empty fields read as 0.
        QCOMPARE(project.m_dmxConfig.size(), 2);
        QCOMPARE(project.m_dmxConfig[0]->m_portBUniverse, -1);
        QCOMPARE(project.m_dmxConfig[1]->m_portADirection, 0);
        QCOMPARE(project.m_dmxConfig[1]->m_secondaryPortBUniverse, 0);
        QCOMPARE(project.m_loadedDmxMode, 1);
        QCOMPARE(project.m_library.size(), 2);
        QCOMPARE(project.m_library[0]->m_path, QStringLiteral("Led/Rgb.kvp"));

        // Sorted by universe and address: 13 (0/0), 20 (0/0), 21 (0/3), 12 (3/509).
        QCOMPARE(Ids(general->m_fixtures), QStringLiteral("13,20,21,12"));
        const CPatchedFixture* wash = general->FindFixture(12);
        QCOMPARE(wash->m_name, QStringLiteral("Wash"));
        QCOMPARE(wash->m_address, 509);
        QVERIFY(wash->m_invertTilt && !wash->m_invertPan);
        QCOMPARE(wash->PositionCount(), 2); // ";9" has no x and is skipped
        QCOMPARE(wash->Position(1), QPoint(7, 8));
        QCOMPARE(general->FindFixture(13)->m_name, QString());
        QCOMPARE(general->FindFixture(13)->m_matrixId, -1);

        QCOMPARE(general->m_matrices.size(), 1);
        const CFixtureMatrix* matrix = general->m_matrices[0];
        QCOMPARE(matrix->Id(), 4);
        QCOMPARE(matrix->Position(0), QPoint(100, 200));
        QCOMPARE(Ids(matrix->Members()), QStringLiteral("20,21")); // ordered by cell
        QCOMPARE(matrix->MemberCell(1), QRect(20, 0, 20, 20));
        QCOMPARE(general->FindFixture(21)->m_matrixId, 4);

        QCOMPARE(general->m_name, QStringLiteral("All"));
        QCOMPARE(general->m_zoom, 1.5f);
        QCOMPARE(general->m_layoutRect, QRect(0, 0, 640, 480));
        // "20;1;1" has two flags for a one-beam fixture: not a selection.
        QCOMPARE(Ids(general->m_selectedFixtures), QStringLiteral("12,21"));
        QCOMPARE(Ids(general->m_selectedMatrices), QStringLiteral("4"));
        QCOMPARE(general->m_beamFlags[general->IndexOfFixture(general->FindFixture(20))], QList<bool>({false}));

        QCOMPARE(project.m_groups.size(), 2);
        CGroup* pair = project.m_groups[1];
        QCOMPARE(pair->m_name, QStringLiteral("Pair"));
        QCOMPARE(Ids(pair->m_fixtures), QStringLiteral("13,12"));
        QCOMPARE(Ids(pair->m_matrices), QStringLiteral("4"));
        QCOMPARE(pair->m_viewRect, QRect(1, 2, 30, 40));
        QVERIFY(!pair->m_drawBackImage); // nothing to draw
        QCOMPARE(pair->m_zoom, 1.0f);
    }

    // The pages section belongs to the show, but the file may lack it.
    void fileWithoutPagesOpensWithOnePageScenes()
    {
        const QString path = Path(QStringLiteral("nopages.kv3"));
        QVERIFY(WriteProjectXml(path, File(QStringLiteral("<ZKParams/>"))));
        CPlaybackRig rig;
        rig.AddScene(QStringLiteral("Old"));
        QVERIFY(rig.project.OpenProject(path));
        QCOMPARE(rig.project.m_pages.size(), 1);
        QCOMPARE(rig.project.m_pages[0]->m_name, QStringLiteral("Scenes"));
        QVERIFY(rig.project.m_pages[0]->m_scenes.isEmpty());
        QCOMPARE(rig.project.m_firstPage, rig.project.m_pages[0]);
        QCOMPARE(rig.project.m_currentPage, rig.project.m_pages[0]);
        QCOMPARE(rig.project.m_generalGroup->m_name, QStringLiteral("General"));
        QCOMPARE(rig.project.m_currentGroup, rig.project.m_generalGroup);
    }

    void suffixChoosesTheReader_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("current");
        QTest::newRow("kv3") << "a.kv3" << true;
        QTest::newRow("upper case") << "b.KV3" << true;
        QTest::newRow("mixed case") << "c.Kv3" << true;
        QTest::newRow("older format") << "d.kv2" << false;
        QTest::newRow("no suffix") << "e" << false;
        QTest::newRow("kv3 inside the name") << "f.kv3.bak" << false;
    }

    void suffixChoosesTheReader()
    {
        QFETCH(QString, name);
        QFETCH(bool, current);
        const QString path = Path(name);
        QVERIFY(WriteProjectXml(path, File(QStringLiteral("<ZKGroups><ZKGlobalGroup ZKName=\"Read\"/></ZKGroups>"))));
        CPlaybackRig rig;
        // The older reader reads the file too, but its layout has no groups.
        QVERIFY(rig.project.OpenProject(path));
        QCOMPARE(rig.project.m_generalGroup->m_name, current ? QStringLiteral("Read") : QStringLiteral("General"));
        QVERIFY(!rig.host.calls.contains(QLatin1String("WaitAfterLoadError")));
        QVERIFY(IsNewEmptyProject(rig.project));
    }

    void universeQuestionRefusesTheFile_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("universesAfter");
        QTest::newRow("yes") << int(CShowHost::Yes) << 5;
        QTest::newRow("no") << int(CShowHost::No) << 4;
    }

    void universeQuestionRefusesTheFile()
    {
        QFETCH(int, answer);
        QFETCH(int, universesAfter);
        const QString path = Path(QStringLiteral("universe4.kv3"));
        QVERIFY(WriteProjectXml(path, File(QStringLiteral("<ZKPatch><ZKFixtures><ZKLibrary>%1</ZKLibrary>"
                                                          "<ZKFixture ZKId=\"1\" ZKUniverse=\"2\"/>"
                                                          "<ZKFixture ZKId=\"2\" ZKUniverse=\"4\"/>"
                                                          "</ZKFixtures></ZKPatch>")
                                               .arg(EmbeddedProfile(QStringLiteral("P.kvp"), kRgb)))));
        CPlaybackRig rig;
        rig.host.answer = answer;
        QVERIFY(!rig.project.OpenProject(path));
        const QStringList asked = rig.host.calls.filter(QStringLiteral("AskQuestion:"));
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].startsWith(QLatin1String("AskQuestion:Warning:The curent show is using more DMX universes")));
        QVERIFY(asked[0].endsWith(QLatin1String("?\nYou must restart the software to apply the new configuration.")));
        QVERIFY(rig.host.calls.indexOf(QStringLiteral("CloseSplash")) < rig.host.calls.indexOf(asked[0]));
        QCOMPARE(rig.host.universeCount, universesAfter);
        // A refusal is no load error: no pause.
        QVERIFY(!rig.host.calls.contains(QLatin1String("WaitAfterLoadError")));
        QVERIFY(IsNewEmptyProject(rig.project));
        QCOMPARE(rig.project.UniverseCount(), 4);
    }

    void damagedFilesEndInANewProject_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = qCompress(File(QStringLiteral("<ZKParams/>")).toUtf8());
        QByteArray huge = good;
        huge[0] = char(0x7f); // claims almost 2 GB once uncompressed
        QByteArray flipped = good;
        flipped[10] = char(flipped[10] ^ 0x55);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not compressed") << File(QStringLiteral("<ZKParams/>")).toUtf8();
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("size header only") << good.left(4);
        QTest::newRow("damaged stream") << flipped;
        QTest::newRow("huge size") << huge;
        QTest::newRow("wrong root") << qCompress(QByteArray("<ZKProfile/>"));
        QTest::newRow("not xml") << qCompress(QByteArray("ZKFile"));
        QTest::newRow("unclosed") << qCompress(QByteArray("<ZKFile><ZKParams>"));
        QTest::newRow("damaged page after a good one")
            << qCompress(QByteArray("<ZKFile><ZKPages><ZKPage/><ZKPage><ZKScenes></ZKPage></ZKPages></ZKFile>"));
    }

    void damagedFilesEndInANewProject()
    {
        QFETCH(QByteArray, bytes);
        const QString path = Path(QStringLiteral("damaged.kv3"));
        QVERIFY(WriteBytes(path, bytes));
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 0, 0);
        QVERIFY(!rig.project.OpenProject(path));
        const QStringList shown = rig.host.calls.filter(QStringLiteral("ShowSplashMessage:"));
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].size() > QStringLiteral("ShowSplashMessage:").size());
        const int wait = rig.host.calls.indexOf(QStringLiteral("WaitAfterLoadError"));
        QVERIFY(wait > rig.host.calls.indexOf(shown[0]));
        QVERIFY(IsNewEmptyProject(rig.project));
        QVERIFY(rig.host.calls.lastIndexOf(QStringLiteral("OnProjectLoaded")) > wait);
    }

    // Scenes keep masks of each universe they mark, fixtures a flag per
    // beam: a small file whose scenes mark every one of 256 universes, or of
    // a profile of thousands of beams, is refused before they are made.
    void showsTooLargeForMemoryAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("body");
        QString masks;
        for (int u = 0; u < 256; ++u)
            masks += QStringLiteral("<ZKActivUniverse ZKUniverse=\"%1\" ZKActivBuffer=\"01\"/>").arg(u);
        const QString scene = QStringLiteral("<ZKScene><ZKActivUniverses>%1</ZKActivUniverses></ZKScene>").arg(masks);
        QTest::newRow("scenes marking every universe")
            << "large.kv3"
            << QStringLiteral("<ZKPages><ZKPage><ZKScenes>%1</ZKScenes></ZKPage></ZKPages>").arg(scene.repeated(int(CShowBounds::kMaxUniverseBufferBytes / (256 * 1024)) + 4));
        // 131073 fixtures of the 256 beams a profile keeps: far over the
        // bound of flags.
        const QString beamsPatch =
            QStringLiteral("<ZKPatch><ZKFixtures><ZKLibrary><ZKProfile><ZKProperties><ZKBeams>%1</ZKBeams>"
                           "</ZKProperties><ZKModes><ZKMode><ZKChannel/></ZKMode></ZKModes></ZKProfile></ZKLibrary>"
                           "%2</ZKFixtures></ZKPatch>")
                .arg(QStringLiteral("<ZKBeam/>").repeated(256), QStringLiteral("<ZKFixture/>").repeated(131073));
        QTest::newRow("fixtures of many beams") << "large.kv3" << beamsPatch;
        QTest::newRow("fixtures of many beams, older format") << "large.kv2" << beamsPatch;
    }
    void showsTooLargeForMemoryAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, body);
        const QString path = Path(name);
        QVERIFY(WriteProjectXml(path, File(body)));
        CPlaybackRig rig(256);
        QVERIFY(!rig.project.OpenProject(path));
        QVERIFY(rig.host.calls.contains(QStringLiteral("ShowSplashMessage:") + CShowBounds::BuffersTooLarge()));
        QVERIFY(IsNewEmptyProject(rig.project));
    }

    // An earlier build wrote the mask of every universe in use into a
    // document of up to 64 MB: one whose scenes mark a slot of all 256
    // universes in that much text (some 110,000 masks) opens.
    void masksAnEarlierBuildCouldSaveOpen()
    {
        const QByteArray mask = '1' + QByteArray(511, '0');
        QByteArray masks;
        for (int u = 0; u < 256; ++u)
            masks += "<ZKActivUniverse ZKUniverse=\"" + QByteArray::number(u) + "\" ZKActivBuffer=\"" + mask + "\"/>\n";
        const QByteArray scene = "<ZKScene><ZKActivUniverses>" + masks + "</ZKActivUniverses></ZKScene>";
        const int scenes = int((CXmlDocument::kMaxDocumentBytes - 4096) / scene.size());
        const QString path = Path(QStringLiteral("masks.kv3"));
        QVERIFY(WriteBytes(path, qCompress(File(QStringLiteral("<ZKPages><ZKPage><ZKScenes>%1</ZKScenes></ZKPage></ZKPages>"))
                                               .toUtf8()
                                               .replace("%1", scene.repeated(scenes)))));
        CPlaybackRig rig(256);
        QVERIFY(rig.project.OpenProject(path));
        QCOMPARE(rig.Page()->m_scenes.size(), scenes);
        QCOMPARE(CShowBounds::BufferBytesHeld(rig.project) - CShowBounds::BeamFlagBytes(rig.project),
                 CShowBounds::UniverseBufferBytes(CShowBounds::kSceneBuffers) * 256 * scenes);
    }

    // A page or scene is named by its place in a list; a "number" that is no
    // whole number names none (read as an int, text would be 0, the first):
    // a group's page, a crossfade button's and a timeline block's page and
    // scene, a scene's jump.
    void pageAndSceneNumbersLinkOnlyWholeNumbers_data()
    {
        Columns<QString, QString>("number", "linked");
        for (const char* number : {"abc", "", "3x", "0x1", "1.5", "2147483648", "-1", "2"})
            QTest::newRow(number) << QString::fromLatin1(number) << "- - - - -";
        QTest::newRow("0") << "0" << "A a0 b0 a1 a0";
        QTest::newRow("1") << "1" << "B b1 b1 b1 a1";
        QTest::newRow("1 among spaces") << " 1 " << "B b1 b1 b1 a1";
    }
    void pageAndSceneNumbersLinkOnlyWholeNumbers()
    {
        const auto [number, linked] = Row<QString, QString>("number", "linked");
        const QString path = Path(QStringLiteral("pages.kv3"));
        const auto scenes = [](const QString& page, const QString& jump) {
            return "<ZKScenes><ZKScene ZKName=\"" + page + "0\" ZKJump=\"" + jump + "\"/><ZKScene ZKName=\"" + page
                + "1\"/></ZKScenes>";
        };
        // Each reference once with the number as its page, once as its scene.
        const QString references = QStringLiteral("ZKFBScPage=\"%1\" ZKFBScScene=\"%1\"/>"
                                                  "<ZKFBSceneIn ZKFBScPage=\"1\" ZKFBScScene=\"%1\"/>"
                                                  "<ZKFBSceneIn ZKFBScPage=\"%1\" ZKFBScScene=\"1\"/>");
        const QString timeBlocks = QStringLiteral("<ZKTimeBlock ZKTBPage=\"%1\" ZKTBScene=\"%1\"/>"
                                                  "<ZKTimeBlock ZKTBPage=\"1\" ZKTBScene=\"%1\"/>"
                                                  "<ZKTimeBlock ZKTBPage=\"%1\" ZKTBScene=\"1\"/>");
        const QString xml = QStringLiteral("<ZKGroups><ZKGlobalGroup ZKPage=\"%1\"/><ZKGroup ZKName=\"G\" ZKPage=\"%1\"/>"
                                           "</ZKGroups><ZKPages><ZKPage ZKName=\"A\">%2</ZKPage>"
                                           "<ZKPage ZKName=\"B\">%3</ZKPage></ZKPages>"
                                           "<ZKFadingButs><ZKFadingBut ZKName=\"F\"><ZKFBScenesIn><ZKFBSceneIn %4"
                                           "</ZKFBScenesIn></ZKFadingBut></ZKFadingButs>"
                                           "<ZKTimeLines><ZKTimeLine ZKName=\"L\" Type=\"0\"><ZKTimeBlocks>%5"
                                           "</ZKTimeBlocks></ZKTimeLine></ZKTimeLines>")
                                .arg(number, scenes(QStringLiteral("a"), number), scenes(QStringLiteral("b"), QStringLiteral("-1")),
                                     references.arg(number),
                                     timeBlocks.arg(number));
        QVERIFY(WriteProjectXml(path, File(xml)));
        CPlaybackRig rig;
        QVERIFY(rig.project.OpenProject(path));
        const CProject& p = rig.project;
        QCOMPARE(p.m_groups.size(), 2);
        QCOMPARE(p.m_groups[1]->m_page, p.m_groups[0]->m_page);
        const auto name = [](const auto* named) { return named ? named->m_name : QStringLiteral("-"); };
        // Group page; the three references of the button, then of the
        // timeline line (what names nothing is left out); the jump.
        QList<CScene*> fadeIn = p.m_fadingButtons.value(0) ? p.m_fadingButtons[0]->m_fadeInScenes : QList<CScene*>();
        QList<CScene*> blocks;
        for (const CTimeBlock* block : p.m_timeLine.m_lines.value(0)->m_blocks)
            blocks << block->m_scene;
        QStringList found{name(p.m_groups[0]->m_page)};
        for (const QList<CScene*>& scenes : {fadeIn, blocks}) {
            for (int i = 0; i < 3; ++i)
                found << name(scenes.value(i, nullptr));
        }
        found << name(p.m_pages[0]->m_scenes[0]->m_jumpTarget);
        const QStringList expected = linked.split(QLatin1Char(' '));
        QCOMPARE(found, expected.mid(0, 4) + expected.mid(1, 3) + expected.mid(4));
    }

    // A fine or coarse flag whose partner is missing from the mode: the
    // channel is coarse from the open on, and a saved show saves again byte
    // for byte.
    void unpairedFineFlagsSaveAlike_data()
    {
        Columns<QString>("flag");
        QTest::newRow("fine, no partner") << "ZKChannelLSB=\"1\"";
        QTest::newRow("fine, partner past the mode") << "ZKChannelLSB=\"1\" ZKChannel16BitsIndex=\"9\"";
        QTest::newRow("fine, partner -1") << "ZKChannelLSB=\"1\" ZKChannel16BitsIndex=\"-1\"";
        QTest::newRow("coarse, no partner") << "ZKChannelMSB=\"1\"";
    }
    void unpairedFineFlagsSaveAlike()
    {
        const auto [flag] = Row<QString>("flag");
        const QString profile = EmbeddedProfile(QStringLiteral("Rgb.kvp"), kRgb);
        const QString path = Path(QStringLiteral("fine.kv3"));
        QVERIFY(WriteProjectXml(
            path, File(QStringLiteral("<ZKPatch><ZKFixtures><ZKLibrary ZKMatrixId=\"-1\">%1</ZKLibrary>"
                                      "<ZKFixture ZKId=\"1\"/></ZKFixtures></ZKPatch>")
                           .arg(QString(profile).replace(QStringLiteral("<ZKChannel ZKChannelType=\"%1\"/>")
                                                             .arg(ChannelType::Green),
                                                         QStringLiteral("<ZKChannel ZKChannelType=\"%1\" %2>"
                                                                        "<ZKPresets/></ZKChannel>")
                                                             .arg(ChannelType::Green)
                                                             .arg(flag))))));
        CPlaybackRig rig;
        QByteArray saves[2];
        for (QByteArray& saved : saves) {
            QVERIFY(rig.project.OpenProject(path));
            const CProfileChannelDef* green = rig.project.m_library.value(0)->GetChannel(1);
            QVERIFY(green && !green->m_lsb && !green->m_msb);
            QVERIFY(rig.project.SaveProject(path));
            saved = ReadBytes(path);
        }
        QCOMPARE(qUncompress(saves[1]), qUncompress(saves[0]));
    }

    // Records that cannot be trusted are dropped one by one; the rest of
    // the file opens.
    void badPatchRecordsAreDropped()
    {
        const QString rgb = EmbeddedProfile(QStringLiteral("Rgb.kvp"), kRgb);
        QString dmxConfig = QStringLiteral("0;0;0;0;0;0");
        for (int i = 0; i < 2000; ++i)
            dmxConfig += QStringLiteral("|1;1;1;1;1;1");
        const QString path = Path(QStringLiteral("bad.kv3"));
        QVERIFY(WriteProjectXml(
            path,
            File(QStringLiteral(
                     "<ZKParams ZKDmxConfig=\"%2\"/>"
                     "<ZKPatch>"
                     "<ZKFixtures><ZKFixture ZKId=\"1\"/></ZKFixtures>" // no library
                     "<ZKFixtures><ZKLibrary><ZKProfile/></ZKLibrary><ZKFixture ZKId=\"2\"/></ZKFixtures>"
                     "<ZKFixtures><ZKLibrary>%1</ZKLibrary>"
                     "<ZKFixture ZKId=\"3\" ZKUniverse=\"-1\"/>"
                     "<ZKFixture ZKId=\"4\" ZKUniverse=\"300\"/>"
                     "<ZKFixture ZKId=\"5\" ZKUniverse=\"2147483647\"/>"
                     "<ZKFixture ZKId=\"6\" ZKAddress=\"510\"/>"
                     "<ZKFixture ZKId=\"7\" ZKAddress=\"-3\"/>"
                     "<ZKFixture ZKId=\"8\" ZKAddress=\"2147483647\"/>"
                     "<ZKFixture ZKId=\"9\" ZKAddress=\"509\" ZKUniverse=\"1\"/>"
                     "<ZKFixture ZKId=\"10\" ZKAddress=\"12\" ZKUniverse=\"x\"/>"
                     "</ZKFixtures>"
                     "<ZKFixtures><ZKLibrary ZKMatrixId=\"5\">%1<ZKMatrix ZKMatrixSizeX=\"0\" ZKMatrixSizeY=\"3\"/>"
                     "</ZKLibrary><ZKFixture ZKId=\"11\" ZKAddress=\"20\"/></ZKFixtures>"
                     "<ZKFixtures><ZKLibrary ZKMatrixId=\"6\">%1"
                     "<ZKMatrix ZKMatrixSizeX=\"1000000\" ZKMatrixSizeY=\"-2\"/></ZKLibrary>"
                     "<ZKFixture ZKId=\"12\" ZKAddress=\"30\"/></ZKFixtures>"
                     "<ZKFixtures><ZKLibrary ZKMatrixId=\"7\">%1"
                     "<ZKMatrix ZKMatrixSizeX=\"100000\" ZKMatrixSizeY=\"2000000000\"/></ZKLibrary>"
                     "<ZKFixture ZKId=\"13\" ZKAddress=\"40\"/></ZKFixtures>"
                     "</ZKPatch>"
                     "<ZKGroups>"
                     "<ZKGlobalGroup ZKZoom=\"0\" ZKGrpSel=\"|;|abc|99;1|;1\" ZKSceneRectX=\"-2147483648\""
                     " ZKSceneRectY=\"2147483647\">"
                     "<ZKSubGroups><ZKSubGroup ZKBeams=\"9;1;1;1|9;0|11\"/><ZKSubGroup ZKBeams=\"11\"/>"
                     "<ZKSubGroup/><ZKSubGroup ZKBeams=\"12;0|99;1\"/></ZKSubGroups>"
                     "<ZKPresetConfigs><ZKProfileConfig ZKFixtPath=\"Nowhere.kvp\">"
                     "<ZKPresetConfig ZKChannel=\"2\" ZKChanIndType=\"1\" ZKPosX=\"8\"/>"
                     "<ZKPresetConfig ZKChannel=\"3\"/></ZKProfileConfig><ZKProfileConfig/></ZKPresetConfigs>"
                     "</ZKGlobalGroup>"
                     "<ZKGroup ZKName=\"Dup\" ZKFixtures=\"9|9|10|9|404|-1\" ZKMatrix=\"7|7|5\" ZKZoom=\"-2147483648\""
                     " ZKCropRect=\"1;2;3\"/>"
                     "<ZKGroup ZKCropRect=\"2147483647;-2147483648;2147483647;-2147483648\"/>"
                     "</ZKGroups>")
                     .arg(rgb, dmxConfig))));
        CPlaybackRig rig;
        QVERIFY(rig.project.OpenProject(path));
        CProject& project = rig.project;
        CGroup* general = project.m_generalGroup;

        // 9 is the last slot that fits three channels; "x" reads as universe 0.
        QCOMPARE(Ids(general->m_fixtures), QStringLiteral("10,11,12,13,9"));
        QCOMPARE(general->FindFixture(11)->m_matrixId, -1); // 0 x 3 is no matrix
        QCOMPARE(general->FindFixture(12)->m_matrixId, -1);
        QCOMPARE(general->m_matrices.size(), 1);
        QCOMPARE(general->m_matrices[0]->Columns(), CProjectFileV3::kMaxMatrixSide);
        QCOMPARE(general->m_matrices[0]->Rows(), CProjectFileV3::kMaxMatrixSide);
        QVERIFY(project.m_dmxConfig.size() < 1000);

        QCOMPARE(general->m_zoom, 0.01f);
        // Extreme rectangles are held where QRect's arithmetic stays exact.
        QCOMPARE(general->m_layoutRect.height(), 1 << 24);
        QCOMPARE(project.m_groups[2]->m_viewRect.left(), 1 << 24);
        QVERIFY(general->m_selectedFixtures.isEmpty());
        // Flags fitted to the one beam; unknown ids, records without flags
        // and empty sub-groups dropped.
        QCOMPARE(general->m_subGroups.size(), 2);
        QCOMPARE(Ids(general->m_subGroups[0]->m_fixtures), QStringLiteral("9"));
        QCOMPARE(general->m_subGroups[0]->m_beamFlags, QList<QList<bool>>({{true}}));
        QCOMPARE(general->m_subGroups[1]->m_beamFlags, QList<QList<bool>>({{false}}));
        // A configuration of a profile the file does not hold stays with
        // the null profile; one without its type is skipped.
        QCOMPARE(general->m_presetProfiles.size(), 1);
        QCOMPARE(general->m_presetProfiles[0], nullptr);
        QCOMPARE(general->m_presetConfigs[0].size(), 1);
        QCOMPARE(general->m_presetConfigs[0][0]->m_x, 8);

        CGroup* dup = project.m_groups[1];
        QCOMPARE(Ids(dup->m_fixtures), QStringLiteral("10,9"));
        QCOMPARE(dup->m_beamFlags.size(), 2);
        QCOMPARE(Ids(dup->m_matrices), QStringLiteral("7"));
        QCOMPARE(dup->m_zoom, 0.01f);
        QVERIFY(dup->m_viewRect.isNull());
    }

    // Fixtures left out of the patch take nothing else with them: a group
    // keeps every other member it lists, and a matrix whose every member
    // was left out goes with the references to it, so that the next save
    // writes what the open after it reads.
    void whatRemainsOfAPatchWithFixturesLeftOutSavesAlike_data()
    {
        Columns<QString, QString, QString, QString, int>("patch", "group", "members", "matrices", "leftOut");
        const QString rgb = EmbeddedProfile(QStringLiteral("Rgb.kvp"), kRgb);
        const QString free = QStringLiteral("<ZKFixtures><ZKLibrary ZKMatrixId=\"-1\">%1</ZKLibrary>"
                                            "<ZKFixture ZKId=\"1\" ZKUniverse=\"300\"/>"
                                            "<ZKFixture ZKId=\"2\" ZKAddress=\"3\"/>"
                                            "<ZKFixture ZKId=\"3\" ZKAddress=\"6\"/></ZKFixtures>")
                                 .arg(rgb);
        const QString matrices = QStringLiteral("<ZKFixtures><ZKLibrary ZKMatrixId=\"4\">%1"
                                                "<ZKMatrix ZKMatrixSizeX=\"2\" ZKMatrixSizeY=\"1\"/></ZKLibrary>"
                                                "<ZKFixture ZKId=\"7\" ZKAddress=\"511\"/>"
                                                "<ZKFixture ZKId=\"8\" ZKAddress=\"-1\"/></ZKFixtures>"
                                                "<ZKFixtures><ZKLibrary ZKMatrixId=\"6\">%1"
                                                "<ZKMatrix ZKMatrixSizeX=\"1\" ZKMatrixSizeY=\"1\"/></ZKLibrary>"
                                                "<ZKFixture ZKId=\"9\" ZKAddress=\"20\"/></ZKFixtures>")
                                     .arg(rgb);
        QTest::newRow("first member left out") << free << "ZKFixtures=\"1|2|3\"" << "2,3" << "" << 1;
        // A block's fixtures past its first go in parts of it, read apart;
        // without the block's profile, they are not patched either.
        const QString part = QStringLiteral("<ZKMoreFixtures><ZKFixturePart><ZKFixture ZKId=\"5\" ZKAddress=\"9\"/>"
                                            "</ZKFixturePart></ZKMoreFixtures></ZKFixtures>");
        QTest::newRow("a part of a block")
            << QString(free).replace(QLatin1String("</ZKFixtures>"), part) << "ZKFixtures=\"1|2|3|5\"" << "2,3,5" << ""
            << 1;
        QTest::newRow("a part of a block without its profile")
            << free + "<ZKFixtures>" + part << "ZKFixtures=\"1|2|3|5\"" << "2,3" << "" << 1;
        const QString matrix = QStringLiteral("<ZKFixtures><ZKLibrary ZKMatrixId=\"6\">%1"
                                              "<ZKMatrix ZKMatrixSizeX=\"2\" ZKMatrixSizeY=\"1\"/></ZKLibrary>"
                                              "<ZKFixture ZKId=\"7\" ZKAddress=\"511\"/>")
                                   .arg(rgb);
        QTest::newRow("a matrix's member in a part of its block")
            << free + matrix + part << "ZKFixtures=\"3|5|2\" ZKMatrix=\"6\"" << "2,3,5" << "6" << 2;
    }
    void whatRemainsOfAPatchWithFixturesLeftOutSavesAlike()
    {
        const auto [patch, group, members, matrices, leftOut] =
            Row<QString, QString, QString, QString, int>("patch", "group", "members", "matrices", "leftOut");
        // An effect scene of an effect on matrix 4.
        const QString effects = QStringLiteral("<ZKEffScenes><ZKEffScene ZKName=\"E\"><ZKEffect ZKEType=\"1\">"
                                               "<ZKEMatrix ZKMatrixId=\"4\"/></ZKEffect></ZKEffScene></ZKEffScenes>");
        const QString path = Path(QStringLiteral("leftout.kv3"));
        QVERIFY(WriteProjectXml(path, File(QStringLiteral("<ZKPatch>") + patch + QStringLiteral("</ZKPatch><ZKGroups>"
                                               "<ZKGlobalGroup/><ZKGroup ZKName=\"G\" ") + group +
                                           QStringLiteral("/></ZKGroups>") + effects)));
        QStringList saves;
        for (int round = 0; round < 3; ++round) {
            CPlaybackRig rig;
            QVERIFY(rig.project.OpenProject(round == 0 ? path : Path(QStringLiteral("saved%1.kv3").arg(round - 1))));
            QCOMPARE(rig.project.m_fixturesLeftOut, round == 0 ? leftOut : 0);
            QCOMPARE(rig.project.m_groups.size(), 2);
            QCOMPARE(Ids(rig.project.m_groups[1]->m_fixtures), members);
            QCOMPARE(Ids(rig.project.m_groups[1]->m_matrices), matrices);
            QCOMPARE(Ids(rig.project.m_generalGroup->m_matrices), matrices);
            const QString saved = Path(QStringLiteral("saved%1.kv3").arg(round));
            QVERIFY(rig.project.SaveProject(saved));
            saves << QString::fromUtf8(qUncompress(ReadBytes(saved)));
        }
        QVERIFY(!saves[0].contains(QLatin1String("ZKMatrixId=\"4\"")));
        QCOMPARE(saves[1], saves[0]);
        QCOMPARE(saves[2], saves[1]);
    }

    // A show past what the reader takes is not written, says why and keeps
    // the file saved before; a show just within it saves and opens again.
    void showsTheReaderWouldRefuseAreNotSaved_data()
    {
        Columns<int, int, quint32, QString>("past", "within", "seed", "reason");
        // Steps of 64 KB of text each, past 64 MB of text: a show's document
        // holds the text of every level the table allows, varying or not.
        QTest::newRow("levels that vary, past 64 MB of text") << 2049 << 1100 << 7u
                                                              << CShowBounds::FileAsksTooMany(CShowBounds::StepLevels);
        // Steps of 32768 levels, past 2^26 levels in all.
        QTest::newRow("step levels") << 2049 << 2047 << 0u << CShowBounds::FileAsksTooMany(CShowBounds::StepLevels);
    }
    void showsTheReaderWouldRefuseAreNotSaved()
    {
        const auto [past, within, seed, reason] = Row<int, int, quint32, QString>("past", "within", "seed", "reason");
        const QString path = Path(QStringLiteral("full.kv3"));
        CPlaybackRig rig(64);
        FillUniverses(rig, 1, seed);
        QVERIFY(rig.project.SaveProject(path));
        const QByteArray before = ReadBytes(path);

        FillUniverses(rig, past - 1, seed ? seed + 1 : 0);
        QString error;
        QVERIFY(!rig.project.SaveProject(path, &error));
        QCOMPARE(error, GetLangText(Txt::CannotWriteFile)
                            .arg(QDir::toNativeSeparators(path), GetLangText(Txt::WouldNotOpenAgain).arg(reason)));
        QCOMPARE(ReadBytes(path), before);
        {
            // A host that loads no language has no words for the reason.
            CNoLanguage noLanguage;
            QVERIFY(!rig.project.SaveProject(path, &error));
        }
        QCOMPARE(ReadBytes(path), before);

        QList<CSceneStep*>& steps = rig.Page()->m_scenes.first()->m_steps;
        while (steps.size() > within)
            delete steps.takeLast();
        // Weighed step by step as the reader builds it, the scene needs no
        // scan of the text to be cleared.
        const qint64 scanned = CXmlDocument::ReadWork().scanned;
        QVERIFY2(rig.project.SaveProject(path, &error), qPrintable(error));
        QCOMPARE(CXmlDocument::ReadWork().scanned, scanned);
        // Levels that vary take what a show's document holds for them.
        qint64 text = 1 << 20;
        for (CShowBounds::Kind kind : {CShowBounds::Steps, CShowBounds::StepEntries, CShowBounds::StepLevels})
            text += CShowBounds::Held(rig.project, kind) * CShowBounds::TextBytes(kind);
        QVERIFY(qUncompress(ReadBytes(path)).size() <= text);
        const CStepFixture* last = steps.last()->m_entries.last();
        CPlaybackRig opened(64);
        QVERIFY(opened.project.OpenProject(path));
        const CScene* scene = opened.Page()->m_scenes.value(0);
        QVERIFY(scene && scene->m_steps.size() == within);
        QCOMPARE(scene->m_steps.last()->m_entries.last()->Levels(), last->Levels());
    }

    // Pages are read one at a time, and a save weighs them so: a show whose
    // trees would pass the bound at once (some 360 MB, mostly attributes and
    // names) but not page by page saves and opens.
    void largeShowsOfManyPagesSave()
    {
        CPlaybackRig rig(1);
        const QString name(4800, QLatin1Char('n'));
        constexpr int kPages = 6, kScenes = 1360;
        for (int p = 0; p < kPages; ++p) {
            CPage* page = p == 0 ? rig.Page() : rig.project.AddPage(QStringLiteral("P%1").arg(p));
            for (int s = 0; s < kScenes; ++s)
                page->m_scenes << new CScene(name, 1);
        }
        const QString path = Path(QStringLiteral("pages.kv3"));
        QString error;
        QVERIFY2(rig.project.SaveProject(path, &error), qPrintable(error));
        QByteArray xml;
        QVERIFY(!CXmlDocument::ReadDocumentText(path, xml, error));
        QCOMPARE(error, GetLangText(Txt::DocumentNeedsTooMuchMemory).arg(CXmlDocument::kMaxTreeBytes >> 20));

        CPlaybackRig opened(1);
        QVERIFY(opened.project.OpenProject(path));
        QCOMPARE(opened.project.m_pages.size(), kPages);
        QCOMPARE(opened.project.m_pages.last()->m_scenes.size(), kScenes);
    }

    // QSaveFile: the old file is replaced only by a complete new one.
    void aFailedSaveKeepsThePreviousFile()
    {
        CPlaybackRig rig;
        BuildShow(rig);
        // The temporary file beside it gets a longer name than the file
        // system takes, whoever runs the test.
        const QString path = Path(QString(250, QLatin1Char('p')) + QStringLiteral(".kv3"));
        QVERIFY(WriteBytes(path, "previous"));
        QString error;
        QVERIFY(!rig.project.SaveProject(path, &error));
        QVERIFY(error.contains(QString(250, QLatin1Char('p'))));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("previous"));

        QVERIFY(!rig.project.SaveProject(Path(QStringLiteral("missing/dir/show.kv3")), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(Path(QStringLiteral("missing"))));
        // The project itself is untouched by a failed save.
        QCOMPARE(rig.project.m_generalGroup->m_fixtures.size(), 8);
    }
};

ORVANE_TEST(ProjectFileTest)
#include "ProjectFileTest.moc"
