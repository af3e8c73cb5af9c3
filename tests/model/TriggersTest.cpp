#include "TestRegistry.h"
#include "XmlText.h"

#include "model/Triggers.h"
#include "model/XmlDocument.h"

#include <QDomNamedNodeMap>
#include <QtTest>

namespace {

// One line per part, so a failed comparison shows every field at once.
QString Describe(const CMidiTrigger& t)
{
    return QStringLiteral("mode %1 ch %2 nr %3 range %4-%5 '%6'")
        .arg(t.m_mode).arg(t.m_channel).arg(t.m_number).arg(t.m_minimum).arg(t.m_maximum).arg(t.m_displayText);
}

QString Describe(const CDmxTrigger& t)
{
    return QStringLiteral("mode %1 u %2 ch %3 lvl %4 range %5-%6 last %7 '%8'")
        .arg(t.m_mode).arg(t.m_universe).arg(t.m_channel).arg(t.m_level)
        .arg(t.m_minimum).arg(t.m_maximum).arg(t.m_lastValue).arg(t.m_displayText);
}

QString Describe(const CTriggers& t)
{
    return QStringLiteral("key %1 '%2' | %3 | %4 | sa %5 %6 %7 | auto %8")
        .arg(t.m_shortCut.m_key).arg(t.m_shortCut.m_keyName)
        .arg(Describe(t.m_midiTrigger), Describe(t.m_dmxTrigger))
        .arg(t.m_saInputs[0]).arg(t.m_saInputs[1]).arg(t.m_saInputs[2]).arg(t.m_bAutoRelease);
}

const QString kDefaultMidi = QStringLiteral("mode 0 ch 0 nr 68 range 1-127 ''");
const QString kDefaultDmx = QStringLiteral("mode 0 u 0 ch 0 lvl 127 range 127-255 last 0 ''");

CMidiTrigger Midi(int mode, int minimum, int maximum)
{
    CMidiTrigger t;
    t.m_mode = mode;
    t.m_minimum = static_cast<quint8>(minimum);
    t.m_maximum = static_cast<quint8>(maximum);
    return t;
}

} // namespace

class TriggersTest : public QObject
{
    Q_OBJECT

private slots:
    void keyNameTableAndShortcuts()
    {
        InitKeyNames();
        InitKeyNames(); // a second start-up call must not grow the table
        const QStringList& names = KeyNames();
        QCOMPARE(names.size(), 49);
        QCOMPARE(KeyCodesByName().size(), 49);
        QCOMPARE(names.mid(8, 4), QStringList({"8", "9", "A", "B"}));
        QCOMPARE(names.mid(35, 2), QStringList({"Z", "F1"}));
        QCOMPARE(names.last(), QStringLiteral("Space"));
        const QMap<QString, int>& codes = KeyCodesByName();
        QCOMPARE(QList<int>({codes["9"], codes["Z"], codes["F1"], codes["F12"], codes["Space"]}),
                 QList<int>({57, 90, 16777264, 16777275, 32}));

        CTriggers t;
        t.ParseShortCut(QStringLiteral("F5"));
        QCOMPARE(t.m_shortCut.m_key, 16777268);
        QCOMPARE(t.m_shortCut.m_keyName, QStringLiteral("F5"));
        // Names match exactly: anything else clears a shortcut already set.
        for (const QString& name : {QStringLiteral("f5"), QStringLiteral("F13"), QStringLiteral(" A"),
                                    QStringLiteral("Enter"), QString()}) {
            t.ParseShortCut(QStringLiteral("Space"));
            t.ParseShortCut(name);
            QVERIFY2(t.m_shortCut.m_key == -1 && t.m_shortCut.m_keyName.isEmpty(), qPrintable(name));
        }
    }

    void resetRestoresEveryDefault()
    {
        CTriggers fresh;
        QCOMPARE(Describe(fresh), QStringLiteral("key -1 '' | %1 | %2 | sa 0 0 0 | auto 0")
                                      .arg(kDefaultMidi, kDefaultDmx));

        CTriggers t;
        t.ParseShortCut(QStringLiteral("B"));
        t.ParseMidiTrigger(QStringLiteral("1|3|40|5|6"));
        t.ParseDmxTrigger(QStringLiteral("2|1|400|9|10|20"));
        t.m_dmxTrigger.m_lastValue = 77;
        t.ParseSaTrigger(QStringLiteral("1|2|3"));
        t.m_bAutoRelease = true;
        t.Reset();
        QCOMPARE(Describe(t), Describe(fresh));
    }

    void midiTextFormRoundTrips()
    {
        CTriggers t;
        t.ParseMidiTrigger(QStringLiteral("2|0|60|1|127"));
        QCOMPARE(Describe(t.m_midiTrigger), QStringLiteral("mode 2 ch 0 nr 60 range 1-127 'C60'"));

        // The older form has no channel; a channel from before does not survive.
        t.ParseMidiTrigger(QStringLiteral("1|9|60|1|127"));
        t.ParseMidiTrigger(QStringLiteral("2|60|1|127"));
        QCOMPARE(Describe(t.m_midiTrigger), QStringLiteral("mode 2 ch 0 nr 60 range 1-127 'C60'"));
        QCOMPARE(t.MidiTriggerToString(), QStringLiteral("2|0|60|1|127"));

        t.ParseMidiTrigger(QStringLiteral("3|15|127|0|255"));
        QCOMPARE(Describe(t.m_midiTrigger), QStringLiteral("mode 3 ch 15 nr 127 range 0-255 'P127'"));
        QCOMPARE(t.MidiTriggerToString(), QStringLiteral("3|15|127|0|255"));

        t.ParseMidiTrigger(QStringLiteral("1|2|36|1|127"));
        QCOMPARE(t.m_midiTrigger.m_displayText, QStringLiteral("N36"));

        for (const QString& text : {QString(), QStringLiteral("1|2|3"), QStringLiteral("1|2|36|1|127|0"),
                                    QStringLiteral("||||||")}) {
            t.ParseMidiTrigger(QStringLiteral("1|2|36|1|127"));
            t.ParseMidiTrigger(text);
            QVERIFY2(Describe(t.m_midiTrigger) == kDefaultMidi, qPrintable(text));
        }
    }

    void dmxTextFormRoundTrips()
    {
        CTriggers t;
        t.ParseDmxTrigger(QStringLiteral("1|0|9|200|0|255"));
        QCOMPARE(Describe(t.m_dmxTrigger), QStringLiteral("mode 1 u 0 ch 9 lvl 200 range 0-255 last 0 'C10-200'"));

        // Every slot of a universe can be watched; the text form is the same.
        t.m_dmxTrigger.m_lastValue = 42;
        t.ParseDmxTrigger(QStringLiteral("2|3|511|0|10|200"));
        QCOMPARE(Describe(t.m_dmxTrigger), QStringLiteral("mode 2 u 3 ch 511 lvl 0 range 10-200 last 42 'C512-(10-200)'"));
        QCOMPARE(t.DmxTriggerToString(), QStringLiteral("2|3|511|0|10|200"));

        t.ParseDmxTrigger(QStringLiteral("1|0|299|128|127|255"));
        QCOMPARE(t.m_dmxTrigger.m_displayText, QStringLiteral("C300-128"));
        QCOMPARE(t.DmxTriggerToString(), QStringLiteral("1|0|299|128|127|255"));

        // A wrong count forgets the last value seen as well.
        t.m_dmxTrigger.m_lastValue = 42;
        t.ParseDmxTrigger(QStringLiteral("1|0|9|200|0"));
        QCOMPARE(Describe(t.m_dmxTrigger), kDefaultDmx);
    }

    void storedTextIsUntrusted()
    {
        CTriggers t;
        // Pieces that are not numbers, or lie outside their field, leave the
        // defaults instead of wrapping into another channel or level.
        t.ParseMidiTrigger(QStringLiteral("2|x|abc|300|-5"));
        QCOMPARE(Describe(t.m_midiTrigger), QStringLiteral("mode 2 ch 0 nr 68 range 1-127 'C68'"));
        t.ParseMidiTrigger(QStringLiteral("4|0|60|1|127"));
        QCOMPARE(t.m_midiTrigger.m_mode, 0);
        QCOMPARE(t.m_midiTrigger.m_displayText, QString());
        t.ParseMidiTrigger(QStringLiteral("2| 12 |0x10|1.5|99999999999999999999"));
        QCOMPARE(t.m_midiTrigger.m_channel, quint8(12));
        QCOMPARE(t.m_midiTrigger.m_number, quint8(68));
        QCOMPARE(t.m_midiTrigger.m_minimum, quint8(1));
        QCOMPARE(t.m_midiTrigger.m_maximum, quint8(127));

        t.ParseDmxTrigger(QStringLiteral("1|0|512|200|0|255"));
        QCOMPARE(t.m_dmxTrigger.m_channel, quint16(0));
        t.ParseDmxTrigger(QStringLiteral("1|256|-1|256|x|"));
        QCOMPARE(Describe(t.m_dmxTrigger), QStringLiteral("mode 1 u 0 ch 0 lvl 127 range 127-255 last 0 'C1-127'"));
        t.ParseDmxTrigger(QStringLiteral("3|0|5|200|0|255"));
        QCOMPARE(t.m_dmxTrigger.m_mode, 0);
        QCOMPARE(t.m_dmxTrigger.m_displayText, QString());

        t.ParseSaTrigger(QStringLiteral("2|zz|300"));
        QCOMPARE(t.SaTriggerToString(), QStringLiteral("2|0|0"));
        for (const QString& text : {QStringLiteral("4|5"), QString(), QStringLiteral("1|2|3|4")}) {
            t.ParseSaTrigger(QStringLiteral("1|0|10"));
            t.ParseSaTrigger(text);
            QVERIFY2(t.SaTriggerToString() == QStringLiteral("0|0|0"), qPrintable(text));
        }
    }

    void displayTextJoins()
    {
        CTriggers t;
        QCOMPARE(t.GetText(), QStringLiteral("[...]"));

        t.ParseSaTrigger(QStringLiteral("1|2|3"));
        t.m_bAutoRelease = true;
        QCOMPARE(t.GetText(), QStringLiteral("[...]"));

        t.ParseShortCut(QStringLiteral("F5"));
        t.ParseMidiTrigger(QStringLiteral("1|0|36|1|127"));
        QCOMPARE(t.GetText(), QStringLiteral("[F5/N36]"));

        t.ParseShortCut(QStringLiteral("A"));
        t.ParseMidiTrigger(QStringLiteral("1|0|60|1|127"));
        t.ParseDmxTrigger(QStringLiteral("1|0|4|255|127|255"));
        QCOMPARE(t.GetText(), QStringLiteral("[A/N60/C5-255]"));

        CTriggers midiOnly;
        midiOnly.ParseMidiTrigger(QStringLiteral("2|0|7|1|127"));
        QCOMPARE(midiOnly.GetText(), QStringLiteral("[C7]"));
        CTriggers dmxOnly;
        dmxOnly.ParseDmxTrigger(QStringLiteral("2|0|11|0|10|200"));
        QCOMPARE(dmxOnly.GetText(), QStringLiteral("[C12-(10-200)]"));

        // A leftover name without a key shows nothing, and an empty piece
        // brings no separator with it.
        CTriggers leftover;
        leftover.m_shortCut.m_keyName = QStringLiteral("Q");
        QCOMPARE(leftover.GetText(), QStringLiteral("[...]"));
        leftover.m_shortCut.m_key = 81;
        leftover.m_shortCut.m_keyName.clear();
        leftover.ParseDmxTrigger(QStringLiteral("1|0|0|127|127|255"));
        QCOMPARE(leftover.GetText(), QStringLiteral("[C1-127]"));

        // The text shows what the display texts say; it rebuilds nothing.
        CTriggers stale;
        stale.m_midiTrigger.m_mode = CMidiTrigger::Note;
        QCOMPARE(stale.GetText(), QStringLiteral("[...]"));
        QCOMPARE(stale.m_midiTrigger.m_displayText, QString());
        stale.ParseShortCut(QStringLiteral("A"));
        QCOMPARE(stale.GetText(), QStringLiteral("[A]"));
        stale.m_dmxTrigger.m_mode = CDmxTrigger::InsideRange;
        QCOMPARE(stale.GetText(), QStringLiteral("[A]"));
    }

    void xmlAttributes()
    {
        CXmlDocument document;
        document.NewDocument();
        document.AddElement(QStringLiteral("ZKScene"), document.CurrentElement());

        CTriggers onlyAutoRelease;
        onlyAutoRelease.m_bAutoRelease = true;
        onlyAutoRelease.WriteXml(document);
        QCOMPARE(SortedAttributes(document.CurrentElement()), QStringList{QStringLiteral("ZKAutoRelease=1")});

        CTriggers full;
        full.ParseShortCut(QStringLiteral("Space"));
        full.ParseMidiTrigger(QStringLiteral("2|4|60|10|100"));
        full.ParseDmxTrigger(QStringLiteral("2|1|300|0|20|220"));
        full.ParseSaTrigger(QStringLiteral("0|0|7"));
        document.AddElement(QStringLiteral("ZKScene"), document.CurrentElement().parentNode().toElement());
        full.WriteXml(document);
        QCOMPARE(SortedAttributes(document.CurrentElement()),
                 QStringList({QStringLiteral("ZKAutoRelease=0"), QStringLiteral("ZKDmxTrigger=2|1|300|0|20|220"),
                              QStringLiteral("ZKMidiTrigger=2|4|60|10|100"), QStringLiteral("ZKSATrigger=0|0|7"),
                              QStringLiteral("ZKShortCut=Space")}));

        CTriggers read;
        read.m_bAutoRelease = true;
        read.ReadXml(document);
        QCOMPARE(Describe(read), Describe(full));

        // A reader keeps what the element does not mention.
        QVERIFY(document.SelectElement(QStringLiteral(".."), 0));
        QVERIFY(document.SelectElement(QStringLiteral("ZKScene"), 0));
        read.ReadXml(document);
        QCOMPARE(Describe(read), Describe(full).replace(QStringLiteral("auto 0"), QStringLiteral("auto 1")));
    }

    void xmlReadOfDamagedAttributes()
    {
        CXmlDocument document;
        document.NewDocument();
        QDomElement& element = document.CurrentElement();
        element.setAttribute(QStringLiteral("ZKShortCut"), QStringLiteral("Ctrl+Q"));
        element.setAttribute(QStringLiteral("ZKMidiTrigger"), QStringLiteral("1|2"));
        element.setAttribute(QStringLiteral("ZKDmxTrigger"), QStringLiteral("1|0|9|200|0|255"));
        element.setAttribute(QStringLiteral("ZKSATrigger"), QStringLiteral("1|2"));

        CTriggers t;
        t.ParseShortCut(QStringLiteral("A"));
        t.ParseMidiTrigger(QStringLiteral("1|0|36|1|127"));
        t.ParseSaTrigger(QStringLiteral("4|5|6"));
        t.ReadXml(document);
        QCOMPARE(Describe(t), QStringLiteral("key -1 '' | %1 | mode 1 u 0 ch 9 lvl 200 range 0-255 last 0 'C10-200' "
                                             "| sa 0 0 0 | auto 0")
                                  .arg(kDefaultMidi));
    }

    void dmxLevelTests()
    {
        DmxInputLevels inputs(2, QByteArray(kDmxChannelsPerUniverse, 0));
        CTriggers t;
        t.ParseDmxTrigger(QStringLiteral("1|1|300|127|0|255"));
        CDmxTrigger& trigger = t.m_dmxTrigger;
        bool on = false;

        inputs[1][300] = char(200);
        QVERIFY(!CheckDmxTrigger(trigger, 0, inputs, on)); // another universe
        QVERIFY(CheckDmxTrigger(trigger, 1, inputs, on));
        QVERIFY(on);
        QCOMPARE(trigger.m_lastValue, quint8(200));
        on = false;
        QVERIFY(!CheckDmxTrigger(trigger, 1, inputs, on)); // unchanged, though still above
        QVERIFY(!on);
        inputs[1][300] = char(127);
        QVERIFY(CheckDmxTrigger(trigger, 1, inputs, on) && on);
        inputs[1][300] = char(126);
        QVERIFY(CheckDmxTrigger(trigger, 1, inputs, on) && !on);

        t.ParseDmxTrigger(QStringLiteral("2|1|511|0|100|150"));
        const struct { int value; bool on; } range[] = {{100, true}, {150, true}, {151, false}, {99, false}};
        for (const auto& c : range) {
            inputs[1][511] = char(c.value);
            QVERIFY2(CheckDmxTrigger(trigger, 1, inputs, on) && on == c.on, qPrintable(QString::number(c.value)));
        }

        t.ParseDmxTrigger(QStringLiteral("0|1|511|0|100|150"));
        inputs[1][511] = char(120);
        QVERIFY(!CheckDmxTrigger(trigger, 1, inputs, on));
        QCOMPARE(trigger.m_lastValue, quint8(99));
    }

    void dmxInputOutsideTheBuffers()
    {
        // The universe and slot come from a file; the buffers from the
        // project. Neither is trusted to cover the other.
        CTriggers t;
        t.ParseDmxTrigger(QStringLiteral("1|2|0|10|0|255"));
        DmxInputLevels inputs(2, QByteArray(kDmxChannelsPerUniverse, char(50)));
        bool on = false;
        int percent = -1;
        QVERIFY(!CheckDmxTrigger(t.m_dmxTrigger, 2, inputs, on));
        QVERIFY(!CheckDmxTriggerLevel(t.m_dmxTrigger, 2, inputs, percent));
        QVERIFY(!CheckDmxTrigger(t.m_dmxTrigger, 2, DmxInputLevels(), on));

        t.ParseDmxTrigger(QStringLiteral("1|0|400|10|0|255"));
        inputs[0] = QByteArray(256, char(50));
        QVERIFY(!CheckDmxTrigger(t.m_dmxTrigger, 0, inputs, on));
        QVERIFY(!CheckDmxTriggerLevel(t.m_dmxTrigger, 0, inputs, percent));
        QCOMPARE(t.m_dmxTrigger.m_lastValue, quint8(0));
        QCOMPARE(percent, -1);

        t.m_dmxTrigger.m_channel = 255;
        QVERIFY(CheckDmxTrigger(t.m_dmxTrigger, 0, inputs, on) && on);
    }

    void dmxLevelPercentages()
    {
        DmxInputLevels inputs(1, QByteArray(kDmxChannelsPerUniverse, 0));
        CTriggers t;
        CDmxTrigger& trigger = t.m_dmxTrigger;
        int percent = -1;
        auto feed = [&](int value) {
            inputs[0][7] = char(value);
            percent = -1;
            return CheckDmxTriggerLevel(trigger, 0, inputs, percent);
        };

        t.ParseDmxTrigger(QStringLiteral("1|0|7|127|0|0"));
        QVERIFY(feed(255) && percent == 100);
        QVERIFY(feed(191) && percent == 50);
        QVERIFY(feed(127) && percent == 0);
        QVERIFY(!feed(126));
        QCOMPARE(trigger.m_lastValue, quint8(126)); // remembered though not reported
        QVERIFY(!feed(126));

        t.ParseDmxTrigger(QStringLiteral("1|0|7|0|0|0"));
        QVERIFY(feed(51) && percent == 20);

        // A threshold at full has nothing to divide by.
        t.ParseDmxTrigger(QStringLiteral("1|0|7|255|0|0"));
        QVERIFY(!feed(254));
        QVERIFY(feed(255) && percent == 100);

        t.ParseDmxTrigger(QStringLiteral("2|0|7|0|50|150"));
        QVERIFY(feed(100) && percent == 50);
        QVERIFY(feed(150) && percent == 100);
        QVERIFY(feed(50) && percent == 0);
        QVERIFY(!feed(151));
        QVERIFY(!feed(49));

        for (const QString& text : {QStringLiteral("2|0|7|0|100|100"), QStringLiteral("2|0|7|0|200|100")}) {
            t.ParseDmxTrigger(text);
            QVERIFY2(!feed(100) && !feed(200) && percent == -1, qPrintable(text));
        }
    }

    void midiValueTests()
    {
        bool on = false;
        const CMidiTrigger note = Midi(CMidiTrigger::Note, 1, 127);
        QVERIFY(CheckMidiTrigger(note, 1, on) && on);
        QVERIFY(CheckMidiTrigger(note, 0, on) && !on);
        QVERIFY(CheckMidiTrigger(note, 100, on) && !on);

        const CMidiTrigger controller = Midi(CMidiTrigger::Controller, 10, 20);
        const struct { int value; bool on; } range[] = {{10, true}, {20, true}, {9, false}, {21, false}, {-1, false}};
        for (const auto& c : range)
            QVERIFY2(CheckMidiTrigger(controller, c.value, on) && on == c.on, qPrintable(QString::number(c.value)));

        on = true;
        QVERIFY(!CheckMidiTrigger(Midi(CMidiTrigger::ProgramChange, 1, 127), -1, on));
        QVERIFY(!CheckMidiTrigger(Midi(CMidiTrigger::None, 1, 127), 1, on));
        QVERIFY(on);
    }

    void midiLevelPercentages()
    {
        int percent = -1;
        const CMidiTrigger full = Midi(CMidiTrigger::Controller, 1, 127);
        QVERIFY(CheckMidiTriggerLevel(full, 1, percent) && percent == 0);
        QVERIFY(CheckMidiTriggerLevel(full, 64, percent) && percent == 50);
        QVERIFY(CheckMidiTriggerLevel(full, 127, percent) && percent == 100);
        QVERIFY(CheckMidiTriggerLevel(full, 0, percent) && percent == 0);

        // Outside the range the percentage stops at its ends.
        const CMidiTrigger lowerHalf = Midi(CMidiTrigger::Controller, 0, 63);
        QVERIFY(CheckMidiTriggerLevel(lowerHalf, 127, percent) && percent == 100);
        QVERIFY(CheckMidiTriggerLevel(Midi(CMidiTrigger::Controller, 64, 127), 0, percent) && percent == 0);

        // A one-value range is a switch.
        const CMidiTrigger single = Midi(CMidiTrigger::Controller, 64, 64);
        QVERIFY(CheckMidiTriggerLevel(single, 63, percent) && percent == 0);
        QVERIFY(CheckMidiTriggerLevel(single, 64, percent) && percent == 100);
        QVERIFY(CheckMidiTriggerLevel(single, 127, percent) && percent == 100);

        const CMidiTrigger inverted = Midi(CMidiTrigger::Controller, 100, 20);
        QVERIFY(CheckMidiTriggerLevel(inverted, 60, percent) && percent == 50);
        QVERIFY(CheckMidiTriggerLevel(inverted, 0, percent) && percent == 100);

        percent = -1;
        QVERIFY(!CheckMidiTriggerLevel(Midi(CMidiTrigger::Note, 1, 127), 1, percent));
        QVERIFY(!CheckMidiTriggerLevel(Midi(CMidiTrigger::ProgramChange, 1, 127), 5, percent));
        QCOMPARE(percent, -1);
    }
};

ORVANE_TEST(TriggersTest)
#include "TriggersTest.moc"
