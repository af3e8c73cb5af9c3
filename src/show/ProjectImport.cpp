// File Import: the scenes of an older project file join the open project as
// raw DMX channel levels; the file's fixtures exist only while it runs.

#include "show/Project.h"

#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/ProjectFileV2.h"
#include "show/Scene.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <QFileInfo>
#include <QSet>

namespace {

// What an import may add to the project, noted before it starts, so that an
// import that does not finish takes all of it out again.
class CImportUndo
{
public:
    explicit CImportUndo(CProject& project)
        : m_project(project),
          m_library(project.m_library.begin(), project.m_library.end()),
          m_pageCount(project.m_pages.size()),
          m_currentPage(project.m_currentPage),
          m_rawChannelCount(project.m_rawChannels.size()),
          m_active(project.m_active)
    {
    }

    void Revert()
    {
        CProject& project = m_project;
        // The scenes first: then no scene holds the fixtures, and taking
        // them out makes no raw channels.
        const QSet<CScene*> scenes(project.m_importScenes.begin(), project.m_importScenes.end());
        for (CPage* page : qAsConst(project.m_pages)) {
            for (int i = page->m_scenes.size() - 1; i >= 0; --i) {
                if (scenes.contains(page->m_scenes[i]))
                    page->m_scenes.removeAt(i);
            }
        }
        qDeleteAll(scenes);
        project.m_importScenes.clear();
        while (project.m_pages.size() > m_pageCount) {
            CPage* page = project.m_pages.takeLast();
            project.ForgetPage(page);
            delete page;
        }
        project.m_currentPage = m_currentPage;

        project.RemoveFixtures(project.m_importFixtures, true);
        project.m_importFixtures.clear();
        // Through the library's own check: a profile goes only when nothing names it.
        QList<CLibraryProfile*> added;
        for (CLibraryProfile* profile : qAsConst(project.m_library)) {
            if (!m_library.contains(profile))
                added << profile;
        }
        project.DropProfilesIfUnused(added);

        // Raw-channel records the file's steps made are used by nothing left.
        while (project.m_rawChannels.size() > m_rawChannelCount) {
            CPatchedFixture* record = project.m_rawChannels.takeLast();
            const qint64 at = qint64(record->m_universe) * kSlotsPerUniverse + record->m_address;
            if (at >= 0 && at < project.m_rawChannelTable.size() && project.m_rawChannelTable[int(at)] == record)
                project.m_rawChannelTable[int(at)] = nullptr;
            delete record;
        }
        if (m_active.size() == project.m_active.size())
            project.m_active = m_active;
    }

private:
    CProject& m_project;
    const QSet<CLibraryProfile*> m_library;
    const int m_pageCount;
    CPage* const m_currentPage;
    const int m_rawChannelCount;
    const QVector<quint8> m_active;
};

} // namespace

bool CProject::ImportProject(const QString& path)
{
    // The current format is opened, not imported.
    if (QFileInfo(path).suffix().toLower() == QLatin1String("kv3"))
        return false;
    if (!m_generalGroup || !m_firstPage)
        return false;

    CProjectFileV2 doc;
    QString error;
    if (!doc.LoadFile(path, error)) {
        ShowHost().ShowSplashMessage(error);
        ShowHost().WaitAfterLoadError();
        return false;
    }

    m_importFixtures.clear();
    m_importScenes.clear();
    CImportUndo undo(*this);
    const int firstRawChannel = m_rawChannels.size();
    bool imported = false;
    error.clear();
    try {
        imported = readLegacyProject(doc, true, error) && RunImportDialog(firstRawChannel);
    } catch (...) {
        error = CProjectFileBase::CurrentFailure();
        imported = false;
    }
    if (!imported)
        undo.Revert();
    if (!error.isEmpty()) {
        ShowHost().ShowSplashMessage(error);
        ShowHost().WaitAfterLoadError();
    }
    m_importFixtures.clear();
    m_importScenes.clear();
    return imported;
}

bool CProject::RunImportDialog(int firstRawChannel)
{
    // The imported scenes already hold raw channels: the fixtures can go.
    RemoveFixtures(m_importFixtures, true);
    m_importFixtures.clear();

    ShowHost().CloseSplash();
    QStringList names;
    for (const CScene* scene : qAsConst(m_importScenes))
        names << scene->m_name;
    QList<bool> keep;
    bool newPage = false;
    if (!ShowHost().ChooseImportScenes(names, keep, newPage))
        return false;

    ShowHost().ShowSplashMessage(GetLangText(Txt::Loading));
    for (int i = m_importScenes.size() - 1; i >= 0; --i) {
        if (keep.value(i, false))
            continue;
        m_firstPage->DeleteScene(m_importScenes.takeAt(i));
    }
    if (newPage) {
        if (!CShowBounds::AskRoom(*this, CShowBounds::Pages))
            return false;
        auto* page = new CPage(*this, GetLangText(Txt::NewTab));
        m_pages << page;
        m_currentPage = page;
        for (CScene* scene : qAsConst(m_importScenes)) {
            m_firstPage->m_scenes.removeOne(scene);
            scene->m_indexInPage = page->m_scenes.size();
            page->m_scenes << scene;
        }
    }
    // What the file brings is known only now: a show it would take past a
    // bound is told so, and the caller takes all of it out again.
    ShowHost().CloseSplash();
    if (!CShowBounds::AskHoldsWithin(*this))
        return false;
    ShowHost().ShowSplashMessage(GetLangText(Txt::Loading));
    if (m_generalGroup)
        AbsorbRawChannelsInScenes(m_generalGroup->m_fixtures);
    // Records of steps that kept no level for them, of scenes left out, or
    // folded into patched fixtures: the saved show would not make them again.
    DropRawChannelsNamedByNothing(firstRawChannel);
    UpdateAfterPatch(true, false);
    ShowHost().OnProjectLoaded();
    ShowHost().CloseSplash();
    return true;
}
