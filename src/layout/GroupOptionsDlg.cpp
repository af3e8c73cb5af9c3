#include "layout/GroupOptionsDlg.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/Triggers.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/ShowHost.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kImageModes = 3;

CGroupOptionsDlg::TriggerDialogRunner& InstalledRunner()
{
    static CGroupOptionsDlg::TriggerDialogRunner runner;
    return runner;
}

QString Labelled(int text)
{
    return GetLangText(text) + QStringLiteral(" :");
}

QIcon Icon(const char* name)
{
    return QIcon(QStringLiteral(":/Orvane/Images/Icons/") + QLatin1String(name));
}

QSpinBox* SizeSpin(int minimum, int value, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(minimum, std::max(minimum, CGroupOptionsDlg::kMaxLayoutSide));
    spin->setSingleStep(50);
    spin->setValue(value);
    // Room for the largest value in the program's font.
    spin->setFixedWidth(std::max(70, spin->sizeHint().width()));
    return spin;
}

} // namespace

CGroupOptionsDlg::CGroupOptionsDlg(CProject& project, CGroup& group, const QRect& layoutRect, const QRect& extent,
                                   QWidget* parent)
    : QDialog(parent, Qt::Tool)
    , m_project(project)
    , m_group(group)
    , m_listedPages(project.m_pages)
    , m_name(new QLineEdit(group.m_name, this))
    , m_triggers(new QPushButton(group.m_triggers.GetText(), this))
    , m_page(new QComboBox(this))
    , m_drawGrid(new QCheckBox(GetLangText(Txt::GroupDrawGrid), this))
    , m_magneticGrid(new QCheckBox(GetLangText(Txt::GroupMagneticGrid), this))
    , m_colorLabel(new QLabel(this))
    , m_image(new QCheckBox(GetLangText(Txt::GroupImage), this))
    , m_imageMode(new QComboBox(this))
    , m_browse(new QPushButton(QStringLiteral("..."), this))
    , m_imagePath(new QLineEdit(group.m_backImage, this))
    , m_color(group.m_backColor)
    , m_sizeShown(layoutRect.left() <= layoutRect.right() && layoutRect.top() <= layoutRect.bottom())
{
    setWindowTitle(GetLangText(Txt::OptionsTitle));
    setPalette(ShowHost().ProgramPalette());
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* head = new QGridLayout;
    head->addWidget(new QLabel(Labelled(Txt::GroupName), this), 0, 0);
    head->addWidget(m_name, 0, 1);
    head->addWidget(new QLabel(Labelled(Txt::Triggers), this), 1, 0);
    head->addWidget(m_triggers, 1, 1);
    m_triggers->setEnabled(static_cast<bool>(InstalledRunner()));
    connect(m_triggers, &QPushButton::pressed, this, &CGroupOptionsDlg::OnTriggers);
    layout->addLayout(head);

    auto* pageBox = new QGroupBox(GetLangText(Txt::GroupPage), this);
    auto* pageRow = new QHBoxLayout(pageBox);
    pageRow->setContentsMargins(6, 2, 6, 6);
    pageRow->addWidget(new QLabel(Labelled(Txt::GroupLinkToTab), pageBox));
    pageRow->addWidget(m_page);
    m_page->addItem(QString());
    for (const CPage* page : qAsConst(project.m_pages))
        m_page->addItem(page->m_name);
    m_shownPage = group.m_page ? int(m_listedPages.indexOf(group.m_page)) + 1 : 0;
    m_page->setCurrentIndex(m_shownPage);
    layout->addWidget(pageBox);

    int sizeBoxHeight = 0;
    if (m_sizeShown) {
        auto* sizeBox = new QGroupBox(GetLangText(Txt::GroupSceneSize), this);
        auto* row = new QHBoxLayout(sizeBox);
        auto* grid = new QGridLayout;
        auto* width = new QLabel(GetLangText(Txt::GroupWidth), sizeBox);
        width->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        width->setFixedWidth(70);
        auto* height = new QLabel(GetLangText(Txt::GroupHeight), sizeBox);
        height->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        height->setFixedWidth(70);
        m_width = SizeSpin(extent.width(), layoutRect.width(), sizeBox);
        m_height = SizeSpin(extent.height(), layoutRect.height(), sizeBox);
        auto* times = new QLabel(QStringLiteral("x"), sizeBox);
        times->setAlignment(Qt::AlignCenter);
        grid->addWidget(width, 0, 0);
        grid->addWidget(height, 0, 2);
        grid->addWidget(m_width, 1, 0);
        grid->addWidget(times, 1, 1);
        grid->addWidget(m_height, 1, 2);
        row->addStretch();
        row->addLayout(grid);
        row->addStretch();
        // Its boxes keep their height under the labels; the dialog grows
        // by what the section takes.
        sizeBoxHeight = std::max(70, sizeBox->sizeHint().height());
        sizeBox->setFixedHeight(sizeBoxHeight);
        layout->addWidget(sizeBox);
    }

    auto* properties = new QGroupBox(GetLangText(Txt::GroupProperties), this);
    properties->setFixedHeight(70);
    auto* propertyRow = new QHBoxLayout(properties);
    propertyRow->addWidget(m_drawGrid);
    propertyRow->addWidget(m_magneticGrid);
    m_drawGrid->setChecked(group.m_drawGrid);
    m_magneticGrid->setChecked(group.m_magnetGrid);
    m_magneticGrid->setEnabled(group.m_drawGrid);
    connect(m_drawGrid, &QCheckBox::stateChanged, this, &CGroupOptionsDlg::OnCheckGrid);
    layout->addWidget(properties);

    auto* background = new QGroupBox(GetLangText(Txt::GroupBackground), this);
    background->setFixedHeight(120);
    auto* rows = new QVBoxLayout(background);
    auto* colorRow = new QHBoxLayout;
    colorRow->setContentsMargins(0, 0, 0, 0);
    colorRow->setSpacing(0);
    auto* colorButton = new QPushButton(background);
    colorButton->setIcon(Icon("Color.png"));
    colorButton->setFixedSize(32, 32);
    colorButton->setIconSize(QSize(24, 24));
    connect(colorButton, &QPushButton::pressed, this, &CGroupOptionsDlg::OnColor);
    m_colorLabel->setFixedHeight(30);
    m_colorLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_colorLabel->setAutoFillBackground(true);
    colorRow->addWidget(colorButton);
    colorRow->addWidget(m_colorLabel);
    rows->addLayout(colorRow);
    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(m_image);
    imageRow->addStretch();
    imageRow->addWidget(m_imageMode);
    m_imageMode->addItem(Icon("ImageStretch.png"), GetLangText(Txt::GroupStretch));
    m_imageMode->addItem(Icon("ImageAdjust.png"), GetLangText(Txt::GroupAdjust));
    m_imageMode->addItem(Icon("ImageCenter.png"), GetLangText(Txt::GroupCenter));
    m_shownImageMode = group.m_imageMode >= 0 && group.m_imageMode < kImageModes ? group.m_imageMode : 0;
    m_imageMode->setCurrentIndex(m_shownImageMode);
    rows->addLayout(imageRow);
    auto* pathRow = new QHBoxLayout;
    pathRow->setContentsMargins(0, 0, 0, 0);
    pathRow->setSpacing(0);
    m_browse->setFixedSize(26, 22);
    m_imagePath->setFixedHeight(20);
    pathRow->addWidget(m_browse);
    pathRow->addWidget(m_imagePath);
    rows->addLayout(pathRow);
    m_image->setChecked(group.m_drawBackImage);
    OnCheckImage(m_image->checkState());
    connect(m_image, &QCheckBox::stateChanged, this, &CGroupOptionsDlg::OnCheckImage);
    connect(m_browse, &QPushButton::pressed, this, &CGroupOptionsDlg::OnBrowseImage);
    layout->addWidget(background);
    ShowColor();

    layout->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(GetLangText(Txt::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(GetLangText(Txt::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CGroupOptionsDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // In a larger font than it was drawn for, the dialog grows rather than
    // lay its boxes over the buttons.
    setFixedSize(360, std::max(360 + sizeBoxHeight, minimumSizeHint().height()));
}

void CGroupOptionsDlg::SetTriggerDialogRunner(TriggerDialogRunner runner)
{
    InstalledRunner() = std::move(runner);
}

void CGroupOptionsDlg::ShowColor()
{
    m_colorLabel->setText(m_color.name());
    QPalette palette = m_colorLabel->palette();
    palette.setColor(QPalette::Window, m_color);
    m_colorLabel->setPalette(palette);
}

void CGroupOptionsDlg::OnTriggers()
{
    const TriggerDialogRunner& runner = InstalledRunner();
    if (runner && runner(m_group.m_triggers, this))
        m_triggers->setText(m_group.m_triggers.GetText());
}

void CGroupOptionsDlg::OnCheckGrid(int state)
{
    m_magneticGrid->setEnabled(state == Qt::Checked);
}

void CGroupOptionsDlg::OnCheckImage(int state)
{
    const bool on = state == Qt::Checked;
    m_imagePath->setEnabled(on);
    m_browse->setEnabled(on);
    m_imageMode->setEnabled(on);
}

void CGroupOptionsDlg::OnColor()
{
    const QColor color = m_colorRunner ? m_colorRunner(m_color, this) : QColorDialog::getColor(m_color, this, QString());
    if (!color.isValid())
        return;
    m_color = color;
    ShowColor();
}

void CGroupOptionsDlg::OnBrowseImage()
{
    const QString path = m_fileRunner ? m_fileRunner(this)
                                      : QFileDialog::getOpenFileName(this, GetLangText(Txt::GroupImages), QString(),
                                                                     GetLangText(Txt::GroupImageFilter));
    if (!path.isEmpty())
        m_imagePath->setText(path);
}

void CGroupOptionsDlg::OnOk()
{
    m_group.m_name = m_name->text();
    if (m_page->currentIndex() != m_shownPage) {
        CPage* page = m_listedPages.value(m_page->currentIndex() - 1, nullptr);
        m_group.m_page = m_project.m_pages.contains(page) ? page : nullptr;
    }
    m_group.m_backColor = m_color;
    m_group.m_backImage = m_imagePath->text();
    if (m_imageMode->currentIndex() != m_shownImageMode || m_group.m_imageMode == m_shownImageMode)
        m_group.m_imageMode = m_imageMode->currentIndex();
    m_group.m_drawGrid = m_drawGrid->isChecked();
    m_group.m_magnetGrid = m_magneticGrid->isChecked();
    m_group.m_drawBackImage = m_image->isChecked();
    if (m_sizeShown)
        m_group.m_layoutRect = QRect(0, 0, m_width->value(), m_height->value());
    accept();
}

void CGroupOptionsDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OnOk();
        break;
    case Qt::Key_Escape:
        reject();
        break;
    default:
        event->ignore();
        break;
    }
}
