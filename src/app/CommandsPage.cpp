#include "app/CommandsPage.h"

#include "Captions.h"
#include "app/options/AppOptions.h"
#include "live/TriggerDispatcher.h"
#include "model/Language.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kScopeSize = CAppOptions::CmdCommonBlackOut;
static_assert(kScopeSize * 2 == CAppOptions::kLiveCommandCount, "two scopes of the same commands");

// Captions of the commands in the options' order within one scope.
constexpr int kCommandCaptions[kScopeSize] = {Txt::LiveBlackOut, Txt::LiveBeamOn, Txt::LivePause,
                                              Txt::LiveNext,     Txt::LiveDimmer, Txt::LiveSpeed};

} // namespace

CCommandsPage::CCommandsPage(CAppOptions& options, TriggerDialogRunner runner, CTriggerDispatcher* dispatcher,
                             QWidget* parent)
    : QWidget(parent)
    , m_options(options)
    , m_runner(std::move(runner))
    , m_dispatcher(dispatcher)
{
    using Slot = void (CCommandsPage::*)();
    const Slot handlers[CAppOptions::kLiveCommandCount] = {
        &CCommandsPage::OnTrigBlackOut,       &CCommandsPage::OnTrigBeamOn,       &CCommandsPage::OnTrigPause,
        &CCommandsPage::OnTrigNext,           &CCommandsPage::OnTrigDimmer,       &CCommandsPage::OnTrigSpeed,
        &CCommandsPage::OnTrigCommonBlackOut, &CCommandsPage::OnTrigCommonBeamOn, &CCommandsPage::OnTrigCommonPause,
        &CCommandsPage::OnTrigCommonNext,     &CCommandsPage::OnTrigCommonDimmer, &CCommandsPage::OnTrigCommonSpeed};

    auto* layout = new QVBoxLayout(this);
    const int groupCaptions[] = {Txt::OptionsLocalCommands, Txt::OptionsCommonCommands};
    for (int scope = 0; scope < 2; ++scope) {
        auto* group = new QGroupBox(GetLangText(groupCaptions[scope]), this);
        auto* grid = new QGridLayout(group);
        for (int row = 0; row < kScopeSize; ++row) {
            const int command = scope * kScopeSize + row;
            auto* label = new QLabel(GetLangText(kCommandCaptions[row]) + QStringLiteral(" :"), group);
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            const CTriggers record = CTriggerDispatcher::ParseCommandTrigger(m_options.m_liveTriggers[command]);
            auto* button = new QPushButton(record.GetText(), group);
            connect(button, &QPushButton::clicked, this, handlers[command]);
            m_buttons[size_t(command)] = button;
            grid->addWidget(label, row, 0);
            grid->addWidget(button, row, 1);
        }
        layout->addWidget(group);
    }
    layout->addStretch();
}

bool CCommandsPage::AllowsAutoRelease(int command)
{
    const int local = command % kScopeSize;
    return local == CAppOptions::CmdBlackOut || local == CAppOptions::CmdBeamOn || local == CAppOptions::CmdPause;
}

void CCommandsPage::EditCommand(int command)
{
    // The stored text is untrusted: what does not parse comes up as defaults.
    CTriggers record = CTriggerDispatcher::ParseCommandTrigger(m_options.m_liveTriggers[command]);
    if (!EditTriggerRecord(m_runner, record, CTriggerDispatcher::IsLevelCommand(command), AllowsAutoRelease(command),
                           m_buttons[size_t(command)]))
        return;
    m_options.m_liveTriggers[command] = CTriggerDispatcher::FormatCommandTrigger(record);
    if (m_dispatcher)
        m_dispatcher->SetCommandTrigger(command, record);
}

void CCommandsPage::OnTrigBlackOut() { EditCommand(CAppOptions::CmdBlackOut); }
void CCommandsPage::OnTrigBeamOn() { EditCommand(CAppOptions::CmdBeamOn); }
void CCommandsPage::OnTrigPause() { EditCommand(CAppOptions::CmdPause); }
void CCommandsPage::OnTrigNext() { EditCommand(CAppOptions::CmdNext); }
void CCommandsPage::OnTrigDimmer() { EditCommand(CAppOptions::CmdMasterDimmer); }
void CCommandsPage::OnTrigSpeed() { EditCommand(CAppOptions::CmdMasterSpeed); }
void CCommandsPage::OnTrigCommonBlackOut() { EditCommand(CAppOptions::CmdCommonBlackOut); }
void CCommandsPage::OnTrigCommonBeamOn() { EditCommand(CAppOptions::CmdCommonBeamOn); }
void CCommandsPage::OnTrigCommonPause() { EditCommand(CAppOptions::CmdCommonPause); }
void CCommandsPage::OnTrigCommonNext() { EditCommand(CAppOptions::CmdCommonNext); }
void CCommandsPage::OnTrigCommonDimmer() { EditCommand(CAppOptions::CmdCommonMasterDimmer); }
void CCommandsPage::OnTrigCommonSpeed() { EditCommand(CAppOptions::CmdCommonMasterSpeed); }
