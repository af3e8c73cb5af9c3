#pragma once

#include "live/LiveEditor.h"

class CProject;

// Makes the scene editor and the masks editor for the live pages window.
class CEditorFactory : public CLiveEditorFactory
{
public:
    explicit CEditorFactory(CProject& project) : m_project(project) {}
    CLiveEditor* Create(Kind kind, QWidget* parent) override;

private:
    CProject& m_project;
};
