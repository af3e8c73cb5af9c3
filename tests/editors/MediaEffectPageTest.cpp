#include "TestRegistry.h"

#include "ColorPageRig.h"
#include "EffectPageRig.h"
#include "MediaFiles.h"
#include "PictureFiles.h"
#include "editors/MediaEffectWnd.h"
#include "editors/ModalRun.h"
#include "editors/PictureViewer.h"
#include "effects/MatrixMediaEffect.h"
#include "media/VideoPlayer.h"
#include "Captions.h"
#include "model/Language.h"
#include "widgets/FileFilters.h"
#include "widgets/REDOvoroz.h"
#include "widgets/SliderCtrl.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Warnings(const CRecordingHost& host)
{
    return host.calls.filter(QStringLiteral("ShowInformation:")).join(QLatin1Char('|'));
}

// Which media widget the page shows, "none" without one.
QString MediaWidget(const CMediaEffectWnd& page)
{
    if (page.PictureViewer())
        return QStringLiteral("viewer");
    if (page.AnimationLabel())
        return QStringLiteral("animation");
    return page.VideoPlayer() ? QStringLiteral("player") : QStringLiteral("none");
}

} // namespace

class MediaEffectPageTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Made once per run: "name.png" a picture, "name.gif" a one-frame
    // animation, ".mp4" a 2 s video, "broken.*" and "huge.bmp" hostile files.
    QString File(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        if (QFile::exists(path) || name.startsWith(QLatin1String("missing")))
            return path;
        const QString suffix = QFileInfo(name).suffix().toLower();
        if (name.startsWith(QLatin1String("broken")))
            WriteTestFile(path, QByteArray("not a media file").repeated(40));
        else if (name == QLatin1String("huge.bmp"))
            WriteTestFile(path, HugeBmp());
        else if (suffix == QLatin1String("png"))
            QImage(8, 4, QImage::Format_RGB32).save(path);
        else if (suffix == QLatin1String("gif"))
            WriteTestFile(path, TinyGif());
        else
            EncodeVideo(path, VideoRecipe());
        return path;
    }

    static std::unique_ptr<CMediaEffectWnd> Page(CColorPageRig& rig, CFixtureMatrix* matrix, const QString& file,
                                                 bool effectScene = false, int stepTime = 120)
    {
        CMatrixMediaEffect effect(matrix, stepTime);
        effect.m_file = file;
        return std::make_unique<CMediaEffectWnd>(rig.project, &effect, rig.Engine(), matrix, &rig.time,
                                                 effectScene);
    }

    // Plays until a frame shows, then pauses when asked.
    static bool FirstFrame(CMediaEffectWnd& page, bool pause)
    {
        page.Play();
        if (!QTest::qWaitFor([&] { return !page.VideoPlayer()->CurrentFrame().isNull(); }, 5000))
            return false;
        if (pause)
            page.Play();
        return true;
    }

private slots:
    void videoSuffixes_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("video");
        for (const char* suffix : {"mp4", "MP4", "Mkv", "mpeg"})
            QTest::newRow(suffix) << suffix << true;
        for (const char* suffix : {"gif", "jpeg", "", "mp"})
            QTest::newRow(suffix) << suffix << false;
    }
    void videoSuffixes()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, video);
        QCOMPARE(IsVideoFileSuffix(suffix.toLower()), video);
        QCOMPARE(VideoFileFilter().split(' ').contains("*." + suffix.toLower()), video);
    }

    void kinds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("widget");
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("recordable");
        QTest::addColumn<bool>("warned");
        QTest::newRow("new effect") << "" << 0 << "viewer" << 0 << false << false;
        QTest::newRow("png") << "still.png" << 0 << "viewer" << 1 << false << false;
        QTest::newRow("missing jpeg") << "missing.jpeg" << 0 << "viewer" << 0 << false << true;
        QTest::newRow("oversized bmp") << "huge.bmp" << 0 << "viewer" << 0 << false << true;
        QTest::newRow("gif") << "moving.gif" << 1 << "animation" << 1 << false << false;
        QTest::newRow("unreadable gif") << "broken.gif" << 1 << "animation" << 0 << false << true;
        QTest::newRow("MP4 in capitals") << "CLIP.MP4" << 2 << "player" << 0 << true << false;
        QTest::newRow("unopenable mp4") << "broken.mp4" << 2 << "none" << 0 << false << true;
    }
    void kinds()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, widget);
        QFETCH(int, steps);
        QFETCH(bool, recordable);
        QFETCH(bool, warned);
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 4);
        auto page = Page(rig, matrix, name.isEmpty() ? QString() : File(name));
        QCOMPARE(page->Effect()->m_mediaType, kind);
        QCOMPARE(MediaWidget(*page), widget);
        QCOMPARE(rig.Engine()->m_stepCount, steps);
        QCOMPARE(!Warnings(rig.host).isEmpty(), warned);
        QCOMPARE(page->RecordAction()->isVisible(), recordable);
        QVERIFY(!page->Effect()->m_flag);
        page->Record();
        QCOMPARE(page->IsRecording(), recordable);
        QCOMPARE(page->RecordAction()->isChecked(), recordable);
        page->Stop();
        QVERIFY(!page->IsRecording() && !page->IsPlaying());
    }

    // A video in an effect scene is refused, at opening or from the dialog,
    // and takes what the page showed before with it.
    void videoRefusedInEffectScene_data()
    {
        QTest::addColumn<bool>("fromDialog");
        QTest::newRow("at opening") << false;
        QTest::newRow("from the dialog") << true;
    }
    void videoRefusedInEffectScene()
    {
        QFETCH(bool, fromDialog);
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 4);
        auto page = Page(rig, matrix, fromDialog ? File("before.png") : File("clip.mp4"), true);
        if (fromDialog) {
            QCOMPARE(rig.Engine()->m_stepCount, 1);
            SetOpenFileRunner([this](QWidget*, const QString&, const QString&) { return File("clip.mp4"); });
            page->Open();
            SetOpenFileRunner(nullptr);
        }
        QCOMPARE(Warnings(rig.host), "ShowInformation:" + GetLangText(Txt::Warning) + ":"
                                         + GetLangText(Txt::MediaScenesButtonsOnly));
        QVERIFY(page->Effect()->m_file.isEmpty());
        QCOMPARE(MediaWidget(*page), QStringLiteral("none"));
        QCOMPARE(QList<int>({page->Effect()->m_len, rig.time.Time()}), QList<int>({0, 0}));
    }

    void cancelledDialogChangesNothing()
    {
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4), File("kept.png"));
        QString filter;
        SetOpenFileRunner([&filter](QWidget*, const QString&, const QString& offered) {
            filter = offered;
            return QString();
        });
        page->Open();
        SetOpenFileRunner(nullptr);
        QVERIFY(filter.contains("*.gif") && filter.contains("*.mp4"));
        QCOMPARE(page->PictureViewer()->File(), File("kept.png"));
        QVERIFY(!page->Effect()->m_flag);
    }

    // Frames are taken every 40 ms of tick time; the end of a recording
    // sets 40 ms steps and regenerates them.
    void recording_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("decoded");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("stoppedItself");
        QTest::newRow("paused at speed 3") << 3 << true << 5 << 5 << false;
        QTest::newRow("stops itself at 750") << 5 << true << 760 << 750 << true;
        QTest::newRow("nothing decoded yet") << 3 << false << 3 << 0 << false;
    }
    void recording()
    {
        QFETCH(int, speed);
        QFETCH(bool, decoded);
        QFETCH(int, ticks);
        QFETCH(int, frames);
        QFETCH(bool, stoppedItself);
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4), File("record.mp4"), false, (11 - speed) * 40);
        QCOMPARE(page->SpeedCtrl()->Value(), speed);
        if (decoded)
            QVERIFY(FirstFrame(*page, true));
        page->Record();
        QVERIFY(page->IsRecording());
        QCOMPARE(page->IsPaused(), decoded);
        const QSize scale(page->Effect()->m_frameWidth, page->Effect()->m_frameHeight);
        QCOMPARE(scale, QSize(100, 75));
        for (int i = 0; i < ticks && page->IsRecording(); ++i)
            page->Tick(CMediaEffectWnd::kFrameInterval);
        QCOMPARE(!page->IsRecording(), stoppedItself);
        page->Stop();
        QCOMPARE(page->Effect()->m_frames.size(), frames);
        QCOMPARE(rig.Engine()->m_stepCount, frames);
        QCOMPARE(QList<int>({page->SpeedCtrl()->Value(), page->Effect()->m_fade}), QList<int>({10, 40}));
        QVERIFY(!page->RecordAction()->isChecked() && !page->StopAction()->isEnabled());
        QVERIFY(!page->VideoSlider()->isEnabled() && !page->IsPlaying());
        QVERIFY(page->Effect()->m_flag);
    }

    // Effect fields read from a file and values typed stay in range.
    void valuesBounded_data()
    {
        QTest::addColumn<int>("stepTime");
        QTest::addColumn<int>("intensity");
        QTest::addColumn<int>("saturation");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("in range") << 120 << 50 << 30 << QList<int>({8, 50, 30});
        QTest::newRow("too small") << 0 << -5 << -1 << QList<int>({10, 10, 0});
        QTest::newRow("too large") << 100000 << 900 << 101 << QList<int>({1, 100, 100});
    }
    void valuesBounded()
    {
        QFETCH(int, stepTime);
        QFETCH(int, intensity);
        QFETCH(int, saturation);
        QFETCH(QList<int>, shown);
        CColorPageRig rig;
        CFixtureMatrix* matrix = rig.AddMatrix(4, 4);
        CMatrixMediaEffect effect(matrix, stepTime);
        effect.m_intensity = intensity;
        effect.m_saturation = saturation;
        effect.m_mediaType = 9;
        CMediaEffectWnd page(rig.project, &effect, rig.Engine(), matrix, &rig.time, false);
        QCOMPARE(QList<int>({page.SpeedCtrl()->Value(), page.IntensityCtrl()->Value(), page.SaturationCtrl()->Value()}),
                 shown);
        QCOMPARE(page.Effect()->m_mediaType, 0);
        page.OnSpeedValueChanged(stepTime);
        page.OnIntensityChanged(intensity);
        page.OnSaturationChanged(saturation);
        const CMatrixMediaEffect* edited = page.Effect();
        QVERIFY(edited->m_fade >= 40 && edited->m_fade <= 400);
        QVERIFY(edited->m_intensity >= 10 && edited->m_intensity <= 100);
        QVERIFY(edited->m_saturation >= 0 && edited->m_saturation <= 100);
    }

    // The page goes while recording; the engine's effect may be gone before it.
    void endWhileRecording_data()
    {
        QTest::addColumn<bool>("effectsWindow");
        QTest::newRow("cancel of the effects window") << true;
        QTest::newRow("effect deleted before the page") << false;
    }
    void endWhileRecording()
    {
        QFETCH(bool, effectsWindow);
        if (effectsWindow) {
            CEffectsRig rig;
            auto* matrix = new CFixtureMatrix(rig.RgbProfile(), 1, 4, 4, 0);
            matrix->AddMember(rig.rgb, QRect(0, 0, 20, 20));
            rig.rgb->m_matrixId = 1;
            rig.project.m_generalGroup->m_matrices << matrix;
            rig.project.m_currentGroup->m_selectedMatrices = {matrix};
            rig.Select({rig.rgb});
            rig.window->EditEffect(rig.Scene(0), EffectType::MatrixMedia, false);
            auto* page = qobject_cast<CMediaEffectWnd*>(rig.window->Page());
            QVERIFY(page);
            page->Effect()->m_file = File("cancel.mp4");
            page->LoadMedia();
            QVERIFY(FirstFrame(*page, false));
            page->Record();
            page->Tick(40);
            rig.window->OnCancel();
            QVERIFY(!rig.window->Page() && !rig.project.m_effectEngine.Effect());
            QVERIFY(rig.Scene(0)->m_steps.isEmpty());
            return;
        }
        CColorPageRig rig;
        auto page = Page(rig, rig.AddMatrix(4, 4), File("gone.mp4"));
        QVERIFY(FirstFrame(*page, false));
        page->Record();
        rig.Engine()->Clear(true);
        page.reset();
        QVERIFY(!rig.Engine()->Effect());
    }

    void pictureFitsItsAspect_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("drawn");
        QTest::newRow("wider") << QSize(200, 50) << QRect(0, 37, 100, 25);
        QTest::newRow("taller") << QSize(50, 200) << QRect(37, 0, 25, 100);
        QTest::newRow("same aspect") << QSize(10, 10) << QRect(0, 0, 100, 100);
        QTest::newRow("empty") << QSize(0, 10) << QRect();
    }
    void pictureFitsItsAspect()
    {
        QFETCH(QSize, picture);
        QFETCH(QRect, drawn);
        QCOMPARE(CPictureViewer::FittedRect(picture, QRect(0, 0, 100, 100)), drawn);
    }
};

ORVANE_TEST(MediaEffectPageTest)
#include "MediaEffectPageTest.moc"
