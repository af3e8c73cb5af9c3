#include "setup/ProfileTab.h"

#include "model/LibraryProfile.h"

#include <QLineEdit>
#include <QVBoxLayout>

CProfileTab::CProfileTab(QWidget* parent) : QWidget(parent), m_name(new QLineEdit(this))
{
    m_name->setFixedWidth(180);
    m_name->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_name);
    layout->addStretch();
}

void CProfileTab::Reset()
{
    m_name->clear();
}

void CProfileTab::ShowProfile(CLibraryProfile* profile)
{
    m_name->setText(profile ? profile->GetBaseName() : QString());
}

void CProfileTab::StoreToProfile(CLibraryProfile*)
{
}
