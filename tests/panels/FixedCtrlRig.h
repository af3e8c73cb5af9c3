#pragma once

#include "PanelsRig.h"
#include "app/OptionsFile.h"
#include "app/options/AppOptions.h"
#include "layout/view/FixturesView.h"
#include "model/FixtureMatrix.h"
#include "panels/PanTiltGridCtrl.h"
#include "panels/SavedSlotMenu.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>

// The panels rig with an options record, a layout view, a save menu that
// answers at once and a pointer that never moves.
class CFixedCtrlRig : public CPanelsRig
{
public:
    CFixedCtrlRig() : view(project)
    {
        host.options = &options;
        saveAsked = 0;
        SetSaveMenuRunner([](QWidget*) { return ++saveAsked > 0; });
        pointerMoves = 0;
        SetPointerMover([](const QPoint&) { ++pointerMoves; });
    }
    ~CFixedCtrlRig()
    {
        SetSaveMenuRunner(nullptr);
        SetPointerMover(nullptr);
        host.options = nullptr;
    }

    // The options as the next run of the program reads them back.
    CAppOptions ReadBack() const
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Orvane.ini"));
        CAppOptions read;
        if (COptionsFile::Save(options, path))
            COptionsFile::Load(read, path);
        return read;
    }

    // A row of `columns` RGB fixtures made a matrix; selected with `select`.
    CFixtureMatrix* RgbMatrix(int columns, bool select)
    {
        CLibraryProfile* profile = Profile();
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        auto* matrix = new CFixtureMatrix(profile, 1, columns, 1, 0);
        project.m_generalGroup->m_matrices << matrix;
        for (int c = 0; c < columns; ++c) {
            CPatchedFixture* member = Patch(profile, 0, c * 3);
            member->m_matrixId = 1;
            matrix->AddMember(member, QRect(c * 20, 0, 20, 20));
        }
        if (select) {
            project.m_currentGroup->m_selectedMatrices << matrix;
            SelectAll(project, matrix->Members());
        }
        return matrix;
    }

    CAppOptions options;
    CFixturesView view;
    static inline int saveAsked = 0;
    static inline int pointerMoves = 0;
};

// A pointer move with the left button held, straight to the widget.
inline void MoveMouse(QWidget* widget, const QPoint& point)
{
    QMouseEvent move(QEvent::MouseMove, point, widget->mapToGlobal(point), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Shown at `size`, so that its geometry follows the size.
inline void ShowAt(QWidget& widget, const QSize& size)
{
    widget.resize(size);
    widget.show();
}
