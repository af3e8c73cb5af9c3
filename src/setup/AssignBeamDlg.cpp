#include "setup/AssignBeamDlg.h"

#include "Captions.h"
#include "model/FixtureProfile.h"
#include "model/Language.h"
#include "setup/AssignBeamWnd.h"
#include "show/ShowHost.h"

#include <QDialogButtonBox>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace {

CAssignBeamDlg::Runner& InstalledRunner()
{
    static CAssignBeamDlg::Runner runner;
    return runner;
}

bool IsPan(int type)
{
    return type == ChannelType::Pan || type == ChannelType::RollerX;
}
bool IsColor(int type)
{
    return type == ChannelType::Red || type == ChannelType::Cyan;
}
bool IsDimmer(int type)
{
    return type == ChannelType::Dimmer || type == ChannelType::ColorDimmer;
}

// The highest beam number a beam list can hold.
constexpr int kLastStorableBeam = 255;

} // namespace

CAssignBeamDlg::CAssignBeamDlg(CFixtureProfile* profile, QWidget* parent)
    : QDialog(parent)
    , m_table(new CAssignBeamWnd(profile))
    , m_scroll(new QScrollArea(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setModal(true);
    setWindowTitle(GetLangText(Txt::Assignation));
    setAutoFillBackground(true);
    setPalette(ShowHost().ProgramPalette());
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_table);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
    layout->addWidget(m_buttons);
    setFixedSize(std::min(m_table->width() + 20, kMaxWidth), std::min(m_table->height() + 51, kMaxHeight));
}

void CAssignBeamDlg::SetRunner(Runner runner)
{
    InstalledRunner() = std::move(runner);
}

bool CAssignBeamDlg::Run(CFixtureProfile* profile, QWidget* parent)
{
    CProfileMode* mode = profile ? profile->CurrentMode() : nullptr;
    if (!mode)
        return false;
    QList<QByteArray> before;
    for (const CProfileChannelDef* channel : qAsConst(mode->m_channels))
        before << channel->m_beams;
    CAssignBeamDlg dialog(profile, parent);
    const Runner& runner = InstalledRunner();
    const bool accepted = (runner ? runner(dialog) : dialog.exec()) == QDialog::Accepted;
    if (!accepted) {
        for (int i = 0; i < mode->ChannelCount() && i < before.size(); ++i)
            mode->m_channels[i]->m_beams = before.at(i);
    }
    return accepted;
}

int CAssignBeamDlg::AutoAssign(CProfileMode& mode)
{
    int pans = 0;
    int colors = 0;
    int dimmers = 0;
    int shutters = 0;
    for (const CProfileChannelDef* channel : qAsConst(mode.m_channels)) {
        if (channel->m_lsb)
            continue;
        pans += IsPan(channel->m_type);
        colors += IsColor(channel->m_type);
        dimmers += IsDimmer(channel->m_type);
        shutters += channel->m_type == ChannelType::Shutter;
    }
    const int beamCount = std::max({pans, colors, dimmers, shutters});

    QList<CProfileChannelDef*> work = mode.m_channels;
    while (!work.isEmpty()) {
        const int type = work.first()->m_type;
        QList<CProfileChannelDef*> coarse;
        QList<CProfileChannelDef*> fine;
        for (auto it = work.begin(); it != work.end();) {
            if ((*it)->m_type != type) {
                ++it;
                continue;
            }
            ((*it)->m_lsb ? fine : coarse) << *it;
            it = work.erase(it);
        }
        if (coarse.size() == 1) {
            coarse.first()->m_beams.clear();
            if (fine.size() == 1)
                fine.first()->m_beams.clear();
            continue;
        }
        int beam = 0;
        for (int i = 0; i < coarse.size(); ++i) {
            coarse[i]->m_beams = QByteArray(1, char(quint8(beam)));
            if (i < fine.size())
                fine[i]->m_beams = QByteArray(1, char(quint8(beam)));
            // Channels beyond the beam count share the last beam.
            if (beam < beamCount - 1 && beam < kLastStorableBeam)
                ++beam;
        }
    }
    return beamCount;
}
