#include "live/FadingWnd.h"

#include "Captions.h"
#include "live/SceneButtonMime.h"
#include "model/Language.h"
#include "show/FadingButton.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowBounds.h"
#include "show/ShowHost.h"
#include "widgets/TimeBoxDelegate.h"
#include "widgets/TimeWidget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QTableWidgetItem* FixedItem(const QString& text = QString())
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QTableWidgetItem* CheckItem(bool checked, const QString& text = QString())
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

QTableWidgetItem* TimeItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    return item;
}

// The list a scene is in, seen through that list's fields of the scene.
bool& InList(CScene* scene, int list)
{
    return list == CFadingWnd::FadeOutList ? scene->m_inFadeOutList : scene->m_inFadeInList;
}
bool& Checked(CScene* scene, int list)
{
    return list == CFadingWnd::FadeOutList ? scene->m_checkOutList : scene->m_checkInList;
}
int& Place(CScene* scene, int list)
{
    return list == CFadingWnd::FadeOutList ? scene->m_fadeOutId : scene->m_fadeInId;
}
bool& Dynamic(CScene* scene, int list)
{
    return list == CFadingWnd::FadeOutList ? scene->m_dynamicFadeOut : scene->m_dynamicFadeIn;
}

} // namespace

CFadingWnd::CFadingWnd(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    for (int list : {FadeOutList, FadeInList}) {
        m_listLabels[list] = new QLabel(this);
        auto* table = new QTableWidget(0, ColumnCount, this);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->setSelectionMode(QAbstractItemView::SingleSelection);
        table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                               | QAbstractItemView::EditKeyPressed);
        table->verticalHeader()->hide();
        table->horizontalHeader()->setStretchLastSection(true);
        auto* times = new CTimeBoxDelegate(table);
        table->setItemDelegateForColumn(ColDelay, times);
        table->setItemDelegateForColumn(ColFade, times);
        table->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(table, &QTableWidget::itemChanged, this, &CFadingWnd::OnItemChanged);
        connect(table, &QWidget::customContextMenuRequested, this, &CFadingWnd::OnListMenu);
        m_tables[list] = table;
        layout->addWidget(m_listLabels[list]);
        layout->addWidget(table, 1);
    }

    auto* transport = new QHBoxLayout;
    m_goButton = new QPushButton(this);
    m_pauseButton = new QPushButton(this);
    m_pauseButton->setCheckable(true);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_timeWidget = new CTimeWidget(0, this);
    m_storeButton = new QPushButton(this);
    transport->addWidget(m_goButton);
    transport->addWidget(m_pauseButton);
    transport->addWidget(m_progressBar, 1);
    transport->addWidget(m_timeWidget);
    transport->addWidget(m_storeButton);
    layout->addLayout(transport);
    connect(m_goButton, &QPushButton::clicked, this, &CFadingWnd::Go);
    connect(m_pauseButton, &QPushButton::toggled, this, &CFadingWnd::SetPaused);
    connect(m_storeButton, &QPushButton::clicked, this, &CFadingWnd::OnStore);

    // The stored crossfades scroll sideways: a show may hold thousands,
    // and the panel must never ask the window to be wider than the screen.
    m_buttonScroll = new QScrollArea(this);
    m_buttonScroll->setObjectName(QStringLiteral("fadingButtonsScroll"));
    m_buttonScroll->setFrameShape(QFrame::NoFrame);
    m_buttonScroll->setWidgetResizable(true);
    m_buttonScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_buttonScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_buttonStrip = new QWidget(m_buttonScroll);
    m_buttonLayout = new QHBoxLayout(m_buttonStrip);
    m_buttonLayout->setContentsMargins(0, 0, 0, 0);
    m_buttonLayout->addStretch(1);
    m_buttonScroll->setWidget(m_buttonStrip);
    layout->addWidget(m_buttonScroll);
    FitButtonScrollHeight();

    m_askName = [this](QString& name) {
        const std::unique_ptr<QInputDialog> dialog = NameDialog(this, name);
        ShowHost().SuspendVideoWindow();
        const bool ok = dialog->exec() == QDialog::Accepted;
        ShowHost().ResumeVideoWindow();
        if (ok)
            name = dialog->textValue();
        return ok;
    };

    Retranslate();
    UpdateTransport();
}

CFadingWnd::~CFadingWnd() = default;

std::unique_ptr<QInputDialog> CFadingWnd::NameDialog(QWidget* parent, const QString& name)
{
    auto dialog = std::make_unique<QInputDialog>(parent);
    dialog->setWindowTitle(GetLangText(Txt::FadingStoreTitle));
    dialog->setLabelText(GetLangText(Txt::FadingName));
    dialog->setTextValue(name);
    // Sized to its input field alone the dialog is narrower than its title,
    // which the title bar then cuts; the allowance is for the bar's buttons.
    const int titleWidth = dialog->fontMetrics().horizontalAdvance(dialog->windowTitle());
    dialog->setMinimumWidth(qMax(dialog->minimumSizeHint().width(), titleWidth + kTitleBarAllowance));
    return dialog;
}

// --- What the show document reports

void CFadingWnd::UpdateProgress(CScene* scene)
{
    if (!m_running || m_paused || !scene || scene != m_reference.scene)
        return;
    ShowProgress(Elapsed(m_reference));
}

void CFadingWnd::OnSceneStopped(CScene* scene)
{
    if (!scene)
        return;
    const bool wasReference = m_running && scene == m_reference.scene;
    for (int i = m_run.size() - 1; i >= 0; --i) {
        if (m_run[i].scene == scene)
            m_run.removeAt(i);
    }
    if (wasReference) {
        ShowProgress(Duration(m_reference));
        EndRun();
    }
    emit pageButtonsChanged();
}

void CFadingWnd::ReplaceScene(CScene* oldScene, CScene* newScene)
{
    if (!oldScene || !newScene || oldScene == newScene)
        return;
    for (int list : {FadeOutList, FadeInList}) {
        const int row = m_scenes[list].indexOf(oldScene);
        if (row < 0)
            continue;
        m_scenes[list][row] = newScene;
        InList(newScene, list) = true;
        Place(newScene, list) = row;
        Checked(newScene, list) = Checked(oldScene, list);
        FillRow(list, row);
    }
    for (CRunScene& run : m_run) {
        if (run.scene == oldScene)
            run.scene = newScene;
    }
    if (m_reference.scene == oldScene)
        m_reference.scene = newScene;
    std::replace(m_pausedScenes.begin(), m_pausedScenes.end(), oldScene, newScene);
}

void CFadingWnd::RemoveScene(CScene* scene)
{
    if (!scene)
        return;
    for (int list : {FadeOutList, FadeInList}) {
        const int row = m_scenes[list].indexOf(scene);
        if (row < 0)
            continue;
        ClearSceneFlags(list, scene);
        m_scenes[list].removeAt(row);
        m_tables[list]->removeRow(row);
        Renumber(list);
    }
    // The scene is going away: nothing of a running crossfade may still
    // point at it, and the progress follows the longest fade that is left.
    m_pausedScenes.removeAll(scene);
    for (int i = m_run.size() - 1; i >= 0; --i) {
        if (m_run[i].scene == scene)
            m_run.removeAt(i);
    }
    if (m_running && m_reference.scene == scene) {
        m_reference = CRunScene();
        ChooseReference();
        if (!m_reference.scene)
            EndRun();
    }
}

void CFadingWnd::UpdateSceneName(CScene* scene)
{
    if (!scene)
        return;
    for (int list : {FadeOutList, FadeInList}) {
        const int row = m_scenes[list].indexOf(scene);
        if (row >= 0)
            FillRow(list, row);
    }
}

// --- Main window

void CFadingWnd::Reload()
{
    // The scenes may be gone with the former project, and their memory
    // reused by the new one: the run is dropped without touching them.
    m_run.clear();
    m_pausedScenes.clear();
    m_reference = CRunScene();
    m_running = false;
    m_paused = false;
    m_progress = 0;
    m_elapsed = 0;
    m_progressBar->setValue(0);
    m_timeWidget->SetTime(0);

    for (int list : {FadeOutList, FadeInList}) {
        QList<CScene*> found;
        for (CPage* page : qAsConst(m_project.m_pages)) {
            for (CScene* scene : qAsConst(page->m_scenes)) {
                if (InList(scene, list))
                    found << scene;
            }
        }
        // Saved places first, in their order; a scene without a place after them.
        std::stable_sort(found.begin(), found.end(), [list](CScene* a, CScene* b) {
            const int pa = Place(a, list);
            const int pb = Place(b, list);
            if ((pa < 0) != (pb < 0))
                return pb < 0;
            return pa < pb;
        });
        m_scenes[list] = found;
        Renumber(list);
        FillTable(list);
    }
    RebuildFadingButtons();
    UpdateTransport();
}

void CFadingWnd::Retranslate()
{
    m_listLabels[FadeOutList]->setText(GetLangText(Txt::FadingFadeOut));
    m_listLabels[FadeInList]->setText(GetLangText(Txt::FadingFadeIn));
    const QStringList headers = {QString(), GetLangText(Txt::FadingPage), GetLangText(Txt::FadingScene),
                                 GetLangText(Txt::FadingDelay), GetLangText(Txt::FadingFade),
                                 GetLangText(Txt::Dynamic)};
    for (int list : {FadeOutList, FadeInList}) {
        m_tables[list]->setHorizontalHeaderLabels(headers);
        FillTable(list);
    }
    m_goButton->setText(GetLangText(Txt::FadingGo));
    m_pauseButton->setText(GetLangText(Txt::FadingPause));
    m_storeButton->setText(GetLangText(Txt::FadingStore));
}

void CFadingWnd::SetEditMode(bool editing)
{
    m_editMode = editing;
    UpdateTransport();
}

// --- The lists

CPage* CFadingWnd::PageOf(const CScene* scene) const
{
    if (!scene)
        return nullptr;
    for (CPage* page : m_project.m_pages) {
        if (page->m_scenes.contains(const_cast<CScene*>(scene)))
            return page;
    }
    return nullptr;
}

bool CFadingWnd::AddScene(int list, CScene* scene, bool checked)
{
    if (list != FadeOutList && list != FadeInList)
        return false;
    if (!scene || m_scenes[list].contains(scene) || !PageOf(scene))
        return false;
    const int row = m_scenes[list].size();
    m_scenes[list] << scene;
    InList(scene, list) = true;
    Place(scene, list) = row;
    Checked(scene, list) = checked;
    m_filling = true;
    m_tables[list]->insertRow(row);
    m_filling = false;
    FillRow(list, row);
    SetModified();
    return true;
}

bool CFadingWnd::AddSceneButton(int list, int pageIndex, int sceneIndex)
{
    // The indexes come from a drag, whose page may have changed or gone since.
    if (pageIndex < 0 || pageIndex >= m_project.m_pages.size())
        return false;
    const CPage* page = m_project.m_pages[pageIndex];
    if (sceneIndex < 0 || sceneIndex >= page->m_scenes.size())
        return false;
    return AddScene(list, page->m_scenes[sceneIndex]);
}

void CFadingWnd::RemoveRow(int list, int row)
{
    if ((list != FadeOutList && list != FadeInList) || row < 0 || row >= m_scenes[list].size())
        return;
    ClearSceneFlags(list, m_scenes[list].takeAt(row));
    m_tables[list]->removeRow(row);
    Renumber(list);
    SetModified();
}

void CFadingWnd::ClearLists()
{
    for (int list : {FadeOutList, FadeInList}) {
        for (CScene* scene : qAsConst(m_scenes[list]))
            ClearSceneFlags(list, scene);
        m_scenes[list].clear();
        m_tables[list]->setRowCount(0);
    }
}

int CFadingWnd::RowCount(int list) const
{
    return list == FadeOutList || list == FadeInList ? m_scenes[list].size() : 0;
}

CScene* CFadingWnd::SceneAt(int list, int row) const
{
    if (row < 0 || row >= RowCount(list))
        return nullptr;
    return m_scenes[list][row];
}

int CFadingWnd::RowOf(int list, const CScene* scene) const
{
    return RowCount(list) ? m_scenes[list].indexOf(const_cast<CScene*>(scene)) : -1;
}

QTableWidget* CFadingWnd::Table(int list) const
{
    return list == FadeOutList || list == FadeInList ? m_tables[list] : nullptr;
}

void CFadingWnd::FillRow(int list, int row)
{
    CScene* scene = SceneAt(list, row);
    if (!scene)
        return;
    const CPage* page = PageOf(scene);
    const bool out = list == FadeOutList;
    QTableWidget* table = m_tables[list];
    // Items are updated in place: this also runs from their own change signal.
    auto cell = [table, row](int column, QTableWidgetItem* (*make)()) {
        QTableWidgetItem* item = table->item(row, column);
        if (!item) {
            item = make();
            table->setItem(row, column, item);
        }
        return item;
    };
    auto fixed = [] { return FixedItem(); };
    auto checkable = [] { return CheckItem(false); };
    auto time = [] { return TimeItem(QString()); };
    m_filling = true;
    cell(ColCheck, checkable)->setCheckState(Checked(scene, list) ? Qt::Checked : Qt::Unchecked);
    cell(ColPage, fixed)->setText(page ? page->m_name : QString());
    cell(ColScene, fixed)->setText(scene->m_name);
    cell(ColDelay, time)->setText(out ? scene->FadeOutDelayText() : scene->FadeInDelayText());
    cell(ColFade, time)->setText(out ? scene->CustomFadeOutText() : scene->CustomFadeInText());
    QTableWidgetItem* dynamic = cell(ColDynamic, checkable);
    dynamic->setCheckState(Dynamic(scene, list) ? Qt::Checked : Qt::Unchecked);
    dynamic->setText(out ? scene->DynamicFadeOutText() : scene->DynamicFadeInText());
    m_filling = false;
}

void CFadingWnd::FillTable(int list)
{
    m_filling = true;
    m_tables[list]->setRowCount(m_scenes[list].size());
    m_filling = false;
    for (int row = 0; row < m_scenes[list].size(); ++row)
        FillRow(list, row);
}

void CFadingWnd::Renumber(int list)
{
    for (int row = 0; row < m_scenes[list].size(); ++row)
        Place(m_scenes[list][row], list) = row;
}

void CFadingWnd::ClearSceneFlags(int list, CScene* scene)
{
    InList(scene, list) = false;
    Place(scene, list) = -1;
    Checked(scene, list) = false;
}

void CFadingWnd::OnItemChanged(QTableWidgetItem* item)
{
    if (m_filling || !item)
        return;
    const int list = item->tableWidget() == m_tables[FadeOutList] ? FadeOutList : FadeInList;
    const int row = item->row();
    CScene* scene = SceneAt(list, row);
    if (!scene)
        return;
    const bool out = list == FadeOutList;
    const QTime time = CTimeBoxDelegate::ParseCellText(item->text());
    switch (item->column()) {
    case ColCheck:
        Checked(scene, list) = item->checkState() == Qt::Checked;
        break;
    case ColDelay:
        out ? scene->SetFadeOutDelay(time) : scene->SetFadeInDelay(time);
        break;
    case ColFade:
        out ? scene->SetCustomFadeOut(time) : scene->SetCustomFadeIn(time);
        break;
    case ColDynamic:
        Dynamic(scene, list) = item->checkState() == Qt::Checked;
        break;
    default:
        return;
    }
    FillRow(list, row);
    SetModified();
}

void CFadingWnd::OnListMenu(const QPoint& pos)
{
    auto* table = qobject_cast<QTableWidget*>(sender());
    if (!table)
        return;
    const int list = table == m_tables[FadeOutList] ? FadeOutList : FadeInList;
    const int row = table->rowAt(pos.y());
    if (row < 0)
        return;
    QMenu menu(this);
    QAction* remove = menu.addAction(GetLangText(Txt::Remove));
    if (menu.exec(table->viewport()->mapToGlobal(pos)) == remove)
        RemoveRow(list, row);
}

// --- Drops of scene buttons

void CFadingWnd::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QLatin1String(SceneButtonMime::kFormat)))
        event->acceptProposedAction();
}

void CFadingWnd::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(QLatin1String(SceneButtonMime::kFormat)))
        event->acceptProposedAction();
}

void CFadingWnd::dropEvent(QDropEvent* event)
{
    int pageIndex = -1;
    int sceneIndex = -1;
    if (!SceneButtonMime::Decode(event->mimeData()->data(QLatin1String(SceneButtonMime::kFormat)), pageIndex,
                                 sceneIndex))
        return;
    // Onto the fade-out list it joins that list; anywhere else the fade-in list.
    QTableWidget* outTable = m_tables[FadeOutList];
    const bool ontoFadeOut = outTable->rect().contains(outTable->mapFrom(this, event->pos()));
    if (AddSceneButton(ontoFadeOut ? FadeOutList : FadeInList, pageIndex, sceneIndex))
        event->acceptProposedAction();
}

// --- The run

int CFadingWnd::Duration(const CRunScene& run)
{
    const CScene* s = run.scene;
    if (!s)
        return 0;
    return run.list == FadeOutList ? s->m_fadeOutDelay + s->m_customFadeOut : s->m_fadeInDelay + s->m_customFadeIn;
}

int CFadingWnd::Elapsed(const CRunScene& run)
{
    const CScene* s = run.scene;
    if (!s)
        return 0;
    // A delay counter runs past its delay by up to one tick before the fade
    // counter starts.
    if (run.list == FadeOutList)
        return std::clamp(s->m_fadeOutDelayCounter, 0, std::max(0, s->m_fadeOutDelay))
            + std::max(0, s->m_fadeOutCounter);
    return std::clamp(s->m_fadeInDelayCounter, 0, std::max(0, s->m_fadeInDelay)) + std::max(0, s->m_fadeInCounter);
}

void CFadingWnd::ChooseReference()
{
    m_reference = CRunScene();
    int longest = -1;
    for (const CRunScene& run : qAsConst(m_run)) {
        const int duration = Duration(run);
        if (duration > longest) {
            longest = duration;
            m_reference = run;
        }
    }
}

void CFadingWnd::Go()
{
    if (m_editMode)
        return;
    // A former run still paused lets its scenes go before this one starts.
    SetPaused(false);
    m_run.clear();
    m_reference = CRunScene();
    m_running = false;

    bool anything = false;
    const QList<CScene*>& fadeIns = m_scenes[FadeInList];
    for (CScene* scene : qAsConst(m_scenes[FadeOutList])) {
        // A scene that also fades in restarts from where it stands; stopping it
        // as well would end it at the next pending pass.
        if (!scene->m_checkOutList || (scene->m_checkInList && fadeIns.contains(scene)))
            continue;
        CPage* page = PageOf(scene);
        if (!page || !page->IsPlaying(scene) || page->IsPending(scene) || scene->m_stopping)
            continue;
        if (!page->StopScene(scene, false, true, false, true))
            continue;
        anything = true;
        if (Duration({scene, FadeOutList}) > 0)
            m_run << CRunScene{scene, FadeOutList};
    }
    for (CScene* scene : fadeIns) {
        if (!scene->m_checkInList)
            continue;
        CPage* page = PageOf(scene);
        if (!page || !page->PlayScene(scene, -1, -1, true))
            continue;
        anything = true;
        if (Duration({scene, FadeInList}) > 0)
            m_run << CRunScene{scene, FadeInList};
    }

    ChooseReference();
    m_running = m_reference.scene != nullptr;
    // Scenes without delay or fade have crossfaded at once.
    if (m_running || anything)
        ShowProgress(0);
    emit pageButtonsChanged();
    UpdateTransport();
}

void CFadingWnd::SetPaused(bool paused)
{
    if (paused == m_paused || (paused && !m_running)) {
        UpdateTransport();
        return;
    }
    if (paused) {
        for (const CRunScene& run : qAsConst(m_run)) {
            const CPage* page = PageOf(run.scene);
            if (page && page->IsPlaying(run.scene) && !m_pausedScenes.contains(run.scene)) {
                run.scene->m_paused = true;
                m_pausedScenes << run.scene;
            }
        }
    } else {
        for (CScene* scene : qAsConst(m_pausedScenes)) {
            if (PageOf(scene))
                scene->m_paused = false;
        }
        m_pausedScenes.clear();
    }
    m_paused = paused;
    UpdateTransport();
}

void CFadingWnd::EndRun()
{
    SetPaused(false);
    m_running = false;
    m_run.clear();
    m_reference = CRunScene();
    UpdateTransport();
}

void CFadingWnd::ShowProgress(int elapsed)
{
    const int duration = Duration(m_reference);
    m_elapsed = std::clamp(elapsed, 0, std::max(0, duration));
    m_progress = duration > 0 ? int(std::clamp<qint64>(qint64(m_elapsed) * 100 / duration, 0, 100)) : 100;
    m_progressBar->setValue(m_progress);
    m_timeWidget->SetTime(m_elapsed);
}

void CFadingWnd::UpdateTransport()
{
    m_goButton->setEnabled(!m_editMode);
    m_pauseButton->setEnabled(!m_editMode && m_running);
    const bool blocked = m_pauseButton->blockSignals(true);
    m_pauseButton->setChecked(m_paused);
    m_pauseButton->blockSignals(blocked);
    for (QPushButton* button : qAsConst(m_buttonWidgets))
        button->setEnabled(!m_editMode);
}

void CFadingWnd::SetModified()
{
    ShowHost().SetModified(true);
}

// --- Stored crossfades

QList<CFadingButton*> CFadingWnd::FadingButtons() const
{
    QList<CFadingButton*> buttons = m_project.m_fadingButtons;
    // Placed buttons in their places, then the ones never placed, in list order.
    std::stable_sort(buttons.begin(), buttons.end(), [](const CFadingButton* a, const CFadingButton* b) {
        if ((a->m_position < 0) != (b->m_position < 0))
            return b->m_position < 0;
        return a->m_position < b->m_position;
    });
    return buttons;
}

QPushButton* CFadingWnd::FadingButtonWidget(int index) const
{
    return index >= 0 && index < m_buttonWidgets.size() ? m_buttonWidgets[index] : nullptr;
}

void CFadingWnd::RebuildFadingButtons()
{
    // A button may be rebuilt from its own context menu: deleted later.
    for (QPushButton* widget : qAsConst(m_buttonWidgets)) {
        m_buttonLayout->removeWidget(widget);
        widget->hide();
        widget->deleteLater();
    }
    m_buttonWidgets.clear();
    const QList<CFadingButton*> buttons = FadingButtons();
    for (int i = 0; i < buttons.size(); ++i) {
        buttons[i]->m_position = i;
        AddButtonWidget(*buttons[i]);
    }
    FitButtonScrollHeight();
    UpdateTransport();
}

void CFadingWnd::AddButtonWidget(const CFadingButton& button)
{
    auto* widget = new QPushButton(button.m_name, m_buttonStrip);
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QPushButton::clicked, this, [this, widget] { Play(m_buttonWidgets.indexOf(widget)); });
    connect(widget, &QWidget::customContextMenuRequested, this, &CFadingWnd::OnFadingButtonsMenu);
    m_buttonLayout->insertWidget(m_buttonWidgets.size(), widget);
    m_buttonWidgets << widget;
}

void CFadingWnd::FitButtonScrollHeight()
{
    // A row of buttons and, below it, room for the scroll bar whether it
    // shows or not; without buttons the row takes no room.
    const int row = m_buttonStrip->sizeHint().height();
    m_buttonScroll->setFixedHeight(
        m_buttonWidgets.isEmpty() ? 0 : row + m_buttonScroll->horizontalScrollBar()->sizeHint().height());
}

CFadingButton* CFadingWnd::Store(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return nullptr;
    QList<CScene*> checked[2];
    for (int list : {FadeOutList, FadeInList}) {
        for (CScene* scene : qAsConst(m_scenes[list])) {
            if (Checked(scene, list) && PageOf(scene))
                checked[list] << scene;
        }
    }
    if (checked[FadeOutList].isEmpty() && checked[FadeInList].isEmpty())
        return nullptr;
    if (!CShowBounds::AskRoom(m_project, CShowBounds::FadingButtons))
        return nullptr;
    auto* button = new CFadingButton(trimmed);
    for (CScene* scene : qAsConst(checked[FadeOutList])) {
        button->m_fadeOutPages << PageOf(scene);
        button->m_fadeOutScenes << scene;
    }
    for (CScene* scene : qAsConst(checked[FadeInList])) {
        button->m_fadeInPages << PageOf(scene);
        button->m_fadeInScenes << scene;
    }
    button->m_position = m_project.m_fadingButtons.size();
    // The new button goes last: the others keep their widgets, which a
    // show of 4,096 buttons would otherwise make again at each Store.
    const bool inPlace = m_buttonWidgets.size() == m_project.m_fadingButtons.size();
    m_project.m_fadingButtons << button;
    if (inPlace) {
        AddButtonWidget(*button);
        FitButtonScrollHeight();
        UpdateTransport();
    } else {
        RebuildFadingButtons();
    }
    SetModified();
    return button;
}

void CFadingWnd::OnStore()
{
    // Asked before the name, so that nothing is typed for nothing.
    if (!CShowBounds::AskRoom(m_project, CShowBounds::FadingButtons))
        return;
    QString name = GetLangText(Txt::FadingDefaultName).arg(m_project.m_fadingButtons.size() + 1);
    if (m_askName && m_askName(name))
        Store(name);
}

void CFadingWnd::Load(CFadingButton* button)
{
    if (!button)
        return;
    ClearLists();
    // Only scenes still on a page: a stored crossfade may outlive a scene.
    for (CScene* scene : qAsConst(button->m_fadeOutScenes))
        AddScene(FadeOutList, scene, true);
    for (CScene* scene : qAsConst(button->m_fadeInScenes))
        AddScene(FadeInList, scene, true);
}

bool CFadingWnd::Play(int index)
{
    const QList<CFadingButton*> buttons = FadingButtons();
    if (m_editMode || index < 0 || index >= buttons.size())
        return false;
    Load(buttons[index]);
    Go();
    return true;
}

void CFadingWnd::RemoveFadingButton(int index)
{
    const QList<CFadingButton*> buttons = FadingButtons();
    if (index < 0 || index >= buttons.size())
        return;
    m_project.m_fadingButtons.removeOne(buttons[index]);
    delete buttons[index];
    RebuildFadingButtons();
    SetModified();
}

void CFadingWnd::OnFadingButtonsMenu(const QPoint& pos)
{
    auto* widget = qobject_cast<QPushButton*>(sender());
    const int index = m_buttonWidgets.indexOf(widget);
    if (index < 0)
        return;
    QMenu menu(this);
    QAction* remove = menu.addAction(GetLangText(Txt::Remove));
    if (menu.exec(widget->mapToGlobal(pos)) == remove)
        RemoveFadingButton(index);
}
