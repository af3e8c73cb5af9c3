#include "editors/RecordDmxDlg.h"

#include "Captions.h"
#include "app/options/AppOptions.h"
#include "editors/ModalRun.h"
#include "model/Language.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowHost.h"
#include "widgets/TimeWidget.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kIcons = QStringLiteral(":/Orvane/Images/Icons/");
const char* const kIntervalTexts[] = {"40 ms", "100 ms", "200 ms", "500 ms", "1 s",
                                      "2 s",   "5 s",    "10 s",   "20 s",   "1 mn"};

QSpinBox* LimitSpin(int maximum, int value, const QString& suffix)
{
    auto* spin = new QSpinBox;
    spin->setRange(0, maximum);
    spin->setSingleStep(10);
    spin->setWrapping(true);
    spin->setSuffix(suffix);
    spin->setValue(value);
    return spin;
}

} // namespace

const int CRecordDmxDlg::kIntervals[10] = {40, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 60000};

CRecordConfig& CRecordDmxDlg::Settings()
{
    if (CAppOptions* options = ShowHost().AppOptions())
        return options->m_record;
    static CRecordConfig settings;
    return settings;
}

CRecordDmxDlg::CRecordDmxDlg(CProject& project, CPage* page, QWidget* parent)
    : QDialog(parent)
    , m_project(project)
    , m_page(page)
    , m_record(new QAction(QIcon(kIcons + QStringLiteral("RecordBig.png")), GetLangText(Txt::EdRecord), this))
    , m_play(new QAction(QIcon(kIcons + QStringLiteral("PlayBig.png")), GetLangText(Txt::Play), this))
    , m_toolBar(new QToolBar)
    , m_interval(new QComboBox)
    , m_fade(new QRadioButton(GetLangText(Txt::EdFadeTime)))
    , m_hold(new QRadioButton(GetLangText(Txt::EdHoldTime)))
    , m_autoStart(new QCheckBox(GetLangText(Txt::EdAutoRecord)))
    , m_maxLengthBox(new QCheckBox(GetLangText(Txt::EdStopRecordingAfter) + QStringLiteral(" :")))
    , m_maxStepsBox(new QCheckBox(GetLangText(Txt::EdStopRecordingAfter) + QStringLiteral(" :")))
    , m_clock(new CTimeWidget(0))
{
    const CRecordConfig& settings = Settings();
    MakeToolDialog(*this, GetLangText(Txt::EdDmxRecording), 300, 240);
    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBarBig.png\") }"));
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_play->setEnabled(false);
    connect(m_play, &QAction::triggered, this, &CRecordDmxDlg::Play);
    connect(m_record, &QAction::triggered, this, &CRecordDmxDlg::Record);
    m_toolBar->addAction(m_play);
    m_toolBar->addAction(m_record);
    m_clock->setFixedHeight(40);
    m_clock->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_clock->setFont(QFont(QStringLiteral("Arial"), 26));
    m_toolBar->addWidget(m_clock);

    for (const char* text : kIntervalTexts)
        m_interval->addItem(QString::fromLatin1(text));
    const int* found = std::find(std::begin(kIntervals), std::end(kIntervals), settings.sampleMs);
    m_interval->setCurrentIndex(found == std::end(kIntervals) ? 0 : int(found - std::begin(kIntervals)));
    auto* generate = new QGroupBox(GetLangText(Txt::EdGenerateStepsWith));
    auto* radios = new QHBoxLayout(generate);
    radios->setContentsMargins(6, 2, 6, 6);
    radios->addWidget(m_fade);
    radios->addWidget(m_hold);
    (settings.withFade ? m_fade : m_hold)->setChecked(true);
    m_autoStart->setChecked(settings.autoStart);
    m_maxLength = LimitSpin(600, settings.maxLengthS, QStringLiteral(" s"));
    m_maxSteps = LimitSpin(1000, settings.maxSteps, QLatin1Char(' ') + GetLangText(Txt::EdSteps));

    auto* grid = new QGridLayout;
    grid->setContentsMargins(4, 4, 4, 4);
    auto* label = new QLabel(GetLangText(Txt::EdSampleFrequency) + QStringLiteral(" :"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_interval, 0, 1);
    grid->addWidget(generate, 1, 0, 1, 2);
    grid->addWidget(m_autoStart, 2, 0, 1, 2);
    grid->addWidget(m_maxLengthBox, 3, 0);
    grid->addWidget(m_maxLength, 3, 1);
    grid->addWidget(m_maxStepsBox, 4, 0);
    grid->addWidget(m_maxSteps, 4, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setContentsMargins(4, 4, 4, 4);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRecordDmxDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &CRecordDmxDlg::OnCancel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_toolBar);
    column->addLayout(grid);
    column->addStretch();
    column->addWidget(buttons);

    connect(m_maxLengthBox, &QCheckBox::stateChanged, this, &CRecordDmxDlg::OnCheckMaxLen);
    connect(m_maxStepsBox, &QCheckBox::stateChanged, this, &CRecordDmxDlg::OnCheckMaxSteps);
    // The two limits exclude each other; of two stored as set, the step limit wins.
    m_maxLength->setEnabled(false);
    m_maxSteps->setEnabled(false);
    m_maxLengthBox->setChecked(settings.stopAfterLength);
    m_maxStepsBox->setChecked(settings.stopAfterSteps);
}

void CRecordDmxDlg::OnCheckMaxLen(int state)
{
    const bool checked = state == Qt::Checked;
    m_maxLength->setEnabled(checked);
    if (checked) {
        m_maxStepsBox->setChecked(false);
        m_maxSteps->setEnabled(false);
    }
}

void CRecordDmxDlg::OnCheckMaxSteps(int state)
{
    const bool checked = state == Qt::Checked;
    m_maxSteps->setEnabled(checked);
    if (checked) {
        m_maxLengthBox->setChecked(false);
        m_maxLength->setEnabled(false);
    }
}

void CRecordDmxDlg::StoreSettings()
{
    CRecordConfig& settings = Settings();
    settings.sampleMs = kIntervals[qBound(0, m_interval->currentIndex(), 9)];
    settings.withFade = m_fade->isChecked();
    settings.autoStart = m_autoStart->isChecked();
    settings.stopAfterLength = m_maxLengthBox->isChecked();
    settings.maxLengthS = m_maxLength->value();
    settings.stopAfterSteps = m_maxStepsBox->isChecked();
    settings.maxSteps = m_maxSteps->value();
}

void CRecordDmxDlg::Record()
{
    if (ShowHost().IsRecording() || m_playingBack)
        return;
    if (!m_project.m_recordScene)
        m_project.m_recordScene = new CScene(QStringLiteral("DMX Record"), m_project.UniverseCount());
    StoreSettings();
    m_play->setIcon(QIcon(kIcons + QStringLiteral("StopBig.png")));
    m_play->setEnabled(true);
    m_record->setEnabled(false);
    ShowHost().StartDmxRecord();
}

void CRecordDmxDlg::OnRecordStopped()
{
    if (m_project.m_recordScene)
        m_project.m_recordScene->UpdateLength();
    m_play->setIcon(QIcon(kIcons + QStringLiteral("PlayBig.png")));
    m_play->setEnabled(m_project.m_recordScene != nullptr);
    m_record->setEnabled(true);
    m_clock->SetTime(0);
}

void CRecordDmxDlg::Play()
{
    CScene* recorded = m_project.m_recordScene;
    if (ShowHost().IsRecording()) {
        ShowHost().StopDmxRecord();
    } else if (m_playingBack) {
        if (m_page && recorded)
            m_page->StopScene(recorded, false, false, true, true);
        m_play->setIcon(QIcon(kIcons + QStringLiteral("PlayBig.png")));
        m_record->setEnabled(true);
        m_clock->SetTime(0);
        m_playingBack = false;
    } else if (m_page && recorded && m_page->PlayScene(recorded)) {
        m_play->setIcon(QIcon(kIcons + QStringLiteral("StopBig.png")));
        m_record->setEnabled(false);
        m_playingBack = true;
    }
}

void CRecordDmxDlg::StopRunning()
{
    if (ShowHost().IsRecording() || m_playingBack)
        Play();
}

void CRecordDmxDlg::DropFromPages()
{
    // A stop would let the scene fade out in the page after it is gone.
    if (CScene* recorded = m_project.m_recordScene) {
        for (CPage* page : qAsConst(m_project.m_pages))
            page->DropScene(recorded);
    }
    m_playingBack = false;
}

void CRecordDmxDlg::OnOk()
{
    StopRunning();
    DropFromPages();
    StoreSettings();
    ShowHost().SetModified(true);
    accept();
}

void CRecordDmxDlg::OnCancel()
{
    StopRunning();
    DropFromPages();
    delete m_project.m_recordScene;
    m_project.m_recordScene = nullptr;
    QDialog::reject();
}

void CRecordDmxDlg::reject()
{
    OnCancel();
}
