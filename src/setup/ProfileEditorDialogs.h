#pragma once

#include <QColor>

class CLibraryProfile;
class CProfileChannelDef;
class QWidget;

// The modal dialogs the profile editor opens. The editor asks whether one is
// available before it enables the control that opens it; tests and the
// program hand the editor their own.
class CProfileEditorDialogs
{
public:
    virtual ~CProfileEditorDialogs() = default;

    // The channel preset editor on a copy of `channel`: the edited copy
    // (owned by the caller) on OK, null on Cancel.
    virtual CProfileChannelDef* EditChannel(const CProfileChannelDef& channel, QWidget* parent);

    // The two colours of a colour dimmer channel; false on Cancel.
    virtual bool CanEditColorDimmer() const { return true; }
    virtual bool EditColorDimmer(QColor& low, QColor& high, QWidget* parent);

    // The beams of every channel of the profile's current mode; false on
    // Cancel, with every beam list as it was.
    virtual bool CanAssignBeams() const { return true; }
    virtual bool AssignBeams(CLibraryProfile& profile, QWidget* parent);
};
