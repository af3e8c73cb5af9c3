#pragma once

#include <Qt>

// Return confirms an editor and Escape cancels it, as its OK and Cancel
// buttons do. False for any other key, which the editor may still want.
template <class Editor>
bool OkOrCancelKey(Editor& editor, int key)
{
    switch (key) {
    case Qt::Key_Return:
        editor.OnOk();
        return true;
    case Qt::Key_Escape:
        editor.OnCancel();
        return true;
    default:
        return false;
    }
}
