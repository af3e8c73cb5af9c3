#pragma once

#include "timeline/TimeLineModal.h"

#include <QDialog>

class CZKFullTimeEdit;

// Sets one time of a block, kept between a minimum and a maximum.
class CTimeDlg : public QDialog
{
    Q_OBJECT
public:
    // Times in ms.
    CTimeDlg(int time, int minimum, int maximum, QWidget* parent = nullptr);

    int Time() const;
    CZKFullTimeEdit* Editor() const { return m_edit; }

    // Runs the dialog; on OK `time` takes the chosen time and the result is true.
    static bool Run(int& time, int minimum, int maximum, QWidget* parent);
    // Null restores the modal loop.
    static void SetRunner(TimeLineDialogRunner<CTimeDlg> runner);

private:
    CZKFullTimeEdit* m_edit;
};
