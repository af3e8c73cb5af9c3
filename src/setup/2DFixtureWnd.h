#pragma once

#include "layout/view/FixtureDrawer.h"

#include <QWidget>

class CLibraryProfile;

// The symbol of the matrix's fixture in the builder, beam cells of 30 pixels.
class C2DFixtureWnd : public QWidget
{
    Q_OBJECT
public:
    explicit C2DFixtureWnd(CLibraryProfile* profile, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CFixtureDrawer m_drawer;
};
