#include "show/Project.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/ProjectFileV2.h"
#include "show/ProjectFileV3.h"
#include "show/ShowHost.h"

#include <QFileInfo>

namespace {

// The page a project without pages gets; saved data, not a caption.
const QString kDefaultPageName = QStringLiteral("Scenes");
const QString kGeneralGroupName = QStringLiteral("General");

} // namespace

bool CProject::OpenProject(const QString& path)
{
    // Opening gives up the open project before anything is read; a file
    // that fails ends in a new project, never in the old one.
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
        opened = QFileInfo(path).suffix().toLower() == QLatin1String("kv3") ? readCurrentFile(path, error)
                                                                             : readLegacyFile(path, error);
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

bool CProject::readCurrentFile(const QString& path, QString& error)
{
    CProjectFileV3 doc;
    if (!doc.LoadFile(path, error) || !readProject(doc, error))
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
        ShowHost().ShowInformation(
            GetLangText(Txt::Warning),
            GetLangText(m_fixturesLeftOut == 1 ? Txt::FixtureLeftOut : Txt::FixturesLeftOut).arg(m_fixturesLeftOut));
}

bool CProject::SaveProject(const QString& path, QString* error)
{
    // The group section writes what the operator sees.
    ShowHost().StoreGroupView();
    CProjectFileV3 doc;
    doc.WriteProject(*this);
    return doc.SaveFile(path, error);
}
