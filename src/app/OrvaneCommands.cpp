// The main window's commands on the show: a mask put into the scene being
// edited, the volume control, About with its maintenance copies, and the
// default effects offered for new fixtures.

#include "app/Orvane.h"

#include "app/DefaultEffects.h"
#include "app/ModalWrappers.h"
#include "editors/EditSceneWnd.h"
#include "live/PagesWnd.h"
#include "model/XmlDocument.h"
#include "model/Language.h"
#include "Captions.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalBlocker>
#include <QSlider>

void Orvane::UpdateMaskMenu()
{
    if (!m_maskMenu)
        return;
    m_maskMenu->clear();
    // Only the scene editor takes a mask; anywhere else the menu offers none.
    const bool editing = m_pages && m_pages->Mode() == CPagesWnd::SceneEditMode;
    if (editing) {
        for (int n = 0; n < m_project.m_masks.size(); ++n) {
            // A mask's name is the operator's: an ampersand in it is no shortcut.
            QString name = m_project.m_masks.at(n).m_name;
            QAction* action = m_maskMenu->addAction(name.replace(QLatin1Char('&'), QStringLiteral("&&")));
            action->setObjectName(QStringLiteral("actionApplyMask%1").arg(n));
            connect(action, &QAction::triggered, this, [this, n] { ApplyMaskToEditedScene(n); });
        }
    }
    m_maskMenu->menuAction()->setEnabled(editing && !m_project.m_masks.isEmpty());
}

void Orvane::ApplyMaskToEditedScene(int n)
{
    if (!m_pages || m_pages->Mode() != CPagesWnd::SceneEditMode)
        return;
    if (auto* editor = dynamic_cast<CEditSceneWnd*>(m_pages->ShownEditor()))
        editor->OnMaskChanged(n);
}

void Orvane::ShowVolume()
{
    if (!m_volume)
        return;
    const QSignalBlocker quiet(m_volume);
    m_volume->setValue(m_project.m_volume);
}

void Orvane::OnVolumeChanged(int volume)
{
    // The project file keeps no volume: it stays as set through New and Open.
    m_project.SetVolume(volume);
}

void Orvane::OnAbout()
{
    // Held as the command was chosen, from the menu or its shortcut.
    const Qt::KeyboardModifiers held = QGuiApplication::keyboardModifiers();
    if (held & (Qt::ControlModifier | Qt::ShiftModifier)) {
        RunMaintenanceCopy(held & Qt::ControlModifier);
        return;
    }
    const QString name = GetLangText(Txt::AppTitle);
    ::ShowInformation(this, name, GetLangText(Txt::AboutText).arg(name, QStringLiteral(ORVANE_VERSION)));
}

void Orvane::RunMaintenanceCopy(bool compress)
{
    const QString path = ChooseProjectFile(Txt::OpenProjectTitle, Txt::MaintenanceFilter);
    if (path.isEmpty())
        return;
    // The copy goes beside the file, which stays as it was.
    if (compress)
        CXmlDocument::CompressFileCopy(path);
    else
        CXmlDocument::UncompressFileCopy(path);
}

void Orvane::CreateEffectsForFixtures(const QList<CLibraryProfile*>& profiles, CFixtureMatrix* colorMatrix,
                                      bool newFixtures)
{
    if (!newFixtures)
        return;
    std::vector<SDefaultEffect> effects = MakeDefaultEffects(m_project, profiles, colorMatrix);
    if (effects.empty())
        return;
    if (AskQuestion(GetLangText(Txt::AppTitle), GetLangText(Txt::CreateDefaultEffects)) != Yes)
        return;
    AddDefaultEffects(m_project, std::move(effects));
    // The effects page shows its new buttons if it is the page shown.
    ReloadPage();
    SetModified(true);
}
