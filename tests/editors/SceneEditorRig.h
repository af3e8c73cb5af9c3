#pragma once

#include "../show/PlaybackRig.h"
#include "../widgets/WidgetTestUtil.h"
#include "editors/EditSceneWnd.h"
#include "editors/ModalRun.h"
#include "effects/Effect.h"

#include <QDialog>
#include <QSignalSpy>
#include <QStringList>
#include <QTableWidget>
#include <memory>

// A page of scenes A, B and C on one RGB fixture and a scene editor beside
// it. Steps are written "fade/wait", an effect row "fx:<count>x<wait>".
class CSceneEditorRig : public CPlaybackRig
{
public:
    CSceneEditorRig()
    {
        WidgetTest::LoadCaptions();
        RegisterEffectOperations();
        rgb = Patch(RgbProfile(), 0, 0);
        for (const char* name : {"A", "B", "C"})
            AddScene(QString::fromLatin1(name));
        editor = std::make_unique<CEditSceneWnd>(project);
    }
    ~CSceneEditorRig()
    {
        editor.reset();
        SetDialogRunner(nullptr);
        SetOpenFileRunner(nullptr);
    }

    CScene* Scene(int n) const { return project.m_firstPage->m_scenes.value(n); }

    // Fills scene n with the steps written in `steps`, blank-separated.
    void Build(int n, const QString& steps)
    {
        CScene* scene = Scene(n);
        for (const QString& step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (step.startsWith(QLatin1String("fx:"))) {
                const QStringList parts = step.mid(3).split(QLatin1Char('x'));
                CEffect* effect = CreateEffect(EffectType::Gradient);
                scene->m_effects << effect;
                for (int i = 0; i < parts[0].toInt(); ++i)
                    AddStep(scene, 0, parts[1].toInt(), {{rgb, {i, 0, 0}}})->m_effect = effect;
            } else {
                const QStringList times = step.split(QLatin1Char('/'));
                AddStep(scene, times[0].toInt(), times[1].toInt(), {{rgb, {10, 20, 30}}});
            }
        }
    }

    // Opens scene n in the editor.
    void Open(int n = 0, const QString& steps = QString(), bool playing = false)
    {
        Build(n, steps);
        editor->SetScene(Page(), Scene(n), playing);
    }

    QString Column(int column) const
    {
        QStringList cells;
        const QTableWidget* table = column < 3 ? editor->StepsTable() : editor->UndoTable();
        for (int r = 0; r < table->rowCount(); ++r)
            cells << (table->item(r, column % 3) ? table->item(r, column % 3)->text() : QString());
        return cells.join(QLatin1Char(','));
    }
    QString UndoLabels() const { return Column(3); }

    // The fixture's red level in every step of the edited scene.
    QString Reds() const
    {
        QStringList reds;
        for (const CSceneStep* step : editor->Scene()->m_steps) {
            const CStepFixture* entry = step->FindEntry(rgb);
            reds << QString::number(entry ? entry->Level(0) : -1);
        }
        return reds.join(QLatin1Char(','));
    }

    void SelectRows(const QList<int>& rows)
    {
        QTableWidget* table = editor->StepsTable();
        table->clearSelection();
        for (int row : rows) {
            table->setCurrentCell(row, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    CPatchedFixture* rgb = nullptr;
    std::unique_ptr<CEditSceneWnd> editor;
};
