// Effect generation under growing rigs: binding a fresh copy of an effect
// (SetEffect) and generating its steps (GenerateEffect), per effect type, on
// 8, 64, 512 and 4096 fixtures and on 8x8, 32x32 and 64x64 matrices, with
// parameters an operator would use in a show. Prints the steps, records and
// distinct step bytes a generation leaves, the median time and the heap calls
// (malloc, calloc, realloc) of one generation. Random patterns use a pinned
// seed, so every run generates the same steps. Preset effects make no steps
// and are not timed. Then a sequence wave is applied to a plain scene on 500
// and 2,000 RGB fixtures, as the operator applies it (--apply: only that),
// and five curve rows of 200 steps over 1,024 dimmers into one scene, one
// after another: each row makes as many entries, so each should take about
// as long whatever the scene already holds (--rows: only that).
// Build it in Release for meaningful times:
//   cmake -S . -B build/benchfx -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/benchfx --target bench_effects && build/benchfx/bench/bench_effects

#include "effects/CurveEffect.h"
#include "effects/EffectEngine.h"
#include "effects/EffectRandom.h"
#include "effects/GradientEffect.h"
#include "effects/MatrixAnimEffect.h"
#include "effects/MatrixGifEffect.h"
#include "effects/MatrixMediaEffect.h"
#include "effects/MatrixTextEffect.h"
#include "effects/PanTiltEffect.h"
#include "effects/TrichroEffect.h"
#include "model/FixtureMatrix.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

// Every heap call of the process is counted, Qt's containers and images
// included (they bypass operator new). Only where the C library lets a
// program replace its allocator entry points and no sanitizer owns them.
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#define ORVANE_COUNT_HEAP_CALLS 1
#endif

namespace {

std::atomic<long> g_heapCalls{0};

} // namespace

#ifdef ORVANE_COUNT_HEAP_CALLS
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);

void* malloc(std::size_t size)
{
    g_heapCalls.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size)
{
    g_heapCalls.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size)
{
    g_heapCalls.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
}
#endif

namespace {

constexpr int kMinSamples = 7;
constexpr int kMaxSamples = 101;
constexpr double kSampleBudgetMs = 300.0;
constexpr unsigned int kSeed = 20240601;

// --- Profiles built the way a profile file fills them ---

CProfileChannelDef* AddChannel(CLibraryProfile& profile, int type)
{
    auto* channel = new CProfileChannelDef;
    channel->m_type = type;
    profile.CurrentMode()->m_channels << channel;
    return channel;
}

void AddFine(CLibraryProfile& profile, CProfileChannelDef* coarse)
{
    const int coarseIndex = profile.CurrentMode()->m_channels.indexOf(coarse);
    CProfileChannelDef* fine = AddChannel(profile, coarse->m_type);
    fine->m_lsb = true;
    fine->m_partner16Index = coarseIndex;
    coarse->m_msb = true;
    coarse->m_partner16Index = profile.CurrentMode()->m_channels.size() - 1;
}

// Dimmer, red, green, blue.
std::unique_ptr<CLibraryProfile> MakeParProfile()
{
    auto profile = std::make_unique<CLibraryProfile>();
    AddChannel(*profile, ChannelType::Dimmer);
    AddChannel(*profile, ChannelType::Red);
    AddChannel(*profile, ChannelType::Green);
    AddChannel(*profile, ChannelType::Blue);
    profile->UpdateRoles();
    return profile;
}

// Dimmer, 16-bit pan and tilt, red, green, blue.
std::unique_ptr<CLibraryProfile> MakeMovingHeadProfile()
{
    auto profile = std::make_unique<CLibraryProfile>();
    AddChannel(*profile, ChannelType::Dimmer);
    AddFine(*profile, AddChannel(*profile, ChannelType::Pan));
    AddFine(*profile, AddChannel(*profile, ChannelType::Tilt));
    AddChannel(*profile, ChannelType::Red);
    AddChannel(*profile, ChannelType::Green);
    AddChannel(*profile, ChannelType::Blue);
    profile->UpdateRoles();
    return profile;
}

// One RGB pixel per matrix cell.
std::unique_ptr<CLibraryProfile> MakePixelProfile()
{
    auto profile = std::make_unique<CLibraryProfile>();
    AddChannel(*profile, ChannelType::Red);
    AddChannel(*profile, ChannelType::Green);
    AddChannel(*profile, ChannelType::Blue);
    profile->UpdateRoles();
    return profile;
}

// Fixtures patched universe after universe, and the matrices built of them.
class Rig
{
public:
    std::vector<CPatchedFixture*> Patch(CLibraryProfile* profile, int count)
    {
        const int width = profile->ChannelCount();
        std::vector<CPatchedFixture*> patched;
        int address = 0;
        for (int i = 0; i < count; ++i) {
            if (address + width > 512) {
                ++m_universe;
                address = 0;
            }
            const int id = ++m_id;
            m_fixtures.push_back(std::make_unique<CPatchedFixture>(address, m_universe, id, -1,
                                                                   QStringLiteral("F%1").arg(id), profile, false,
                                                                   false, 0));
            patched.push_back(m_fixtures.back().get());
            address += width;
        }
        ++m_universe;
        return patched;
    }

    CFixtureMatrix* Matrix(CLibraryProfile* profile, int rows, int columns)
    {
        constexpr int kCell = 20; // layout pixels of a one-beam cell
        const std::vector<CPatchedFixture*> members = Patch(profile, rows * columns);
        m_matrices.push_back(std::make_unique<CFixtureMatrix>(profile, int(m_matrices.size()) + 1, columns, rows, 0));
        CFixtureMatrix* matrix = m_matrices.back().get();
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                matrix->AddMember(members[size_t(r * columns + c)], QRect(c * kCell, r * kCell, kCell, kCell));
        matrix->OrderMembers();
        return matrix;
    }

private:
    std::vector<std::unique_ptr<CPatchedFixture>> m_fixtures;
    std::vector<std::unique_ptr<CFixtureMatrix>> m_matrices;
    int m_universe = 0;
    int m_id = 0;
};

// Every fixture driven on its one beam, all selected.
void Drive(CEffect& effect, const std::vector<CPatchedFixture*>& fixtures)
{
    for (CPatchedFixture* fixture : fixtures) {
        effect.m_fixtures << fixture;
        effect.m_fixtureSel << true;
        effect.m_beamIndex << 0;
        effect.m_beamFixtures << fixture;
        effect.m_beamSel << true;
    }
}

// --- Effects as an operator sets them up ---

CEffect* SpatialGradient(const std::vector<CPatchedFixture*>& fixtures)
{
    auto* effect = new CGradientEffect(4000);
    effect->m_gradType = 0;
    effect->m_pegColors = {CRgbwColor(255, 0, 0), CRgbwColor(255, 160, 0), CRgbwColor(0, 0, 255)};
    effect->m_pegPositions = {0.0, 0.4, 1.0};
    Drive(*effect, fixtures);
    return effect;
}

// Eight colours two fixtures wide, fading, 200 ms a step.
CEffect* ColorSequence(int kind, const std::vector<CPatchedFixture*>& fixtures)
{
    auto* effect = new CTrichroEffect(200);
    effect->m_trichroType = kind;
    effect->m_intensity = 80;
    Drive(*effect, fixtures);
    return effect;
}

// A sine on every dimmer, the fixtures a tenth of a period apart.
CEffect* DimmerSine(const std::vector<CPatchedFixture*>& fixtures)
{
    auto* effect = new CCurveEffect(4000);
    CLibraryProfile* profile = fixtures.front()->Profile();
    int counter = 0;
    CProfileChannelDef* dimmer = nullptr;
    for (CProfileChannelDef* channel : profile->CurrentMode()->m_channels)
        if (channel->m_type == ChannelType::Dimmer)
            dimmer = channel;
    effect->AddChannel(dimmer, counter);
    effect->m_activeChannels[0] = true;
    CCurveParam& sine = effect->m_params[0];
    sine.m_type = CCurveParam::Sinus;
    sine.m_ampli = 255;
    sine.m_offset = 127;
    sine.m_ratio = 5.0f;
    sine.m_phi = 10;
    Drive(*effect, fixtures);
    return effect;
}

// A circle of 8 control points, 16 path points each, the heads chasing each
// other round it.
CEffect* PanTiltCircle(const std::vector<CPatchedFixture*>& fixtures)
{
    auto* effect = new CPanTiltEffect;
    effect->m_shapeType = CPanTiltEffect::Circle;
    effect->m_nbControls = 8;
    effect->m_nbPtsPerCtrl = 16;
    effect->m_fade = 50;
    effect->m_phi = 10;
    Drive(*effect, fixtures);
    return effect;
}

template <class Effect>
Effect* OnMatrix(Effect* effect, CFixtureMatrix* matrix)
{
    Drive(*effect, std::vector<CPatchedFixture*>(matrix->Members().begin(), matrix->Members().end()));
    return effect;
}

// Eight colours two pixels wide, fading, 100 ms a step.
CEffect* MatrixPattern(int kind, CFixtureMatrix* matrix)
{
    auto* effect = OnMatrix(new CMatrixAnimEffect(matrix, 100), matrix);
    effect->m_matrixType = kind;
    return effect;
}

CEffect* MatrixGif(const QString& file, CFixtureMatrix* matrix)
{
    auto* effect = OnMatrix(new CMatrixGifEffect(matrix, 100), matrix);
    effect->m_file = file;
    return effect;
}

CEffect* MatrixClip(const QList<QImage>& clip, CFixtureMatrix* matrix)
{
    auto* effect = OnMatrix(new CMatrixMediaEffect(matrix, 40), matrix);
    effect->m_mediaType = CMatrixMediaEffect::StoredFrames;
    effect->SetSourceSize(clip.front().width(), clip.front().height());
    for (const QImage& frame : clip)
        effect->AddFrame(frame);
    return effect;
}

// A bold name, three quarters of the matrix high, scrolling left.
CEffect* ScrollingText(CFixtureMatrix* matrix)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(6, matrix->PixelRows() * 3 / 4));
    font.setBold(true);
    return OnMatrix(new CMatrixTextEffect(matrix, 60, QStringLiteral("ORVANE"), font, 0, 0,
                                          CMatrixTextEffect::ScrollLeft, CRgbwColor(255, 200, 0),
                                          CRgbwColor(0, 0, 40)),
                    matrix);
}

// --- Sources of the picture effects ---

// A looping GIF of a four-colour palette whose diagonal bands move one pixel
// a frame. Every LZW code stays 3 bits wide because a clear code follows
// every two pixels, so no real encoder is needed.
QByteArray MakeGif(int width, int height, int frames)
{
    QByteArray out("GIF89a");
    const auto u16 = [&out](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    u16(width);
    u16(height);
    out.append(char(0x81)); // global colour table of 4 entries
    out.append(char(0));
    out.append(char(0));
    for (QRgb c : {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int f = 0; f < frames; ++f) {
        out.append("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
        out.append(char(0x2C));
        u16(0);
        u16(0);
        u16(width);
        u16(height);
        out.append(char(0));
        out.append(char(2)); // minimum code size: clear 4, end 5
        QByteArray data;
        unsigned bits = 0;
        int count = 0;
        const auto put = [&](int code) {
            bits |= unsigned(code) << count;
            count += 3;
            while (count >= 8) {
                data.append(char(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        };
        for (int i = 0; i < width * height; ++i) {
            if (i % 2 == 0)
                put(4);
            put(((i % width + i / width + f) / 4) % 4);
        }
        put(5);
        if (count > 0)
            data.append(char(bits & 0xFF));
        for (int i = 0; i < data.size(); i += 255) {
            const int n = std::min(255, data.size() - i);
            out.append(char(n));
            out.append(data.mid(i, n));
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}

// Two seconds of 25 frames a second: a colour sweep with a moving disc.
QList<QImage> MakeClip()
{
    QList<QImage> clip;
    for (int f = 0; f < 50; ++f) {
        QImage frame(320, 180, QImage::Format_RGB32);
        QPainter painter(&frame);
        QLinearGradient sweep(0, 0, 320, 0);
        sweep.setColorAt(0.0, QColor::fromHsv((f * 7) % 360, 255, 255));
        sweep.setColorAt(1.0, QColor::fromHsv((f * 7 + 180) % 360, 255, 128));
        painter.fillRect(frame.rect(), sweep);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPoint(f * 6, 90), 40, 40);
        clip << frame;
    }
    return clip;
}

// --- Measurement ---

// Distinct step bytes: arrays shared between records (raw and output colours
// at full intensity, curve outputs) count once.
qint64 StepBytes(const CEffectEngine& engine)
{
    QSet<const char*> seen;
    qint64 bytes = 0;
    const auto add = [&](const QByteArray& array) {
        if (!array.isEmpty() && !seen.contains(array.constData())) {
            seen.insert(array.constData());
            bytes += array.size();
        }
    };
    for (const QByteArray* array : {&engine.m_curveCoarse, &engine.m_curveFine, &engine.m_red, &engine.m_green,
                                    &engine.m_blue, &engine.m_white, &engine.m_panCoarse, &engine.m_panFine,
                                    &engine.m_tiltCoarse, &engine.m_tiltFine})
        add(*array);
    for (const CChannelStepRecord& r : engine.m_channelRecords)
        for (const QByteArray* array : {&r.m_coarse, &r.m_fine})
            add(*array);
    for (const CColorStepRecord& r : engine.m_colorRecords)
        for (const QByteArray* array : {&r.m_rawRed, &r.m_rawGreen, &r.m_rawBlue, &r.m_rawWhite, &r.m_outRed,
                                        &r.m_outGreen, &r.m_outBlue, &r.m_outWhite})
            add(*array);
    for (const CPanTiltStepRecord& r : engine.m_panTiltRecords)
        for (const QByteArray* array : {&r.m_panCoarse, &r.m_panFine, &r.m_tiltCoarse, &r.m_tiltFine})
            add(*array);
    if (const auto* curve = dynamic_cast<const CCurveEffect*>(engine.Effect()))
        for (const QList<CChannelStepRecord>& outputs : curve->m_outputs)
            for (const CChannelStepRecord& r : outputs)
                for (const QByteArray* array : {&r.m_coarse, &r.m_fine})
                    add(*array);
    return bytes;
}

int RecordCount(const CEffectEngine& engine)
{
    switch (engine.m_mode) {
    case CEffectEngine::ColorMode:
        return engine.m_colorRecords.size();
    case CEffectEngine::PanTiltMode:
        return engine.m_panTiltRecords.size();
    default:
        return engine.m_channelRecords.size();
    }
}

double Median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Each sample binds a fresh copy of the prototype, as an edit of the effect
// does; the copy and the release of the previous generation are not timed.
void Run(const char* effect, const QString& rig, const CEffect& prototype)
{
    CEffectEngine engine;
    std::vector<double> times;
    std::vector<double> heapCalls;
    double total = 0.0;
    for (int i = -1; i < kMaxSamples && (int(times.size()) < kMinSamples || total < kSampleBudgetMs); ++i) {
        CEffect* copy = CloneEffect(&prototype);
        engine.Clear(true);
        const long callsBefore = g_heapCalls.load(std::memory_order_relaxed);
        const auto start = std::chrono::steady_clock::now();
        engine.SetEffect(copy);
        engine.GenerateEffect();
        const auto end = std::chrono::steady_clock::now();
        const long calls = g_heapCalls.load(std::memory_order_relaxed) - callsBefore;
        if (i < 0)
            continue; // warm-up: first font, picture and table use
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        times.push_back(ms);
        heapCalls.push_back(double(calls));
        total += ms;
    }
    std::printf("%-22s %-14s %6d %8d %11lld %11.3f", effect, qPrintable(rig), engine.m_stepCount,
                RecordCount(engine), static_cast<long long>(StepBytes(engine)), Median(times));
#ifdef ORVANE_COUNT_HEAP_CALLS
    std::printf(" %10.0f\n", Median(heapCalls));
#else
    std::printf(" %10s\n", "-");
#endif
    std::fflush(stdout);
}

QString FixtureRig(int count)
{
    return QStringLiteral("%1 fixtures").arg(count);
}

QString MatrixRig(int side)
{
    return QStringLiteral("%1x%1 matrix").arg(side);
}

// Patches `count` fixtures of the profile, `channels` slots apart and as
// many to a universe as fit, every beam on, and selects them all.
QList<CPatchedFixture*> PatchSelected(CProject& project, CLibraryProfile* profile, int count, int channels,
                                      const QString& prefix)
{
    const int perUniverse = 512 / channels;
    QList<CPatchedFixture*> fixtures;
    for (int i = 0; i < count; ++i) {
        auto* fixture = new CPatchedFixture(i % perUniverse * channels, i / perUniverse, i + 1, -1,
                                            prefix + QString::number(i + 1), profile, false, false, 0);
        for (bool& flag : fixture->BeamFlags())
            flag = true;
        project.m_generalGroup->AddFixture(fixture);
        fixtures << fixture;
    }
    project.UpdateAfterPatch(false, false);
    project.m_currentGroup->m_selectedFixtures = fixtures;
    return fixtures;
}

// Applying a sequence wave, as the operator does, to an empty plain scene on
// `count` selected RGB fixtures: the written step entries and the time.
void RunApply(int count)
{
    CProject project;
    project.NewProject(count * 3 / 510 + 1);
    CLibraryProfile* profile = MakePixelProfile().release();
    project.m_library << profile;
    const QList<CPatchedFixture*> fixtures = PatchSelected(project, profile, count, 3, QStringLiteral("F"));
    auto* scene = new CScene(QStringLiteral("Wave"), project.UniverseCount());
    project.m_firstPage->m_scenes << scene;
    auto* effect = new CTrichroEffect(200);
    effect->m_trichroType = CTrichroEffect::Wave;
    effect->m_intensity = 80;
    project.BindEffectToSelection(effect, false, false);
    project.m_effectEngine.SetEffect(effect);
    const long heapBefore = g_heapCalls.load();
    const auto start = std::chrono::steady_clock::now();
    project.ApplyEffect(scene, false, -1, -1, -1);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    long entries = 0;
    for (const CSceneStep* step : scene->m_steps)
        entries += step->EntryCount();
    std::printf("%-22s %5d fixtures %6d %8ld %11s %11.1f %10ld\n", "apply sequence wave", count,
                int(scene->m_steps.size()), entries, "", ms, g_heapCalls.load() - heapBefore);
    std::fflush(stdout);
}

// Five curve rows of 200 steps over `count` one-channel dimmers, applied
// one after another into one plain scene: the time of each.
void RunRows(int count)
{
    CProject project;
    project.NewProject(count / 512 + 1);
    auto* profile = new CLibraryProfile;
    AddChannel(*profile, ChannelType::Dimmer);
    profile->UpdateRoles();
    project.m_library << profile;
    const QList<CPatchedFixture*> fixtures = PatchSelected(project, profile, count, 1, QStringLiteral("D"));
    auto* scene = new CScene(QStringLiteral("Rows"), project.UniverseCount());
    project.m_firstPage->m_scenes << scene;
    const std::vector<CPatchedFixture*> driven(fixtures.begin(), fixtures.end());
    std::printf("%-22s %5d dimmers ", "curve rows, ms each", count);
    for (int row = 0; row < 5; ++row) {
        // 200 points of 40 ms: a step each.
        CEffect* curve = DimmerSine(driven);
        static_cast<CCurveEffect*>(curve)->m_len = 8000;
        static_cast<CCurveEffect*>(curve)->m_pointTime = 40.0f;
        project.m_effectEngine.SetEffect(curve);
        const auto start = std::chrono::steady_clock::now();
        project.ApplyEffect(scene, false, -1, -1, -1);
        std::printf(" %9.1f", std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                                  .count());
        std::fflush(stdout);
    }
    long entries = 0;
    for (const CSceneStep* step : scene->m_steps)
        entries += step->EntryCount();
    std::printf("   (%d steps, %ld entries)\n", int(scene->m_steps.size()), entries);
}

} // namespace

int main(int argc, char** argv)
{
    // Text rendering needs a GUI application, never a screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    CEffectRandom::PinSeed(kSeed);
    const bool applyOnly = app.arguments().contains(QStringLiteral("--apply"));
    if (app.arguments().contains(QStringLiteral("--rows"))) {
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(0);
        RunRows(1024);
        return 0;
    }
    // The captions of the progress text a long apply shows.
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);

    QTemporaryDir dir;
    const QString gifFile = dir.filePath(QStringLiteral("bands.gif"));
    QFile gif(gifFile);
    if (!dir.isValid() || !gif.open(QIODevice::WriteOnly) || gif.write(MakeGif(80, 60, 16)) < 0) {
        std::fprintf(stderr, "cannot write the test picture %s\n", qPrintable(gifFile));
        return 1;
    }
    gif.close();
    const QList<QImage> clip = MakeClip();

    const std::unique_ptr<CLibraryProfile> par = MakeParProfile();
    const std::unique_ptr<CLibraryProfile> head = MakeMovingHeadProfile();
    const std::unique_ptr<CLibraryProfile> pixel = MakePixelProfile();
    Rig rig;

    std::printf("%-22s %-14s %6s %8s %11s %11s %10s\n", "effect", "rig", "steps", "records", "bytes", "median ms",
                "heap calls");

    const struct
    {
        int kind;
        const char* name;
    } sequences[] = {{CTrichroEffect::Rainbow, "sequence rainbow"}, {CTrichroEffect::Wave, "sequence wave"},
                     {CTrichroEffect::HalfWave, "sequence half wave"}, {CTrichroEffect::Random, "sequence random"},
                     {CTrichroEffect::Wagons, "sequence wagons"}};
    for (int count : applyOnly ? std::vector<int>() : std::vector<int>{8, 64, 512, 4096}) {
        const std::vector<CPatchedFixture*> pars = rig.Patch(par.get(), count);
        const std::vector<CPatchedFixture*> heads = rig.Patch(head.get(), count);
        const std::unique_ptr<CEffect> gradient(SpatialGradient(pars));
        Run("gradient", FixtureRig(count), *gradient);
        for (const auto& sequence : sequences) {
            const std::unique_ptr<CEffect> effect(ColorSequence(sequence.kind, pars));
            Run(sequence.name, FixtureRig(count), *effect);
        }
        const std::unique_ptr<CEffect> curve(DimmerSine(pars));
        Run("curve sine dimmer", FixtureRig(count), *curve);
        const std::unique_ptr<CEffect> panTilt(PanTiltCircle(heads));
        Run("pan/tilt circle", FixtureRig(count), *panTilt);
    }

    const struct
    {
        int kind;
        const char* name;
    } patterns[] = {{CMatrixAnimEffect::Circle, "matrix circle"},
                    {CMatrixAnimEffect::Square, "matrix square"},
                    {CMatrixAnimEffect::Rain, "matrix rain"},
                    {CMatrixAnimEffect::Butterfly, "matrix butterfly"},
                    {CMatrixAnimEffect::Lines, "matrix lines"},
                    {CMatrixAnimEffect::Rainbow, "matrix rainbow"},
                    {CMatrixAnimEffect::Wave, "matrix wave"},
                    {CMatrixAnimEffect::PulseWave, "matrix pulse wave"}};
    for (int side : applyOnly ? std::vector<int>() : std::vector<int>{8, 32, 64}) {
        CFixtureMatrix* matrix = rig.Matrix(pixel.get(), side, side);
        for (const auto& pattern : patterns) {
            const std::unique_ptr<CEffect> effect(MatrixPattern(pattern.kind, matrix));
            Run(pattern.name, MatrixRig(side), *effect);
        }
        const std::unique_ptr<CEffect> animated(MatrixGif(gifFile, matrix));
        Run("matrix gif 16 frames", MatrixRig(side), *animated);
        const std::unique_ptr<CEffect> media(MatrixClip(clip, matrix));
        Run("matrix clip 50 frames", MatrixRig(side), *media);
        const std::unique_ptr<CEffect> text(ScrollingText(matrix));
        Run("matrix text scroll", MatrixRig(side), *text);
    }
    std::printf("\n%-22s %-14s %6s %8s %11s %11s %10s\n", "applied to a scene", "rig", "steps", "entries", "",
                "ms", "heap calls");
    for (int count : {500, 2000})
        RunApply(count);
    CEffectRandom::UnpinSeed();
    return 0;
}
