#pragma once

#include <QDialog>

struct CRecordConfig;
class CPage;
class CProject;
class CTimeWidget;
class QAction;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;
class QToolBar;

// Records the levels arriving on the DMX input ports into the project's
// recording scene ("DMX Record") and plays the recording back. The master
// tick does the recording; the dialog chooses the settings, starts it and
// follows it. OK keeps the recording scene for the caller, Cancel deletes
// it; either way it plays nowhere any more.
class CRecordDmxDlg : public QDialog
{
    Q_OBJECT
public:
    // The sample intervals offered, in milliseconds.
    static const int kIntervals[10];

    CRecordDmxDlg(CProject& project, CPage* page, QWidget* parent = nullptr);

    // The settings the dialog opens with and stores; the program's options
    // when it runs, else a record of the dialog class.
    static CRecordConfig& Settings();

    bool IsPlayingBack() const { return m_playingBack; }
    CTimeWidget* Clock() const { return m_clock; }
    QAction* RecordAction() const { return m_record; }
    QAction* PlayAction() const { return m_play; }
    QComboBox* IntervalCombo() const { return m_interval; }
    QRadioButton* FadeRadio() const { return m_fade; }
    QRadioButton* HoldRadio() const { return m_hold; }
    QCheckBox* AutoStartBox() const { return m_autoStart; }
    QCheckBox* MaxLengthBox() const { return m_maxLengthBox; }
    QSpinBox* MaxLengthSpin() const { return m_maxLength; }
    QCheckBox* MaxStepsBox() const { return m_maxStepsBox; }
    QSpinBox* MaxStepsSpin() const { return m_maxSteps; }

    // Copies the widgets into the settings.
    void StoreSettings();
    // The tick ended the recording.
    void OnRecordStopped();

public slots:
    void Record();
    void Play();
    void OnCheckMaxLen(int state);
    void OnCheckMaxSteps(int state);
    void OnOk();
    void OnCancel();
    void reject() override;

private:
    void StopRunning();
    void DropFromPages();

    CProject& m_project;
    CPage* m_page;
    bool m_playingBack = false;
    QAction* m_record;
    QAction* m_play;
    QToolBar* m_toolBar;
    QComboBox* m_interval;
    QRadioButton* m_fade;
    QRadioButton* m_hold;
    QCheckBox* m_autoStart;
    QCheckBox* m_maxLengthBox;
    QSpinBox* m_maxLength;
    QCheckBox* m_maxStepsBox;
    QSpinBox* m_maxSteps;
    CTimeWidget* m_clock;
};
