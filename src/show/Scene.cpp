#include "show/Scene.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "show/SceneStep.h"
#include "show/StepAlignment.h"

#include <QFileInfo>
#include <QImageReader>
#include <QSet>
#include <QPainter>

#include <algorithm>
#include <climits>

namespace {

CEffectOperations g_effectOperations;

// What the masks of a universe without masks read.
const CSlotMask kClearMask;
static_assert(CSlotMask::kSlots == kSlotsPerUniverse, "a mask holds a universe");

// Button pictures are small; anything larger is refused before decoding.
constexpr int kMaxPictureSide = 2048;

int ToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

int RoundDownTo40(int ms)
{
    return ms - ms % 40;
}

} // namespace

void SetEffectOperations(const CEffectOperations& operations)
{
    g_effectOperations = operations;
}

CScene::CScene(const QString& name, int universeCount)
    : m_name(name), m_universeCount(std::max(0, universeCount))
{
}

CScene::CScene(const CScene& source, bool copyLiveParameters, bool copyTriggers, bool copySteps)
    : CScene(source.m_name, source.m_universeCount)
{
    m_firstPassLength = source.m_firstPassLength;
    m_cycleLength = source.m_cycleLength;
    m_fadeIn = source.m_fadeIn;
    m_fadeOut = source.m_fadeOut;
    m_loopCount = source.m_loopCount;
    m_jumpIndex = source.m_jumpIndex;
    m_autoJump = source.m_autoJump;
    m_jumpTarget = source.m_jumpTarget;
    m_playMode = source.m_playMode;
    m_buttonPicture = source.m_buttonPicture;
    m_picture = source.m_picture;
    m_highlightedPicture = source.m_highlightedPicture;
    m_defaultButtonPicture = source.m_defaultButtonPicture;
    m_pictureMissing = source.m_pictureMissing;
    m_playSound = source.m_playSound;
    m_sound = source.m_sound;
    m_fadeInDelay = source.m_fadeInDelay;
    m_fadeOutDelay = source.m_fadeOutDelay;
    m_customFadeIn = source.m_customFadeIn;
    m_customFadeOut = source.m_customFadeOut;
    m_fadeInId = source.m_fadeInId;
    m_fadeOutId = source.m_fadeOutId;
    m_inFadeInList = source.m_inFadeInList;
    m_inFadeOutList = source.m_inFadeOutList;
    m_checkInList = source.m_checkInList;
    m_checkOutList = source.m_checkOutList;
    m_dynamicFadeIn = source.m_dynamicFadeIn;
    m_dynamicFadeOut = source.m_dynamicFadeOut;

    if (copyLiveParameters) {
        m_speed = source.m_speed;
        m_dimmer = source.m_dimmer;
        m_paused = source.m_paused;
        m_blackout = source.m_blackout;
        m_beamOn = source.m_beamOn;
        m_liveColor = source.m_liveColor;
        m_red = source.m_red;
        m_green = source.m_green;
        m_blue = source.m_blue;
        m_white = source.m_white;
    }
    if (copyTriggers) {
        m_triggers = source.m_triggers;
        m_playInCurrentPage = source.m_playInCurrentPage;
    }
    if (copySteps) {
        for (const CEffect* effect : source.m_effects) {
            CEffect* clone = (effect && g_effectOperations.clone) ? g_effectOperations.clone(*effect) : nullptr;
            if (clone)
                m_effects << clone;
        }
        for (const CSceneStep* step : source.m_steps) {
            const int index = step->m_effect ? source.m_effects.indexOf(step->m_effect) : -1;
            CEffect* effect = (index >= 0 && index < m_effects.size()) ? m_effects.at(index) : nullptr;
            m_steps << new CSceneStep(this, *step, effect);
        }
    }
    for (const SMasks& masks : source.m_masks) {
        if (masks.pair[0].Any())
            MakeMasks(masks.universe)[0] = masks.pair[0];
    }
}

CScene::~CScene()
{
    DeleteSteps();
    DeleteEffects();
}

void CScene::DeleteEffects()
{
    if (g_effectOperations.destroy) {
        for (CEffect* effect : m_effects)
            g_effectOperations.destroy(effect);
    }
    m_effects.clear();
}

void CScene::DeleteSteps()
{
    delete m_transitionStep;
    m_transitionStep = nullptr;
    qDeleteAll(m_steps);
    m_steps.clear();
    m_selection.clear();
    m_currentStep = nullptr;
}

bool CScene::IsDynamic() const
{
    return m_firstPassLength > 0 || (m_cycleLength >= 1 && m_loopCount != 1);
}

bool CScene::Start(int stepIndex, int stepTime, bool markFixtures, bool customFadeIn, bool noLoopCount)
{
    if (m_steps.isEmpty() || m_cycleLength <= 0)
        return false;
    delete m_transitionStep;
    m_transitionStep = nullptr;
    GoToStep(stepIndex, stepTime);
    m_loopsDone = 0;
    m_speedLeftover = 0;
    m_startCounter = 0;
    m_fadeOutCounter = -1;
    m_runningFadeOutLength = 0;
    m_followOn = true;
    m_noLoopCount = noLoopCount;
    if (markFixtures)
        MarkFixturesPlaying();
    BeginFadeIn(customFadeIn);
    return true;
}

void CScene::UpdateLength()
{
    m_firstPassLength = 0;
    m_cycleLength = 0;
    if (m_steps.isEmpty())
        return;
    qint64 firstPass = m_steps.first()->m_wait;
    for (int i = 1; i < m_steps.size(); ++i)
        firstPass += m_steps.at(i)->Duration();
    m_firstPassLength = ToInt(firstPass);
    m_cycleLength = ToInt(qint64(m_steps.first()->m_fade) + firstPass);
}

qint64 CScene::TotalDuration() const
{
    if (m_loopCount < 1)
        return -1;
    return qint64(m_fadeIn) + m_firstPassLength + qint64(m_loopCount - 1) * m_cycleLength;
}

QString CScene::DurationText() const
{
    qint64 length = m_firstPassLength;
    if (m_loopCount >= 2)
        length += qint64(m_loopCount - 1) * m_cycleLength;
    length = std::max<qint64>(0, length);
    const int ms = int(length % 1000);
    const int seconds = int(length / 1000 % 60);
    const int minutes = int(length / 60000 % 60);
    const qint64 hours = length / 3600000;
    if (hours < 1)
        return QString::asprintf("%.2dm %.2ds %.3d", minutes, seconds, ms);
    if (hours < 24)
        return QString::asprintf("%.2dh %.2dm %.2ds %.3d", int(hours), minutes, seconds, ms);
    return QString::asprintf("%.2dd %.2dh %.2dm %.2ds", int(hours / 24), int(hours % 24), minutes, seconds);
}

int CScene::CurrentStepIndex() const
{
    if (m_steps.isEmpty() || !m_currentStep)
        return -1;
    return m_steps.indexOf(m_currentStep);
}

CSceneStep* CScene::PreviousStep() const
{
    const int index = CurrentStepIndex();
    if (index < 0)
        return nullptr;
    return index == 0 ? m_steps.last() : m_steps.at(index - 1);
}

int CScene::CurrentStepFadeEnd() const
{
    const int index = CurrentStepIndex();
    if (index < 0)
        return 0;
    qint64 end = 0;
    for (int i = 0; i < index; ++i)
        end += m_steps.at(i)->Duration();
    return ToInt(end + m_steps.at(index)->m_fade);
}

void CScene::AddFixtureToAllSteps(CPatchedFixture* fixture)
{
    if (!fixture)
        return;
    for (CSceneStep* step : m_steps) {
        if (!step->FindEntry(fixture))
            step->AddEntry(new CStepFixture(fixture, this));
    }
}

void CScene::AddMissingEntries(const CSceneStep* a, const CSceneStep* b)
{
    const CStepAlignment alignment(CStepAlignment::FixturesOf(a), CStepAlignment::FixturesOf(b));
    for (CSceneStep* step : qAsConst(m_steps))
        alignment.Align(this, *step);
}

void CScene::AppendAlignedStep(CSceneStep* step)
{
    const CSceneStep* first = m_steps.value(0);
    m_steps << step;
    if (!first)
        return;
    QSet<const CPatchedFixture*> known;
    known.reserve(first->EntryCount());
    for (const CStepFixture* entry : first->m_entries)
        known.insert(entry->Fixture());
    QSet<const CPatchedFixture*> own;
    own.reserve(step->EntryCount());
    QList<CPatchedFixture*> fresh;
    for (const CStepFixture* entry : step->m_entries) {
        own.insert(entry->Fixture());
        if (!known.contains(entry->Fixture()))
            fresh << entry->Fixture();
    }
    const QList<CStepFixture*> firstEntries = first->m_entries;
    // Steps that all drive the same fixtures lack a fixture the first lacks,
    // so no step needs searching.
    for (CPatchedFixture* fixture : qAsConst(fresh)) {
        for (CSceneStep* other : qAsConst(m_steps)) {
            if (other != step)
                other->m_entries << new CStepFixture(fixture, this);
        }
    }
    for (const CStepFixture* entry : firstEntries) {
        if (!own.contains(entry->Fixture()))
            step->m_entries << new CStepFixture(entry->Fixture(), this);
    }
}

bool CScene::UsesNoneOf(const QList<CPatchedFixture*>& fixtures) const
{
    const CEffect* lastEffect = nullptr;
    for (const CSceneStep* step : m_steps) {
        if (step->m_effect) {
            // The steps of one effect drive the same fixtures: one look suffices.
            if (step->m_effect == lastEffect || !g_effectOperations.fixtures)
                continue;
            lastEffect = step->m_effect;
            for (CPatchedFixture* driven : g_effectOperations.fixtures(*step->m_effect)) {
                if (fixtures.contains(driven))
                    return false;
            }
            continue;
        }
        for (const CStepFixture* entry : step->m_entries) {
            if (fixtures.contains(entry->Fixture()))
                return false;
        }
    }
    return true;
}

void CScene::GoToStep(int index, int time)
{
    if (m_steps.isEmpty()) {
        m_currentStep = nullptr;
        m_currentStepIndex = 0;
        m_roundedPosition = m_cyclePosition = m_stepTime = 0;
        m_positionOrigin = m_stepStart = m_stepEnd = 0;
        return;
    }
    if (index >= 0 && index < m_steps.size()) {
        const CSceneStep* step = m_steps.at(index);
        m_currentStep = m_steps.at(index);
        const int fadeEnd = CurrentStepFadeEnd();
        if (time > 0 && time < step->Duration()) {
            m_stepTime = time;
            m_roundedPosition = ToInt(qint64(fadeEnd) - step->m_fade + time);
        } else {
            m_roundedPosition = fadeEnd;
            m_stepTime = step->m_fade;
        }
        m_cyclePosition = m_positionOrigin = m_roundedPosition;
        m_stepStart = ToInt(qint64(fadeEnd) - step->m_fade);
        m_stepEnd = ToInt(qint64(fadeEnd) + step->m_wait);
        m_currentStepIndex = index;
        return;
    }
    const CSceneStep* first = m_steps.first();
    m_currentStep = m_steps.first();
    m_roundedPosition = m_stepTime = m_cyclePosition = first->m_fade;
    m_positionOrigin = 0;
    m_stepStart = 0;
    m_currentStepIndex = 0;
    m_stepEnd = ToInt(first->Duration());
}

void CScene::SeekTo(int ms)
{
    if (m_cycleLength <= 0 || m_steps.isEmpty())
        return;
    qint64 position = (qint64(m_positionOrigin) + ms) % m_cycleLength;
    if (position < 0)
        position += m_cycleLength;
    m_cyclePosition = int(position);
    m_roundedPosition = RoundDownTo40(m_cyclePosition);
    m_currentStep = m_steps.first();
    m_stepStart = 0;
    m_currentStepIndex = 0;
    m_stepEnd = ToInt(m_steps.first()->Duration());
    AdvanceToPosition();
}

void CScene::AdvanceToPosition()
{
    if (m_steps.isEmpty())
        return;
    int index = std::clamp(m_currentStepIndex, 0, int(m_steps.size()) - 1);
    while (m_stepEnd < m_cyclePosition && index < m_steps.size() - 1) {
        ++index;
        m_stepStart = m_stepEnd;
        m_stepEnd = ToInt(qint64(m_stepEnd) + m_steps.at(index)->Duration());
    }
    m_currentStepIndex = index;
    m_currentStep = m_steps.at(index);
    m_stepTime = m_cyclePosition - m_stepStart;
}

void CScene::UpdateStepTime()
{
    m_stepTime = m_cyclePosition - m_stepStart;
    m_roundedPosition = RoundDownTo40(m_cyclePosition);
}

CScene::SPasses CScene::PassesEndedAt(qint64 position) const
{
    if (m_cycleLength <= 0)
        return {1, 0};
    // The first position whose 40 ms position reaches the length.
    const qint64 end = (qint64(m_cycleLength) + 39) / 40 * 40;
    const qint64 ended = qMax<qint64>(0, position) / end;
    return {ended, int(qMax<qint64>(0, position) - ended * end)};
}

void CScene::RestartCycle(int carried)
{
    if (m_steps.isEmpty())
        return;
    m_currentStep = m_steps.first();
    m_roundedPosition = m_cyclePosition = m_stepTime = 0;
    m_stepStart = 0;
    m_currentStepIndex = 0;
    m_stepEnd = ToInt(m_steps.first()->Duration());
    if (carried > 0) {
        m_cyclePosition = carried;
        UpdateStepTime();
        AdvanceToPosition();
    }
}

void CScene::BeginFadeIn(bool custom)
{
    m_fadeInCounter = 0;
    m_customTiming = custom;
    m_stopping = false;
    m_fadingOut = false;
    if (!custom) {
        // A plain start waits no delay.
        m_fadeInDelayCounter = m_fadeInDelay;
        m_runningFadeInLength = m_fadeIn;
        m_fadingIn = m_fadeIn > 0;
    } else {
        m_fadeInDelayCounter = 0;
        m_runningFadeInLength = m_customFadeIn;
        m_fadingIn = m_fadeInDelay > 0 || m_customFadeIn > 0;
    }
}

void CScene::BeginFadeOut(bool custom)
{
    if (!m_currentStep)
        return;
    m_positionOrigin = m_cyclePosition;
    m_fadeOutCounter = 0;
    m_fadeInCounter = m_runningFadeInLength;
    if (!custom) {
        m_fadeOutDelayCounter = m_fadeOutDelay;
        m_runningFadeOutLength = m_fadeOut;
        m_fadingOut = m_fadeOut > 0;
    } else {
        m_fadeOutDelayCounter = 0;
        m_runningFadeOutLength = m_customFadeOut;
        m_fadingOut = m_fadeOutDelay > 0 || m_customFadeOut > 0;
        m_noLoopCount = true;
    }
    if (!m_transitionStep) {
        m_transitionStep = new CSceneStep(this, *m_currentStep, nullptr);
        m_transitionStep->ClearLevels();
    }
    m_customTiming = custom;
    m_stopping = true;
}

bool CScene::IsFadeOutDone() const
{
    if (m_fadeOutCounter < 0)
        return true;
    if (InFadeOutDelay())
        return false;
    const int nominal = m_customTiming ? m_customFadeOut : m_fadeOut;
    if (nominal < 1)
        return true;
    return m_fadeOutCounter >= m_runningFadeOutLength;
}

bool CScene::InFadeOutDelay() const
{
    return m_fadeOutDelay >= 1 && m_fadeOutDelayCounter < m_fadeOutDelay;
}

quint64 CScene::s_fixtureWalks = 0;

namespace {

// The entry list as the pointers it holds: read in one sweep of contiguous
// memory, where the entries themselves lie scattered.
quint64 EntriesDigest(const QList<CStepFixture*>& entries)
{
    quint64 digest = quint64(entries.size());
    for (const CStepFixture* entry : entries)
        digest = (digest ^ quint64(reinterpret_cast<quintptr>(entry))) * 0x100000001b3ull;
    return digest;
}

} // namespace

const QVector<CPatchedFixture*>& CScene::FirstStepFixtures()
{
    const CSceneStep* first = m_steps.isEmpty() ? nullptr : m_steps.first();
    // An entry keeps its fixture for life. The list's digest sees entries
    // made, moved or taken out; a deleted entry and the patch move the
    // show-wide render count, so that a new entry at a freed address is seen
    // too; a step's serial tells it from a step made later at its address.
    // Levels and the fades of stopping scenes move the scene's own count only.
    const quint64 generation = RenderGeneration();
    const quint64 entries = first ? EntriesDigest(first->m_entries) : 0;
    if (first == m_fixturesStep && (!first || first->Serial() == m_fixturesSerial) && generation == m_fixturesGeneration
        && entries == m_fixturesEntries)
        return m_firstStepFixtures;
    ++s_fixtureWalks;
    m_firstStepFixtures.clear();
    if (first) {
        m_firstStepFixtures.reserve(first->m_entries.size());
        for (const CStepFixture* entry : first->m_entries) {
            if (entry->Fixture())
                m_firstStepFixtures.append(entry->Fixture());
        }
    }
    m_fixturesStep = first;
    m_fixturesSerial = first ? first->Serial() : 0;
    m_fixturesGeneration = generation;
    m_fixturesEntries = entries;
    return m_firstStepFixtures;
}

void CScene::MarkFixturesPlaying()
{
    for (CPatchedFixture* fixture : FirstStepFixtures())
        fixture->AddPlayingScene(this);
}

void CScene::UnmarkFixturesPlaying()
{
    for (CPatchedFixture* fixture : FirstStepFixtures())
        fixture->RemovePlayingScene(this);
    m_fadingIn = false;
    m_fadingOut = false;
}

CSlotMask* CScene::HeldMasks(int universe) const
{
    const auto at = std::lower_bound(m_masks.begin(), m_masks.end(), universe,
                                     [](const SMasks& masks, int u) { return masks.universe < u; });
    return at != m_masks.end() && at->universe == universe ? at->pair.get() : nullptr;
}

CSlotMask* CScene::MakeMasks(int universe)
{
    const auto at = std::lower_bound(m_masks.begin(), m_masks.end(), universe,
                                     [](const SMasks& masks, int u) { return masks.universe < u; });
    if (at != m_masks.end() && at->universe == universe)
        return at->pair.get();
    SMasks masks;
    masks.universe = universe;
    masks.pair.reset(new CSlotMask[2]);
    return m_masks.insert(at, std::move(masks))->pair.get();
}

CSlotMask* CScene::ActiveMask(int universe)
{
    if (universe < 0 || universe >= m_universeCount)
        return nullptr;
    // Whoever asks for a writable mask may change what the scene renders.
    RenderedContentChanged(this);
    return MakeMasks(universe);
}

const CSlotMask* CScene::ActiveMask(int universe) const
{
    if (universe < 0 || universe >= m_universeCount)
        return nullptr;
    const CSlotMask* held = HeldMasks(universe);
    return held ? held : &kClearMask;
}

CSlotMask* CScene::OverrideMask(int universe)
{
    if (universe < 0 || universe >= m_universeCount)
        return nullptr;
    return MakeMasks(universe) + 1;
}

const CSlotMask* CScene::OverrideMask(int universe) const
{
    if (universe < 0 || universe >= m_universeCount)
        return nullptr;
    const CSlotMask* held = HeldMasks(universe);
    return held ? held + 1 : &kClearMask;
}

CSlotMask* CScene::ActiveMaskIfHeld(int universe)
{
    CSlotMask* held = HeldMasks(universe);
    if (held)
        RenderedContentChanged(this);
    return held;
}

CSlotMask* CScene::OverrideMaskIfHeld(int universe)
{
    CSlotMask* held = HeldMasks(universe);
    return held ? held + 1 : nullptr;
}

QVector<int> CScene::MaskUniverses() const
{
    QVector<int> universes;
    universes.reserve(int(m_masks.size()));
    for (const SMasks& masks : m_masks)
        universes << masks.universe;
    return universes;
}

bool CScene::IsChannelActive(int universe, int slot) const
{
    const CSlotMask* mask = ActiveMask(universe);
    return mask && mask->Test(slot);
}

void CScene::MarkActiveChannelsOf(const CScene& other)
{
    for (int u : other.MaskUniverses()) {
        const CSlotMask* from = other.ActiveMask(u);
        if (!from->Any())
            continue;
        if (CSlotMask* to = ActiveMask(u))
            to->Unite(*from);
    }
}

void CScene::ClearActiveMasks()
{
    for (SMasks& masks : m_masks)
        masks.pair[0].Clear();
    const auto unused = [](const SMasks& masks) { return !masks.pair[1].Any(); };
    m_masks.erase(std::remove_if(m_masks.begin(), m_masks.end(), unused), m_masks.end());
    RenderedContentChanged(this);
}

void CScene::ClearOverrideMasks()
{
    for (SMasks& masks : m_masks)
        masks.pair[1].Clear();
}

void CScene::SetSpeed(int speed)
{
    m_speed = std::clamp(speed, 0, 100);
}

void CScene::SetDimmer(int dimmer)
{
    m_dimmer = std::clamp(dimmer, 0, 100);
}

void CScene::SetFadeIn(const QTime& time)
{
    m_fadeIn = time.msecsSinceStartOfDay();
}

void CScene::SetFadeOut(const QTime& time)
{
    m_fadeOut = time.msecsSinceStartOfDay();
}

void CScene::SetFadeInDelay(const QTime& time)
{
    m_fadeInDelay = time.msecsSinceStartOfDay();
}

void CScene::SetFadeOutDelay(const QTime& time)
{
    m_fadeOutDelay = time.msecsSinceStartOfDay();
}

void CScene::SetCustomFadeIn(const QTime& time)
{
    m_customFadeIn = time.msecsSinceStartOfDay();
}

void CScene::SetCustomFadeOut(const QTime& time)
{
    m_customFadeOut = time.msecsSinceStartOfDay();
}

QString CScene::TimeText(int ms)
{
    return QTime(0, 0).addMSecs(ms).toString(QStringLiteral("mm'm' ss's' zzz"));
}

QString CScene::CustomFadeInText() const
{
    return TimeText(m_customFadeIn);
}

QString CScene::CustomFadeOutText() const
{
    return TimeText(m_customFadeOut);
}

QString CScene::FadeInDelayText() const
{
    return TimeText(m_fadeInDelay);
}

QString CScene::FadeOutDelayText() const
{
    return TimeText(m_fadeOutDelay);
}

QString CScene::DynamicFadeInText() const
{
    return GetLangText(m_dynamicFadeIn ? Txt::Dynamic : Txt::Static);
}

QString CScene::DynamicFadeOutText() const
{
    return GetLangText(m_dynamicFadeOut ? Txt::Dynamic : Txt::Static);
}

bool CScene::MatchShortCut(int key, bool currentPage) const
{
    // -1 is "no shortcut", never a key.
    return key >= 0 && m_triggers.m_shortCut.m_key == key && (m_playInCurrentPage || currentPage);
}

bool CScene::MatchMidiTrigger(int mode, int channel, int number, bool currentPage) const
{
    const CMidiTrigger& midi = m_triggers.m_midiTrigger;
    return midi.m_mode == mode && midi.m_channel == channel && midi.m_number == number
           && (m_playInCurrentPage || currentPage);
}

bool CScene::MatchDeviceTrigger(int input1, int input2, int input3, bool currentPage) const
{
    const auto& inputs = m_triggers.m_saInputs;
    const bool matched = (inputs[0] != 0 && inputs[0] == input1) || (inputs[1] != 0 && inputs[1] == input2)
                         || (inputs[2] != 0 && inputs[2] == input3);
    return matched && (m_playInCurrentPage || currentPage);
}

bool CScene::HasTriggers() const
{
    return m_triggers.m_shortCut.m_key >= 0 || m_triggers.m_midiTrigger.m_mode > 0
           || m_triggers.m_dmxTrigger.m_mode > 0;
}

void CScene::LoadButtonPicture()
{
    m_pictureMissing = true;
    if (m_defaultButtonPicture || m_buttonPicture.isEmpty() || !QFileInfo::exists(m_buttonPicture))
        return;
    QImageReader reader(m_buttonPicture);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return;
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return;
    m_picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_highlightedPicture = m_picture;
    QPainter painter(&m_highlightedPicture);
    // Only where the picture itself is drawn, as its own mask.
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.setOpacity(0.5);
    painter.fillRect(m_highlightedPicture.rect(), QColor(255, 190, 80));
    painter.end();
    m_pictureMissing = false;
}
