#include "setup/ColorDimmerDlg.h"

#include "setup/GradientColorCtrl.h"
#include "show/ShowHost.h"
#include "widgets/ColorCircle.h"
#include "widgets/ColorPicker.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

CColorDimmerDlg::Runner& InstalledRunner()
{
    static CColorDimmerDlg::Runner runner;
    return runner;
}

} // namespace

CColorDimmerDlg::CColorDimmerDlg(const QColor& start, const QColor& end, QWidget* parent)
    : QDialog(parent, Qt::Tool)
    , m_picker(new CColorPicker(0, this))
    , m_gradient(new CGradientColorCtrl(start, end, this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(QStringLiteral("Color Dimmer"));
    setFixedSize(450, 346);
    setAutoFillBackground(true);
    setPalette(ShowHost().ProgramPalette());

    m_picker->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    connect(m_picker, &CColorPicker::colorChanged, this, &CColorDimmerDlg::OnColorChanged);
    connect(m_gradient, &CGradientColorCtrl::selChanged, this, &CColorDimmerDlg::OnSelChanged);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 4, 4, 4);
    row->addWidget(m_picker);
    row->addWidget(m_gradient);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(row);
    column->addSpacing(4);
    column->addWidget(m_buttons);

    m_picker->m_pCircle->SetColor(m_gradient->GetEndColor(), 1);
}

QColor CColorDimmerDlg::GetStartColor() const
{
    return m_gradient->GetStartColor();
}

QColor CColorDimmerDlg::GetEndColor() const
{
    return m_gradient->GetEndColor();
}

void CColorDimmerDlg::OnColorChanged(uchar red, uchar green, uchar blue)
{
    m_gradient->SetColor(QColor(red, green, blue));
}

void CColorDimmerDlg::OnSelChanged(const QColor& color)
{
    m_picker->m_pCircle->SetColor(color, 1);
}

void CColorDimmerDlg::SetRunner(Runner runner)
{
    InstalledRunner() = std::move(runner);
}

bool CColorDimmerDlg::Run(QColor& start, QColor& end, QWidget* parent)
{
    CColorDimmerDlg dialog(start, end, parent);
    const Runner& runner = InstalledRunner();
    if ((runner ? runner(dialog) : dialog.exec()) != QDialog::Accepted)
        return false;
    start = dialog.GetStartColor();
    end = dialog.GetEndColor();
    return true;
}
