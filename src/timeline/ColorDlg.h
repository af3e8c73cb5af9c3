#pragma once

#include "timeline/TimeLineModal.h"

#include <QDialog>

class QListWidget;
class QListWidgetItem;

// Chooses the colour of scene blocks among the timeline's block pictures.
class CColorDlg : public QDialog
{
    Q_OBJECT
public:
    // A colour the palette does not have starts on the first one.
    explicit CColorDlg(int color, QWidget* parent = nullptr);

    int Color() const { return m_color; }
    QListWidget* List() const { return m_list; }

    // Runs the dialog; on OK `color` takes the chosen index and the result is true.
    static bool Run(int& color, QWidget* parent);
    // Null restores the modal loop.
    static void SetRunner(TimeLineDialogRunner<CColorDlg> runner);

private slots:
    void OnSelClrChanged(QListWidgetItem* item);

private:
    QListWidget* m_list;
    int m_color;
};
