#include "show/Project.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/BackgroundFree.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/ProjectFileV2.h"
#include "show/ProjectFileV3.h"
#include "show/ShowHost.h"

#include <QDir>
#include <QFileInfo>

#include <future>
#include <memory>
#include <system_error>

namespace {

// The page a project without pages gets; saved data, not a caption.
const QString kDefaultPageName = QStringLiteral("Scenes");
const QString kGeneralGroupName = QStringLiteral("General");

struct SDocumentText
{
    QByteArray xml;
    CXmlDocument::SDeferredChildren pages = CProjectFileV3::ShowDocument();
    QString error;
    bool read = false;
};

SDocumentText ReadText(const QString& path)
{
    SDocumentText text;
    text.read = CXmlDocument::ReadDocumentText(path, text.xml, text.error, &text.pages);
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

} // namespace

bool CProject::OpenProject(const QString& path)
{
    // A written tree still being freed would fight the open for the heap.
    CBackgroundFree::Wait();
    const bool current = QFileInfo(path).suffix().toLower() == QLatin1String("kv3");
    std::future<SDocumentText> text;
    if (current)
        text = StartReadingText(path);

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
                opened = readCurrentFile(read.xml, read.pages, error);
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

bool CProject::readCurrentFile(QByteArray& xml, const CXmlDocument::SDeferredChildren& pages, QString& error)
{
    CProjectFileV3 doc;
    const bool parsed = doc.ParseDocumentText(std::move(xml), error, &pages);
    if (!parsed || !readProject(doc, error))
        return false;
    m_fixturesLeftOut = doc.m_fixturesLeftOut;
    DropRawChannelsNamedByNothing(0);
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
    DropRawChannelsNamedByNothing(0);
    // Nothing was saved as playing in these formats: nothing restarts.
    UpdateAfterPatch(true, false);
    return true;
}

bool CProject::readProject(CProjectFileV3& doc, QString& error)
{
    try {
        doc.LocateSections();
        doc.readParams(*this);
        doc.readTimeMarkers(*this);
        if (!doc.readPatch(*this))
            return false;
        doc.readGroups(*this);
        doc.readPages(*this);
        doc.linkGroupPages(*this);
        doc.readEffectScenes(*this);
        doc.readFadingButtons(*this);
        doc.readTimeLines(*this);
        doc.readMasks(*this);
        doc.DropDeferred();
    } catch (...) {
        error = CProjectFileBase::CurrentFailure();
        return false;
    }
    // Whatever the file held, the show has a first page to play on.
    // Its buffers are counted already, pages or not: no room is asked.
    if (m_pages.isEmpty())
        m_pages << new CPage(*this, kDefaultPageName);
    if (!m_firstPage || !m_pages.contains(m_firstPage))
        m_firstPage = m_pages.first();
    if (!m_currentPage || !m_pages.contains(m_currentPage))
        m_currentPage = m_firstPage;
    return true;
}

void CProject::ReportLeftOutFixtures()
{
    if (m_fixturesLeftOut > 0)
        ShowHost().ShowInformation(
            GetLangText(Txt::Warning),
            GetLangText(m_fixturesLeftOut == 1 ? Txt::FixtureLeftOut : Txt::FixturesLeftOut).arg(m_fixturesLeftOut));
}

bool CProject::SaveProject(const QString& path, QString* error)
{
    // The group section writes what the operator sees.
    ShowHost().StoreGroupView();
    CBackgroundFree::Wait();
    auto doc = std::make_unique<CProjectFileV3>();
    bool saved = false;
    try {
        // A show its reader would refuse is not written: the file saved
        // before stays, and the user learns why.
        doc->CountAsRead(*this);
        doc->WriteProject(*this, true);
        const CXmlDocument::SDeferredChildren pages = CProjectFileV3::ShowDocument();
        saved = doc->SaveFile(path, error, &pages);
    } catch (const CFileRefused& refused) {
        if (error)
            *error = GetLangText(Txt::CannotWriteFile)
                         .arg(QDir::toNativeSeparators(path), GetLangText(Txt::WouldNotOpenAgain).arg(refused.Message()));
    }
    // The tree of a large show takes a tenth of the save to tear down: it
    // goes while the window shows the file saved.
    CBackgroundFree::Run([written = std::shared_ptr<CProjectFileV3>(std::move(doc))]() mutable { written.reset(); });
    return saved;
}
