#pragma once

#include "live/LiveEditor.h"

class CProject;

// Makes the scene, effect scene and masks editors and the effects window
// for the live pages window.
class CEditorFactory : public CLiveEditorFactory
{
public:
    explicit CEditorFactory(CProject& project) : m_project(project) {}
    CLiveEditor* Create(Kind kind, QWidget* parent) override;

private:
    CProject& m_project;
};
