#pragma once

#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

class CFadingButton;
class CPage;
class CProject;
class CScene;
class CTimeWidget;
class QHBoxLayout;
class QInputDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTableWidget;
class QTableWidgetItem;

// The crossfade window: a list of scenes to fade out and a list of scenes to
// fade in, each row with its own delay and fade time. Go releases the checked
// fade-out scenes and starts the checked fade-in scenes on those times; the
// progress follows the scene that takes longest. Stored crossfades are buttons
// that load both lists and run them.
//
// The lists live in the scenes themselves (list flags, places and check marks)
// so that they are saved with the project; the window shows them.
class CFadingWnd : public QWidget
{
    Q_OBJECT
public:
    enum List { FadeOutList = 0, FadeInList = 1 };
    enum Column { ColCheck = 0, ColPage, ColScene, ColDelay, ColFade, ColDynamic, ColumnCount };

    explicit CFadingWnd(CProject& project, QWidget* parent = nullptr);
    ~CFadingWnd() override;

    // --- What the show document reports (through the main window)
    // A scene of the run moved on: the reference scene's progress is shown.
    void UpdateProgress(CScene* scene);
    // A scene of the run finished its fade (or stopped some other way).
    void OnSceneStopped(CScene* scene);
    // The scene editor swapped scene objects.
    void ReplaceScene(CScene* oldScene, CScene* newScene);
    // The scene is about to be deleted.
    void RemoveScene(CScene* scene);
    // The scene (or its page) was renamed, or it moved to another page.
    void UpdateSceneName(CScene* scene);

    // --- Main window
    // After a project was opened, imported or made new: both lists from the
    // scenes, the buttons from the project. Pointers of the former project
    // are dropped without being read.
    void Reload();
    void Retranslate();
    // While an editor is open the transport and the stored crossfades are off.
    void SetEditMode(bool editing);

    // --- The lists
    // False when the scene is already in that list or has no page.
    bool AddScene(int list, CScene* scene, bool checked = true);
    // A dropped scene button; false for indexes that name no scene.
    bool AddSceneButton(int list, int pageIndex, int sceneIndex);
    void RemoveRow(int list, int row);
    // Both lists emptied; the scenes lose their list flags.
    void ClearLists();
    int RowCount(int list) const;
    CScene* SceneAt(int list, int row) const;
    int RowOf(int list, const CScene* scene) const;
    QTableWidget* Table(int list) const;

    // --- The run
    void Go();
    void SetPaused(bool paused);
    bool IsRunning() const { return m_running; }
    bool IsPaused() const { return m_paused; }
    CScene* ReferenceScene() const { return m_running ? m_reference.scene : nullptr; }
    // Of the reference scene: 0 to 100, and milliseconds into its delay + fade.
    int Progress() const { return m_progress; }
    int ElapsedMs() const { return m_elapsed; }
    QPushButton* GoButton() const { return m_goButton; }
    QPushButton* PauseButton() const { return m_pauseButton; }
    QPushButton* StoreButton() const { return m_storeButton; }

    // --- Stored crossfades
    // The checked rows of both lists under `name`; null when the name is
    // empty or nothing is checked.
    CFadingButton* Store(const QString& name);
    // Both lists become the button's scenes, all checked.
    void Load(CFadingButton* button);
    // Loads and runs the button; false when there is no such button.
    bool Play(int index);
    void RemoveFadingButton(int index);
    // The project's buttons in the order shown.
    QList<CFadingButton*> FadingButtons() const;
    QPushButton* FadingButtonWidget(int index) const;
    // Asks the name of a new stored crossfade; false when cancelled. The
    // default runs a modal input dialog.
    using NameAsker = std::function<bool(QString& name)>;
    void SetNameAsker(NameAsker asker) { m_askName = std::move(asker); }
    // The dialog the default asker runs, wide enough for its whole title.
    static std::unique_ptr<QInputDialog> NameDialog(QWidget* parent, const QString& name);
    static constexpr int kTitleBarAllowance = 160;

signals:
    // Scenes of a run started or ended: the live page marks its buttons again.
    void pageButtonsChanged();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void OnItemChanged(QTableWidgetItem* item);
    void OnStore();
    void OnFadingButtonsMenu(const QPoint& pos);
    void OnListMenu(const QPoint& pos);

private:
    struct CRunScene
    {
        CScene* scene = nullptr;
        int list = FadeOutList;
    };

    CPage* PageOf(const CScene* scene) const;
    void FillRow(int list, int row);
    void FillTable(int list);
    // Places and flags of a list follow its rows again.
    void Renumber(int list);
    void ClearSceneFlags(int list, CScene* scene);
    void RebuildFadingButtons();
    // A widget for the button at the end of the strip.
    void AddButtonWidget(const CFadingButton& button);
    void FitButtonScrollHeight();
    void EndRun();
    // Delay + fade of the scene in that list.
    static int Duration(const CRunScene& run);
    static int Elapsed(const CRunScene& run);
    void ChooseReference();
    void ShowProgress(int elapsed);
    void UpdateTransport();
    void SetModified();

    CProject& m_project;
    QList<CScene*> m_scenes[2];
    QTableWidget* m_tables[2] = {nullptr, nullptr};
    QLabel* m_listLabels[2] = {nullptr, nullptr};
    QPushButton* m_goButton = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QPushButton* m_storeButton = nullptr;
    QProgressBar* m_progressBar = nullptr;
    CTimeWidget* m_timeWidget = nullptr;
    QScrollArea* m_buttonScroll = nullptr;
    QWidget* m_buttonStrip = nullptr;
    QHBoxLayout* m_buttonLayout = nullptr;
    QList<QPushButton*> m_buttonWidgets;
    NameAsker m_askName;

    bool m_filling = false; // the tables are being written by the window itself
    bool m_editMode = false;
    bool m_running = false;
    bool m_paused = false;
    QList<CRunScene> m_run; // scenes of the run still fading
    QList<CScene*> m_pausedScenes;
    CRunScene m_reference;
    int m_progress = 0;
    int m_elapsed = 0;
};
