#pragma once

#include <QDialog>
#include <QTime>

class CSceneStep;
class CZKTimeEdit;

// Sets the fade and hold time of the selected steps; the caller reads the
// two times after OK.
class CTimeStepDlg : public QDialog
{
    Q_OBJECT
public:
    CTimeStepDlg(const CSceneStep& step, QWidget* parent = nullptr);

    CZKTimeEdit* FadeEdit() const { return m_fade; }
    CZKTimeEdit* HoldEdit() const { return m_hold; }
    QTime FadeTime() const;
    QTime HoldTime() const;

private:
    CZKTimeEdit* m_fade;
    CZKTimeEdit* m_hold;
};
