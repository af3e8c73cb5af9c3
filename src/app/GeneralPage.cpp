#include "app/GeneralPage.h"

#include "Captions.h"
#include "app/options/AppOptions.h"
#include "app/ModalWrappers.h"
#include "model/Language.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QPushButton>

namespace {

constexpr int kRefreshChoices = 4;
constexpr int kRefreshStepMs = 40;

} // namespace

CGeneralPage::CGeneralPage(const CAppOptions& options, QWidget* parent)
    : QWidget(parent)
    , m_shownLanguage(options.LanguageInUse())
    , m_language(new QComboBox(this))
    , m_startScenes(new QCheckBox(GetLangText(Txt::OptionsStartScenes), this))
    , m_openLastProject(new QCheckBox(GetLangText(Txt::OptionsOpenLastProject), this))
    , m_stayOnTop(new QCheckBox(GetLangText(Txt::OptionsStayOnTop), this))
    , m_backgroundButton(new QPushButton(this))
    , m_refresh(new QComboBox(this))
{
    for (int i = 0; i < CAppOptions::kLanguageCount; ++i)
        m_language->addItem(GetLanguageName(i));
    m_language->setCurrentIndex(m_shownLanguage);
    m_startScenes->setChecked(options.m_bStartScenes);
    m_openLastProject->setChecked(options.m_bOpenLastProject);
    m_stayOnTop->setChecked(options.m_bStayOnTop);
    for (int choice = 1; choice <= kRefreshChoices; ++choice)
        m_refresh->addItem(GetLangText(Txt::OptionsRefreshMs).arg(choice * kRefreshStepMs));
    m_refresh->setCurrentIndex(qBound(1, options.m_refreshChoice, kRefreshChoices) - 1);
    SetBackground(options.m_panelBackground);
    connect(m_backgroundButton, &QPushButton::clicked, this, &CGeneralPage::OnChooseBackground);

    auto* form = new QFormLayout(this);
    form->addRow(GetLangText(Txt::OptionsLanguage) + QStringLiteral(" :"), m_language);
    form->addRow(m_startScenes);
    form->addRow(m_openLastProject);
    form->addRow(m_stayOnTop);
    form->addRow(GetLangText(Txt::OptionsBackground) + QStringLiteral(" :"), m_backgroundButton);
    form->addRow(GetLangText(Txt::OptionsRefresh) + QStringLiteral(" :"), m_refresh);
}

void CGeneralPage::SetBackground(const QColor& color)
{
    m_background = color;
    QPixmap swatch(32, 16);
    swatch.fill(color);
    m_backgroundButton->setIcon(QIcon(swatch));
    m_backgroundButton->setIconSize(swatch.size());
}

void CGeneralPage::OnChooseBackground()
{
    SuspendVideoWindow();
    const QColor color = QColorDialog::getColor(m_background, this, GetLangText(Txt::OptionsBackground));
    ResumeVideoWindow();
    if (color.isValid())
        SetBackground(color);
}

void CGeneralPage::Store(CAppOptions& options) const
{
    // A language the operator did not touch stays "the system's" when it
    // was never chosen.
    if (m_language->currentIndex() >= 0 && m_language->currentIndex() != m_shownLanguage)
        options.m_language = m_language->currentIndex();
    options.m_bStartScenes = m_startScenes->isChecked();
    options.m_bOpenLastProject = m_openLastProject->isChecked();
    options.m_bStayOnTop = m_stayOnTop->isChecked();
    options.m_panelBackground = m_background;
    if (m_refresh->currentIndex() >= 0)
        options.m_refreshChoice = m_refresh->currentIndex() + 1;
}
