// What the operator plays: MIDI, DMX input, keys and the stand-alone inputs,
// routed to an open editor, a learning trigger dialog or the show's triggers.

#include "app/Orvane.h"

#include "Common/Midi/MidiManager.h"
#include "devices/DeviceLog.h"
#include "layout/FixturesWnd.h"
#include "live/PagesWnd.h"
#include "live/TriggerDispatcher.h"
#include "model/Triggers.h"
#include "timeline/TimeLineWnd.h"
#include "timeline/TimeScaleCtrl.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

void Orvane::ConnectMidi()
{
    // Key pressure and the pitch wheel trigger nothing.
    connect(m_midi.get(), &CMidiManager::noteOn, this, &Orvane::OnNoteOn);
    connect(m_midi.get(), &CMidiManager::noteOff, this, &Orvane::OnNoteOff);
    connect(m_midi.get(), &CMidiManager::controlChange, this, &Orvane::OnControlChange);
    connect(m_midi.get(), &CMidiManager::programChange, this, &Orvane::OnProgramChange);
    m_midi->OpenInputPorts();
}

TriggerDialogRunner Orvane::TriggerRunner()
{
    return [this](CTriggers& triggers, bool levelMode, bool autoRelease, QWidget* parent) {
        return RunTriggerDialog(triggers, levelMode, autoRelease, m_project.UniverseCount(), parent);
    };
}

namespace {

// A text box hands Return on after taking what was typed (an editor takes it
// as OK, as a dialog does); outside one, finishing a typed time is no cue,
// nor a marker where the pointer happens to be.
bool FinishesTyping(const QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    const QWidget* focus = QApplication::focusWidget();
    return qobject_cast<const QAbstractSpinBox*>(focus) || qobject_cast<const QLineEdit*>(focus);
}

} // namespace

void Orvane::keyPressEvent(QKeyEvent* event)
{
    if (IsEditing()) {
        // The editor alone hears the keys, held ones repeating as in any
        // editor; what it leaves goes the usual way of Qt, not to the show.
        if (m_pages && m_pages->HandleKey(event->key(), event->modifiers()))
            event->accept();
        else
            QMainWindow::keyPressEvent(event);
        return;
    }
    if (FinishesTyping(event)) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    if (m_timeLine && m_toolPanel == kTimelinePanel) {
        if (m_timeLine->KeyPress(event->key())) {
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Delete && DeleteTarget() == kTimeMarkersTarget) {
            m_timeLine->Ruler().RemoveSelectedMarker();
            event->accept();
            return;
        }
    }
    // A held key repeats; a trigger fires once per press.
    if (!event->isAutoRepeat())
        RouteKey(event->key(), true);
    QMainWindow::keyPressEvent(event);
}

void Orvane::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat() && !FinishesTyping(event))
        RouteKey(event->key(), false);
    QMainWindow::keyReleaseEvent(event);
}

void Orvane::RouteKey(int key, bool pressed)
{
    // An open editor has its keys from keyPressEvent.
    if (IsEditing() || !m_dispatcher)
        return;
    // A key may start every scene of the show: a tick whose time has come
    // goes out before that work rather than behind it.
    TickIfDue();
    if (pressed && m_fixtures)
        m_fixtures->OnKeyTrigger(key, Qt::NoModifier);
    if (pressed && key == Qt::Key_Delete && m_fixtures && DeleteTarget() == 0)
        m_fixtures->DelFixtures();
    m_dispatcher->KeyTrigger(key, pressed);
}

void Orvane::OnNoteOn(int channel, int note, int velocity)
{
    Q_UNUSED(velocity);
    RouteMidi(1, channel, note, 1);
}

void Orvane::OnNoteOff(int channel, int note, int velocity)
{
    Q_UNUSED(velocity);
    RouteMidi(1, channel, note, 0);
}

void Orvane::OnControlChange(int channel, int controller, int value)
{
    RouteMidi(2, channel, controller, value);
}

void Orvane::OnProgramChange(int channel, int program)
{
    RouteMidi(3, channel, program, -1);
}

void Orvane::RouteMidi(int kind, int channel, int number, int value)
{
    if (m_openTriggerDialog) {
        // The dialog is learning a MIDI trigger; the show must not react to
        // the message the operator plays for it.
        if (!QMetaObject::invokeMethod(m_openTriggerDialog, "SetMidiTrigger", Qt::DirectConnection,
                                       Q_ARG(int, kind), Q_ARG(int, channel), Q_ARG(int, number),
                                       Q_ARG(int, value)))
            qCDebug(lcDevices) << "MIDI: the open trigger dialog takes no MIDI trigger";
        return;
    }
    if (IsEditing())
        return;
    Triggers().MidiTrigger(kind, channel, number, value);
}

void Orvane::OnDmxInputRefreshed(int universe)
{
    // The device manager reports input universes only outside editing and recording.
    Triggers().DmxInputTrigger(universe);
}

void Orvane::OnStandAloneInputs(int input1, int input2, int input3)
{
    const std::array<int, 3> inputs{input1, input2, input3};
    bool fresh = false;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (inputs[i] != m_standAlone[i]) {
            fresh = fresh || inputs[i] != 0;
            m_standAlone[i] = inputs[i];
        }
    }
    if (fresh && !IsEditing())
        Triggers().StandAloneTrigger(input1, input2, input3);
}

// The fixtures window's group triggers come before the live pages' dispatcher in each of these.
void Orvane::MidiTrigger(int kind, int channel, int number, int value)
{
    if (m_fixtures)
        m_fixtures->OnMidiTrigger(kind, channel, number, value);
    if (m_dispatcher)
        m_dispatcher->MidiTrigger(kind, channel, number, value);
}

void Orvane::DmxInputTrigger(int universe)
{
    if (m_fixtures)
        m_fixtures->OnDmxTrigger(universe);
    if (m_dispatcher)
        m_dispatcher->DmxInputTrigger(universe);
}

void Orvane::StandAloneTrigger(int a, int b, int c)
{
    if (m_fixtures)
        m_fixtures->OnSaTrigger(a, b, c);
    if (m_dispatcher)
        m_dispatcher->StandAloneTrigger(a, b, c);
}
