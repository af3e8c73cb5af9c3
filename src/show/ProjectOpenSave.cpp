#include "show/Project.h"

#include "show/Group.h"
#include "show/Page.h"
#include "show/ProjectFileV2.h"
#include "show/ProjectFileV3.h"
#include "show/ShowHost.h"

#include <QFileInfo>

#include <exception>

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

    auto* general = new CGroup(kGeneralGroupName);
    m_groups << general;
    m_generalGroup = general;
    m_currentGroup = general;

    if (QFileInfo(path).suffix().toLower() != QLatin1String("kv3"))
        return OpenLegacyProject(path);

    CProjectFileV3 doc;
    QString error;
    if (!doc.LoadFile(path, error)) {
        ShowHost().ShowSplashMessage(error);
        ShowHost().WaitAfterLoadError();
        Reset();
        return false;
    }
    if (!readProject(doc)) {
        Reset();
        return false;
    }
    UpdateAfterPatch(true, true);
    ShowHost().OnProjectLoaded();
    return true;
}

bool CProject::OpenLegacyProject(const QString& path)
{
    // The older formats had no pages: their scenes go to one page.
    auto* page = new CPage(*this, kDefaultPageName);
    m_pages << page;
    m_firstPage = page;
    m_currentPage = page;

    CProjectFileV2 doc;
    QString error;
    if (!doc.LoadFile(path, error)) {
        ShowHost().ShowSplashMessage(error);
        ShowHost().WaitAfterLoadError();
        Reset();
        return false;
    }
    if (!readLegacyProject(doc, false)) {
        Reset();
        return false;
    }
    // Nothing was saved as playing in these formats: nothing restarts.
    UpdateAfterPatch(true, false);
    ShowHost().OnProjectLoaded();
    return true;
}

bool CProject::readProject(CProjectFileV3& doc)
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
    } catch (const std::exception&) {
        return false;
    } catch (...) {
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

bool CProject::SaveProject(const QString& path, QString* error)
{
    // The group section writes what the operator sees.
    ShowHost().StoreGroupView();
    CProjectFileV3 doc;
    doc.WriteProject(*this);
    return doc.SaveFile(path, error);
}
