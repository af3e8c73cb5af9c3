#include "model/Triggers.h"

#include "model/XmlDocument.h"

#include <Qt>

namespace {

struct KeyNameTable
{
    QStringList names;
    QMap<QString, int> codes;
};

KeyNameTable& Table()
{
    static KeyNameTable table;
    return table;
}

// Stored text is untrusted: a piece that is not a decimal number within
// [low, high] leaves the field's default rather than wrapping into some
// other, plausible-looking channel or level.
int ReadPiece(const QString& piece, int low, int high, int fallback)
{
    bool ok = false;
    const int value = piece.toInt(&ok, 10);
    return ok && value >= low && value <= high ? value : fallback;
}

quint8 ReadByte(const QString& piece, quint8 fallback)
{
    return static_cast<quint8>(ReadPiece(piece, 0, 255, fallback));
}

// No trigger has more than six pieces: a longer text is none, and is not
// split (an attribute of millions of separators made a list of millions).
QStringList SplitPieces(const QString& text)
{
    if (text.count(QLatin1Char('|')) > 5)
        return {};
    return text.split(QLatin1Char('|'), Qt::KeepEmptyParts);
}

// Percentage of `value` between `low` and `high`; callers guarantee low < high.
int PercentBetween(int value, int low, int high)
{
    return static_cast<int>((qint64(value) - low) * 100 / (high - low));
}

// The steps every DMX test shares: the trigger must watch this universe, the
// slot must exist in the buffers handed in, and the value must have changed.
bool TakeChangedDmxValue(CDmxTrigger& trigger, int universe, const DmxInputLevels& inputs, int& value)
{
    if (trigger.m_mode != CDmxTrigger::LevelReached && trigger.m_mode != CDmxTrigger::InsideRange)
        return false;
    if (trigger.m_universe != universe || universe < 0 || universe >= inputs.size())
        return false;
    const QByteArray& levels = inputs.at(universe);
    if (trigger.m_channel >= levels.size())
        return false;
    value = static_cast<quint8>(levels.at(trigger.m_channel));
    if (value == trigger.m_lastValue)
        return false;
    trigger.m_lastValue = static_cast<quint8>(value);
    return true;
}

} // namespace

void InitKeyNames()
{
    KeyNameTable& table = Table();
    if (!table.names.isEmpty())
        return;
    auto add = [&table](const QString& name, int code) {
        table.names << name;
        table.codes.insert(name, code);
    };
    for (int i = 0; i <= 9; ++i)
        add(QString::number(i), Qt::Key_0 + i);
    for (int i = 0; i < 26; ++i)
        add(QString(QChar('A' + i)), Qt::Key_A + i);
    for (int i = 0; i < 12; ++i)
        add(QStringLiteral("F%1").arg(i + 1), Qt::Key_F1 + i);
    add(QStringLiteral("Space"), Qt::Key_Space);
}

const QStringList& KeyNames()
{
    InitKeyNames();
    return Table().names;
}

const QMap<QString, int>& KeyCodesByName()
{
    InitKeyNames();
    return Table().codes;
}

CTriggers::CTriggers() = default;

void CTriggers::Reset()
{
    *this = CTriggers();
}

void CTriggers::ParseShortCut(const QString& name)
{
    const QMap<QString, int>& codes = KeyCodesByName();
    const auto found = codes.constFind(name);
    if (found == codes.constEnd()) {
        m_shortCut = CShortCut();
        return;
    }
    m_shortCut.m_key = found.value();
    m_shortCut.m_keyName = name;
}

QString CTriggers::MidiTriggerToString() const
{
    const CMidiTrigger& t = m_midiTrigger;
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(t.m_mode)
        .arg(t.m_channel)
        .arg(t.m_number)
        .arg(t.m_minimum)
        .arg(t.m_maximum);
}

QString CTriggers::DmxTriggerToString() const
{
    const CDmxTrigger& t = m_dmxTrigger;
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(t.m_mode)
        .arg(t.m_universe)
        .arg(t.m_channel)
        .arg(t.m_level)
        .arg(t.m_minimum)
        .arg(t.m_maximum);
}

QString CTriggers::SaTriggerToString() const
{
    return QStringLiteral("%1|%2|%3").arg(m_saInputs[0]).arg(m_saInputs[1]).arg(m_saInputs[2]);
}

void CTriggers::ParseMidiTrigger(const QString& text)
{
    const QStringList pieces = SplitPieces(text);
    const CMidiTrigger defaults;
    CMidiTrigger parsed;
    if (pieces.size() == 5 || pieces.size() == 4) {
        // The older four-piece form has no channel: it is channel 0.
        const bool hasChannel = pieces.size() == 5;
        int i = 0;
        parsed.m_mode = ReadPiece(pieces.at(i++), CMidiTrigger::None, CMidiTrigger::ProgramChange, defaults.m_mode);
        parsed.m_channel = hasChannel ? ReadByte(pieces.at(i++), defaults.m_channel) : 0;
        parsed.m_number = ReadByte(pieces.at(i++), defaults.m_number);
        parsed.m_minimum = ReadByte(pieces.at(i++), defaults.m_minimum);
        parsed.m_maximum = ReadByte(pieces.at(i++), defaults.m_maximum);
    }
    m_midiTrigger = parsed;
    UpdateMidiTriggerText();
}

void CTriggers::ParseDmxTrigger(const QString& text)
{
    const QStringList pieces = SplitPieces(text);
    const CDmxTrigger defaults;
    if (pieces.size() != 6) {
        m_dmxTrigger = defaults;
        UpdateDmxTriggerText();
        return;
    }
    CDmxTrigger& t = m_dmxTrigger;
    t.m_mode = ReadPiece(pieces.at(0), CDmxTrigger::None, CDmxTrigger::InsideRange, defaults.m_mode);
    t.m_universe = ReadByte(pieces.at(1), defaults.m_universe);
    t.m_channel = static_cast<quint16>(ReadPiece(pieces.at(2), 0, kDmxChannelsPerUniverse - 1, defaults.m_channel));
    t.m_level = ReadByte(pieces.at(3), defaults.m_level);
    t.m_minimum = ReadByte(pieces.at(4), defaults.m_minimum);
    t.m_maximum = ReadByte(pieces.at(5), defaults.m_maximum);
    UpdateDmxTriggerText();
}

void CTriggers::ParseSaTrigger(const QString& text)
{
    const QStringList pieces = SplitPieces(text);
    if (pieces.size() != 3) {
        m_saInputs = {};
        return;
    }
    for (int i = 0; i < 3; ++i)
        m_saInputs[i] = ReadByte(pieces.at(i), 0);
}

void CTriggers::UpdateMidiTriggerText()
{
    CMidiTrigger& t = m_midiTrigger;
    switch (t.m_mode) {
    case CMidiTrigger::Note: t.m_displayText = QStringLiteral("N%1").arg(t.m_number); break;
    case CMidiTrigger::Controller: t.m_displayText = QStringLiteral("C%1").arg(t.m_number); break;
    case CMidiTrigger::ProgramChange: t.m_displayText = QStringLiteral("P%1").arg(t.m_number); break;
    default: t.m_displayText.clear(); break;
    }
}

void CTriggers::UpdateDmxTriggerText()
{
    CDmxTrigger& t = m_dmxTrigger;
    switch (t.m_mode) {
    case CDmxTrigger::LevelReached:
        t.m_displayText = QStringLiteral("C%1-%2").arg(t.m_channel + 1).arg(t.m_level);
        break;
    case CDmxTrigger::InsideRange:
        t.m_displayText = QStringLiteral("C%1-(%2-%3)").arg(t.m_channel + 1).arg(t.m_minimum).arg(t.m_maximum);
        break;
    default: t.m_displayText.clear(); break;
    }
}

QString CTriggers::GetText() const
{
    QString text;
    // A part whose mode is set may still carry no text; it must not leave a
    // stray separator behind.
    auto append = [&text](const QString& piece) {
        if (piece.isEmpty())
            return;
        if (!text.isEmpty())
            text += QLatin1Char('/');
        text += piece;
    };
    if (m_shortCut.m_key >= 0)
        append(m_shortCut.m_keyName);
    if (m_midiTrigger.m_mode > 0)
        append(m_midiTrigger.m_displayText);
    if (m_dmxTrigger.m_mode > 0)
        append(m_dmxTrigger.m_displayText);
    return text.isEmpty() ? QStringLiteral("[...]") : QLatin1Char('[') + text + QLatin1Char(']');
}

void CTriggers::WriteXml(CXmlDocument& document) const
{
    if (m_shortCut.m_key >= 0)
        document.SetAttrString("ZKShortCut", m_shortCut.m_keyName);
    if (m_midiTrigger.m_mode > 0)
        document.SetAttrString("ZKMidiTrigger", MidiTriggerToString());
    if (m_dmxTrigger.m_mode > 0)
        document.SetAttrString("ZKDmxTrigger", DmxTriggerToString());
    if (m_saInputs[0] != 0 || m_saInputs[1] != 0 || m_saInputs[2] != 0)
        document.SetAttrString("ZKSATrigger", SaTriggerToString());
    document.SetAttrBool("ZKAutoRelease", m_bAutoRelease);
}

void CTriggers::ReadXml(CXmlDocument& document)
{
    QString text;
    if (document.GetAttrString("ZKShortCut", text))
        ParseShortCut(text);
    if (document.GetAttrString("ZKMidiTrigger", text))
        ParseMidiTrigger(text);
    if (document.GetAttrString("ZKDmxTrigger", text))
        ParseDmxTrigger(text);
    if (document.GetAttrString("ZKSATrigger", text))
        ParseSaTrigger(text);
    document.GetAttrBool("ZKAutoRelease", m_bAutoRelease);
}

bool CheckDmxTrigger(CDmxTrigger& trigger, int universe, const DmxInputLevels& inputs, bool& on)
{
    int value = 0;
    if (!TakeChangedDmxValue(trigger, universe, inputs, value))
        return false;
    if (trigger.m_mode == CDmxTrigger::LevelReached)
        on = value >= trigger.m_level;
    else
        on = value >= trigger.m_minimum && value <= trigger.m_maximum;
    return true;
}

bool CheckDmxTriggerLevel(CDmxTrigger& trigger, int universe, const DmxInputLevels& inputs, int& percent)
{
    int value = 0;
    if (!TakeChangedDmxValue(trigger, universe, inputs, value))
        return false;
    if (trigger.m_mode == CDmxTrigger::LevelReached) {
        if (value < trigger.m_level)
            return false;
        // A threshold of 255 is only ever reached at full.
        percent = trigger.m_level == 255 ? 100 : PercentBetween(value, trigger.m_level, 255);
        return true;
    }
    if (value < trigger.m_minimum || value > trigger.m_maximum || trigger.m_maximum <= trigger.m_minimum)
        return false;
    percent = PercentBetween(value, trigger.m_minimum, trigger.m_maximum);
    return true;
}

bool CheckMidiTrigger(const CMidiTrigger& trigger, int value, bool& on)
{
    switch (trigger.m_mode) {
    case CMidiTrigger::Note: on = value == 1; return true;
    case CMidiTrigger::Controller: on = value >= trigger.m_minimum && value <= trigger.m_maximum; return true;
    default: return false;
    }
}

bool CheckMidiTriggerLevel(const CMidiTrigger& trigger, int value, int& percent)
{
    if (trigger.m_mode != CMidiTrigger::Controller)
        return false;
    const int low = trigger.m_minimum;
    const int high = trigger.m_maximum;
    if (low == high)
        percent = value >= low ? 100 : 0;
    else
        percent = static_cast<int>(qBound<qint64>(0, (qint64(value) - low) * 100 / (high - low), 100));
    return true;
}
