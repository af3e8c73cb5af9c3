#pragma once

#include <functional>

// Replaces the modal loop of a dialog class that takes a runner, for the life
// of the object: the script works the dialog as an operator would and
// returns its result. The modal loop comes back even when a test fails
// half-way, so no later test meets the script.
template <typename Dialog>
class CScriptedDialog
{
public:
    explicit CScriptedDialog(std::function<int(Dialog&)> script)
    {
        Dialog::SetRunner(std::move(script));
    }
    ~CScriptedDialog() { Dialog::SetRunner(nullptr); }
    CScriptedDialog(const CScriptedDialog&) = delete;
    CScriptedDialog& operator=(const CScriptedDialog&) = delete;
};

