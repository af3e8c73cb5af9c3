#include "widgets/SliderCtrl.h"

#include "widgets/REDOvoroz.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

CSliderCtrl::CSliderCtrl(const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_pCaption(new QLabel(caption, this))
    , m_pSlider(new REDOvoroz(Qt::Vertical, this))
    , m_pSpin(new QSpinBox(this))
{
    m_pCaption->setAlignment(Qt::AlignCenter);
    m_pSpin->setAlignment(Qt::AlignRight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_pCaption);
    layout->addWidget(m_pSlider, 1, Qt::AlignHCenter);
    layout->addWidget(m_pSpin);
    SetRange(0, 99);
    connect(m_pSlider, &QSlider::valueChanged, this, &CSliderCtrl::OnSliderChanged);
    connect(m_pSpin, QOverload<int>::of(&QSpinBox::valueChanged), this, &CSliderCtrl::OnSpinChanged);
}

void CSliderCtrl::SetCaption(const QString& caption)
{
    m_pCaption->setText(caption);
}

QString CSliderCtrl::Caption() const
{
    return m_pCaption->text();
}

void CSliderCtrl::SetRange(int minimum, int maximum)
{
    const QSignalBlocker blockSlider(m_pSlider);
    const QSignalBlocker blockSpin(m_pSpin);
    m_pSlider->setRange(minimum, maximum);
    m_pSpin->setRange(minimum, maximum);
    // The value each clamped to the new range; the spin box takes the
    // slider's so both always show the same.
    m_pSpin->setValue(m_pSlider->value());
}

void CSliderCtrl::SetValue(int value)
{
    const QSignalBlocker blockSlider(m_pSlider);
    const QSignalBlocker blockSpin(m_pSpin);
    m_pSlider->setValue(value);
    m_pSpin->setValue(m_pSlider->value());
}

int CSliderCtrl::Value() const
{
    return m_pSlider->value();
}

int CSliderCtrl::Minimum() const
{
    return m_pSlider->minimum();
}

int CSliderCtrl::Maximum() const
{
    return m_pSlider->maximum();
}

void CSliderCtrl::OnSliderChanged(int value)
{
    {
        const QSignalBlocker block(m_pSpin);
        m_pSpin->setValue(value);
    }
    emit valueChanged(value);
}

void CSliderCtrl::OnSpinChanged(int value)
{
    {
        const QSignalBlocker block(m_pSlider);
        m_pSlider->setValue(value);
    }
    emit valueChanged(value);
}
