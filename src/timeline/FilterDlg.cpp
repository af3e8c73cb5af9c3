#include "timeline/FilterDlg.h"

#include "Captions.h"
#include "model/Language.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// How each mode shows its frequencies when chosen.
struct SModeLook
{
    const char* button;
    const char* picture;
    const char* label;
    int low;
    int high;
    int value;
    bool second; // the minimum frequency of a band
};

const SModeLook kModeLooks[CFilterDlg::kModeCount] = {
    {"High-Pass", "HighPass", "Cut Off frequency :", 10000, CFilterDlg::kTopFrequency, 16000, false},
    {"Band-Pass", "BandPass", "Max frequency :", 0, CFilterDlg::kTopFrequency, 16000, true},
    {"Low-Pass", "LowPass", "Cut Off frequency :", 0, 10000, 4000, false},
};
constexpr int kBandMinimum = 4000;

QSpinBox* NewFrequencyBox()
{
    auto* box = new QSpinBox;
    box->setSingleStep(1000);
    box->setSuffix(QStringLiteral(" Hz"));
    return box;
}

} // namespace

CFilterDlg::CFilterDlg(const SFilter& filter, QWidget* parent)
    : QDialog(parent)
    , m_apply(new QCheckBox(GetLangText(Txt::TimeLineApply)))
    , m_frequencyLabel(new QLabel)
    , m_frequency(NewFrequencyBox())
    , m_secondLabel(new QLabel(QStringLiteral("Min frequency :")))
    , m_second(NewFrequencyBox())
{
    MakeToolDialog(*this, GetLangText(Txt::TimeLineFilter), 320, 200);
    m_second->setRange(0, kTopFrequency);

    auto* modes = new QGridLayout;
    modes->setContentsMargins(0, 0, 0, 0);
    for (int mode = 0; mode < kModeCount; ++mode) {
        auto* picture = new QLabel;
        picture->setPixmap(
            QPixmap(QStringLiteral(":/Orvane/Images/TimeLine/%1.png").arg(QLatin1String(kModeLooks[mode].picture))));
        m_modeButtons[mode] = new QRadioButton(QString::fromLatin1(kModeLooks[mode].button));
        modes->addWidget(picture, mode, 0);
        modes->addWidget(m_modeButtons[mode], mode, 1);
    }
    connect(m_modeButtons[HighPass], &QRadioButton::clicked, this, &CFilterDlg::OnClickedHighPass);
    connect(m_modeButtons[BandPass], &QRadioButton::clicked, this, &CFilterDlg::OnClickedBandPass);
    connect(m_modeButtons[LowPass], &QRadioButton::clicked, this, &CFilterDlg::OnClickedLowPass);

    auto* frequencies = new QGridLayout;
    frequencies->setContentsMargins(0, 0, 0, 0);
    frequencies->addWidget(m_frequencyLabel, 0, 0);
    frequencies->addWidget(m_frequency, 0, 1);
    frequencies->addWidget(m_secondLabel, 1, 0);
    frequencies->addWidget(m_second, 1, 1);

    auto* row = new QHBoxLayout;
    row->addLayout(modes);
    row->addStretch();
    row->addLayout(frequencies);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFilterDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(m_apply);
    column->addLayout(row);
    column->addStretch();
    column->addWidget(buttons);

    const int cutOff = std::clamp(filter.cutOff, 0, kTopFrequency);
    const int second = std::clamp(filter.secondFrequency, 0, kTopFrequency);
    if (second == 0) {
        SetMode(LowPass);
        m_frequency->setValue(cutOff);
    } else if (second == kTopFrequency) {
        SetMode(HighPass);
        m_frequency->setValue(kTopFrequency - cutOff);
    } else {
        SetMode(BandPass);
        m_frequency->setValue(second + cutOff);
        m_second->setValue(second - cutOff);
    }
    m_modeButtons[m_mode]->setChecked(true);
    m_apply->setChecked(filter.on);
    connect(m_apply, &QCheckBox::stateChanged, this, &CFilterDlg::OnCheckApply);
    OnCheckApply(m_apply->checkState());
}

QRadioButton* CFilterDlg::ModeButton(int mode) const
{
    return mode >= 0 && mode < kModeCount ? m_modeButtons[mode] : nullptr;
}

void CFilterDlg::SetMode(int mode)
{
    const SModeLook& look = kModeLooks[mode];
    m_mode = mode;
    m_frequencyLabel->setText(QString::fromLatin1(look.label));
    m_frequency->setRange(look.low, look.high);
    m_frequency->setValue(look.value);
    m_secondLabel->setVisible(look.second);
    m_second->setVisible(look.second);
    if (look.second)
        m_second->setValue(kBandMinimum);
}

void CFilterDlg::OnCheckApply(int state)
{
    const bool enabled = state == Qt::Checked;
    for (QRadioButton* button : m_modeButtons)
        button->setEnabled(enabled);
    m_frequency->setEnabled(enabled);
    m_second->setEnabled(enabled);
}

void CFilterDlg::OnClickedHighPass(bool)
{
    SetMode(HighPass);
}

void CFilterDlg::OnClickedBandPass(bool)
{
    SetMode(BandPass);
}

void CFilterDlg::OnClickedLowPass(bool)
{
    SetMode(LowPass);
}

CFilterDlg::SFilter CFilterDlg::Filter() const
{
    SFilter filter;
    filter.on = m_apply->isChecked();
    const int frequency = m_frequency->value();
    switch (m_mode) {
    case HighPass:
        filter.cutOff = kTopFrequency - frequency;
        filter.secondFrequency = kTopFrequency;
        break;
    case BandPass:
        // Either way round, the two frequencies bound the same band.
        filter.cutOff = qAbs(frequency - m_second->value()) / 2;
        filter.secondFrequency = (frequency + m_second->value()) / 2;
        break;
    default:
        filter.cutOff = frequency;
        filter.secondFrequency = 0;
        break;
    }
    return filter;
}

void CFilterDlg::accept()
{
    if (m_apply->isChecked() && m_mode == BandPass && m_second->value() >= m_frequency->value()) {
        ShowHost().ShowInformation(GetLangText(Txt::Warning), GetLangText(Txt::FilterBandOrder));
        m_second->setFocus();
        return;
    }
    QDialog::accept();
}

bool CFilterDlg::Run(SFilter& filter, QWidget* parent)
{
    CFilterDlg dialog(filter, parent);
    if (RunTimeLineDialog(dialog) != QDialog::Accepted)
        return false;
    filter = dialog.Filter();
    return true;
}

void CFilterDlg::SetRunner(TimeLineDialogRunner<CFilterDlg> runner)
{
    TimeLineRunner<CFilterDlg>() = std::move(runner);
}
