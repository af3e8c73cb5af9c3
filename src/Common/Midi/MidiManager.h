#pragma once

#include "Common/Midi/MidiMessage.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

class RtMidiIn;

// MIDI input: opens every input port of the ALSA sequencer through RtMidi and
// hands each message to the GUI thread as one of its signals. Channels are
// 0 to 15.
class CMidiManager : public QObject
{
    Q_OBJECT

public:
    // `sequencerDevice` is where the ALSA sequencer would be; without it the
    // manager runs with no ports instead of letting the library complain.
    explicit CMidiManager(const QString& sequencerDevice = QStringLiteral("/dev/snd/seq"), QObject* parent = nullptr);
    ~CMidiManager() override;

    // Opens every input port and returns how many opened. With no MIDI system
    // it opens none and says so in the debug log only.
    int OpenInputPorts();
    void CloseInputPorts();
    QStringList PortNames() const { return m_portNames; }

    // Takes one raw message from any thread; its signal is emitted later on
    // the thread this manager lives in.
    void HandleRawMessage(const unsigned char* bytes, std::size_t size);

signals:
    void noteOn(int channel, int note, int velocity);
    void noteOff(int channel, int note, int velocity);
    void controlChange(int channel, int controller, int value);
    void programChange(int channel, int program);
    void keyPressure(int channel, int note, int pressure);
    void pitchWheel(int channel, int value);

private:
    void Dispatch(const SMidiMessage& message);
    static void OnRtMidiMessage(double timeStamp, std::vector<unsigned char>* message, void* userData);

    QString m_sequencerDevice;
    std::vector<std::unique_ptr<RtMidiIn>> m_inputs;
    QStringList m_portNames;
};
