#include "show/Project.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/ProjectFileV2.h"
#include "show/ProjectFileV3.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <system_error>
#include <vector>

namespace {

// The page a project without pages gets; saved data, not a caption.
const QString kDefaultPageName = QStringLiteral("Scenes");
const QString kGeneralGroupName = QStringLiteral("General");

} // namespace

namespace {

struct SDocumentText
{
    QByteArray xml;
    QString error;
    bool read = false;
};

SDocumentText ReadText(const QString& path)
{
    SDocumentText text;
    text.read = CXmlDocument::ReadDocumentText(path, text.xml, text.error);
    return text;
}

// Reading, unpacking and checking the text of a large show takes about as
// long as giving up the open one: a worker does it meanwhile. It touches
// nothing but the file and the text it returns.
std::future<SDocumentText> StartReadingText(const QString& path)
{
    try {
        return std::async(std::launch::async, ReadText, path);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, ReadText, path);
    }
}

// Frees, on worker threads, plain data a save or an open gave up: the tree
// of a written file, the steps of a closed show. Whatever it is given must
// be referenced by nothing else: no host, no object with a thread of its
// own. Every worker is finished before the program ends.
class CBackgroundFree
{
public:
    ~CBackgroundFree()
    {
        for (std::future<void>& done : m_done)
            done.wait();
    }

    // `free` frees in its call; whatever it holds is let go there too.
    void Run(std::function<void()> free)
    {
        m_done.erase(std::remove_if(m_done.begin(), m_done.end(),
                                    [](const std::future<void>& done) {
                                        return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
                                    }),
                     m_done.end());
        auto task = std::make_shared<std::function<void()>>(std::move(free));
        auto run = [task] {
            (*task)();
            *task = nullptr;
        };
        try {
            m_done.push_back(std::async(std::launch::async, run));
        } catch (const std::system_error&) {
            run(); // no thread to be had: freed here
        }
    }

private:
    std::vector<std::future<void>> m_done;
};

CBackgroundFree& BackgroundFree()
{
    static CBackgroundFree instance;
    return instance;
}

// The steps of the show's scenes, taken out of them: they are nearly all of a
// show's heap blocks. Scenes that play, fade out or are edited keep theirs,
// as the playback and the editor read them while the show is given up.
std::vector<CSceneStep*> DetachSteps(const CProject& project)
{
    std::vector<CSceneStep*> steps;
    for (const CPage* page : project.m_pages) {
        for (CScene* scene : page->m_scenes) {
            if (page->PlayingEntry(scene) || page->IsPending(scene) || scene == project.m_editedScene
                || scene == project.m_recordScene || scene->m_currentStep)
                continue;
            steps.insert(steps.end(), scene->m_steps.cbegin(), scene->m_steps.cend());
            scene->m_steps.clear();
        }
    }
    if (!steps.empty())
        RenderedContentChanged(); // the worker does not count its deletions
    return steps;
}

void DeleteUncounted(const std::vector<CSceneStep*>& steps)
{
    SetDeletionsCounted(false);
    for (CSceneStep* step : steps)
        delete step;
    SetDeletionsCounted(true);
}

} // namespace

bool CProject::OpenProject(const QString& path)
{
    const bool current = QFileInfo(path).suffix().toLower() == QLatin1String("kv3");
    std::future<SDocumentText> text;
    if (current)
        text = StartReadingText(path);
    std::vector<CSceneStep*> steps = DetachSteps(*this);
    BackgroundFree().Run([steps = std::move(steps)] { DeleteUncounted(steps); });

    // Opening gives up the open project before anything is read into it; a
    // file that fails ends in a new project, never in the old one.
    Clear();
    ShowHost().ResetPresets();
    ShowHost().ClearTimeMarkers();
    ShowHost().ClearTimeLine();

    QString error;
    bool opened = false;
    try {
        auto* general = new CGroup(kGeneralGroupName);
        m_groups << general;
        m_generalGroup = general;
        m_currentGroup = general;
        if (current) {
            SDocumentText read = text.get();
            if (read.read) {
                opened = readCurrentFile(read.xml, error);
            } else {
                error = read.error;
                opened = false;
            }
        } else {
            opened = readLegacyFile(path, error);
        }
    } catch (...) {
        // Memory ran out outside the section readers (the document itself).
        error = CProjectFileBase::CurrentFailure();
        opened = false;
    }
    if (!opened) {
        // Told after the partial show is gone, so the memory it held is free.
        Clear();
        if (!error.isEmpty()) {
            ShowHost().ShowSplashMessage(error);
            ShowHost().WaitAfterLoadError();
        }
        Reset();
        return false;
    }
    ShowHost().OnProjectLoaded();
    ReportLeftOutFixtures();
    return true;
}

bool CProject::readCurrentFile(QByteArray& xml, QString& error)
{
    CProjectFileV3 doc;
    const bool parsed = doc.ParseDocumentText(xml, error);
    xml = QByteArray();
    if (!parsed || !readProject(doc, error))
        return false;
    m_fixturesLeftOut = doc.m_fixturesLeftOut;
    UpdateAfterPatch(true, true);
    return true;
}

bool CProject::readLegacyFile(const QString& path, QString& error)
{
    // The older formats had no pages: their scenes go to one page.
    auto* page = new CPage(*this, kDefaultPageName);
    m_pages << page;
    m_firstPage = page;
    m_currentPage = page;

    CProjectFileV2 doc;
    if (!doc.LoadFile(path, error) || !readLegacyProject(doc, false, error))
        return false;
    m_fixturesLeftOut = doc.m_fixturesLeftOut;
    // Nothing was saved as playing in these formats: nothing restarts.
    UpdateAfterPatch(true, false);
    return true;
}

bool CProject::readProject(CProjectFileV3& doc, QString& error)
{
    try {
        doc.LocateSections();
        doc.readParams(*this);
        if (!doc.readPatch(*this))
            return false;
        doc.readGroups(*this);
        doc.readPages(*this);
        doc.readEffectScenes(*this);
        doc.readFadingButtons(*this);
        doc.readTimeLines(*this);
        doc.readMasks(*this);
    } catch (...) {
        error = CProjectFileBase::CurrentFailure();
        return false;
    }
    // Whatever the file held, the show has a first page to play on.
    if (m_pages.isEmpty())
        AddPage(kDefaultPageName);
    if (!m_firstPage || !m_pages.contains(m_firstPage))
        m_firstPage = m_pages.first();
    if (!m_currentPage || !m_pages.contains(m_currentPage))
        m_currentPage = m_firstPage;
    return true;
}

void CProject::ReportLeftOutFixtures()
{
    if (m_fixturesLeftOut > 0)
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::FixturesLeftOut).arg(m_fixturesLeftOut));
}

bool CProject::SaveProject(const QString& path, QString* error)
{
    // The group section writes what the operator sees.
    ShowHost().StoreGroupView();
    auto doc = std::make_unique<CProjectFileV3>();
    doc->WriteProject(*this);
    const bool saved = doc->SaveFile(path, error);
    // The tree of a large show takes a tenth of the save to tear down.
    BackgroundFree().Run([written = std::shared_ptr<CProjectFileV3>(std::move(doc))]() mutable { written.reset(); });
    return saved;
}
