#include "show/ProjectFileV3.h"

#include "model/FixtureMatrix.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"

#include <QStringList>
#include <QVector>

#include <limits>

// ---- Container ----

CXmlDocument::SDeferredChildren CProjectFileV3::ShowDocument()
{
    SDeferredChildren show;
    show.cuts = {{{{"ZKPages", "ZKPage"}, {"ZKScenes", "ZKScene"}, {"ZKSteps", "ZKStep"}}},
                 {{{"ZKPatch", "ZKFixtures"}}},
                 {{{"ZKGroups", "ZKGroup"}}},
                 {{{"ZKEffScenes", "ZKEffScene"}}},
                 {{{"ZKFadingButs", "ZKFadingBut"}}},
                 {{{"ZKTimeLines", "ZKTimeLine"}, {"ZKTimeBlocks", "ZKTimeBlock"}}},
                 {{{"ZKTimeLines", "ZKTimeMarkers"}}},
                 {{{"ZKMasks", "ZKMask"}}}};
    show.maxBytes = int(CShowBounds::DocumentBytes());
    return show;
}

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
    QString past;
    if (m_writeOut && GrownPastBounds(past, m_maxDocumentBytes))
        throw CFileRefused(past);
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
    positions.reserve(qMin(maxRecords, int(text.count(QLatin1Char('|'))) + 1));
    ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& record) {
        if (positions.size() >= maxRecords)
            return false;
        const int separator = record.indexOf(QLatin1Char(';'));
        if (separator > 0)
            positions << QPoint(record.left(separator).toInt(), record.mid(separator + 1).toInt());
        return true;
    });
    return positions;
}

void CProjectFileV3::IndexGeneralGroup(const CProject& project)
{
    m_matricesById.clear();
    IndexFixturesById(m_fixturesById, project.m_generalGroup ? project.m_generalGroup->m_fixtures
                                                          : QList<CPatchedFixture*>());
    if (!project.m_generalGroup)
        return;
    // A damaged file may repeat a matrix id as well: the first one counts.
    for (CFixtureMatrix* matrix : project.m_generalGroup->m_matrices) {
        if (!m_matricesById.contains(matrix->Id()))
            m_matricesById.insert(matrix->Id(), matrix);
    }
}

// ---- Whole project ----

void CProjectFileV3::WrittenOut(const QDomElement& element)
{
    if (m_writeOut)
        WriteOut(element);
}

void CProjectFileV3::WriteProject(CProject& project, bool writeOut)
{
    m_writeOut = writeOut;
    m_maxDocumentBytes = ShowDocument().maxBytes;
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

    // The current format keeps the universes as written.
    readDmxConfig(project, std::numeric_limits<int>::max());
    SelectRoot();
}
