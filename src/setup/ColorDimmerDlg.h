#pragma once

#include <QColor>
#include <QDialog>

#include <functional>

class CColorPicker;
class CGradientColorCtrl;
class QDialogButtonBox;

// Picks the start and end colours of a colour dimmer channel: the
// gradient shows both, the picker sets the one whose swatch is selected.
// The dialog works on copies; Run writes them back on OK.
class CColorDimmerDlg : public QDialog
{
    Q_OBJECT
public:
    // Stands in for exec(): tests answer the dialog themselves.
    using Runner = std::function<int(CColorDimmerDlg& dialog)>;

    CColorDimmerDlg(const QColor& start, const QColor& end, QWidget* parent = nullptr);

    QColor GetStartColor() const;
    QColor GetEndColor() const;

    // Runs the dialog modally on a channel's two colours; both are written
    // on OK only. True when accepted.
    static bool Run(QColor& start, QColor& end, QWidget* parent);
    static void SetRunner(Runner runner);

    CColorPicker* Picker() const { return m_picker; }
    CGradientColorCtrl* Gradient() const { return m_gradient; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

public slots:
    void OnColorChanged(uchar red, uchar green, uchar blue);
    void OnSelChanged(const QColor& color);

private:
    CColorPicker* m_picker;
    CGradientColorCtrl* m_gradient;
    QDialogButtonBox* m_buttons;
};
