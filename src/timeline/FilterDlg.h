#pragma once

#include "show/TimeLine.h"
#include "timeline/TimeLineModal.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QRadioButton;
class QSpinBox;

// Sets the band filter of a media block's wave. The block keeps two numbers,
// a cut-off and a second frequency (Hz), which the filter reads as a
// low-pass at the cut-off when the second is 0, a band of half width cut-off
// around the second, and a high-pass when the second is the top frequency;
// the dialog shows them as the frequencies an operator thinks in.
class CFilterDlg : public QDialog
{
    Q_OBJECT
public:
    enum EMode { HighPass = 0, BandPass = 1, LowPass = 2, kModeCount };
    static constexpr int kTopFrequency = CMediaTimeBlock::kTopFrequency;

    struct SFilter
    {
        bool on = false;
        int cutOff = 0;
        int secondFrequency = 0;
    };

    // Frequencies outside 0 to the top frequency are brought inside.
    CFilterDlg(const SFilter& filter, QWidget* parent = nullptr);

    int Mode() const { return m_mode; }
    SFilter Filter() const;

    QCheckBox* ApplyBox() const { return m_apply; }
    QRadioButton* ModeButton(int mode) const;
    QLabel* FrequencyLabel() const { return m_frequencyLabel; }
    QSpinBox* FrequencyBox() const { return m_frequency; }
    QSpinBox* SecondBox() const { return m_second; }

    // Runs the dialog; on OK `filter` takes the chosen one and the result is true.
    static bool Run(SFilter& filter, QWidget* parent);
    // Null restores the modal loop.
    static void SetRunner(TimeLineDialogRunner<CFilterDlg> runner);

public slots:
    // A band whose minimum is not below its maximum filters nothing out: it is
    // refused while the filter is applied.
    void accept() override;

private slots:
    void OnCheckApply(int state);
    void OnClickedHighPass(bool checked);
    void OnClickedBandPass(bool checked);
    void OnClickedLowPass(bool checked);

private:
    void SetMode(int mode);

    QCheckBox* m_apply;
    QRadioButton* m_modeButtons[kModeCount];
    QLabel* m_frequencyLabel;
    QSpinBox* m_frequency;
    QLabel* m_secondLabel;
    QSpinBox* m_second;
    int m_mode = LowPass;
};
