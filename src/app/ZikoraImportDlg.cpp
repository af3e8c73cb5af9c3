#include "app/ZikoraImportDlg.h"

#include "Captions.h"
#include "model/Language.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

CZikoraImportDlg::CZikoraImportDlg(const QStringList& sceneNames, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(GetLangText(Txt::ImportTitle));

    auto* list = new QWidget;
    auto* listLayout = new QVBoxLayout(list);
    for (const QString& name : sceneNames) {
        auto* box = new QCheckBox(name);
        box->setChecked(true);
        listLayout->addWidget(box);
        m_sceneBoxes << box;
    }
    listLayout->addStretch();

    // A file may hold hundreds of scenes.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(list);

    m_newTab = new QCheckBox(GetLangText(Txt::ImportInNewTab));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(GetLangText(Txt::SelectScenes)));
    layout->addWidget(scroll, 1);
    layout->addWidget(m_newTab);
    layout->addWidget(buttons);
    resize(320, 400);
}

QList<bool> CZikoraImportDlg::SceneChecks() const
{
    QList<bool> checks;
    for (const QCheckBox* box : m_sceneBoxes)
        checks << box->isChecked();
    return checks;
}

int CZikoraImportDlg::NewTabState() const
{
    return int(m_newTab->checkState());
}
