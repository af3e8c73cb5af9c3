#pragma once

#include "setup/MatrixBuilder.h"

#include <QList>
#include <QWidget>

class CAddFixturesDlg;
class CDipSwitchCtrl;
class CFixtureMatrix;
class CLibraryProfile;
class CPatchBlock;
class CPatchMatrixBlock;
class CPatchWnd;
class CPatchedFixture;
class CProfilesList;
class CProject;
class CSetupPrompts;
class CZKTabWidget;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The "Patch" page of the add-fixtures dialog: the working patch of every
// universe as patch records, placing fixtures of the current profile,
// matrices, and the block edits of the grids. The fixtures window loads the
// project's patch into it and reads the four result lists after OK.
class CPatchTab : public QWidget
{
    Q_OBJECT
public:
    CPatchTab(CProject& project, int channelsPerUniverse, CAddFixturesDlg* dialog);
    ~CPatchTab() override;

    // Loading, before the dialog is shown.
    void AddPatchedFixture(CPatchedFixture* fixture);
    void AddPatchedMatrix(CFixtureMatrix* matrix);

    // The matrix builder dialog unless replaced; without a builder Matrix
    // and Edit stay disabled.
    void SetMatrixBuilderFactory(MatrixBuilderFactory factory);

    // Used by the dialog.
    bool PreparePatch(QString& baseName);
    void ResetProfile();
    void SetCurrentProfile(const QString& name);
    void Refresh(bool toFirst = false);
    void UpdateCountRange();
    void UpdateActions();
    QLineEdit* NameEdit() const { return m_nameEdit; }
    bool IsListMode() const { return m_listMode; }
    void SetListMode(bool on);
    bool IsCurrentProfileUsed() const { return m_currentProfileUsed; }
    void SetCurrentProfileUsed(bool used) { m_currentProfileUsed = used; }
    CLibraryProfile* CurrentProfile() const { return m_currentProfile; }
    CLibraryProfile* SelectedLibraryProfile() const { return m_selectedProfile; }
    void SetCurrentProfilePointer(CLibraryProfile* profile) { m_currentProfile = profile; }

    // Used by the grids.
    int UniverseCount() const { return m_universeCount; }
    int ChannelsPerUniverse() const { return m_channelsPerUniverse; }
    const QList<CPatchBlock*>& Selection() const { return m_selection; }
    CPatchBlock* BlockAt(int universe, int channel) const;
    void SelectBlock(CPatchBlock* block, bool control, bool shift, bool fromGrid);
    void SelectInRect(const QRect& band, bool control, bool shift, int universe);
    void AddToSelection(CPatchBlock* block);
    void ClearSelection();
    bool IsSelected(const CPatchBlock* block) const { return m_selection.contains(const_cast<CPatchBlock*>(block)); }
    void MoveSelection(int universe, int delta);
    void MoveSelectionToUniverse(int universe);
    int TabAt(const QPoint& point, const QWidget* from) const;
    void CommitMove();
    void RevertMove(int universe);
    void SetIdAndName(CPatchBlock* block, const QString& base);
    // The text before the last point: "Par.3" gives "Par".
    static QString NameBase(const QString& name);
    // A fresh project copy of the selected library profile becomes the
    // current profile; null without a selected library profile.
    CLibraryProfile* AddDroppedProfile();
    bool IsBlockPlaceFree(int universe, const CPatchBlock* block) const;
    void AppendBlock(CPatchBlock* block) { m_blocks << block; }
    void RepaintGrids();
    CPatchWnd* Grid(int universe) const;
    CZKTabWidget* GridTabs() const { return m_gridTabs; }
    QAction* ContextAction(int n) const;

    // Whether the show has room for what a patch command adds to the patch
    // as OK would apply it: `fixtures` more, of `profile` (null for a copy
    // no block has yet) or in a new matrix. Says why not when it has none.
    bool AskRoomToAdd(const CLibraryProfile* profile, int fixtures, bool matrix) const;

    // Placing.
    int CountFittingFixtures(int first, int channelCount, int universe, int* firstBlocked = nullptr) const;
    int NextFreeId() const;
    int NextFreeMatrixId() const;
    int FirstFreeIdRange(const CPatchMatrixBlock* matrix) const;
    QList<CPatchBlock*> BlocksOfUniverse(int universe) const;

    // Widgets the dialog and tests reach.
    QComboBox* UniverseCombo() const { return m_universeCombo; }
    QComboBox* FirstChannelCombo() const { return m_firstChannelCombo; }
    QSpinBox* CountSpin() const { return m_countSpin; }
    QPushButton* PatchButton() const { return m_patchButton; }
    QPushButton* MatrixButton() const { return m_matrixButton; }
    QComboBox* FolderCombo() const { return m_folderCombo; }
    QLabel* FolderLabel() const { return m_folderLabel; }
    CProfilesList* ProfileList() const { return m_profileList; }
    CDipSwitchCtrl* DipSwitch() const { return m_dipSwitch; }
    QString LibraryFolder() const { return m_folder; }

    // The result lists.
    QList<CPatchBlock*> m_blocks;             // owned; matrix members included
    QList<CPatchMatrixBlock*> m_matrixBlocks; // owned
    QList<CPatchedFixture*> m_removedFixtures;
    QList<CFixtureMatrix*> m_removedMatrices;
    QList<CPatchBlock*> m_clipboard; // not owned

public slots:
    void OnRadioCurrent();
    void OnRadioList();
    void OnNameEdited(const QString& text);
    void OnUniverseChanged(int universe);
    void On1stChanChanged();
    void OnNbFixtChanged();
    void OnMatrix();
    void OnPatch();
    void OnTabChanged(int universe);
    void Copy();
    void Paste();
    void Rename();
    void Remove();
    void EditMatrix();
    // The profile library.
    void OnManufacturerChanged(int index);
    void OnSelProfileChanged(QListWidgetItem* current);
    void OnImportProfile();
    void ImportProfileFromSelection();
    void UpdateSelectionProfiles();

private:
    void BuildLayout();
    static bool IsRangeFree(const QList<CPatchBlock*>& blocks, int start, int count);
    CPatchMatrixBlock* FindMatrixBlock(int id) const;
    // A cell of the builder with a fixture that lies inside the patch.
    bool IsPlaceableCell(const CMatrixBuilder& builder, int cell, int channelCount) const;
    // A deleted block leaves the selection, its saved places and the clipboard.
    void Forget(CPatchBlock* block);
    void Deselect(CPatchBlock* block);
    void RefreshAll();
    void ShowUniverse(int universe);
    CSetupPrompts& Prompts() const;
    CLibraryProfile* AddToProject(CLibraryProfile* profile);
    bool CopyIntoLibrary(const QString& source, const QString& target, QString& error);

    CProject& m_project;
    CAddFixturesDlg* m_dialog;
    int m_universeCount;
    int m_channelsPerUniverse;
    bool m_updating = false;
    bool m_currentProfileUsed = false;
    bool m_freshCopyNeeded = false;
    bool m_movingBetweenUniverses = false;
    QString m_folder;
    bool m_listMode = false;

    QComboBox* m_universeCombo = nullptr;
    QComboBox* m_firstChannelCombo = nullptr;
    QSpinBox* m_countSpin = nullptr;
    QPushButton* m_matrixButton = nullptr;
    QPushButton* m_patchButton = nullptr;
    QLabel* m_folderLabel = nullptr;
    QComboBox* m_folderCombo = nullptr;
    CProfilesList* m_profileList = nullptr;
    CDipSwitchCtrl* m_dipSwitch = nullptr;
    CZKTabWidget* m_gridTabs = nullptr;
    QRadioButton* m_radioCurrent = nullptr;
    QRadioButton* m_radioList = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QList<CPatchWnd*> m_grids;
    QAction* m_copyAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QAction* m_renameAction = nullptr;
    QAction* m_removeAction = nullptr;
    QAction* m_importAction = nullptr;
    QAction* m_updateAction = nullptr;
    QAction* m_editAction = nullptr;

    CLibraryProfile* m_currentProfile = nullptr;  // not owned
    CLibraryProfile* m_selectedProfile = nullptr; // owned: loaded from the library list
    CLibraryProfile* m_listCopy = nullptr;        // the project's copy of the selected profile
    QList<int> m_savedStarts;    // parallel to the selection
    QList<int> m_savedUniverses; // parallel to the selection
    QList<CPatchBlock*> m_selection; // not owned
    MatrixBuilderFactory m_builderFactory;
};
