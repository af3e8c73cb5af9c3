#pragma once

#include <QDialog>

#include <functional>

class CAssignBeamWnd;
class CFixtureProfile;
class CProfileMode;
class QDialogButtonBox;
class QScrollArea;

// Says, for every channel of the profile's current mode, which beams it
// drives. The table edits the channels' beam lists in place; Run puts them
// back when the dialog is not accepted.
class CAssignBeamDlg : public QDialog
{
    Q_OBJECT
public:
    // Stands in for exec(): tests answer the dialog themselves.
    using Runner = std::function<int(CAssignBeamDlg& dialog)>;

    static constexpr int kMaxWidth = 600;
    static constexpr int kMaxHeight = 400;

    explicit CAssignBeamDlg(CFixtureProfile* profile, QWidget* parent = nullptr);

    // Runs the dialog modally on the profile; true when accepted. Otherwise
    // every channel of the current mode has its beam list of before.
    static bool Run(CFixtureProfile* profile, QWidget* parent);
    static void SetRunner(Runner runner);

    // Gives the channels of the mode their beams, one beam per channel of
    // a type in order, fine bytes following their coarse channel; a type
    // present once serves all beams. Returns the beam count these channels
    // call for: the most pan, colour, dimmer or shutter channels.
    static int AutoAssign(CProfileMode& mode);

    CAssignBeamWnd* Table() const { return m_table; }
    QScrollArea* ScrollArea() const { return m_scroll; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

private:
    CAssignBeamWnd* m_table;
    QScrollArea* m_scroll;
    QDialogButtonBox* m_buttons;
};
