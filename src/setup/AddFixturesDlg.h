#pragma once

#include <QByteArray>
#include <QDialog>

#include <memory>

class CLibraryProfile;
class CPatchTab;
class CProfileTab;
class CProject;
class CSetupPrompts;
class QAction;
class QTabWidget;

// The window in which fixtures are patched and profiles are created,
// opened and saved. It keeps the profile open in the profile page (the
// edited profile) and asks before unsaved work on it is left behind. The
// fixtures window shows it without a local event loop and reads the patch
// page's result lists when it is accepted.
class CAddFixturesDlg : public QDialog
{
    Q_OBJECT
public:
    CAddFixturesDlg(CProject& project, int channelsPerUniverse, QWidget* parent = nullptr);
    ~CAddFixturesDlg() override;

    CPatchTab* PatchPage() const { return m_patchTab; }
    CProfileTab* ProfilePage() const { return m_profileTab; }
    QTabWidget* Pages() const { return m_pages; }
    CLibraryProfile* EditedProfile() const { return m_editedProfile; }
    // True when the caller may go on.
    bool AskSaveProfile();
    // The profile becomes the edited profile and joins the project.
    void OpenProfileForEditing(CLibraryProfile* profile);
    // The same without showing it: the profile editor's own copies.
    void AdoptEditedProfile(CLibraryProfile* profile);
    CProject& Project() const { return m_project; }
    void ShowProfilePage();

    CSetupPrompts& Prompts() const { return *m_prompts; }
    void SetPrompts(std::unique_ptr<CSetupPrompts> prompts);

public slots:
    void New();
    void Open();
    void Save() { SaveProfile(); }
    void OnTabChanged(int page);
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // True only when the profile was written.
    bool SaveProfile();
    // The edited profile as its file would hold it now.
    QByteArray EditedProfileText() const;

    CProject& m_project;
    QAction* m_newAction;
    QAction* m_openAction;
    QAction* m_saveAction;
    QTabWidget* m_pages;
    CPatchTab* m_patchTab;
    CProfileTab* m_profileTab;
    CLibraryProfile* m_editedProfile = nullptr; // owned by the project
    // The profile last saved and its text then; never dereferenced.
    const CLibraryProfile* m_savedProfile = nullptr;
    QByteArray m_savedText;
    std::unique_ptr<CSetupPrompts> m_prompts;
};
