#include "show/ProjectFileV3.h"

#include "model/FixtureMatrix.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowHost.h"

#include <QStringList>
#include <QVector>

namespace {

// One record per DMX interface; no machine has more interfaces than this.
constexpr int kMaxDmxConfigRecords = 256;

} // namespace

// ---- Container ----

QDomElement& CProjectFileV3::Create(const QString& tag, int parent, int kind)
{
    QDomElement below;
    if (parent == RootParent)
        below = m_element[RootSlot];
    else if (parent >= 0 && parent < HandleCount)
        below = m_handles[parent];
    if (below.isNull())
        below = m_element[CurrentSlot];
    AddElement(tag, below);
    if (kind >= 0 && kind < HandleCount)
        m_handles[kind] = m_element[CurrentSlot];
    return m_element[CurrentSlot];
}

bool CProjectFileV3::SelectHandle(Handle handle)
{
    if (m_handles[handle].isNull())
        return false;
    m_element[CurrentSlot] = m_handles[handle];
    return true;
}

bool CProjectFileV3::SelectRoot()
{
    if (m_element[RootSlot].isNull())
        return false;
    m_element[CurrentSlot] = m_element[RootSlot];
    return true;
}

void CProjectFileV3::LocateSections()
{
    static const struct {
        Handle handle;
        const char* tag;
    } sections[] = {{ParamsHandle, "ZKParams"},         {PatchHandle, "ZKPatch"},
                    {GroupsHandle, "ZKGroups"},         {PagesHandle, "ZKPages"},
                    {EffectScenesHandle, "ZKEffScenes"}, {FadingButtonsHandle, "ZKFadingButs"},
                    {TimeLinesHandle, "ZKTimeLines"},   {MasksHandle, "ZKMasks"}};
    const QDomElement root = m_element[RootSlot];
    for (const auto& section : sections)
        m_handles[section.handle] = root.isNull() ? QDomElement() : root.firstChildElement(QLatin1String(section.tag));
    SelectRoot();
}

int CProjectFileV3::ForEachChild(const QString& tag, const std::function<void()>& visit)
{
    const QDomElement parent = m_element[CurrentSlot];
    int visited = 0;
    for (QDomElement child = parent.firstChildElement(tag); !child.isNull(); child = child.nextSiblingElement(tag)) {
        m_element[CurrentSlot] = child;
        visit();
        ++visited;
    }
    m_element[CurrentSlot] = parent;
    return visited;
}

QString CProjectFileV3::PositionsToString(const QList<QPoint>& positions)
{
    QString text;
    const QPoint first = positions.value(0);
    text = QString::number(first.x()) + QLatin1Char(';') + QString::number(first.y());
    for (int i = 1; i < positions.size(); ++i)
        text += QLatin1Char('|') + QString::number(positions[i].x()) + QLatin1Char(';')
            + QString::number(positions[i].y());
    return text;
}

QList<QPoint> CProjectFileV3::StringToPositions(const QString& text, int maxRecords)
{
    QList<QPoint> positions;
    if (text.isEmpty())
        return positions;
    const QVector<QStringRef> records = text.splitRef(QLatin1Char('|'));
    for (const QStringRef& record : records) {
        if (positions.size() >= maxRecords)
            break;
        const int separator = record.indexOf(QLatin1Char(';'));
        if (separator <= 0)
            continue;
        positions << QPoint(record.left(separator).toInt(), record.mid(separator + 1).toInt());
    }
    return positions;
}

void CProjectFileV3::IndexGeneralGroup(const CProject& project)
{
    m_fixturesById.clear();
    m_matricesById.clear();
    if (!project.m_generalGroup)
        return;
    // Ids may repeat in a damaged file: the first one is the one that counts.
    for (CPatchedFixture* fixture : project.m_generalGroup->m_fixtures) {
        if (!m_fixturesById.contains(fixture->m_id))
            m_fixturesById.insert(fixture->m_id, fixture);
    }
    for (CFixtureMatrix* matrix : project.m_generalGroup->m_matrices) {
        if (!m_matricesById.contains(matrix->Id()))
            m_matricesById.insert(matrix->Id(), matrix);
    }
}

// ---- Whole project ----

void CProjectFileV3::WriteProject(CProject& project)
{
    NewDocument();
    for (QDomElement& handle : m_handles)
        handle = QDomElement();
    m_previousIds.clear();

    WriteParams(project);
    WritePatch(project);
    WriteGroups(project);
    WritePages(project);
    WriteEffectScenes(project);
    WriteFadingButtons(project);
    WriteTimeLines(project);
    WriteMasks(project);
    SelectRoot();
}

// ---- Params ----

void CProjectFileV3::WriteParams(CProject& project)
{
    SelectRoot();
    Create(QStringLiteral("ZKParams"), RootParent, ParamsHandle);
    if (ShowHost().HasLayoutView())
        SetAttrBool(QStringLiteral("ZKSceneMoveLocked"), ShowHost().IsLayoutMoveLocked());

    ShowHost().StoreDeviceConfig();
    QStringList records;
    for (const CDmxConfigRecord* record : project.m_dmxConfig) {
        if (!record)
            continue;
        records << QStringLiteral("%1;%2;%3;%4;%5;%6")
                       .arg(record->m_portADirection)
                       .arg(record->m_portBDirection)
                       .arg(record->m_portAUniverse)
                       .arg(record->m_portBUniverse)
                       .arg(record->m_secondaryPortAUniverse)
                       .arg(record->m_secondaryPortBUniverse);
    }
    if (!records.isEmpty())
        SetAttrString(QStringLiteral("ZKDmxConfig"), records.join(QLatin1Char('|')));
    SetAttrInt(QStringLiteral("ZKDmxMode"), ShowHost().OutputMode());
    SelectRoot();
}

void CProjectFileV3::readParams(CProject& project)
{
    if (!SelectParams())
        return;
    bool locked = false;
    if (ShowHost().HasLayoutView() && GetAttrBool(QStringLiteral("ZKSceneMoveLocked"), locked))
        ShowHost().SetLayoutMoveLocked(locked);

    QString text;
    if (GetAttrString(QStringLiteral("ZKDmxConfig"), text)) {
        const QVector<QStringRef> records = text.splitRef(QLatin1Char('|'));
        for (const QStringRef& record : records) {
            if (project.m_dmxConfig.size() >= kMaxDmxConfigRecords)
                break;
            const QVector<QStringRef> fields = record.split(QLatin1Char(';'));
            if (fields.size() != 6)
                continue;
            auto* config = new CDmxConfigRecord;
            config->m_portADirection = fields[0].toInt();
            config->m_portBDirection = fields[1].toInt();
            config->m_portAUniverse = fields[2].toInt();
            config->m_portBUniverse = fields[3].toInt();
            config->m_secondaryPortAUniverse = fields[4].toInt();
            config->m_secondaryPortBUniverse = fields[5].toInt();
            project.m_dmxConfig << config;
        }
    }
    GetAttrInt(QStringLiteral("ZKDmxMode"), project.m_loadedDmxMode);
    SelectRoot();
}
