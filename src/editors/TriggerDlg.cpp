#include "editors/TriggerDlg.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/Triggers.h"
#include "show/ShowHost.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kMidiChannels = 16;
constexpr int kMidiNumbers = 127; // listed from 1
constexpr int kStandAloneChoices = 11; // none, then 1 to 10
constexpr int kMaxUniverses = 256;

QComboBox* NumberList(int first, int count, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    for (int i = first; i < first + count; ++i)
        list->addItem(QString::number(i));
    return list;
}

QComboBox* InputList(QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->addItem(QString());
    for (int i = 1; i < kStandAloneChoices; ++i)
        list->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    return list;
}

// A stored value the list does not hold (a universe the project lacks, a
// learned number 0) leaves the list without a selection.
void Select(QComboBox* list, int position)
{
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

void EnableLists(std::initializer_list<QComboBox*> lists, bool enabled)
{
    for (QComboBox* list : lists) {
        list->setEnabled(enabled);
        if (!enabled)
            list->setCurrentIndex(-1);
    }
}

// What OK writes for a list: its position plus `offset`; without a selection
// the stored value stays, unless it lies outside [low, high], which gives
// the field's default.
int ListValue(const QComboBox* list, int offset, int stored, int low, int high, int fallback)
{
    if (list->currentIndex() >= 0)
        return list->currentIndex() + offset;
    return stored >= low && stored <= high ? stored : fallback;
}

QString LabelText(int caption)
{
    return GetLangText(caption) + QStringLiteral(" :");
}

QLabel* RightLabel(int caption, QWidget* parent)
{
    auto* label = new QLabel(LabelText(caption), parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

template <typename Layout>
Layout* GroupLayout(QGroupBox* group)
{
    auto* layout = new Layout(group);
    layout->setContentsMargins(6, 2, 6, 6);
    return layout;
}

} // namespace

CTriggerDlg::CTriggerDlg(CTriggers& record, bool levelMode, bool autoReleaseAllowed, int universeCount,
                         QWidget* parent)
    : QDialog(parent, Qt::Tool)
    , m_record(record)
    , m_levelMode(levelMode)
    , m_autoReleaseAllowed(autoReleaseAllowed)
    , m_shortcut(new QComboBox(this))
    , m_midiChannel(NumberList(0, kMidiChannels, this))
    , m_midiNumber(NumberList(1, kMidiNumbers, this))
    , m_midiMin(NumberList(1, kMidiNumbers, this))
    , m_midiMax(NumberList(1, kMidiNumbers, this))
    , m_dmxUniverse(new QComboBox(this))
    , m_dmxChannel(NumberList(1, kDmxChannelsPerUniverse, this))
    , m_dmxLevel(NumberList(0, 256, this))
    , m_dmxMin(NumberList(0, 256, this))
    , m_dmxMax(NumberList(0, 256, this))
    , m_autoRelease(new QCheckBox(GetLangText(Txt::TrigAutoRelease), this))
    , m_midiGroup(new QButtonGroup(this))
    , m_dmxGroup(new QButtonGroup(this))
{
    setWindowTitle(GetLangText(Txt::Triggers));
    setPalette(ShowHost().ProgramPalette());
    setAutoFillBackground(true);

    m_shortcut->addItem(QString());
    m_shortcut->addItems(KeyNames());
    const int universes = qBound(0, universeCount, kMaxUniverses);
    for (int u = 0; u < universes; ++u)
        m_dmxUniverse->addItem(QStringLiteral("%1 %2").arg(GetLangText(Txt::DmxUniverse)).arg(u + 1));
    for (QComboBox*& list : m_saInputs)
        list = InputList(this);
    const int midiCaptions[] = {Txt::TrigNoMidi, Txt::TrigMidiNote, Txt::TrigMidiCtrl, Txt::TrigMidiProg};
    for (int mode = 0; mode < 4; ++mode) {
        m_midiRadios[size_t(mode)] = new QRadioButton(GetLangText(midiCaptions[mode]), this);
        m_midiGroup->addButton(m_midiRadios[size_t(mode)], mode);
    }
    const int dmxCaptions[] = {Txt::TrigNoDmx, Txt::TrigDmxLevel, Txt::TrigDmxScale};
    for (int mode = 0; mode < 3; ++mode) {
        m_dmxRadios[size_t(mode)] = new QRadioButton(GetLangText(dmxCaptions[mode]), this);
        m_dmxGroup->addButton(m_dmxRadios[size_t(mode)], mode);
    }
    BuildLayout();

    // Checking a radio button, by hand or by MIDI learn, runs its slot.
    using Slot = void (CTriggerDlg::*)();
    const Slot midiSlots[] = {&CTriggerDlg::OnRadioMidiNone, &CTriggerDlg::OnRadioMidiNote,
                              &CTriggerDlg::OnRadioMidiCtrl, &CTriggerDlg::OnRadioMidiProg};
    for (int mode = 0; mode < 4; ++mode)
        connect(m_midiRadios[size_t(mode)], &QRadioButton::toggled, this, [this, slot = midiSlots[mode]](bool on) {
            if (on)
                (this->*slot)();
        });
    const Slot dmxSlots[] = {&CTriggerDlg::OnRadioDmxNone, &CTriggerDlg::OnRadioDmxLevel,
                             &CTriggerDlg::OnRadioDmxScale};
    for (int mode = 0; mode < 3; ++mode)
        connect(m_dmxRadios[size_t(mode)], &QRadioButton::toggled, this, [this, slot = dmxSlots[mode]](bool on) {
            if (on)
                (this->*slot)();
        });

    LoadRecord();

    // Every key goes to the dialog, where it is captured as the shortcut;
    // a focused list would take letters and arrows for itself.
    for (QWidget* child : findChildren<QWidget*>())
        child->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(400, 500);
}

void CTriggerDlg::BuildLayout()
{
    auto* shortcutGroup = new QGroupBox(GetLangText(Txt::TrigShortcut), this);
    auto* shortcutLayout = GroupLayout<QHBoxLayout>(shortcutGroup);
    shortcutLayout->addWidget(new QLabel(LabelText(Txt::TrigSelectShortcut), shortcutGroup));
    shortcutLayout->addWidget(m_shortcut);

    auto* midiGroup = new QGroupBox(GetLangText(Txt::TrigMidiTrigger), this);
    auto* midiLayout = GroupLayout<QGridLayout>(midiGroup);
    const int midiLabels[] = {Txt::TrigChannel, Txt::TrigValue, Txt::TrigMin, Txt::TrigMax};
    QComboBox* const midiLists[] = {m_midiChannel, m_midiNumber, m_midiMin, m_midiMax};
    for (int row = 0; row < 4; ++row) {
        midiLayout->addWidget(m_midiRadios[size_t(row)], row, 0);
        midiLayout->addWidget(RightLabel(midiLabels[row], midiGroup), row, 1);
        midiLayout->addWidget(midiLists[row], row, 2);
    }

    auto* dmxGroup = new QGroupBox(QStringLiteral("DMX"), this);
    auto* dmxLayout = GroupLayout<QGridLayout>(dmxGroup);
    const int dmxLabels[] = {Txt::DmxUniverse, Txt::TrigChannel, Txt::TrigValue, Txt::TrigMin, Txt::TrigMax};
    QComboBox* const dmxLists[] = {m_dmxUniverse, m_dmxChannel, m_dmxLevel, m_dmxMin, m_dmxMax};
    for (int row = 0; row < 5; ++row) {
        if (row < 3)
            dmxLayout->addWidget(m_dmxRadios[size_t(row)], row, 0);
        dmxLayout->addWidget(RightLabel(dmxLabels[row], dmxGroup), row, 1);
        dmxLayout->addWidget(dmxLists[row], row, 2);
    }

    auto* saGroup = new QGroupBox(QStringLiteral("SA Triggers"), this);
    auto* saLayout = GroupLayout<QGridLayout>(saGroup);
    const int saLabels[] = {Txt::TrigButtons, Txt::TrigRemote, Txt::TrigExternalContacts};
    for (int row = 0; row < 3; ++row) {
        saLayout->addWidget(RightLabel(saLabels[row], saGroup), row, 0);
        saLayout->addWidget(m_saInputs[size_t(row)], row, 1);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(GetLangText(Txt::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(GetLangText(Txt::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CTriggerDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    for (QWidget* widget : {static_cast<QWidget*>(shortcutGroup), static_cast<QWidget*>(midiGroup),
                            static_cast<QWidget*>(dmxGroup), static_cast<QWidget*>(saGroup),
                            static_cast<QWidget*>(m_autoRelease)})
        layout->addWidget(widget);
    layout->addStretch();
    layout->addWidget(buttons);
}

void CTriggerDlg::LoadRecord()
{
    if (m_levelMode) {
        EnableLists({m_shortcut}, false);
        m_midiRadios[CMidiTrigger::Note]->setEnabled(false);
        m_midiRadios[CMidiTrigger::ProgramChange]->setEnabled(false);
        m_dmxRadios[CDmxTrigger::LevelReached]->setEnabled(false);
        EnableLists({m_saInputs[0], m_saInputs[1], m_saInputs[2]}, false);
    } else {
        m_shortcut->setCurrentIndex(
            m_shortcut->findText(m_record.m_shortCut.m_keyName, Qt::MatchExactly | Qt::MatchCaseSensitive));
        for (size_t i = 0; i < m_saInputs.size(); ++i)
            Select(m_saInputs[i], m_record.m_saInputs[i]);
    }

    int midiMode = m_record.m_midiTrigger.m_mode;
    if (midiMode < CMidiTrigger::None || midiMode > CMidiTrigger::ProgramChange
        || (m_levelMode && midiMode != CMidiTrigger::Controller))
        midiMode = CMidiTrigger::None;
    m_midiRadios[size_t(midiMode)]->setChecked(true);

    int dmxMode = m_record.m_dmxTrigger.m_mode;
    if (dmxMode < CDmxTrigger::None || dmxMode > CDmxTrigger::InsideRange
        || (m_levelMode && dmxMode != CDmxTrigger::InsideRange))
        dmxMode = CDmxTrigger::None;
    m_dmxRadios[size_t(dmxMode)]->setChecked(true);

    m_autoRelease->setChecked(m_autoReleaseAllowed && m_record.m_bAutoRelease);
    m_autoRelease->setEnabled(m_autoReleaseAllowed);
}

void CTriggerDlg::ShowMidi(int mode)
{
    m_midiMode = mode;
    const CMidiTrigger& stored = m_record.m_midiTrigger;
    const bool any = mode != CMidiTrigger::None;
    const bool range = mode == CMidiTrigger::Controller;
    EnableLists({m_midiChannel, m_midiNumber}, any);
    EnableLists({m_midiMin, m_midiMax}, range);
    if (any) {
        Select(m_midiChannel, stored.m_channel);
        Select(m_midiNumber, stored.m_number - 1);
    }
    if (range) {
        Select(m_midiMin, stored.m_minimum - 1);
        Select(m_midiMax, stored.m_maximum - 1);
    }
}

void CTriggerDlg::ShowDmx(int mode)
{
    m_dmxMode = mode;
    const CDmxTrigger& stored = m_record.m_dmxTrigger;
    const bool any = mode != CDmxTrigger::None;
    const bool range = mode == CDmxTrigger::InsideRange;
    EnableLists({m_dmxUniverse, m_dmxChannel}, any);
    EnableLists({m_dmxLevel}, mode == CDmxTrigger::LevelReached);
    EnableLists({m_dmxMin, m_dmxMax}, range);
    if (any) {
        Select(m_dmxUniverse, stored.m_universe);
        Select(m_dmxChannel, stored.m_channel);
    }
    if (mode == CDmxTrigger::LevelReached)
        Select(m_dmxLevel, stored.m_level);
    if (range) {
        Select(m_dmxMin, stored.m_minimum);
        Select(m_dmxMax, stored.m_maximum);
    }
}

void CTriggerDlg::OnRadioMidiNone() { ShowMidi(CMidiTrigger::None); }
void CTriggerDlg::OnRadioMidiNote() { ShowMidi(CMidiTrigger::Note); }
void CTriggerDlg::OnRadioMidiCtrl() { ShowMidi(CMidiTrigger::Controller); }
void CTriggerDlg::OnRadioMidiProg() { ShowMidi(CMidiTrigger::ProgramChange); }
void CTriggerDlg::OnRadioDmxNone() { ShowDmx(CDmxTrigger::None); }
void CTriggerDlg::OnRadioDmxLevel() { ShowDmx(CDmxTrigger::LevelReached); }
void CTriggerDlg::OnRadioDmxScale() { ShowDmx(CDmxTrigger::InsideRange); }

void CTriggerDlg::SetMidiTrigger(int mode, int channel, int number, int value)
{
    Q_UNUSED(value);
    if (mode < CMidiTrigger::Note || mode > CMidiTrigger::ProgramChange)
        mode = CMidiTrigger::None;
    // A level command takes a controller only; a note or program change
    // would select a mode that cannot be chosen here.
    if (m_levelMode && (mode == CMidiTrigger::Note || mode == CMidiTrigger::ProgramChange))
        return;
    // Checking the radio button sets the working mode; the lists follow.
    QRadioButton* radio = m_midiRadios[size_t(mode)];
    if (!radio->isChecked())
        radio->setChecked(true);
    if (mode == CMidiTrigger::None)
        return;
    Select(m_midiChannel, channel);
    Select(m_midiNumber, number - 1);
}

void CTriggerDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return: OnOk(); return;
    case Qt::Key_Escape: reject(); return;
    default: break;
    }
    // The shortcut of a level command stays empty.
    if (m_levelMode)
        return;
    QString name;
    const QStringList& names = KeyNames();
    const QMap<QString, int>& codes = KeyCodesByName();
    for (const QString& candidate : names) {
        if (codes.value(candidate) == event->key()) {
            name = candidate;
            break;
        }
    }
    m_shortcut->setCurrentIndex(m_shortcut->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void CTriggerDlg::StoreMidi()
{
    CMidiTrigger& t = m_record.m_midiTrigger;
    const CMidiTrigger defaults;
    t.m_mode = m_midiMode;
    if (m_midiMode == CMidiTrigger::None) {
        t = defaults;
    } else {
        t.m_channel = quint8(ListValue(m_midiChannel, 0, t.m_channel, 0, kMidiChannels - 1, defaults.m_channel));
        t.m_number = quint8(ListValue(m_midiNumber, 1, t.m_number, 1, kMidiNumbers, defaults.m_number));
        if (m_midiMode == CMidiTrigger::Controller) {
            t.m_minimum = quint8(ListValue(m_midiMin, 1, t.m_minimum, 1, kMidiNumbers, defaults.m_minimum));
            t.m_maximum = quint8(ListValue(m_midiMax, 1, t.m_maximum, 1, kMidiNumbers, defaults.m_maximum));
            if (t.m_minimum > t.m_maximum)
                t = defaults;
        }
    }
    m_record.UpdateMidiTriggerText();
}

void CTriggerDlg::StoreDmx()
{
    CDmxTrigger& t = m_record.m_dmxTrigger;
    const CDmxTrigger defaults;
    t.m_mode = m_dmxMode;
    if (m_dmxMode == CDmxTrigger::None) {
        t = defaults;
    } else {
        t.m_universe = quint8(ListValue(m_dmxUniverse, 0, t.m_universe, 0, kMaxUniverses - 1, defaults.m_universe));
        t.m_channel = quint16(
            ListValue(m_dmxChannel, 0, t.m_channel, 0, kDmxChannelsPerUniverse - 1, defaults.m_channel));
        if (m_dmxMode == CDmxTrigger::LevelReached) {
            t.m_level = quint8(ListValue(m_dmxLevel, 0, t.m_level, 0, 255, defaults.m_level));
        } else {
            t.m_level = 0;
            t.m_minimum = quint8(ListValue(m_dmxMin, 0, t.m_minimum, 0, 255, defaults.m_minimum));
            t.m_maximum = quint8(ListValue(m_dmxMax, 0, t.m_maximum, 0, 255, defaults.m_maximum));
            if (t.m_minimum > t.m_maximum)
                t = defaults;
        }
    }
    m_record.UpdateDmxTriggerText();
}

void CTriggerDlg::OnOk()
{
    m_record.ParseShortCut(m_shortcut->currentIndex() >= 0 ? m_shortcut->currentText() : QString());
    StoreMidi();
    StoreDmx();
    for (size_t i = 0; i < m_saInputs.size(); ++i) {
        const int stored = m_record.m_saInputs[i];
        m_record.m_saInputs[i] =
            m_levelMode ? 0 : quint8(ListValue(m_saInputs[i], 0, stored, 0, kStandAloneChoices - 1, 0));
    }
    m_record.m_bAutoRelease = m_autoReleaseAllowed && m_autoRelease->isChecked();
    accept();
}
