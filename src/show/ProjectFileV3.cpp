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
                 {{{"ZKPatch", "ZKFixtures"}, {"ZKMoreFixtures", "ZKFixturePart"}}},
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

QString CProjectFileV3::PlacesToString(const PlaceRuns& runs)
{
    if (runs.isEmpty())
        return QStringLiteral("0;0");
    QString text;
    for (const auto& run : runs) {
        if (!text.isEmpty())
            text += QLatin1Char('|');
        text += QString::number(run.first.x()) + QLatin1Char(';') + QString::number(run.first.y());
        if (run.second > 1)
            text += QLatin1Char('*') + QString::number(run.second);
    }
    return text;
}

void CProjectFileV3::AddPlaces(PlaceRuns& runs, const QPoint& point, int count)
{
    if (count <= 0)
        return;
    if (!runs.isEmpty() && runs.constLast().first == point)
        runs.last().second += count;
    else
        runs.append({point, count});
}

CProjectFileV3::PlaceRuns CProjectFileV3::StringToPlaces(const QString& text, int maxPlaces)
{
    PlaceRuns runs;
    int places = 0;
    ForEachPiece(text, QLatin1Char('|'), [&](const QStringRef& record) {
        if (places >= maxPlaces)
            return false;
        const int separator = record.indexOf(QLatin1Char(';'));
        if (separator <= 0)
            return true;
        const int star = record.indexOf(QLatin1Char('*'), separator + 1);
        int count = 1;
        if (star >= 0) {
            bool ok = false;
            count = record.mid(star + 1).toInt(&ok);
            if (!ok || count < 1)
                return true;
        }
        count = qMin(count, maxPlaces - places);
        const QPoint point(record.left(separator).toInt(),
                           record.mid(separator + 1, star >= 0 ? star - separator - 1 : -1).toInt());
        AddPlaces(runs, point, count);
        places += count;
        return true;
    });
    return runs;
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
    if (!m_writeOut)
        return;
    WriteOut(element);
    // A handle would keep the element, and the marks of all written out
    // below it, until the file is made.
    for (QDomElement& handle : m_handles) {
        if (handle == element)
            handle = QDomElement();
    }
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
