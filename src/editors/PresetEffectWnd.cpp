#include "editors/PresetEffectWnd.h"

#include "Captions.h"
#include "editors/ChannelEffectList.h"
#include "editors/EffectsWnd.h"
#include "editors/PresetEffectList.h"
#include "effects/EffectEngine.h"
#include "effects/PresetEffect.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/ProfileChannelDef.h"
#include "model/ProfilePresetDef.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/TimeWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Channel types without presets that a button may drive on their own;
// the gobo wheel, lamp and filter are left out.
bool IsOfferedChannelType(int type)
{
    return type == 6 || type == 7 || (type >= 9 && type <= 21) || type == 24;
}

bool IsOfferedPresetType(int type)
{
    static const QList<int> offered = {3,  4,  6,  8,  9,  10, 11, 12, 14, 15, 19, 20, 21, 22,
                                       23, 24, 26, 28, 29, 31, 32, 33, 36, 37, 39, 40};
    return offered.contains(type);
}

QComboBox* MakeValueList(int top, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    for (int value = 0; value <= top; ++value)
        list->addItem(QString::number(value));
    return list;
}

// Selects without telling the slots: only the user's choices are edits.
void ShowValue(QComboBox* list, int value)
{
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(value);
}

template <typename Visit>
void ForEachOtherChannel(const CProject& project, Visit visit)
{
    for (const CLibraryProfile* profile : project.m_library) {
        if (!profile)
            continue;
        for (const COtherChannel& other : profile->OtherChannels()) {
            if (other.channel)
                visit(*other.channel);
        }
    }
}

} // namespace

CPresetEffectWnd::CPresetEffectWnd(CProject& project, const CEffect* effect, CEffectEngine* engine,
                                   CTimeWidget* timeWidget, bool effectScene, QWidget* parent)
    : CEffectWnd(engine, timeWidget, effectScene, parent), m_project(project)
{
    const auto* preset = dynamic_cast<const CPresetEffect*>(effect);
    m_effect = preset ? new CPresetEffect(*preset) : new CPresetEffect;
    RepairRange(*m_effect);
    m_engine->SetEffect(m_effect);
    if (m_timeWidget)
        m_timeWidget->SetTime(0);
    BuildWidgets();
    Retranslate();
    FillLists();
    LoadRange();
    m_cursor->setChecked(m_effect->m_cursor);

    connect(m_channelList, &QListWidget::itemSelectionChanged, this, &CPresetEffectWnd::OnSelChannelChanged);
    connect(m_presetList, &QListWidget::itemSelectionChanged, this, &CPresetEffectWnd::OnSelPresetChanged);
    connect(m_percentButton, &QRadioButton::clicked, this, &CPresetEffectWnd::OnClickedPercent);
    connect(m_dmxButton, &QRadioButton::clicked, this, &CPresetEffectWnd::OnClickedDmx);
    connect(m_percentMin, qOverload<int>(&QComboBox::currentIndexChanged), this, &CPresetEffectWnd::OnPercentMinChanged);
    connect(m_percentMax, qOverload<int>(&QComboBox::currentIndexChanged), this, &CPresetEffectWnd::OnPercentMaxChanged);
    connect(m_dmxMin, qOverload<int>(&QComboBox::currentIndexChanged), this, &CPresetEffectWnd::OnDmxMinChanged);
    connect(m_dmxMax, qOverload<int>(&QComboBox::currentIndexChanged), this, &CPresetEffectWnd::OnDmxMaxChanged);
    connect(m_cursor, &QCheckBox::stateChanged, this, &CPresetEffectWnd::OnCheckCursor);
    m_effect->m_flag = false;
}

void CPresetEffectWnd::RepairRange(CPresetEffect& effect)
{
    effect.m_percentMin = std::clamp(effect.m_percentMin, 0, 100);
    effect.m_percentMax = std::clamp(effect.m_percentMax, 0, 100);
    effect.m_dmxMin = std::clamp(effect.m_dmxMin, 0, 255);
    effect.m_dmxMax = std::clamp(effect.m_dmxMax, 0, 255);
    effect.m_percentMin = std::min(effect.m_percentMin, effect.m_percentMax);
    effect.m_dmxMin = std::min(effect.m_dmxMin, effect.m_dmxMax);
}

void CPresetEffectWnd::BuildWidgets()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);

    auto* left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(6);
    m_channelLabel = new QLabel(this);
    m_presetLabel = new QLabel(this);
    for (QLabel* label : {m_channelLabel, m_presetLabel}) {
        label->setFixedHeight(30);
        label->setAlignment(Qt::AlignCenter);
    }
    m_channelList = new CChannelEffectList(this);
    m_presetList = new CPresetEffectList(this);
    left->addWidget(m_channelLabel);
    left->addWidget(m_channelList);
    left->addWidget(m_presetLabel);
    left->addWidget(m_presetList);
    layout->addLayout(left);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(6);
    right->addStretch();
    m_percentButton = new QRadioButton(this);
    m_dmxButton = new QRadioButton(QStringLiteral("DMX"), this);
    m_percentMin = MakeValueList(100, this);
    m_percentMax = MakeValueList(100, this);
    m_dmxMin = MakeValueList(255, this);
    m_dmxMax = MakeValueList(255, this);
    const auto addRange = [&](QRadioButton* button, const QString& unit, QComboBox* max, QComboBox* min) {
        right->addWidget(button);
        auto* box = new QGroupBox(this);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(6, 6, 6, 6);
        auto* maxLabel = new QLabel(unit + QStringLiteral(" Max : "), box);
        auto* minLabel = new QLabel(unit + QStringLiteral(" Min : "), box);
        maxLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        minLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(maxLabel, 0, 0);
        grid->addWidget(max, 0, 1);
        grid->addWidget(minLabel, 1, 0);
        grid->addWidget(min, 1, 1);
        right->addWidget(box);
    };
    addRange(m_percentButton, QStringLiteral("%"), m_percentMax, m_percentMin);
    addRange(m_dmxButton, QStringLiteral("DMX"), m_dmxMax, m_dmxMin);
    m_cursor = new QCheckBox(this);
    right->addWidget(m_cursor);
    right->addStretch();
    layout->addLayout(right);
}

void CPresetEffectWnd::Retranslate()
{
    m_channelLabel->setText(GetLangText(Txt::PresetFxChannels));
    m_presetLabel->setText(GetLangText(Txt::PresetFxPresets));
    m_percentButton->setText(GetLangText(Txt::PresetFxPercent));
    m_cursor->setText(GetLangText(Txt::PresetCursor));
}

void CPresetEffectWnd::SetMatrix(CFixtureMatrix* matrix)
{
    Q_UNUSED(matrix);
    MarkEffectChannels();
}

void CPresetEffectWnd::FillLists()
{
    ForEachOtherChannel(m_project, [this](const CProfileChannelDef& channel) {
        if (channel.m_presets.isEmpty()) {
            if (IsOfferedChannelType(channel.m_type))
                m_channelList->AddChannel(channel, m_effect->m_channelTypes.contains(channel.m_type));
            return;
        }
        for (const CProfilePresetDef* preset : channel.m_presets) {
            if (preset && IsOfferedPresetType(preset->m_type))
                m_presetList->AddPreset(*preset, m_project.MakePresetIcon(preset),
                                        IsPresetInEffect(preset->m_type, preset->m_effectType));
        }
    });
    MarkEffectChannels();
}

bool CPresetEffectWnd::IsPresetInEffect(int type, int subType) const
{
    CProfilePresetDef preset;
    preset.m_type = type;
    preset.m_effectType = subType;
    return m_effect->DrivesPreset(preset);
}

void CPresetEffectWnd::MarkEffectChannels()
{
    ShowHost().ClearEffectMarks();
    ShowHost().RefreshOutputViews();
    for (int type : m_effect->m_channelTypes)
        m_project.MarkEffectChannelType(type);
}

void CPresetEffectWnd::OnSelChannelChanged()
{
    m_effect->m_channelTypes.clear();
    for (const QListWidgetItem* item : m_channelList->selectedItems())
        m_effect->m_channelTypes << item->data(CChannelEffectList::TypeRole).toInt();
    MarkEffectChannels();
    m_effect->m_flag = true;
}

void CPresetEffectWnd::OnSelPresetChanged()
{
    if (m_inPresetSelection)
        return;
    m_inPresetSelection = true;
    QList<QListWidgetItem*> selected = m_presetList->selectedItems();
    KeepOnePresetPerChannel(selected);
    m_effect->m_presetTypes1.clear();
    m_effect->m_presetTypes2.clear();
    for (const QListWidgetItem* item : selected) {
        m_effect->m_presetTypes1 << item->data(CPresetEffectList::TypeRole).toInt();
        m_effect->m_presetTypes2 << item->data(CPresetEffectList::SubTypeRole).toInt();
    }
    m_effect->m_flag = true;
    m_inPresetSelection = false;
}

void CPresetEffectWnd::KeepOnePresetPerChannel(QList<QListWidgetItem*>& selected)
{
    if (selected.size() < 2)
        return;
    int newType = 0;
    int newSubType = 0;
    bool found = false;
    for (int i = selected.size() - 1; i >= 0 && !found; --i) {
        newType = selected.at(i)->data(CPresetEffectList::TypeRole).toInt();
        newSubType = selected.at(i)->data(CPresetEffectList::SubTypeRole).toInt();
        found = !IsPresetInEffect(newType, newSubType);
    }
    if (!found)
        return;
    const auto isPair = [](const QListWidgetItem* item, int type, int subType) {
        return item->data(CPresetEffectList::TypeRole).toInt() == type
               && item->data(CPresetEffectList::SubTypeRole).toInt() == subType;
    };
    ForEachOtherChannel(m_project, [&](const CProfileChannelDef& channel) {
        const bool offersNew = std::any_of(channel.m_presets.begin(), channel.m_presets.end(),
                                           [&](const CProfilePresetDef* preset) {
                                               return preset && preset->m_type == newType
                                                      && preset->m_effectType == newSubType;
                                           });
        if (!offersNew)
            return;
        for (const CProfilePresetDef* other : channel.m_presets) {
            if (!other || (other->m_type == newType && other->m_effectType == newSubType)
                || !IsPresetInEffect(other->m_type, other->m_effectType))
                continue;
            for (int i = selected.size() - 1; i >= 0; --i) {
                if (isPair(selected.at(i), other->m_type, other->m_effectType)) {
                    selected.at(i)->setSelected(false);
                    selected.removeAt(i);
                }
            }
        }
    });
}

void CPresetEffectWnd::LoadRange()
{
    m_percentButton->setChecked(m_effect->m_percent);
    m_dmxButton->setChecked(!m_effect->m_percent);
    ShowPercent(m_effect->m_percent);
}

void CPresetEffectWnd::ShowPercent(bool percent)
{
    ShowValue(m_percentMin, percent ? m_effect->m_percentMin : -1);
    ShowValue(m_percentMax, percent ? m_effect->m_percentMax : -1);
    ShowValue(m_dmxMin, percent ? -1 : m_effect->m_dmxMin);
    ShowValue(m_dmxMax, percent ? -1 : m_effect->m_dmxMax);
    m_percentMin->setEnabled(percent);
    m_percentMax->setEnabled(percent);
    m_dmxMin->setEnabled(!percent);
    m_dmxMax->setEnabled(!percent);
}

void CPresetEffectWnd::OnClickedPercent(bool checked)
{
    Q_UNUSED(checked);
    m_effect->m_percent = true;
    ShowPercent(true);
    m_effect->m_flag = true;
}

void CPresetEffectWnd::OnClickedDmx(bool checked)
{
    Q_UNUSED(checked);
    m_effect->m_percent = false;
    ShowPercent(false);
    m_effect->m_flag = true;
}

void CPresetEffectWnd::ChangeRange(int value, bool max, int& low, int& high, QComboBox* lowList, QComboBox* highList)
{
    // A list without a selection has nothing to store.
    if (value < 0)
        return;
    if (max) {
        high = value;
        if (low > high) {
            low = high;
            ShowValue(lowList, low);
        }
    } else {
        low = value;
        if (high < low) {
            high = low;
            ShowValue(highList, high);
        }
    }
    m_effect->m_flag = true;
}

void CPresetEffectWnd::OnPercentMinChanged(int value)
{
    if (m_effect->m_percent)
        ChangeRange(value, false, m_effect->m_percentMin, m_effect->m_percentMax, m_percentMin, m_percentMax);
}

void CPresetEffectWnd::OnPercentMaxChanged(int value)
{
    if (m_effect->m_percent)
        ChangeRange(value, true, m_effect->m_percentMin, m_effect->m_percentMax, m_percentMin, m_percentMax);
}

void CPresetEffectWnd::OnDmxMinChanged(int value)
{
    if (!m_effect->m_percent)
        ChangeRange(value, false, m_effect->m_dmxMin, m_effect->m_dmxMax, m_dmxMin, m_dmxMax);
}

void CPresetEffectWnd::OnDmxMaxChanged(int value)
{
    if (!m_effect->m_percent)
        ChangeRange(value, true, m_effect->m_dmxMin, m_effect->m_dmxMax, m_dmxMin, m_dmxMax);
}

void CPresetEffectWnd::OnCheckCursor(int state)
{
    m_effect->m_cursor = state == Qt::Checked;
    if (!m_effect->m_cursor)
        m_effect->m_prValue = 50;
    m_effect->m_flag = true;
}

namespace {

// The page needs the show it edits, which only its effects window knows.
const bool s_registered = [] {
    RegisterEffectPage(EffectType::Preset, [](const CEffectPageArgs& args) -> CEffectWnd* {
        if (!args.project)
            return nullptr;
        return new CPresetEffectWnd(*args.project, args.effect, args.engine, args.timeWidget, args.effectScene,
                                    args.parent);
    });
    return true;
}();

} // namespace
