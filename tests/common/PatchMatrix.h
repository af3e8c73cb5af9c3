#pragma once

#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"
#include "setup/PatchTab.h"

#include <QRect>

// A new two-member matrix (ID 5) of `profile` on `universe`, as the patch tab
// hands it over: members three channels apart, named, cells side by side.
inline CPatchMatrixBlock* AddNewMatrix(CPatchTab& tab, CLibraryProfile* profile, int universe)
{
    auto* matrix = new CPatchMatrixBlock(profile, 2, 1);
    matrix->m_id = 5;
    for (int i = 0; i < 2; ++i) {
        auto* member = new CPatchBlock(profile, universe, 3 * i, matrix->m_id);
        tab.SetIdAndName(member, QStringLiteral("M"));
        tab.m_blocks << member;
        matrix->m_members << member;
        matrix->m_cells << QRect(20 * i, 0, 20, 20);
    }
    tab.m_matrixBlocks << matrix;
    return matrix;
}
