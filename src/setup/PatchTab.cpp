#include "setup/PatchTab.h"

#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/Triggers.h"
#include "setup/AddFixturesDlg.h"
#include "setup/DipSwitchCtrl.h"
#include "setup/MatrixDlgBuilder.h"
#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"
#include "setup/PatchWnd.h"
#include "setup/ProfileTab.h"
#include "setup/ProfilesList.h"
#include "setup/SetupPrompts.h"
#include "setup/ZKTabWidget.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"
#include "Captions.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QTabBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>

namespace {

const QString kPatchImages = QStringLiteral(":/Orvane/Images/Patch/");
constexpr int kMaxNameLength = 64;

// The smallest positive ID none of the records has.
template <typename Record>
int SmallestFreeId(const QList<Record*>& records)
{
    QSet<int> used;
    for (const Record* record : records)
        used.insert(record->m_id);
    int id = 1;
    while (used.contains(id))
        ++id;
    return id;
}

} // namespace

CPatchTab::CPatchTab(CProject& project, int channelsPerUniverse, CAddFixturesDlg* dialog)
    : QWidget(dialog), m_project(project), m_dialog(dialog), m_universeCount(std::max(1, project.UniverseCount())),
      m_channelsPerUniverse(std::clamp(channelsPerUniverse, 1, kDmxChannelsPerUniverse))
{
    m_builderFactory = [this] { return std::unique_ptr<CMatrixBuilder>(new CMatrixDlgBuilder(m_project)); };
    BuildLayout();
    OnManufacturerChanged(0);
    RefreshAll();
}

CPatchTab::~CPatchTab()
{
    // Children torn down later must not call back into what is gone.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    delete m_selectedProfile;
    qDeleteAll(m_blocks);
    qDeleteAll(m_matrixBlocks);
}

void CPatchTab::BuildLayout()
{
    setMinimumSize(840, 500);
    setAutoFillBackground(true);

    auto* currentBox = new QGroupBox(this);
    m_radioCurrent = new QRadioButton(GetLangText(Txt::PatchCurrentProfile), currentBox);
    m_radioCurrent->setChecked(true);
    m_nameEdit = new QLineEdit(currentBox);
    m_nameEdit->setFixedWidth(180);
    m_nameEdit->setAlignment(Qt::AlignCenter);
    m_nameEdit->setMaxLength(kMaxNameLength);
    auto* currentLayout = new QGridLayout(currentBox);
    currentLayout->addWidget(m_radioCurrent, 0, 0, 1, 2);
    currentLayout->addWidget(new QLabel(GetLangText(Txt::PatchName), currentBox), 1, 0);
    currentLayout->addWidget(m_nameEdit, 1, 1);

    auto* listBox = new QGroupBox(this);
    m_radioList = new QRadioButton(GetLangText(Txt::PatchFromList), listBox);
    auto* importButton = new QPushButton(QStringLiteral("..."), listBox);
    importButton->setFixedWidth(30);
    m_folderLabel = new QLabel(listBox);
    m_folderCombo = new QComboBox(listBox);
    m_folderCombo->setMinimumWidth(150);
    m_profileList = new CProfilesList(listBox);
    auto* listLayout = new QGridLayout(listBox);
    auto* radioRow = new QHBoxLayout;
    radioRow->addWidget(m_radioList);
    radioRow->addStretch();
    radioRow->addWidget(importButton);
    listLayout->addLayout(radioRow, 0, 0, 1, 2);
    listLayout->addWidget(m_folderLabel, 1, 0);
    listLayout->addWidget(m_folderCombo, 1, 1);
    listLayout->addWidget(m_profileList, 2, 0, 1, 2);
    auto* radios = new QButtonGroup(this);
    radios->addButton(m_radioCurrent);
    radios->addButton(m_radioList);

    auto* placeBox = new QGroupBox(this);
    m_universeCombo = new QComboBox(placeBox);
    for (int u = 0; u < m_universeCount; ++u)
        m_universeCombo->addItem(QStringLiteral("%1 %2").arg(GetLangText(Txt::DmxUniverse)).arg(u + 1));
    m_firstChannelCombo = new QComboBox(placeBox);
    m_countSpin = new QSpinBox(placeBox);
    m_countSpin->setRange(0, 0);
    for (QWidget* w : {static_cast<QWidget*>(m_universeCombo), static_cast<QWidget*>(m_firstChannelCombo),
                       static_cast<QWidget*>(m_countSpin)})
        w->setMinimumWidth(120);
    m_matrixButton = new QPushButton(GetLangText(Txt::Matrix), placeBox);
    m_patchButton = new QPushButton(GetLangText(Txt::PatchButton), placeBox);
    for (QPushButton* button : {m_matrixButton, m_patchButton}) {
        button->setFixedSize(120, 30);
        button->setEnabled(false);
    }
    auto* placeLayout = new QGridLayout(placeBox);
    placeLayout->addWidget(new QLabel(GetLangText(Txt::DmxUniverse), placeBox), 0, 0);
    placeLayout->addWidget(m_universeCombo, 0, 1);
    placeLayout->addWidget(new QLabel(GetLangText(Txt::PatchFirstChannel), placeBox), 1, 0);
    placeLayout->addWidget(m_firstChannelCombo, 1, 1);
    placeLayout->addWidget(new QLabel(GetLangText(Txt::PatchFixtureCount), placeBox), 2, 0);
    placeLayout->addWidget(m_countSpin, 2, 1);
    placeLayout->addWidget(m_matrixButton, 3, 0);
    placeLayout->addWidget(m_patchButton, 3, 1);

    auto* left = new QVBoxLayout;
    for (QGroupBox* box : {currentBox, listBox, placeBox}) {
        box->setMinimumWidth(270); // wider where the captions need it
        left->addWidget(box);
    }

    auto* toolBar = new QToolBar(this);
    toolBar->setIconSize(QSize(24, 24));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto action = [&](int text, const char* picture) {
        return toolBar->addAction(QIcon(kPatchImages + QLatin1String(picture)), GetLangText(text));
    };
    m_copyAction = action(Txt::PatchCopy, "Copy.png");
    m_pasteAction = action(Txt::PatchPaste, "Paste.png");
    m_renameAction = action(Txt::PatchRename, "Rename.png");
    m_removeAction = action(Txt::Remove, "Remove.png");
    toolBar->addSeparator();
    m_importAction = action(Txt::PatchImport, "Import.png");
    m_updateAction = action(Txt::PatchUpdate, "Update.png");
    toolBar->addSeparator();
    m_editAction = action(Txt::PatchEdit, "EditMatrix.png");
    auto* spacer = new QWidget(toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    spacer->setFixedHeight(24);
    toolBar->addWidget(spacer);
    m_dipSwitch = new CDipSwitchCtrl(toolBar);
    toolBar->addWidget(m_dipSwitch);

    m_gridTabs = new CZKTabWidget(this);
    m_gridTabs->setTabPosition(QTabWidget::South);
    m_gridTabs->setUsesScrollButtons(true);
    const QIcon xlr(kPatchImages + QStringLiteral("XLR.png"));
    for (int u = 0; u < m_universeCount; ++u) {
        auto* grid = new CPatchWnd(u, m_channelsPerUniverse, this);
        m_grids << grid;
        m_gridTabs->addTab(grid, xlr, QStringLiteral("#%1").arg(u + 1));
    }

    auto* right = new QVBoxLayout;
    right->addWidget(toolBar);
    right->addWidget(m_gridTabs, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    // On the click, not the press: a box opened under a press leaves the
    // button half pressed, and the release or key that finishes it then
    // checks the choice the box refused.
    connect(m_radioCurrent, &QRadioButton::clicked, this, &CPatchTab::OnRadioCurrent);
    connect(m_radioList, &QRadioButton::clicked, this, &CPatchTab::OnRadioList);
    connect(m_nameEdit, &QLineEdit::textEdited, this, &CPatchTab::OnNameEdited);
    connect(m_universeCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CPatchTab::OnUniverseChanged);
    connect(m_firstChannelCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CPatchTab::On1stChanChanged);
    connect(m_countSpin, QOverload<int>::of(&QSpinBox::valueChanged), this, &CPatchTab::OnNbFixtChanged);
    connect(m_matrixButton, &QPushButton::pressed, this, &CPatchTab::OnMatrix);
    connect(m_patchButton, &QPushButton::pressed, this, &CPatchTab::OnPatch);
    connect(m_gridTabs, &QTabWidget::currentChanged, this, &CPatchTab::OnTabChanged);
    connect(m_copyAction, &QAction::triggered, this, &CPatchTab::Copy);
    connect(m_pasteAction, &QAction::triggered, this, &CPatchTab::Paste);
    connect(m_renameAction, &QAction::triggered, this, &CPatchTab::Rename);
    connect(m_removeAction, &QAction::triggered, this, &CPatchTab::Remove);
    connect(m_importAction, &QAction::triggered, this, &CPatchTab::ImportProfileFromSelection);
    connect(m_updateAction, &QAction::triggered, this, &CPatchTab::UpdateSelectionProfiles);
    connect(m_editAction, &QAction::triggered, this, &CPatchTab::EditMatrix);
    connect(m_folderCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CPatchTab::OnManufacturerChanged);
    connect(m_profileList, &QListWidget::currentItemChanged, this, &CPatchTab::OnSelProfileChanged);
    connect(m_profileList, &QListWidget::itemDoubleClicked, this, &CPatchTab::OnPatch);
    connect(importButton, &QPushButton::pressed, this, &CPatchTab::OnImportProfile);
}

QAction* CPatchTab::ContextAction(int n) const
{
    const QList<QAction*> actions{m_copyAction, m_renameAction, m_removeAction, m_importAction,
                                  m_updateAction, nullptr, m_editAction};
    return n >= 0 && n < actions.size() ? actions[n] : nullptr;
}

// ---- Loading ----

void CPatchTab::AddPatchedFixture(CPatchedFixture* fixture)
{
    auto* block = new CPatchBlock(fixture->Profile(), fixture->m_universe, fixture->m_address, -1);
    block->SetFixture(fixture);
    m_blocks << block;
}

void CPatchTab::AddPatchedMatrix(CFixtureMatrix* matrix)
{
    auto* matrixBlock = new CPatchMatrixBlock(matrix);
    for (int i = 0; i < matrix->MemberCount(); ++i) {
        CPatchedFixture* fixture = matrix->Member(i);
        if (!fixture)
            continue;
        auto* block = new CPatchBlock(fixture->Profile(), fixture->m_universe, fixture->m_address, matrix->Id());
        block->SetFixture(fixture);
        m_blocks << block;
        matrixBlock->m_members << block;
        matrixBlock->m_cells << matrix->MemberCell(i);
    }
    m_matrixBlocks << matrixBlock;
}

void CPatchTab::SetMatrixBuilderFactory(MatrixBuilderFactory factory)
{
    m_builderFactory = std::move(factory);
    RefreshAll();
}

// ---- IDs, names and lookups ----

int CPatchTab::NextFreeId() const
{
    return SmallestFreeId(m_blocks);
}

int CPatchTab::NextFreeMatrixId() const
{
    return SmallestFreeId(m_matrixBlocks);
}

QString CPatchTab::NameBase(const QString& name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

void CPatchTab::SetIdAndName(CPatchBlock* block, const QString& base)
{
    if (block->m_id == -1)
        block->m_id = NextFreeId();
    block->m_name = base + QLatin1Char('.') + QString::number(block->m_id);
}

int CPatchTab::FirstFreeIdRange(const CPatchMatrixBlock* matrix) const
{
    const qint64 size = std::max<qint64>(1, qint64(matrix->m_columns) * matrix->m_rows);
    for (qint64 k = 1;;) {
        qint64 clash = 0;
        for (const CPatchBlock* block : m_blocks) {
            if (block->m_matrixId != matrix->m_id && block->m_id >= k && block->m_id < k + size)
                clash = std::max<qint64>(clash, block->m_id);
        }
        if (clash == 0)
            return int(k);
        k = clash + 1;
    }
}

QList<CPatchBlock*> CPatchTab::BlocksOfUniverse(int universe) const
{
    QList<CPatchBlock*> found;
    for (CPatchBlock* block : m_blocks) {
        if (block->m_universe == universe)
            found << block;
    }
    return found;
}

CPatchBlock* CPatchTab::BlockAt(int universe, int channel) const
{
    for (CPatchBlock* block : m_blocks) {
        if (block->m_universe == universe && block->m_start <= channel && channel <= block->m_end)
            return block;
    }
    return nullptr;
}

bool CPatchTab::IsRangeFree(const QList<CPatchBlock*>& blocks, int start, int count)
{
    const int end = start + count - 1;
    for (const CPatchBlock* block : blocks) {
        if (block->m_start <= end && start <= block->m_end)
            return false;
    }
    return true;
}

bool CPatchTab::IsBlockPlaceFree(int universe, const CPatchBlock* block) const
{
    for (const CPatchBlock* other : m_blocks) {
        if (other != block && other->m_universe == universe && !IsSelected(other) &&
            other->m_start <= block->m_end && block->m_start <= other->m_end)
            return false;
    }
    return true;
}

CPatchMatrixBlock* CPatchTab::FindMatrixBlock(int id) const
{
    for (CPatchMatrixBlock* matrix : m_matrixBlocks) {
        if (matrix->m_id == id)
            return matrix;
    }
    return nullptr;
}

CPatchWnd* CPatchTab::Grid(int universe) const
{
    return universe >= 0 && universe < m_grids.size() ? m_grids[universe] : nullptr;
}

int CPatchTab::TabAt(const QPoint& point, const QWidget* from) const
{
    const QTabBar* bar = m_gridTabs->tabBar();
    return bar->tabAt(bar->mapFromGlobal(from->mapToGlobal(point)));
}

// ---- Fitting and refreshing ----

int CPatchTab::CountFittingFixtures(int first, int channelCount, int universe, int* firstBlocked) const
{
    const int n = channelCount;
    if (firstBlocked)
        *firstBlocked = m_universeCount * kDmxChannelsPerUniverse;
    if (n < 1 || universe < 0 || universe >= m_universeCount || first < 0)
        return 0;
    const int last = m_channelsPerUniverse < kDmxChannelsPerUniverse ? universe : m_universeCount - 1;
    qint64 free = 0;
    for (int u = universe, p = first; u <= last; ++u, p = 0) {
        const QList<CPatchBlock*> blocks = BlocksOfUniverse(u);
        for (; p + n <= m_channelsPerUniverse; ++p) {
            if (!IsRangeFree(blocks, p, n)) {
                if (firstBlocked)
                    *firstBlocked = u * kDmxChannelsPerUniverse + p;
                return int((free + n - 1) / n);
            }
            ++free;
        }
    }
    return int((free + n - 1) / n);
}

void CPatchTab::Refresh(bool toFirst)
{
    if (m_updating)
        return;
    m_updating = true;
    const QString previous = m_firstChannelCombo->currentText();
    m_firstChannelCombo->clear();
    const int n = PatchChannelCount(m_currentProfile);
    if (n >= 1) {
        const QList<CPatchBlock*> blocks = BlocksOfUniverse(m_universeCombo->currentIndex());
        QStringList starts;
        for (int p = 0; p + n <= m_channelsPerUniverse; ++p) {
            if (IsRangeFree(blocks, p, n))
                starts << QString::number(p + 1);
        }
        m_firstChannelCombo->addItems(starts);
    }
    const int found = toFirst ? 0 : std::max(0, m_firstChannelCombo->findText(previous));
    m_firstChannelCombo->setCurrentIndex(m_firstChannelCombo->count() > 0 ? found : -1);
    const bool ready = m_firstChannelCombo->count() > 0 && (m_listMode || !m_nameEdit->text().isEmpty());
    m_patchButton->setEnabled(ready);
    m_matrixButton->setEnabled(ready && m_builderFactory);
    m_updating = false;
}

void CPatchTab::UpdateCountRange()
{
    if (m_updating || !m_currentProfile)
        return;
    const int first = m_firstChannelCombo->currentText().toInt() - 1;
    const int m = first < 0 ? 0 : CountFittingFixtures(first, PatchChannelCount(m_currentProfile),
                                                     m_universeCombo->currentIndex());
    m_countSpin->setRange(m > 0 ? 1 : 0, m);
}

void CPatchTab::UpdateActions()
{
    const bool selected = !m_selection.isEmpty();
    for (QAction* action : {m_copyAction, m_renameAction, m_removeAction, m_importAction})
        action->setEnabled(selected);
    m_pasteAction->setEnabled(!m_clipboard.isEmpty());
    m_updateAction->setEnabled(selected && m_currentProfile);
    m_editAction->setEnabled(selected && m_selection.last()->IsInMatrix() && m_builderFactory);
    m_dipSwitch->SetAddress(selected ? m_selection.last()->m_start + 1 : 0);
}

void CPatchTab::RefreshAll()
{
    Refresh();
    UpdateCountRange();
    UpdateActions();
}

void CPatchTab::RepaintGrids()
{
    for (CPatchWnd* grid : m_grids)
        grid->update();
}

void CPatchTab::ShowUniverse(int universe)
{
    m_gridTabs->setCurrentIndex(universe);
}

// ---- Slots ----

void CPatchTab::SetListMode(bool on)
{
    m_listMode = on;
    (on ? m_radioList : m_radioCurrent)->setChecked(true);
}

void CPatchTab::OnRadioCurrent()
{
    SetListMode(false);
    m_currentProfile = m_dialog ? m_dialog->EditedProfile() : nullptr;
    RefreshAll();
}

void CPatchTab::OnRadioList()
{
    if (!m_selectedProfile) {
        // The box speaks over the choice as it was, and leaves the operator
        // where the missing profile is chosen: once the key or click that
        // asked is done, as an arrow key moves the focus after its click.
        SetListMode(false);
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::PatchMustSelectProfile));
        QMetaObject::invokeMethod(
            m_profileList,
            [list = m_profileList] {
                list->window()->activateWindow();
                list->setFocus(Qt::OtherFocusReason);
            },
            Qt::QueuedConnection);
        return;
    }
    SetListMode(true);
    m_currentProfile = m_selectedProfile;
    RefreshAll();
}

void CPatchTab::ResetProfile()
{
    m_currentProfile = nullptr;
    m_nameEdit->clear();
    SetListMode(false);
    RefreshAll();
}

void CPatchTab::SetCurrentProfile(const QString& name)
{
    m_currentProfile = m_dialog ? m_dialog->EditedProfile() : nullptr;
    m_nameEdit->setText(name.left(kMaxNameLength));
    SetListMode(false);
    RefreshAll();
}

void CPatchTab::OnNameEdited(const QString& text)
{
    const int n = PatchChannelCount(m_currentProfile);
    if (text.isEmpty() || n < 1) {
        m_patchButton->setEnabled(false);
        m_matrixButton->setEnabled(false);
        return;
    }
    if (m_patchButton->isEnabled())
        return;
    const QList<CPatchBlock*> blocks = BlocksOfUniverse(m_universeCombo->currentIndex());
    for (int p = 0; p + n <= m_channelsPerUniverse; ++p) {
        if (IsRangeFree(blocks, p, n)) {
            m_patchButton->setEnabled(true);
            m_matrixButton->setEnabled(bool(m_builderFactory));
            return;
        }
    }
}

void CPatchTab::OnUniverseChanged(int universe)
{
    if (universe < 0)
        return;
    ShowUniverse(universe);
    Refresh(true);
    UpdateCountRange();
    UpdateActions();
}

void CPatchTab::OnTabChanged(int universe)
{
    if (!m_movingBetweenUniverses)
        ClearSelection();
    m_universeCombo->setCurrentIndex(universe);
    UpdateActions();
    RepaintGrids();
}

void CPatchTab::On1stChanChanged()
{
    UpdateCountRange();
}

void CPatchTab::OnNbFixtChanged()
{
    Refresh();
}

// ---- Patching ----

bool CPatchTab::AskRoomToAdd(const CLibraryProfile* profile, int fixtures, bool matrix) const
{
    // The patch as OK leaves it: a block per profile of free fixtures and
    // one per matrix, with what the command adds.
    QSet<const CLibraryProfile*> freeProfiles;
    qint64 newMembers = fixtures + (matrix ? 1 : 0);
    for (const CPatchBlock* block : m_blocks) {
        if (!block->IsInMatrix() && block->m_profile)
            freeProfiles.insert(block->m_profile);
        newMembers += block->m_new ? 1 : 0;
    }
    qint64 blocks = freeProfiles.size();
    for (const CPatchMatrixBlock* block : m_matrixBlocks) {
        blocks += block->m_members.isEmpty() ? 0 : 1;
        newMembers += block->m_new ? 1 : 0;
    }
    if (matrix || !profile || !freeProfiles.contains(profile))
        ++blocks;
    using B = CShowBounds;
    if (!B::AskRoom(m_project, B::PatchBlocks, blocks - B::Held(m_project, B::PatchBlocks)))
        return false;
    // New fixtures and matrices join the group shown too.
    const CGroup* shown = m_project.m_currentGroup;
    return !shown || shown == m_project.m_generalGroup || B::AskRoom(m_project, B::GroupMembers, newMembers);
}

bool CPatchTab::PreparePatch(QString& baseName)
{
    ClearSelection();
    if (PatchChannelCount(m_currentProfile) < 1)
        return false;
    if (m_listMode) {
        // Blocks only ever point at project copies: the tab's own selected
        // profile goes with the next selection.
        if (m_freshCopyNeeded || !m_listCopy) {
            m_freshCopyNeeded = false;
            if (!AddDroppedProfile())
                return false;
        } else {
            m_currentProfile = m_listCopy;
        }
        baseName = m_currentProfile->GetBaseName();
        return true;
    }
    baseName = m_nameEdit->text();
    if (baseName.isEmpty())
        return false;
    if (m_dialog && m_dialog->EditedProfile())
        m_dialog->ProfilePage()->StoreToProfile(m_dialog->EditedProfile());
    if (m_currentProfile->GetPath().isEmpty())
        m_currentProfile->m_path = baseName + QStringLiteral(".kvp");
    m_currentProfileUsed = true;
    return true;
}

void CPatchTab::OnPatch()
{
    if (PatchChannelCount(m_currentProfile) < 1)
        return;
    const CLibraryProfile* profile =
        !m_listMode ? m_currentProfile : m_freshCopyNeeded || !m_listCopy ? nullptr : m_listCopy;
    if (!AskRoomToAdd(profile, m_countSpin->value(), false))
        return;
    QString base;
    if (!PreparePatch(base))
        return;
    int u = m_universeCombo->currentIndex();
    int a = m_firstChannelCombo->currentText().toInt() - 1;
    const int count = m_countSpin->value();
    const int n = PatchChannelCount(m_currentProfile);
    if (a < 0 || u < 0)
        return;
    ShowUniverse(u);
    QList<CPatchBlock*> blocks = BlocksOfUniverse(u);
    for (int i = 0; i < count; ++i) {
        if (a + n > m_channelsPerUniverse) {
            if (u == m_universeCount - 1) {
                ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::PatchNotEnoughSpace));
                break;
            }
            ShowUniverse(++u);
            blocks = BlocksOfUniverse(u);
            a = 0;
        }
        if (!IsRangeFree(blocks, a, n)) {
            ShowHost().ShowInformation(GetLangText(Txt::Error), GetLangText(Txt::PatchNotEnoughSpace));
            break;
        }
        auto* block = new CPatchBlock(m_currentProfile, u, a % m_channelsPerUniverse, -1);
        SetIdAndName(block, base);
        m_blocks << block;
        blocks << block;
        a += n;
    }
    RefreshAll();
    m_countSpin->setValue(m_countSpin->minimum());
    RepaintGrids();
}

void CPatchTab::OnMatrix()
{
    if (!m_builderFactory || PatchChannelCount(m_currentProfile) < 1 || !AskRoomToAdd(nullptr, 0, true))
        return;
    QString base;
    if (!PreparePatch(base))
        return;
    const int u = m_universeCombo->currentIndex();
    const int a = m_firstChannelCombo->currentText().toInt() - 1;
    const int n = PatchChannelCount(m_currentProfile);
    int blocked = 0;
    const int m = CountFittingFixtures(a, n, u, &blocked);
    if (m == 0)
        return;
    ShowUniverse(u);
    const int side = std::min(int(std::sqrt(double(m))), 10);
    std::unique_ptr<CMatrixBuilder> builder = m_builderFactory();
    if (!builder || !builder->Run({m_currentProfile, u, a, side, side, blocked, m, nullptr}, this))
        return;
    int placeable = 0;
    for (int i = 0; i < builder->CellCount(); ++i)
        placeable += IsPlaceableCell(*builder, i, n) ? 1 : 0;
    if (!AskRoomToAdd(nullptr, placeable, true))
        return;
    auto* matrix = new CPatchMatrixBlock(m_currentProfile, builder->Columns(), builder->Rows());
    matrix->m_id = NextFreeMatrixId();
    const int baseId = FirstFreeIdRange(matrix) - 1;
    for (int i = 0; i < builder->CellCount(); ++i) {
        if (!IsPlaceableCell(*builder, i, n))
            continue;
        const int cu = builder->CellUniverse(i);
        const int address = builder->CellAddress(i);
        auto* block = new CPatchBlock(m_currentProfile, cu, address, matrix->m_id);
        block->m_id = baseId + builder->CellNumber(i);
        SetIdAndName(block, base);
        m_blocks << block;
        matrix->m_members << block;
        matrix->m_cells << builder->CellLayoutRect(i);
    }
    m_matrixBlocks << matrix;
    RefreshAll();
    m_countSpin->setValue(m_countSpin->minimum());
    RepaintGrids();
}

bool CPatchTab::IsPlaceableCell(const CMatrixBuilder& builder, int cell, int channelCount) const
{
    const QRect grid = builder.CellGridRect(cell);
    const int universe = builder.CellUniverse(cell);
    const int address = builder.CellAddress(cell);
    return grid.left() <= grid.right() && grid.top() <= grid.bottom() && universe >= 0 &&
           universe < m_universeCount && address >= 0 && address + channelCount <= m_channelsPerUniverse;
}

void CPatchTab::EditMatrix()
{
    if (!m_builderFactory || m_selection.isEmpty() || !m_selection.last()->IsInMatrix())
        return;
    CPatchMatrixBlock* matrix = FindMatrixBlock(m_selection.last()->m_matrixId);
    if (!matrix || matrix->m_members.isEmpty())
        return;
    const int n = PatchChannelCount(matrix->m_profile);
    int firstStart = 0, firstUniverse = 0, lastStart = 0, lastUniverse = 0;
    matrix->FirstAddress(firstStart, firstUniverse);
    matrix->LastAddress(lastStart, lastUniverse);
    int blocked = 0;
    const int m = CountFittingFixtures(lastStart + n, n, lastUniverse, &blocked);
    std::unique_ptr<CMatrixBuilder> builder = m_builderFactory();
    if (!builder || !builder->Run({matrix->m_profile, firstUniverse, firstStart, matrix->m_columns, matrix->m_rows,
                                   blocked, m + int(matrix->m_members.size()), matrix},
                                  this))
        return;
    ClearSelection();
    UpdateActions();
    matrix->m_edited = true;
    // The new size decides the ID range, or an enlarged matrix would take
    // the IDs of the fixtures after it.
    matrix->m_columns = builder->Columns();
    matrix->m_rows = builder->Rows();
    const int baseId = FirstFreeIdRange(matrix) - 1;
    const QString base = matrix->m_profile ? matrix->m_profile->GetBaseName() : QString();
    QList<CPatchBlock*> kept;
    for (int i = 0; i < builder->CellCount(); ++i) {
        if (!IsPlaceableCell(*builder, i, n))
            continue;
        const int cu = builder->CellUniverse(i);
        const int address = builder->CellAddress(i);
        CPatchBlock* block = builder->CellBlock(i);
        const int index = block ? matrix->IndexOf(block) : -1;
        if (index >= 0) {
            block->m_universe = cu;
            block->SetStart(address);
            matrix->m_cells[index] = builder->CellLayoutRect(i);
        } else {
            block = new CPatchBlock(matrix->m_profile, cu, address, matrix->m_id);
            m_blocks << block;
            matrix->m_members << block;
            matrix->m_cells << builder->CellLayoutRect(i);
        }
        block->m_id = baseId + builder->CellNumber(i);
        SetIdAndName(block, base);
        kept << block;
    }
    matrix->RemoveMembersNotIn(kept, m_blocks, m_removedFixtures, [this](CPatchBlock* block) { Forget(block); });
    RefreshAll();
    RepaintGrids();
}

// ---- Selection ----

void CPatchTab::AddToSelection(CPatchBlock* block)
{
    m_selection << block;
    m_savedStarts << block->m_start;
    m_savedUniverses << block->m_universe;
}

void CPatchTab::ClearSelection()
{
    m_selection.clear();
    m_savedStarts.clear();
    m_savedUniverses.clear();
}

void CPatchTab::Forget(CPatchBlock* block)
{
    Deselect(block);
    m_clipboard.removeAll(block);
}

void CPatchTab::Deselect(CPatchBlock* block)
{
    for (int i = m_selection.size() - 1; i >= 0; --i) {
        if (m_selection[i] == block) {
            m_selection.removeAt(i);
            m_savedStarts.removeAt(i);
            m_savedUniverses.removeAt(i);
        }
    }
}

void CPatchTab::SelectBlock(CPatchBlock* block, bool control, bool shift, bool fromGrid)
{
    if (!block) {
        ClearSelection();
        return;
    }
    if (fromGrid && !control && !IsSelected(block))
        ClearSelection();
    if (!block->IsInMatrix() || !shift) {
        if (!IsSelected(block))
            AddToSelection(block);
        else if (control)
            Deselect(block);
        return;
    }
    for (CPatchBlock* other : m_blocks) {
        if (other->m_matrixId == block->m_matrixId && other->m_universe == block->m_universe && !IsSelected(other))
            AddToSelection(other);
    }
}

void CPatchTab::SelectInRect(const QRect& band, bool control, bool shift, int universe)
{
    if (!control)
        ClearSelection();
    const CPatchWnd* grid = Grid(universe);
    const QRect area = band.normalized();
    bool hit = false;
    for (CPatchBlock* block : BlocksOfUniverse(universe)) {
        for (int channel = block->m_start; grid && channel <= block->m_end; ++channel) {
            if (grid->CellRect(channel).intersects(area)) {
                SelectBlock(block, control, shift, false);
                hit = true;
                break;
            }
        }
    }
    if (!hit)
        ClearSelection();
    UpdateActions();
}

// ---- Moving ----

void CPatchTab::MoveSelection(int universe, int delta)
{
    if (m_selection.isEmpty())
        return;
    for (int i = 0; i < m_selection.size(); ++i) {
        if (delta < 0)
            delta = std::max(delta, -m_savedStarts[i]);
        else
            delta = std::min(delta, kDmxChannelsPerUniverse - m_savedStarts[i] - m_selection[i]->ChannelCount());
    }
    for (int i = 0; i < m_selection.size(); ++i) {
        CPatchBlock* block = m_selection[i];
        block->SetStart(m_savedStarts[i] + delta);
        block->m_overlap = !IsBlockPlaceFree(universe, block);
    }
}

void CPatchTab::MoveSelectionToUniverse(int universe)
{
    const int shown = m_gridTabs->currentIndex();
    if (universe == shown || !Grid(universe))
        return;
    m_movingBetweenUniverses = true;
    ShowUniverse(universe);
    if (CPatchWnd* from = Grid(shown))
        Grid(universe)->TakeMoveFrom(*from);
    for (CPatchBlock* block : m_selection) {
        block->m_universe = universe;
        block->m_overlap = !IsBlockPlaceFree(universe, block);
    }
    m_movingBetweenUniverses = false;
    RepaintGrids();
}

void CPatchTab::CommitMove()
{
    for (int i = 0; i < m_selection.size(); ++i) {
        m_selection[i]->m_overlap = false;
        m_savedStarts[i] = m_selection[i]->m_start;
        m_savedUniverses[i] = m_selection[i]->m_universe;
    }
    RefreshAll();
}

void CPatchTab::RevertMove(int universe)
{
    for (int i = m_selection.size() - 1; i >= 0; --i) {
        CPatchBlock* block = m_selection[i];
        block->m_overlap = false;
        block->m_universe = m_savedUniverses[i];
        block->SetStart(m_savedStarts[i]);
        if (m_savedUniverses[i] != universe) {
            m_selection.removeAt(i);
            m_savedStarts.removeAt(i);
            m_savedUniverses.removeAt(i);
        }
    }
    RefreshAll();
}

// ---- Clipboard and edits ----

void CPatchTab::Copy()
{
    m_clipboard = m_selection;
    UpdateActions();
}

void CPatchTab::Paste()
{
    // Copies of blocks the patch holds: new fixtures, no new profile.
    int copies = 0;
    const CLibraryProfile* profile = nullptr;
    for (const CPatchBlock* source : qAsConst(m_clipboard)) {
        if (!source->IsInMatrix() && source->ChannelCount() >= 1) {
            ++copies;
            profile = source->m_profile;
        }
    }
    if (copies > 0 && !AskRoomToAdd(profile, copies, false))
        return;
    const int u = m_gridTabs->currentIndex();
    const QList<CPatchBlock*> blocks = BlocksOfUniverse(u);
    int a = 0;
    for (const CPatchBlock* block : blocks)
        a = std::max(a, block->m_end + 1);
    for (const CPatchBlock* source : QList<CPatchBlock*>(m_clipboard)) {
        const int n = source->ChannelCount();
        if (source->IsInMatrix() || n < 1)
            continue;
        for (int p = a; p <= m_channelsPerUniverse - n; p += n + 1) {
            if (IsRangeFree(blocks, p, n)) {
                auto* copy = new CPatchBlock(*source, u, p);
                SetIdAndName(copy, NameBase(source->m_name));
                m_blocks << copy;
                a = p + n;
                break;
            }
        }
    }
    RepaintGrids();
    RefreshAll();
}

void CPatchTab::Rename()
{
    if (m_selection.isEmpty() || !m_dialog)
        return;
    QString text = NameBase(m_selection.first()->m_name);
    if (!Prompts().GetText(this, GetLangText(Txt::PatchRename), GetLangText(Txt::PatchName), text))
        return;
    text = text.trimmed().left(kMaxNameLength);
    if (text.isEmpty())
        return;
    for (CPatchBlock* block : m_selection)
        SetIdAndName(block, text);
    RepaintGrids();
}

void CPatchTab::Remove()
{
    for (int i = m_blocks.size() - 1; i >= 0; --i) {
        CPatchBlock* block = m_blocks[i];
        if (!IsSelected(block))
            continue;
        if (CPatchMatrixBlock* matrix = block->IsInMatrix() ? FindMatrixBlock(block->m_matrixId) : nullptr) {
            const int index = matrix->IndexOf(block);
            if (index >= 0) {
                matrix->m_members.removeAt(index);
                matrix->m_cells.removeAt(index);
            }
            if (matrix->m_members.isEmpty()) {
                if (!matrix->m_new && matrix->m_matrix && !m_removedMatrices.contains(matrix->m_matrix))
                    m_removedMatrices << matrix->m_matrix;
                m_matrixBlocks.removeAll(matrix);
                delete matrix;
            }
        }
        if (!block->m_new && block->m_fixture)
            m_removedFixtures << block->m_fixture;
        Forget(block);
        m_blocks.removeAt(i);
        delete block;
    }
    ClearSelection();
    m_clipboard.clear();
    RepaintGrids();
    RefreshAll();
}
