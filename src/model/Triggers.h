#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>

class CXmlDocument;

// What starts a scene, page, group or live command during a show: a key, a
// MIDI message, a level on a DMX input channel, the three inputs of a
// stand-alone interface. The default member values of each part are its
// reset state, so `part = CMidiTrigger()` resets one part alone.

struct CShortCut
{
    int m_key = -1; // key code of the key-name table; -1 none
    QString m_keyName;
};

struct CMidiTrigger
{
    enum Mode { None = 0, Note = 1, Controller = 2, ProgramChange = 3 };

    quint8 m_channel = 0;
    quint8 m_number = 68;
    quint8 m_minimum = 1;
    quint8 m_maximum = 127;
    int m_mode = None;
    QString m_displayText;
};

struct CDmxTrigger
{
    enum Mode { None = 0, LevelReached = 1, InsideRange = 2 };

    quint8 m_universe = 0;
    // Wider than a byte: the trigger may watch any slot of a universe.
    quint16 m_channel = 0;
    quint8 m_level = 127;
    quint8 m_minimum = 127;
    quint8 m_maximum = 255;
    quint8 m_lastValue = 0; // input seen by the previous test
    int m_mode = None;
    QString m_displayText;
};

constexpr int kDmxChannelsPerUniverse = 512;

class CTriggers
{
public:
    CTriggers();

    void Reset();

    // A name outside the key-name table clears the shortcut.
    void ParseShortCut(const QString& name);

    // Text forms shared by the project files and the options file. Parsing
    // never fails: a wrong piece count resets the part concerned, and a piece
    // that is not a number in its field's range leaves that field at its
    // default.
    QString MidiTriggerToString() const;
    QString DmxTriggerToString() const;
    QString SaTriggerToString() const;
    void ParseMidiTrigger(const QString& text);
    void ParseDmxTrigger(const QString& text);
    void ParseSaTrigger(const QString& text);

    void UpdateMidiTriggerText();
    void UpdateDmxTriggerText();

    // "[F5/N36]", or "[...]" when no key, MIDI or DMX trigger is set.
    QString GetText() const;

    // Attributes of the document's current element; an absent attribute
    // leaves its part as it is.
    void WriteXml(CXmlDocument& document) const;
    void ReadXml(CXmlDocument& document);

    CShortCut m_shortCut;
    CMidiTrigger m_midiTrigger;
    CDmxTrigger m_dmxTrigger;
    std::array<quint8, 3> m_saInputs{}; // all 0: no stand-alone trigger
    bool m_bAutoRelease = false;
};

// Key-name table: "0"-"9", "A"-"Z", "F1"-"F12", "Space", in this order, with
// their toolkit key codes. Built on first need; InitKeyNames at start-up
// builds it before any dialog lists it.
void InitKeyNames();
const QStringList& KeyNames();
const QMap<QString, int>& KeyCodesByName();

// Input levels of every universe, indexed by universe, one buffer of
// kDmxChannelsPerUniverse levels each.
using DmxInputLevels = QVector<QByteArray>;

// Each judges a new input value against a trigger. They return false when
// there is nothing to report; matching the MIDI channel and number and the
// stand-alone inputs is the caller's work.
bool CheckDmxTrigger(CDmxTrigger& trigger, int universe, const DmxInputLevels& inputs, bool& on);
bool CheckDmxTriggerLevel(CDmxTrigger& trigger, int universe, const DmxInputLevels& inputs, int& percent);
bool CheckMidiTrigger(const CMidiTrigger& trigger, int value, bool& on);
// The percentage is always 0 to 100.
bool CheckMidiTriggerLevel(const CMidiTrigger& trigger, int value, int& percent);
