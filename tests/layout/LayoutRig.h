#pragma once

#include "../show/PlaybackRig.h"
#include "layout/view/FixtureItem.h"
#include "layout/view/FixturesView.h"
#include "layout/view/MatrixItem.h"
#include "model/FixtureMatrix.h"

#include <QImage>
#include <QPainter>

// A project with a recording host, profiles of the shapes the layout tests
// need, and a layout view on the project, told of fixtures deleted as the
// program's is.
class CLayoutRig : public CPlaybackRig
{
public:
    CLayoutRig() : view(project)
    {
        host.fixturesDeleting = [this](const QList<CPatchedFixture*>& fixtures,
                                       const QList<CFixtureMatrix*>& matrices) {
            view.ForgetFixtures(fixtures, matrices);
        };
    }
    // The project outlives the view.
    ~CLayoutRig() { host.fixturesDeleting = nullptr; }

    // A profile whose beams stand at the given grid positions.
    CLibraryProfile* BeamsProfile(std::initializer_list<CBeamPosition> beams)
    {
        auto* profile = new CLibraryProfile;
        ProfileBuilder::SetBeams(*profile, beams);
        profile->UpdateRoles();
        project.m_library << profile;
        return profile;
    }
    // Builds a profile through `build`, then lets it sort its channels.
    template <typename Build>
    CLibraryProfile* Profile(Build build)
    {
        auto* profile = new CLibraryProfile;
        build(*profile);
        profile->UpdateRoles();
        project.m_library << profile;
        return profile;
    }

    // A fixture item at `at`, handed to the view.
    CFixtureItem* AddItem(CLibraryProfile* profile, const QPoint& at, int universe = 0, int address = 0)
    {
        auto* item = new CFixtureItem(Patch(profile, universe, address), CFixtureItem::FixtureType);
        item->m_rect.moveTopLeft(at);
        view.AddFixtureItem(item);
        return item;
    }

    // A matrix of columns x rows one-cell fixtures of `profile` (each taking
    // `channels` slots from address 0 on), its item at `at`.
    CMatrixItem* AddMatrix(CLibraryProfile* profile, int columns, int rows, const QPoint& at, int channels = 3)
    {
        auto* matrix = new CFixtureMatrix(profile, 1, columns, rows, 0);
        project.m_generalGroup->m_matrices << matrix;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                CPatchedFixture* member = Patch(profile, 0, (r * columns + c) * channels);
                member->m_matrixId = 1;
                matrix->AddMember(member, QRect(c * 20, r * 20, 20, 20));
            }
        }
        auto* item = new CMatrixItem(matrix);
        item->m_rect.moveTopLeft(at);
        view.AddMatrixItem(item);
        return item;
    }

    void SetOutput(const CPatchedFixture* fixture, const QList<int>& levels)
    {
        for (int i = 0; i < levels.size(); ++i)
            project.m_output[fixture->m_universe][fixture->m_address + i] = quint8(levels.at(i));
    }
    QColor LiveLevels(const CPatchedFixture* fixture) const
    {
        const quint8* live = project.m_live[fixture->m_universe] + fixture->m_address;
        return QColor(live[0], live[1], live[2]);
    }

    // The item drawn alone onto a white image.
    static QImage Render(CFixtureItem& item, float scale = 1.0f)
    {
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        item.Draw(painter, scale);
        return image;
    }

    CFixturesView view;
};
