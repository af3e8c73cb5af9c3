#include "Common/Midi/MidiManager.h"

#include "devices/DeviceLog.h"

#include <QFileInfo>
#include <QMetaObject>

#include <RtMidi.h>

namespace {

const char kClientName[] = "Orvane";

void OnRtMidiError(RtMidiError::Type, const std::string& text, void*)
{
    qCDebug(lcDevices).noquote() << QStringLiteral("MIDI: %1").arg(QString::fromStdString(text));
}

} // namespace

CMidiManager::CMidiManager(const QString& sequencerDevice, QObject* parent)
    : QObject(parent)
    , m_sequencerDevice(sequencerDevice)
{
}

CMidiManager::~CMidiManager()
{
    CloseInputPorts();
}

int CMidiManager::OpenInputPorts()
{
    CloseInputPorts();
    if (!QFileInfo::exists(m_sequencerDevice)) {
        qCDebug(lcDevices).noquote() << QStringLiteral("MIDI: no ALSA sequencer (%1), running with no MIDI input ports")
                                            .arg(m_sequencerDevice);
        return 0;
    }
    try {
        RtMidiIn probe(RtMidi::LINUX_ALSA, kClientName);
        probe.setErrorCallback(OnRtMidiError, nullptr);
        const unsigned int count = probe.getPortCount();
        for (unsigned int port = 0; port < count; ++port) {
            auto input = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kClientName);
            input->setErrorCallback(OnRtMidiError, nullptr);
            const QString name = QString::fromStdString(input->getPortName(port));
            input->setCallback(&CMidiManager::OnRtMidiMessage, this);
            input->ignoreTypes(true, true, true);
            input->openPort(port, kClientName);
            if (!input->isPortOpen())
                continue;
            m_portNames << name;
            m_inputs.push_back(std::move(input));
            qCDebug(lcDevices).noquote() << QStringLiteral("MIDI: input port opened : %1").arg(name);
        }
    } catch (const RtMidiError& error) {
        qCDebug(lcDevices).noquote() << QStringLiteral("MIDI: %1").arg(QString::fromStdString(error.getMessage()));
    }
    if (m_inputs.empty())
        qCDebug(lcDevices) << "MIDI: no input port";
    return int(m_inputs.size());
}

void CMidiManager::CloseInputPorts()
{
    // Deleting an input joins its callback thread, so no message arrives after this.
    m_inputs.clear();
    m_portNames.clear();
}

void CMidiManager::OnRtMidiMessage(double, std::vector<unsigned char>* message, void* userData)
{
    if (message && userData)
        static_cast<CMidiManager*>(userData)->HandleRawMessage(message->data(), message->size());
}

void CMidiManager::HandleRawMessage(const unsigned char* bytes, std::size_t size)
{
    const std::optional<SMidiMessage> message = DecodeMidiMessage(bytes, size);
    if (!message)
        return;
    const SMidiMessage decoded = *message;
    QMetaObject::invokeMethod(this, [this, decoded] { Dispatch(decoded); }, Qt::QueuedConnection);
}

void CMidiManager::Dispatch(const SMidiMessage& message)
{
    switch (message.kind) {
    case EMidiKind::NoteOn:
        emit noteOn(message.channel, message.number, message.value);
        break;
    case EMidiKind::NoteOff:
        emit noteOff(message.channel, message.number, message.value);
        break;
    case EMidiKind::ControlChange:
        emit controlChange(message.channel, message.number, message.value);
        break;
    case EMidiKind::ProgramChange:
        emit programChange(message.channel, message.number);
        break;
    case EMidiKind::KeyPressure:
        emit keyPressure(message.channel, message.number, message.value);
        break;
    case EMidiKind::PitchWheel:
        emit pitchWheel(message.channel, message.value);
        break;
    }
}
