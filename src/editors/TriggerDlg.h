#pragma once

#include <QDialog>

#include <array>

class CTriggers;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;

// Edits one trigger record in place: shortcut, MIDI trigger with MIDI learn,
// DMX-input trigger, the stand-alone inputs and auto release. The record is
// written by OK alone. In level mode only triggers that deliver a level can
// be chosen: a controller change or a DMX range.
class CTriggerDlg : public QDialog
{
    Q_OBJECT
public:
    CTriggerDlg(CTriggers& record, bool levelMode, bool autoReleaseAllowed, int universeCount,
                QWidget* parent = nullptr);

    QComboBox* ShortcutList() const { return m_shortcut; }
    QComboBox* MidiChannelList() const { return m_midiChannel; }
    QComboBox* MidiNumberList() const { return m_midiNumber; }
    QComboBox* MidiMinimumList() const { return m_midiMin; }
    QComboBox* MidiMaximumList() const { return m_midiMax; }
    QComboBox* DmxUniverseList() const { return m_dmxUniverse; }
    QComboBox* DmxChannelList() const { return m_dmxChannel; }
    QComboBox* DmxLevelList() const { return m_dmxLevel; }
    QComboBox* DmxMinimumList() const { return m_dmxMin; }
    QComboBox* DmxMaximumList() const { return m_dmxMax; }
    QComboBox* StandAloneList(int input) const { return m_saInputs[size_t(input)]; }
    QCheckBox* AutoReleaseBox() const { return m_autoRelease; }
    QRadioButton* MidiRadio(int mode) const { return m_midiRadios[size_t(mode)]; }
    QRadioButton* DmxRadio(int mode) const { return m_dmxRadios[size_t(mode)]; }

public slots:
    // MIDI learn: the main window hands over every message while the dialog
    // runs. mode 1 note, 2 controller change, 3 program change.
    void SetMidiTrigger(int mode, int channel, int number, int value);

    void OnRadioMidiNone();
    void OnRadioMidiNote();
    void OnRadioMidiCtrl();
    void OnRadioMidiProg();
    void OnRadioDmxNone();
    void OnRadioDmxLevel();
    void OnRadioDmxScale();
    void OnOk();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildLayout();
    void LoadRecord();
    void ShowMidi(int mode);
    void ShowDmx(int mode);
    void StoreMidi();
    void StoreDmx();

    CTriggers& m_record;
    const bool m_levelMode;
    const bool m_autoReleaseAllowed;
    int m_midiMode = 0;
    int m_dmxMode = 0;

    QComboBox* m_shortcut;
    QComboBox* m_midiChannel;
    QComboBox* m_midiNumber;
    QComboBox* m_midiMin;
    QComboBox* m_midiMax;
    QComboBox* m_dmxUniverse;
    QComboBox* m_dmxChannel;
    QComboBox* m_dmxLevel;
    QComboBox* m_dmxMin;
    QComboBox* m_dmxMax;
    std::array<QComboBox*, 3> m_saInputs{};
    QCheckBox* m_autoRelease;
    std::array<QRadioButton*, 4> m_midiRadios{};
    std::array<QRadioButton*, 3> m_dmxRadios{};
    QButtonGroup* m_midiGroup;
    QButtonGroup* m_dmxGroup;
};
