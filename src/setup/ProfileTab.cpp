#include "setup/ProfileTab.h"

#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/ProfileTypes.h"
#include "setup/AddFixturesDlg.h"
#include "setup/AssignBeamDlg.h"
#include "setup/BeamsView.h"
#include "setup/ChannelsList.h"
#include "setup/PatchTab.h"
#include "setup/ProfileChannelCtrl.h"
#include "setup/ProfileChannelsWnd.h"
#include "setup/ProfileEditRules.h"
#include "setup/ProfileEditorDialogs.h"
#include "show/Project.h"
#include "widgets/TitleWnd.h"
#include "widgets/ZKListItemDelegate.h"
#include "Captions.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>

namespace {

const QString kImages = QStringLiteral(":/Orvane/Images/");
const QString kFixtureImages = kImages + QStringLiteral("Fixtures/");

struct SPictureTab
{
    int caption;
    const char* pattern; // below Fixtures/, %1 from 1
    int count;
};

const SPictureTab kPictureTabs[] = {
    {Txt::ProfileLed, "LED/LED%1.png", 7},      {Txt::ProfileTrad, "TRAD/TRAD%1.png", 4},
    {Txt::ProfileScan, "SCAN/SCAN%1.png", 3},   {Txt::ProfileMovingHead, "MH/MH%1.png", 7},
    {Txt::ProfileLaser, "OTHER/LASER%1.png", 1}, {Txt::Other, "OTHER/OTHER%1.png", 6},
};
QString ChannelIcon(int type)
{
    return GetChannelTypeIcon(type, kImages + QStringLiteral("Channels/"));
}

const char* const kShapes[] = {"2D/Rect.png", "2D/Circle.png", "2D/Hexa.png", "2D/Triangle.png"};
constexpr int kPictureRole = Qt::UserRole;

QLabel* Caption(int text, int width, QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("    ") + GetLangText(text) + QStringLiteral(" :"), parent);
    // Longer captions of other languages widen the label rather than lose letters.
    label->setMinimumWidth(width);
    return label;
}

QListWidget* IconList(QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setViewMode(QListView::IconMode);
    list->setIconSize(QSize(48, 48));
    list->setResizeMode(QListView::Adjust);
    list->setItemDelegate(new CZKListItemDelegate(true, list));
    return list;
}

void AddPicture(QListWidget* list, const QString& path)
{
    auto* item = new QListWidgetItem(QIcon(path), QString(), list);
    item->setData(kPictureRole, path);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
}

} // namespace

CProfileTab::CProfileTab(CAddFixturesDlg* dialog, QWidget* parent)
    : QWidget(parent), m_dialog(dialog), m_dialogs(std::make_unique<CProfileEditorDialogs>())
{
    setMinimumSize(840, 500);
    setAutoFillBackground(true);

    auto* title = new CTitleWnd(GetLangText(Txt::ChooseProfileTypeShape), this);
    m_name = new QLineEdit(this);
    m_name->setAlignment(Qt::AlignCenter);
    m_name->setFixedWidth(200);
    m_count = new QLineEdit(QStringLiteral("0"), this);
    m_count->setAlignment(Qt::AlignCenter);
    m_count->setEnabled(false);
    m_count->setFixedWidth(40);

    m_fixtureTabs = new QTabWidget(this);
    m_fixtureTabs->setFixedSize(480, 81);
    for (const SPictureTab& tab : kPictureTabs) {
        QListWidget* list = IconList(m_fixtureTabs);
        for (int i = 1; i <= tab.count; ++i)
            AddPicture(list, kFixtureImages + QString::fromLatin1(tab.pattern).arg(i));
        connect(list, &QListWidget::itemClicked, this, &CProfileTab::OnFixtChanged);
        m_pictureLists << list;
        m_fixtureTabs->addTab(list, GetLangText(tab.caption));
    }
    m_shapes = IconList(this);
    m_shapes->setFixedSize(34, 146);
    // Four shapes stand one above the other in the narrow column.
    m_shapes->setIconSize(QSize(24, 24));
    m_shapes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_shapes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const char* shape : kShapes)
        AddPicture(m_shapes, kFixtureImages + QLatin1String(shape));
    connect(m_shapes, &QListWidget::itemClicked, this, &CProfileTab::OnShapeChanged);

    m_beamNumber = new QComboBox(this);
    m_beamNumber->setFixedWidth(200);
    OfferBeamNumbers(1);
    m_assign = new QPushButton(GetLangText(Txt::Assignation), this);
    m_assign->setFixedSize(140, 26);
    m_assign->setEnabled(false);
    m_beamsView = new CBeamsView;
    m_beamScroll = new QScrollArea(this);
    m_beamScroll->setWidgetResizable(true);
    m_beamScroll->setAlignment(Qt::AlignCenter);
    m_beamScroll->setFixedHeight(146);
    m_beamScroll->setWidget(m_beamsView);

    auto* channelTitle = new CTitleWnd(GetLangText(Txt::DragDropAddChannels), this);
    m_addCount = new QSpinBox(this);
    m_addCount->setFixedSize(35, 42);
    m_addCount->setRange(1, 99);
    m_addCount->setWrapping(true);
    m_channelTypes = new CChannelsList(this);
    m_channelTypes->setFixedHeight(42);
    connect(m_channelTypes, &QListWidget::itemClicked, this, &CProfileTab::OnChannelChanged);
    m_channels = new CProfileChannelsWnd(this);
    m_channelScroll = new QScrollArea(this);
    m_channelScroll->setWidgetResizable(true);
    m_channelScroll->setWidget(m_channels);

    const auto action = [this](int caption, const char* picture, void (CProfileTab::*slot)()) {
        auto* a = new QAction(QIcon(kImages + QStringLiteral("Patch/") + QLatin1String(picture)),
                              GetLangText(caption), this);
        a->setEnabled(false);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    m_add = action(Txt::Add, "Add.png", &CProfileTab::Add);
    m_remove = action(Txt::Remove, "Remove.png", &CProfileTab::Remove);
    m_update = action(Txt::Update, "Update.png", &CProfileTab::Update);
    m_copy = action(Txt::Copy, "Copy.png", &CProfileTab::Copy);
    m_paste = action(Txt::Paste, "Paste.png", &CProfileTab::Paste);
    for (int type : {ChannelType::Undef, ChannelType::Macro, ChannelType::Control}) {
        auto* a = new QAction(QIcon(ChannelIcon(type)), GetChannelTypeName(type), this);
        a->setData(type);
        connect(a, &QAction::triggered, this, &CProfileTab::UpdateIcon);
        m_typeActions << a;
    }
    auto* toolBar = new QToolBar(this);
    toolBar->setOrientation(Qt::Vertical);
    toolBar->setIconSize(QSize(24, 24));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->addActions(ChannelActions());

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(10);
    grid->addWidget(Caption(Txt::ProfileNameLabel, 120, this), 0, 0);
    grid->addWidget(m_name, 0, 1);
    grid->addWidget(Caption(Txt::ProfileChannelCount, 120, this), 0, 2);
    grid->addWidget(m_count, 0, 3);
    grid->addWidget(Caption(Txt::ProfileBeamNumber, 90, this), 1, 0);
    grid->addWidget(m_beamNumber, 1, 1);
    grid->addWidget(m_assign, 1, 2, 1, 2);
    grid->addWidget(m_fixtureTabs, 2, 0, 1, 4);
    auto* top = new QHBoxLayout;
    top->addLayout(grid, 0);
    top->addWidget(m_shapes, 0);
    top->addWidget(m_beamScroll, 1);
    auto* types = new QHBoxLayout;
    types->addWidget(m_channelTypes, 1);
    types->addWidget(m_addCount);
    auto* channels = new QHBoxLayout;
    channels->addWidget(m_channelScroll, 1);
    channels->addWidget(toolBar);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(title);
    layout->addLayout(top);
    layout->addLayout(types);
    layout->addWidget(channelTitle);
    layout->addLayout(channels, 1);

    connect(m_beamNumber, qOverload<int>(&QComboBox::currentIndexChanged), this, &CProfileTab::OnBeamNumberChanged);
    connect(m_assign, &QPushButton::pressed, this, &CProfileTab::OnAssignBeams);
    // The next patch or save stores the dragged layout: not into the
    // profile earlier patches use.
    connect(m_beamsView, &CBeamsView::beamsMoving, this, &CProfileTab::DetachUsedProfile);

    m_pictureLists.first()->setCurrentRow(0);
    m_shapes->setCurrentRow(0);
    LoadBeams();
}

CProfileTab::~CProfileTab() = default;

QPixmap CProfileTab::ChannelPicture(int type)
{
    return QPixmap(ChannelIcon(type));
}

void CProfileTab::SetDialogs(std::unique_ptr<CProfileEditorDialogs> dialogs)
{
    if (!dialogs)
        return;
    m_dialogs = std::move(dialogs);
    // The columns enable their Edit buttons by the dialogs there are.
    if (EditedProfile())
        m_channels->LoadChannels();
    UpdateChannelCount();
}

QList<QAction*> CProfileTab::ChannelActions() const
{
    return {m_add, m_remove, m_update, m_copy, m_paste};
}

CLibraryProfile* CProfileTab::EditedProfile() const
{
    return m_dialog ? m_dialog->EditedProfile() : nullptr;
}

void CProfileTab::RepaintChannels()
{
    // Numbers and beams show in the columns' cells.
    for (QWidget* widget : m_channels->findChildren<QWidget*>())
        widget->update();
    m_channels->update();
}

bool CProfileTab::HasChannel(int index) const
{
    return index >= 0 && index < m_channels->Columns().size();
}

// ---- Showing a profile ----

void CProfileTab::SetBeamNumber(int index)
{
    m_beamNumber->setCurrentIndex(qBound(0, index, m_beamNumber->count() - 1));
}

void CProfileTab::OfferBeamNumbers(int beams)
{
    // A profile file may hold more beams than a new layout is offered; the
    // choice shows them all, and a change of shape or number keeps them.
    const int count = qBound(int(CBeamsView::kMaxBeams), beams, int(CFixtureProfile::kMaxBeams));
    while (m_beamNumber->count() > count)
        m_beamNumber->removeItem(m_beamNumber->count() - 1);
    while (m_beamNumber->count() < count)
        m_beamNumber->addItem(QString::number(m_beamNumber->count() + 1));
}

void CProfileTab::ShowProfile(CLibraryProfile* profile)
{
    m_showing = true;
    m_name->setText(profile ? profile->GetBaseName() : QString());
    if (profile)
        profile->LinkChannels();
    m_channels->Clear();
    const int beams = profile && !profile->m_beams.isEmpty() ? profile->m_beams.size() : 1;
    OfferBeamNumbers(beams);
    SetBeamNumber(beams - 1);
    const int fixtureType = profile ? qBound(0, profile->m_fixtureType, m_pictureLists.size() - 1) : 0;
    m_fixtureTabs->setCurrentIndex(fixtureType);
    for (QListWidget* list : qAsConst(m_pictureLists))
        list->clearSelection();
    QListWidget* pictures = m_pictureLists[fixtureType];
    pictures->setCurrentRow(profile ? qBound(0, profile->m_pictureIndex, pictures->count() - 1) : 0);
    m_shapes->setCurrentRow(profile ? qBound(0, profile->m_shapeType, m_shapes->count() - 1) : 0);
    LoadBeams();
    m_currentChannel = -1;
    m_channels->LoadChannels();
    UpdateChannelCount();
    UpdateActions();
    m_showing = false;
}

void CProfileTab::Reset()
{
    m_showing = true;
    m_name->clear();
    m_channels->Clear();
    SetBeamNumber(0);
    OfferBeamNumbers(1);
    m_fixtureTabs->setCurrentIndex(0);
    for (QListWidget* list : qAsConst(m_pictureLists))
        list->clearSelection();
    m_pictureLists.first()->setCurrentRow(0);
    m_shapes->setCurrentRow(0);
    LoadBeams();
    m_currentChannel = -1;
    m_count->setText(QStringLiteral("0"));
    m_assign->setEnabled(false);
    UpdateActions();
    m_showing = false;
}

// ---- Beams ----

void CProfileTab::LoadBeams()
{
    const CLibraryProfile* profile = EditedProfile();
    m_beamsView->LoadPositions(profile ? profile->m_beams : QVector<CBeamPosition>{},
                               profile ? profile->m_shapeType : 0);
}

void CProfileTab::OnBeamNumberChanged(int index)
{
    if (!m_showing)
        DetachUsedProfile();
    m_beamsView->LayOutInRows(index + 1, qMax(0, m_shapes->currentRow()));
}

void CProfileTab::StoreToProfile(CLibraryProfile* profile)
{
    if (!profile)
        return;
    ProfileEditRules::RelinkProfile(*profile);
    profile->m_beams = m_beamsView->StoredPositions();
    profile->UpdateBeamExtent();
}

void CProfileTab::AutoAssignBeams()
{
    CLibraryProfile* profile = EditedProfile();
    CProfileMode* mode = profile ? profile->CurrentMode() : nullptr;
    if (!mode)
        return;
    const int lastBeam = qMax(CAssignBeamDlg::AutoAssign(*mode) - 1, 0);
    if (m_beamNumber->currentIndex() < lastBeam)
        SetBeamNumber(lastBeam);
    RepaintChannels();
}

void CProfileTab::OnAssignBeams()
{
    CLibraryProfile* profile = EditedProfile();
    if (!profile || !m_dialogs->CanAssignBeams())
        return;
    DetachUsedProfile();
    profile = EditedProfile();
    StoreToProfile(profile);
    if (!profile->CurrentMode())
        return;
    m_dialogs->AssignBeams(*profile, this);
    RepaintChannels();
}

// ---- The edited profile ----

bool CProfileTab::DetachUsedProfile()
{
    CLibraryProfile* profile = EditedProfile();
    if (!profile || !m_dialog || !m_dialog->PatchPage()->IsCurrentProfileUsed())
        return false;
    // The copy gets the editor's state; the patched original stays as the
    // patch saw it.
    auto* copy = new CLibraryProfile(*profile);
    copy->m_path = m_dialog->Project().UniqueProfileName();
    StoreToProfile(copy);
    m_dialog->AdoptEditedProfile(copy);
    m_channels->RebindToEditedProfile();
    return true;
}

void CProfileTab::CreateEditedProfile()
{
    if (!m_dialog || EditedProfile())
        return;
    auto* profile = new CLibraryProfile;
    profile->m_fixtureType = m_fixtureTabs->currentIndex();
    const QListWidget* pictures = m_pictureLists.value(profile->m_fixtureType);
    const QListWidgetItem* picture = pictures ? pictures->currentItem() : nullptr;
    profile->m_pictureIndex = picture ? pictures->row(picture) : 0;
    if (picture)
        profile->m_picture = picture->data(kPictureRole).toString();
    profile->m_shapeType = qMax(0, m_shapes->currentRow());
    profile->m_path = m_dialog->Project().UniqueProfileName();
    m_dialog->AdoptEditedProfile(profile);
}

// ---- Channel list ----

void CProfileTab::SetCurrentChannel(int index)
{
    m_currentChannel = HasChannel(index) ? index : -1;
    UpdateActions();
}

void CProfileTab::UpdateChannelCount()
{
    CLibraryProfile* profile = EditedProfile();
    CProfileMode* mode = profile ? profile->CurrentMode() : nullptr;
    if (mode)
        ProfileEditRules::RelinkMode(*mode);
    const int count = mode ? mode->ChannelCount() : 0;
    m_count->setText(QString::number(count));
    m_assign->setEnabled(count > 0 && m_dialogs->CanAssignBeams());
    if (!HasChannel(m_currentChannel))
        m_currentChannel = -1;
    RepaintChannels();
    UpdateActions();
}

void CProfileTab::UpdateActions()
{
    QPixmap pixmap;
    int type = 0;
    const bool typeChosen = m_channelTypes->GetCurrentChannelType(pixmap, type);
    const bool selected = HasChannel(m_currentChannel);
    m_add->setEnabled(typeChosen);
    m_remove->setEnabled(selected);
    m_update->setEnabled(typeChosen && selected);
    m_copy->setEnabled(selected);
    // Paste needs a profile to paste into.
    m_paste->setEnabled(m_clipboard && EditedProfile());
}

void CProfileTab::ScrollToChannel(int index)
{
    if (index < 0) {
        QScrollBar* bar = m_channelScroll->horizontalScrollBar();
        bar->setValue(bar->maximum());
    } else {
        m_channelScroll->ensureVisible((index + 1) * CProfileChannelCtrl::kWidth, 0, 50, 50);
    }
}

void CProfileTab::OnChannelChanged(QListWidgetItem* item)
{
    if (!item)
        return;
    m_addCount->setValue(1);
    m_channelTypes->setCurrentItem(item);
    UpdateActions();
}

void CProfileTab::Add()
{
    QPixmap pixmap;
    int type = 0;
    if (!m_channelTypes->GetCurrentChannelType(pixmap, type))
        return;
    const int at = HasChannel(m_currentChannel) ? m_currentChannel + 1 : -1;
    for (int i = 0; i < m_addCount->value(); ++i)
        m_channels->AddChannels(at, type, pixmap);
    ScrollToChannel(at);
    AutoAssignBeams();
    UpdateChannelCount();
}

void CProfileTab::Update()
{
    QPixmap pixmap;
    int type = 0;
    if (HasChannel(m_currentChannel) && m_channelTypes->GetCurrentChannelType(pixmap, type))
        m_channels->ChangeChannelType(m_currentChannel, type, pixmap);
}

void CProfileTab::UpdateIcon()
{
    const auto* action = qobject_cast<QAction*>(sender());
    if (!action || !HasChannel(m_currentChannel))
        return;
    const int type = action->data().toInt();
    m_channels->ChangeChannelType(m_currentChannel, type, ChannelPicture(type));
}

void CProfileTab::Remove()
{
    if (!HasChannel(m_currentChannel))
        return;
    m_channels->DeleteChannel(m_channels->Columns()[m_currentChannel]);
    m_currentChannel = -1;
    UpdateActions();
}

void CProfileTab::Copy()
{
    CLibraryProfile* profile = EditedProfile();
    const CProfileChannelDef* channel = profile && HasChannel(m_currentChannel) ? profile->GetChannel(m_currentChannel)
                                                                               : nullptr;
    if (!channel)
        return;
    m_clipboard = std::make_unique<CProfileChannelDef>(*channel);
    UpdateActions();
}

void CProfileTab::Paste()
{
    if (!EditedProfile() || !m_clipboard)
        return;
    m_channels->PasteChannel(HasChannel(m_currentChannel) ? m_currentChannel + 1 : -1, *m_clipboard);
    AutoAssignBeams();
    UpdateChannelCount();
}

// ---- Picture and shape ----

void CProfileTab::OnFixtChanged(QListWidgetItem* item)
{
    if (!item)
        return;
    const int tab = m_fixtureTabs->currentIndex();
    if (EditedProfile()) {
        DetachUsedProfile();
        CLibraryProfile* profile = EditedProfile();
        profile->m_fixtureType = tab;
        profile->m_pictureIndex = m_pictureLists[tab]->row(item);
        profile->m_picture = item->data(kPictureRole).toString();
    }
    for (int i = 0; i < m_pictureLists.size(); ++i) {
        if (i != tab)
            m_pictureLists[i]->clearSelection();
    }
}

void CProfileTab::OnShapeChanged(QListWidgetItem* item)
{
    if (!item)
        return;
    if (EditedProfile()) {
        DetachUsedProfile();
        EditedProfile()->m_shapeType = m_shapes->row(item);
    }
    OnBeamNumberChanged(m_beamNumber->currentIndex());
}
