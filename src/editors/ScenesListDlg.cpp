#include "editors/ScenesListDlg.h"

#include "Captions.h"
#include "editors/ModalRun.h"
#include "model/Language.h"
#include "show/Page.h"
#include "show/Scene.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const char kSceneIndex[] = "sceneindex";
}

CScenesListDlg::CScenesListDlg(CPage* page, CScene* scene, QWidget* parent)
    : QDialog(parent), m_page(page), m_scene(scene), m_table(new QTableWidget(0, 2))
{
    MakeToolDialog(*this, GetLangText(Txt::EdReleaseList), 280, 200);
    m_table->setHorizontalHeaderLabels({GetLangText(Txt::EdName), GetLangText(Txt::EdList)});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->verticalHeader()->setMinimumSectionSize(20);
    m_table->horizontalHeader()->setDefaultSectionSize(200);
    m_table->horizontalHeader()->setMinimumSectionSize(20);
    m_table->horizontalHeader()->resizeSection(1, 20);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setHighlightSections(false);

    const QList<CScene*> scenes = page && scene ? page->m_scenes : QList<CScene*>();
    for (int i = 0; i < scenes.size(); ++i) {
        if (scenes[i] == scene)
            continue;
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        m_table->setItem(row, 0, new QTableWidgetItem(scenes[i]->m_name));
        auto* box = new QCheckBox;
        box->setProperty(kSceneIndex, i);
        box->setChecked(scene->m_releaseList.contains(scenes[i]));
        connect(box, &QCheckBox::stateChanged, this, &CScenesListDlg::OnCheckScene);
        m_table->setCellWidget(row, 1, box);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setContentsMargins(4, 4, 4, 4);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_table);
    column->addWidget(buttons);
}

void CScenesListDlg::OnCheckScene(int state)
{
    const QObject* box = sender();
    if (!box || !m_page || !m_scene)
        return;
    bool ok = false;
    const int index = box->property(kSceneIndex).toInt(&ok);
    if (!ok || index < 0 || index >= m_page->m_scenes.size())
        return;
    CScene* other = m_page->m_scenes.at(index);
    if (other == m_scene)
        return;
    if (state == Qt::Checked) {
        if (!m_scene->m_releaseList.contains(other))
            m_scene->m_releaseList << other;
    } else {
        m_scene->m_releaseList.removeAll(other);
    }
}
