#include "editors/TextEffectWnd.h"

#include "Captions.h"
#include "editors/EffectsWnd.h"
#include "editors/MatrixPreviewWnd.h"
#include "editors/ModalRun.h"
#include "effects/EffectEngine.h"
#include "effects/MatrixTextEffect.h"
#include "effects/RgbwColor.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "panels/FixedPresetCtrls.h"
#include "show/Project.h"
#include "widgets/ColorChooser.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"

#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kSwatches = 2;
constexpr int kMaxSpeed = 10;
constexpr int kDefaultStepMs = 120;

enum Group { GroupPreview, GroupText, GroupColors, GroupOffset, GroupSpeed };

CTextEffectWnd::FontRunner& FontRun()
{
    static CTextEffectWnd::FontRunner runner;
    return runner;
}

bool AskFont(QWidget* parent, const QFont& initial, QFont& chosen)
{
    return RunModalQuestion([&] {
        if (FontRun())
            return FontRun()(parent, initial, chosen);
        bool ok = false;
        chosen = QFontDialog::getFont(&ok, initial, parent);
        return ok;
    });
}

int SpeedOfStep(int stepMs)
{
    return std::clamp(11 - stepMs / CTextEffectWnd::kStepUnitMs, 1, kMaxSpeed);
}

QGroupBox* MakeGroup(QWidget* parent, QLayout* contents)
{
    auto* group = new QGroupBox(parent);
    contents->setContentsMargins(6, 2, 6, 6);
    group->setLayout(contents);
    return group;
}

const bool kRegistered = (RegisterEffectPage(EffectType::MatrixText,
                                             [](const CEffectPageArgs& args) -> CEffectWnd* {
                                                 return args.project ? new CTextEffectWnd(*args.project, args)
                                                                     : nullptr;
                                             }),
                          true);

} // namespace

void CTextEffectWnd::SetFontRunner(FontRunner runner)
{
    FontRun() = std::move(runner);
}

CTextEffectWnd::CTextEffectWnd(CProject& project, const CEffectPageArgs& args)
    : CPreviewEffectWnd(args.engine, args.timeWidget, args.effectScene, args.parent), m_project(project)
{
    Q_UNUSED(kRegistered);
    if (const auto* given = dynamic_cast<const CMatrixTextEffect*>(args.effect)) {
        m_effect = static_cast<CMatrixTextEffect*>(CloneEffect(given));
        m_effect->SetMatrix(args.matrix);
    } else {
        m_effect = new CMatrixTextEffect(args.matrix, kDefaultStepMs, GetLangText(Txt::TxFxEnterText),
                                         QFont(QStringLiteral("Arial"), 8), 0, 0, CMatrixTextEffect::Still,
                                         CRgbwColor(255, 255, 255, 0), CRgbwColor(0, 0, 0, 0));
    }
    m_effect->m_fade = std::clamp(m_effect->m_fade, kStepUnitMs, kMaxSpeed * kStepUnitMs);
    m_effect->m_intensity = std::clamp(m_effect->m_intensity, kMinIntensity, 100);
    if (m_effect->m_direction < CMatrixTextEffect::Still || m_effect->m_direction > CMatrixTextEffect::ScrollDown)
        m_effect->m_direction = CMatrixTextEffect::Still;
    m_effect->m_text.truncate(EffectLimits::kMaxTextLength);
    m_project.BindEffectToSelection(m_effect, m_effectScene, false);
    m_engine->SetEffect(m_effect);

    for (int i = 0; i < 2; ++i) {
        m_offsets[i] = new QSpinBox(this);
        m_offsetLabels[i] = new QLabel(this);
        m_offsetLabels[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    FitToMatrix();
    m_engine->GenerateEffect();

    auto* preview = new CMatrixPreviewWnd(m_project, this);
    m_preview = preview;
    m_preview->SetStepTime(m_effect->m_fade);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setAlignment(Qt::AlignCenter);
    scroll->setWidget(preview);

    m_textEdit = new QLineEdit(m_effect->m_text, this);
    m_textEdit->setAlignment(Qt::AlignCenter);
    m_textEdit->setMaxLength(EffectLimits::kMaxTextLength);
    connect(m_textEdit, &QLineEdit::textEdited, this, &CTextEffectWnd::OnTextEdited);
    m_fontButton = new QPushButton(QIcon(QStringLiteral(":/Orvane/Images/Icons/Font.png")), QString(), this);
    m_fontButton->setFixedSize(32, 32);
    connect(m_fontButton, &QPushButton::pressed, this, &CTextEffectWnd::OnFont);

    m_chooser = new CColorChooser(kSwatches, kSwatches, this);
    m_chooser->m_colors = {m_effect->m_textColor, m_effect->m_backColor};
    connect(m_chooser, &CColorChooser::selChanged, this, &CTextEffectWnd::OnSelColorChanged);

    connect(m_offsets[0], qOverload<int>(&QSpinBox::valueChanged), this, &CTextEffectWnd::OnHorzOffsetChanged);
    connect(m_offsets[1], qOverload<int>(&QSpinBox::valueChanged), this, &CTextEffectWnd::OnVertOffsetChanged);

    m_speed = new CSliderCtrl(QString(), this);
    m_speed->SetRange(1, kMaxSpeed);
    m_speed->SetValue(SpeedOfStep(m_effect->m_fade));
    connect(m_speed, &CSliderCtrl::valueChanged, this, &CTextEffectWnd::OnSpeedValueChanged);
    m_intensity = new CSliderCtrl(QStringLiteral("Int."), this);
    m_intensity->SetRange(kMinIntensity, 100);
    m_intensity->SetValue(m_effect->m_intensity);
    connect(m_intensity, &CSliderCtrl::valueChanged, this, &CTextEffectWnd::OnIntensityChanged);
    m_direction = new CDirectionCtrl(eDirection(m_effect->m_direction), this);
    connect(m_direction, &CDirectionCtrl::dirChanged, this, &CTextEffectWnd::OnDirectionChanged);

    auto* textRow = new QHBoxLayout;
    textRow->setSpacing(10);
    textRow->addWidget(m_textEdit);
    textRow->addWidget(m_fontButton);
    auto* colorBox = new QVBoxLayout;
    colorBox->addWidget(m_chooser);
    auto* offsetGrid = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        offsetGrid->addWidget(m_offsetLabels[i], i, 0);
        offsetGrid->addWidget(m_offsets[i], i, 1);
    }
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(m_speed);
    speedRow->addWidget(m_intensity);
    speedRow->addWidget(m_direction);
    auto* previewBox = new QVBoxLayout;
    previewBox->addWidget(scroll);
    QLayout* contents[5] = {previewBox, textRow, colorBox, offsetGrid, speedRow};
    for (int g = 0; g < 5; ++g)
        m_groups[g] = MakeGroup(this, contents[g]);

    auto* settingsRow = new QHBoxLayout;
    settingsRow->setSpacing(4);
    settingsRow->addWidget(m_groups[GroupColors]);
    settingsRow->addWidget(m_groups[GroupOffset]);
    settingsRow->addWidget(m_groups[GroupSpeed]);
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(m_groups[GroupText]);
    column->addLayout(settingsRow);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addLayout(column);
    layout->addWidget(m_groups[GroupPreview]);
    Retranslate();
    BorrowColorControl();

    EnableOffsetsByDirection();
    ShowLength();
    m_preview->Start(true);
}

void CTextEffectWnd::FitToMatrix()
{
    const QScopedValueRollback<bool> guard(m_guard, true);
    const int limits[2] = {std::max(m_effect->m_cols, 0), std::max(m_effect->m_rows, 0)};
    int* fields[2] = {&m_effect->m_hOffset, &m_effect->m_vOffset};
    for (int i = 0; i < 2; ++i) {
        *fields[i] = std::clamp(*fields[i], -limits[i], limits[i]);
        m_offsets[i]->setRange(-limits[i], limits[i]);
        m_offsets[i]->setValue(*fields[i]);
    }
}

void CTextEffectWnd::SetColorControl(CColorPresetCtrlBase* control)
{
    TakeColorControl(control);
}

void CTextEffectWnd::ColorControlChanged()
{
    if (!m_colorCtrl)
        return;
    const QScopedValueRollback<bool> guard(m_guard, true);
    const CRgbwColor& c = m_effect->m_textColor;
    m_colorCtrl->SetColor(c.r, c.g, c.b, c.w, true);
}

void CTextEffectWnd::Retranslate()
{
    const int titles[4] = {Txt::MatrixPreview, Txt::EffectText, Txt::Colors, Txt::Offset};
    for (int g = 0; g < 4; ++g)
        m_groups[g]->setTitle(GetLangText(titles[g]));
    m_groups[GroupSpeed]->setTitle(GetLangText(Txt::LiveSpeed) + QLatin1String(" / ") +
                                   GetLangText(Txt::TxFxIntensity) + QLatin1String(" / ") +
                                   GetLangText(Txt::TxFxDirection));
    m_offsetLabels[0]->setText(GetLangText(Txt::TxFxHorizontal));
    m_offsetLabels[1]->setText(GetLangText(Txt::TxFxVertical));
    m_speed->SetCaption(GetLangText(Txt::LiveSpeed));
}

CMatrixPreviewWnd* CTextEffectWnd::Preview() const
{
    return static_cast<CMatrixPreviewWnd*>(m_preview);
}

void CTextEffectWnd::ShowLength()
{
    if (m_timeWidget)
        m_timeWidget->SetTime(m_effect->m_len);
}

void CTextEffectWnd::EnableOffsetsByDirection()
{
    const QScopedValueRollback<bool> guard(m_guard, true);
    const int direction = m_effect->m_direction;
    const bool horizontal = direction == CMatrixTextEffect::ScrollLeft || direction == CMatrixTextEffect::ScrollRight;
    const bool vertical = direction == CMatrixTextEffect::ScrollUp || direction == CMatrixTextEffect::ScrollDown;
    // A scrolling text has no fixed place along its way.
    if (horizontal) {
        m_effect->m_hOffset = 0;
        m_offsets[0]->setValue(0);
    }
    if (vertical) {
        m_effect->m_vOffset = 0;
        m_offsets[1]->setValue(0);
    }
    m_offsets[0]->setEnabled(!horizontal);
    m_offsets[1]->setEnabled(!vertical);
}

void CTextEffectWnd::OnTextEdited(const QString& text)
{
    m_effect->m_text = text.left(EffectLimits::kMaxTextLength);
    GenerateAnew(*m_effect, false);
}

void CTextEffectWnd::OnFont()
{
    QFont chosen;
    if (!AskFont(this, m_effect->m_font, chosen))
        return;
    if (chosen.pointSize() > EffectLimits::kMaxFontPointSize)
        chosen.setPointSize(EffectLimits::kMaxFontPointSize);
    m_effect->m_font = chosen;
    GenerateAnew(*m_effect, false);
}

void CTextEffectWnd::OnHorzOffsetChanged(int value)
{
    if (m_guard)
        return;
    m_effect->m_hOffset = std::clamp(value, -m_effect->m_cols, m_effect->m_cols);
    GenerateAnew(*m_effect, false);
}

void CTextEffectWnd::OnVertOffsetChanged(int value)
{
    if (m_guard)
        return;
    m_effect->m_vOffset = std::clamp(value, -m_effect->m_rows, m_effect->m_rows);
    GenerateAnew(*m_effect, false);
}

void CTextEffectWnd::OnSpeedValueChanged(int speed)
{
    ApplySpeed(m_effect->m_fade, speed, kMaxSpeed, kStepUnitMs);
    m_effect->m_flag = true;
}

void CTextEffectWnd::OnIntensityChanged(int intensity)
{
    m_effect->m_intensity = std::clamp(intensity, kMinIntensity, 100);
    m_effect->m_flag = true;
    ReapplyIntensitySaturation();
}

void CTextEffectWnd::OnDirectionChanged(eDirection direction)
{
    const int d = int(direction);
    m_effect->m_direction = d >= CMatrixTextEffect::Still && d <= CMatrixTextEffect::ScrollDown ? d : 0;
    EnableOffsetsByDirection();
    GenerateAnew(*m_effect, true);
}

void CTextEffectWnd::OnSelColorChanged(int index)
{
    // Outside the two swatches there is no colour to show: the wheel keeps its own.
    if (!m_colorCtrl || index < 0 || index >= kSwatches)
        return;
    const QScopedValueRollback<bool> guard(m_guard, true);
    const CRgbwColor c = m_chooser->GetColor(index);
    m_colorCtrl->SetColor(c.r, c.g, c.b, c.w, true);
}

void CTextEffectWnd::OnColorChanged(uchar red, uchar green, uchar blue, uchar white)
{
    if (m_guard || !m_colorCtrl)
        return;
    const CRgbwColor color(red, green, blue, white);
    for (int index : m_chooser->m_selected) {
        if (index < 0 || index >= kSwatches || index >= m_chooser->m_colors.size())
            continue;
        m_chooser->m_colors[index] = color;
        (index == 0 ? m_effect->m_textColor : m_effect->m_backColor) = color;
    }
    m_chooser->update();
    GenerateAnew(*m_effect, false);
}

void CTextEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    if (!matrix)
        return;
    m_preview->Stop();
    if (matrix != m_effect->m_matrix || m_effect->m_applySel) {
        m_effect->SetMatrix(matrix);
        FitToMatrix();
        m_project.BindEffectToSelection(m_effect, m_effectScene, false);
        m_engine->SetEffect(nullptr);
        m_engine->GenerateEffect();
        m_preview->UpdateGeometry();
    } else {
        m_project.BindEffectToSelection(m_effect, m_effectScene, false);
    }
    m_preview->Start(false);
    ShowLength();
}
