#include "panels/PaintToolView.h"

namespace {

CPaintToolView* g_view = nullptr;

} // namespace

CPaintToolView* PaintToolView()
{
    return g_view;
}

void SetPaintToolView(CPaintToolView* view)
{
    g_view = view;
}
