#include "TestRegistry.h"

#include "../show/PlaybackRig.h"
#include "editors/MatrixPreviewWnd.h"
#include "effects/EffectEngine.h"

#include <QPixmap>
#include <QtTest>

using namespace ProfileBuilder;

namespace {

// Engine buffers as a generator leaves them: `steps` steps, and per record
// the fixture, the beam and the "r,g,b" of each step.
void Fill(CEffectEngine& engine, int steps, const QList<CColorStepRecord>& records)
{
    engine.m_stepCount = steps;
    engine.m_colorRecords = records.toVector();
}

CColorStepRecord Record(CPatchedFixture* fixture, int beam, const QList<QList<int>>& colors)
{
    CColorStepRecord record;
    record.m_fixture = fixture;
    record.m_beam = beam;
    for (const QList<int>& rgb : colors) {
        record.m_outRed.append(char(rgb[0]));
        record.m_outGreen.append(char(rgb[1]));
        record.m_outBlue.append(char(rgb[2]));
        record.m_outWhite.append(char(0));
    }
    return record;
}

QString Position(const CTrichroPreviewWnd& preview)
{
    return QStringLiteral("%1/%2/%3").arg(preview.GetPlayStep()).arg(preview.NextStep()).arg(preview.GetPlayTime());
}

// Runs "start", "restart", "stop", "tick <ms>", "at <step> <ms>", "steps <n>".
void Run(CTrichroPreviewWnd& preview, CEffectEngine& engine, const QString& script)
{
    for (const QString& command : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList words = command.split(' ', Qt::SkipEmptyParts);
        if (words[0] == "start" || words[0] == "restart")
            preview.Start(words[0] == "restart");
        else if (words[0] == "stop")
            preview.Stop();
        else if (words[0] == "tick")
            preview.Tick(false, words[1].toInt());
        else if (words[0] == "at")
            preview.SetPlayPosition(words[1].toInt(), words[2].toInt());
        else if (words[0] == "steps")
            engine.m_stepCount = words[1].toInt();
    }
}

QList<int> Edited(const CPlaybackRig& rig, int slot, int count)
{
    QList<int> levels;
    for (int s = slot; s < slot + count; ++s)
        levels << (rig.project.m_editMask[0][s] ? int(rig.project.m_edit[0][s]) : -1);
    return levels;
}

} // namespace

class EffectPreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void position_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("stepTime");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("position");
        QTest::newRow("no steps: running, nothing moves") << 0 << 40 << "start;tick 100" << "0/0/0";
        QTest::newRow("one step blends into itself") << 1 << 40 << "start;tick 25" << "0/0/25";
        QTest::newRow("a long tick advances one step") << 4 << 40 << "start;tick 100" << "1/2/0";
        QTest::newRow("step time 0 counts as 1 ms") << 3 << 0 << "start;tick 25;tick 25" << "2/0/0";
        QTest::newRow("position past the steps ignored") << 3 << 40 << "start;at 3 10;at -1 10" << "0/1/0";
        QTest::newRow("position inside taken") << 3 << 40 << "at 2 10" << "2/0/10";
        QTest::newRow("stopped: ticks do nothing") << 3 << 40 << "start;tick 20;stop;tick 40" << "0/1/20";
        QTest::newRow("start resumes") << 3 << 40 << "at 2 10;start;tick 5" << "2/0/15";
        QTest::newRow("restart from the first step") << 3 << 40 << "at 2 10;restart" << "0/1/0";
        QTest::newRow("fewer steps after regeneration") << 3 << 40 << "at 2 10;steps 2;start" << "0/1/0";
        QTest::newRow("shrunk while running") << 3 << 40 << "start;at 2 0;steps 1;tick 10" << "0/0/10";
    }
    void position()
    {
        QFETCH(int, steps);
        QFETCH(int, stepTime);
        QFETCH(QString, script);
        QFETCH(QString, position);
        CPlaybackRig rig;
        Fill(rig.project.m_effectEngine, steps, {});
        CTrichroPreviewWnd preview(rig.project);
        preview.SetStepTime(stepTime);
        Run(preview, rig.project.m_effectEngine, script);
        QCOMPARE(Position(preview), position);
    }

    // Half-way from (200, 100, 50) to (0, 0, 250); only while levels are
    // sent, and in the matrix only on selected beams.
    void levelsToFixtures_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("matrix");
        QTest::addColumn<bool>("send");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<int>("beam");
        QTest::addColumn<QList<int>>("levels");
        QTest::newRow("rgb") << "rgb" << false << true << true << 0 << QList<int>({100, 50, 150});
        QTest::newRow("cmy complemented") << "cmy" << false << true << true << 0 << QList<int>({155, 205, 105});
        QTest::newRow("dimmer takes the mean") << "dimmer" << false << true << true << 0 << QList<int>({100, -1, -1});
        QTest::newRow("option off") << "rgb" << false << false << true << 0 << QList<int>({-1, -1, -1});
        QTest::newRow("no beam") << "rgb" << false << true << true << -1 << QList<int>({-1, -1, -1});
        QTest::newRow("beam without colour set") << "rgb" << false << true << true << 3 << QList<int>({-1, -1, -1});
        QTest::newRow("matrix, selected") << "rgb" << true << true << true << 0 << QList<int>({100, 50, 150});
        QTest::newRow("matrix, not selected") << "rgb" << true << true << false << 0 << QList<int>({-1, -1, -1});
    }
    void levelsToFixtures()
    {
        QFETCH(QString, profile);
        QFETCH(bool, matrix);
        QFETCH(bool, send);
        QFETCH(bool, selected);
        QFETCH(int, beam);
        QFETCH(QList<int>, levels);
        CPlaybackRig rig;
        CLibraryProfile* library = profile == "rgb" ? rig.RgbProfile() : profile == "cmy" ? rig.CmyProfile() : nullptr;
        if (!library) {
            library = new CLibraryProfile;
            AddDimmer(*library);
            library->UpdateRoles();
            rig.project.m_library << library;
        }
        CPatchedFixture* fixture = rig.Patch(library, 0, 10);
        for (bool& flag : fixture->BeamFlags())
            flag = selected;
        CEffectEngine& engine = rig.project.m_effectEngine;
        Fill(engine, 2, {Record(fixture, beam, {{200, 100, 50}, {0, 0, 250}})});
        engine.m_rows = engine.m_cols = 1;
        std::unique_ptr<CTrichroPreviewWnd> preview(matrix ? new CMatrixPreviewWnd(rig.project)
                                                           : new CTrichroPreviewWnd(rig.project));
        preview->resize(40, 20);
        preview->UpdateGeometry();
        preview->Start(false);
        preview->Tick(send, 20);
        QCOMPARE(Edited(rig, 10, 3), levels);
        const QColor drawn = preview->Picture()->toImage().pixelColor(0, 0);
        QCOMPARE(QList<int>({drawn.red(), drawn.green(), drawn.blue()}), QList<int>({100, 50, 150}));
    }

    // Records short of the steps or of the grid are drawn black or skipped.
    void recordsShortOfTheGrid()
    {
        CPlaybackRig rig;
        CEffectEngine& engine = rig.project.m_effectEngine;
        Fill(engine, 3, {Record(nullptr, 0, {{90, 90, 90}})});
        engine.m_rows = 2;
        engine.m_cols = 2;
        CMatrixPreviewWnd preview(rig.project);
        preview.resize(8, 8);
        preview.UpdateGeometry();
        preview.Start(false);
        preview.Tick(true, 0);
        const QImage image = preview.Picture()->toImage();
        QCOMPARE(image.pixelColor(0, 0), QColor(90, 90, 90));
        QCOMPARE(image.pixelColor(4, 4), QColor(60, 60, 60));
        preview.Tick(true, 40);
        QCOMPARE(preview.Picture()->toImage().pixelColor(0, 0), QColor(0, 0, 0));
    }

    void geometry_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("width");
        QTest::addColumn<QRect>("area");
        QTest::newRow("centred") << 3 << 100 << QRect(20, 0, 60, 20);
        QTest::newRow("narrow keeps 4 px cells") << 10 << 20 << QRect(-10, 8, 40, 4);
        QTest::newRow("no cells: whole widget") << 0 << 30 << QRect(0, 0, 30, 20);
    }
    void geometry()
    {
        QFETCH(int, records);
        QFETCH(int, width);
        QFETCH(QRect, area);
        CPlaybackRig rig;
        Fill(rig.project.m_effectEngine, 1, QVector<CColorStepRecord>(records).toList());
        CTrichroPreviewWnd preview(rig.project);
        preview.setMinimumWidth(0);
        preview.resize(width, 20);
        preview.UpdateGeometry();
        QCOMPARE(preview.CellArea(), area);
        QCOMPARE(preview.Picture()->toImage().pixelColor(0, 0), QColor(60, 60, 60));
        preview.Refresh();
        QCOMPARE(preview.isHidden(), records == 0);
    }
};

ORVANE_TEST(EffectPreviewTest)
#include "EffectPreviewTest.moc"
