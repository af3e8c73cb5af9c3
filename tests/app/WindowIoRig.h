#pragma once

#include "../devices/FakeTransport.h"
#include "RecordingDocument.h"
#include "WindowRig.h"
#include "app/Orvane.h"
#include "app/options/TriggerTargets.h"
#include "devices/DeviceManager.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <vector>

// A document with universes whose levels a test sets, and the project's
// DMX configuration list.
class CIoDocument : public CRecordingDocument
{
public:
    std::vector<std::array<quint8, 512>> output;
    std::vector<std::array<quint8, 512>> input;
    QVector<SDeviceConfig> dmxConfig;
    int setDmxConfigCalls = 0;

    explicit CIoDocument(int universes = 3)
        : output(size_t(universes))
        , input(size_t(universes))
    {
        // Every universe has levels of its own, so a buffer sent to the
        // wrong port shows.
        for (int u = 0; u < universes; ++u) {
            for (int i = 0; i < 512; ++i)
                output[size_t(u)][size_t(i)] = quint8(i * 7 + u * 50 + 1);
        }
    }

    QByteArray Levels(int universe) const
    {
        return QByteArray(reinterpret_cast<const char*>(output[size_t(universe)].data()), 512);
    }

    int UniverseCount() const override { return int(output.size()); }
    const quint8* OutputLevels(int universe) const override
    {
        return universe >= 0 && universe < UniverseCount() ? output[size_t(universe)].data() : nullptr;
    }
    quint8* DmxInputLevels(int universe) override
    {
        return universe >= 0 && universe < UniverseCount() ? input[size_t(universe)].data() : nullptr;
    }
    QVector<SDeviceConfig> DmxConfig() const override { return dmxConfig; }
    void SetDmxConfig(const QVector<SDeviceConfig>& records) override
    {
        ++setDmxConfigCalls;
        dmxConfig = records;
    }
};

// Writes down every trigger the window dispatches.
class CRecordingTriggers : public CTriggerTargets
{
public:
    QStringList calls;

    void MidiTrigger(int kind, int channel, int number, int value) override
    {
        calls << QStringLiteral("Midi:%1:%2:%3:%4").arg(kind).arg(channel).arg(number).arg(value);
    }
    void DmxInputTrigger(int universe) override { calls << QStringLiteral("Dmx:%1").arg(universe); }
    void StandAloneTrigger(int a, int b, int c) override
    {
        calls << QStringLiteral("SA:%1:%2:%3").arg(a).arg(b).arg(c);
    }
};

// A main window started in a folder of its own, on the interfaces of a fake
// transport, with an I/O document and recorded triggers.
struct CIoRig : CWindowRigBase
{
    CIoDocument* doc = nullptr;
    CFakeTransport* transport = nullptr; // owned by the window's device manager
    CRecordingTriggers triggers;

    explicit CIoRig(const QVector<CFakeTransport::SDevice>& devices = {}, int universes = 3)
    {
        auto document = std::make_unique<CIoDocument>(universes);
        doc = document.get();
        auto fake = std::make_unique<CFakeTransport>();
        fake->devices = devices;
        transport = fake.get();
        COrvaneSetup setup;
        setup.document = std::move(document);
        setup.deviceTransport = std::move(fake);
        Start(std::move(setup));
        window->SetTriggerTargets(&triggers);
    }

    static CFakeTransport::SDevice Device(const QString& serial, int ports, bool secondary = false,
                                          bool standAlone = false)
    {
        CFakeTransport::SDevice device;
        device.info = CFakeTransport::Info(serial, ports, secondary, standAlone);
        return device;
    }

    SDmxInterface& Interface(int index) { return *window->DeviceManager().Interface(index); }

    // What the fake interfaces were sent, as "serial:port=universe" with the
    // universe recognised by its levels (or "?" for levels of no universe).
    QStringList TakeWrites()
    {
        QStringList seen;
        for (const CFakeTransport::SWrite& write : transport->writes) {
            QString universe = QStringLiteral("?");
            for (int u = 0; u < doc->UniverseCount(); ++u) {
                if (write.levels == doc->Levels(u))
                    universe = QString::number(u);
            }
            seen << QStringLiteral("%1:%2=%3")
                        .arg(transport->devices[int(write.handle) - 1].info.serial)
                        .arg(write.port)
                        .arg(universe);
        }
        transport->writes.clear();
        return seen;
    }
};
