#include "TestRegistry.h"

#include "Fetched.h"
#include "FixedCtrlRig.h"
#include "model/ColorMath.h"
#include "panels/ColorCircleCtrl.h"
#include "panels/ColorPresetCtrl.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QAction>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {

struct CColorRig : CFixedCtrlRig
{
    explicit CColorRig(bool white = true, bool master = false, bool cmy = false)
        : ctrl(new CColorPresetCtrl(master ? CPresetsWnd::MasterColorId : CPresetsWnd::ColorId, cmy, white,
                                    master, &wnd))
    {
    }
    QList<int> Modes() const
    {
        QList<int> modes;
        for (int i = 0; i < 4; ++i)
            modes << ctrl->ModeSwitch(i)->State();
        return modes;
    }
    QList<int> Wheel() const
    {
        quint8 r, g, b, w;
        ctrl->GetColor(r, g, b, w);
        return {r, g, b, w};
    }
    std::unique_ptr<CColorPresetCtrl> ctrl;
};

QString g_chosen;

} // namespace

class ColorPresetCtrlTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { CColorPresetCtrl::SetImageChooser(nullptr); }

    void faderWithToolArmedOnlyColoursTheTool()
    {
        CColorRig rig;
        QSignalSpy spy(rig.ctrl.get(), &CColorPresetCtrl::colorChanged);
        rig.ctrl->OnPenMode();
        QCOMPARE(rig.view.ToolMode(), 1);
        emit rig.ctrl->Fader(0)->sliderMoved(100);
        QCOMPARE(rig.view.ToolColor(), QColor(100, 255, 255));
        QCOMPARE(spy.count(), 0);
        rig.ctrl->OnPenMode();
        QCOMPARE(rig.view.ToolMode(), 0);
        emit rig.ctrl->Fader(1)->sliderMoved(20);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(1).value<uchar>(), uchar(20));
    }

    // The faders of a CMY control show cyan, magenta and yellow.
    void componentFaders_data()
    {
        QTest::addColumn<bool>("cmy");
        QTest::addColumn<QList<int>>("sent");
        QTest::newRow("rgb") << false << QList<int>{200, 0, 0};
        QTest::newRow("cmy: the complement") << true << QList<int>{55, 255, 255};
    }
    void componentFaders()
    {
        QFETCH(bool, cmy);
        CColorRig rig(false, false, cmy);
        rig.ctrl->SetColor(cmy ? 255 : 0, cmy ? 255 : 0, cmy ? 255 : 0, 0, true);
        QSignalSpy spy(rig.ctrl.get(), &CColorPresetCtrl::colorChanged);
        emit rig.ctrl->Fader(0)->sliderMoved(200);
        QVERIFY(!spy.isEmpty());
        QList<int> sent;
        for (int i = 0; i < 3; ++i)
            sent << spy.last().at(i).value<uchar>();
        QTEST(sent, "sent");
    }

    void colourChoiceSetsSwitchesButFx()
    {
        CColorRig rig;
        rig.ctrl->MarkEffectChannel(27);
        QCOMPARE(rig.ctrl->ModeSwitch(-1)->State(), int(PresetModeMixed));
        QSignalSpy spy(rig.ctrl.get(), &CColorPresetCtrl::colorChanged);
        rig.ctrl->FixedAction(6)->trigger();
        const int target = rig.project.EditTarget();
        QCOMPARE(rig.Modes(), (QList<int>{target, target, PresetModeFx, target}));
        // The blue effect holds blue at 0 whatever the wheel is given.
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(2).value<uchar>(), uchar(0));
        QVERIFY(!rig.ctrl->Fader(2)->isEnabled());
        QVERIFY(!rig.ctrl->Wheel()->isEnabled());

        rig.ctrl->SetModes(1, 1, 1, 1, true);
        QVERIFY(rig.ctrl->Fader(2)->isEnabled());
        QVERIFY(rig.ctrl->Wheel()->isEnabled());
        rig.ctrl->FixedAction(6)->trigger();
        QCOMPARE(spy.last().at(2).value<uchar>(), uchar(255));
    }

    void modeSwitches_data()
    {
        QTest::addColumn<bool>("white");
        QTest::addColumn<int>("component");
        QTest::addColumn<int>("trichro");
        QTest::newRow("one of three on") << false << 0 << int(PresetModeMixed);
        QTest::newRow("white ignored without it") << false << 3 << int(PresetModeOff);
        QTest::newRow("white counts with it") << true << 3 << int(PresetModeMixed);
    }
    void modeSwitches()
    {
        QFETCH(int, component);
        CColorRig rig(FETCHED(bool, white));
        QSignalSpy spy(rig.ctrl.get(), &CColorPresetCtrl::modeChanged);
        rig.ctrl->ModeSwitch(component)->SetState(PresetModeOn);
        emit rig.ctrl->ModeSwitch(component)->modeChanged(true);
        QCOMPARE(rig.ctrl->ModeSwitch(-1)->State(), FETCHED(int, trichro));
        QCOMPARE(spy.last().at(0).toInt(), component);
        emit rig.ctrl->ModeSwitch(-1)->modeChanged(false);
        QCOMPARE(rig.ctrl->ModeSwitch(0)->State(), int(PresetModeOff));
        QCOMPARE(spy.last().at(0).toInt(), -1);
    }

    void whiteWidgetsStayHiddenWithoutWhite()
    {
        CColorRig rig(false);
        for (int size : {CPresetCtrl::SizeBig, CPresetCtrl::SizeSmall}) {
            for (int mode : {CPresetCtrl::DisplayCursor, CPresetCtrl::DisplayPreset, CPresetCtrl::DisplayDefault}) {
                rig.ctrl->SetSize(size, false);
                rig.ctrl->SetDisplayMode(mode, size == CPresetCtrl::SizeBig);
                QVERIFY(!rig.ctrl->Fader(3)->isVisibleTo(rig.ctrl.get()));
                QVERIFY(!rig.ctrl->ModeSwitch(3)->isVisibleTo(rig.ctrl.get()));
                QVERIFY(!rig.ctrl->AutoWhiteBox()->isVisibleTo(rig.ctrl.get()));
            }
        }
        rig.ctrl->MarkEffectChannel(31);
        QCOMPARE(rig.ctrl->ModeSwitch(3)->State(), int(PresetModeOff));
    }

    void displayModeSizes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("big");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("savedShown");
        QTest::newRow("cursor big") << 0 << true << QSize(154, 328) << 0;
        QTest::newRow("preset small") << 1 << false << QSize(196, 164) << 3;
        QTest::newRow("default big") << 2 << true << QSize(356, 328) << 6;
    }
    void displayModeSizes()
    {
        QFETCH(bool, big);
        CColorRig rig;
        rig.ctrl->SetDisplayMode(FETCHED(int, mode), big);
        rig.ctrl->SetSize(big ? CPresetCtrl::SizeBig : CPresetCtrl::SizeSmall, false);
        QCOMPARE(rig.ctrl->size(), FETCHED(QSize, size));
        int shown = 0;
        for (int i = 0; i < CColorPresetCtrl::kSavedShown; ++i)
            shown += rig.ctrl->SavedAction(i)->isVisible();
        QCOMPARE(shown, FETCHED(int, savedShown));
    }

    void autoWhiteFollowsTheBox()
    {
        CColorRig rig;
        rig.ctrl->AutoWhiteBox()->setChecked(true);
        QVERIFY(rig.options.m_bWhiteAuto);
        QVERIFY(!rig.ctrl->Fader(3)->isEnabled());
        rig.ctrl->FixedAction(6)->trigger();
        QCOMPARE(rig.Wheel()[3], GetWhiteLevel(255, 255, 255, 1));
    }

    void pickReturnsToPreviousTool_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("after the line") << 2 << 2;
        QTest::newRow("without a tool") << 0 << 0;
    }
    void pickReturnsToPreviousTool()
    {
        QFETCH(int, before);
        CColorRig rig;
        if (before == 2)
            rig.ctrl->OnLineMode();
        QSignalSpy spy(rig.ctrl.get(), &CColorPresetCtrl::colorChanged);
        rig.ctrl->OnPickMode();
        QCOMPARE(rig.view.ToolMode(), 5);
        rig.view.SetTool(5, QColor(10, 20, 30), 0);
        emit rig.view.colorPicked();
        QCOMPARE(rig.ctrl->CurrentTool(), FETCHED(int, after));
        QCOMPARE(rig.view.ToolMode(), rig.ctrl->CurrentTool());
        QCOMPARE(rig.Wheel().mid(0, 3), (QList<int>{10, 20, 30}));
        QCOMPARE(spy.count(), 0);
        QVERIFY(!rig.ctrl->ToolButton(5)->isChecked());
    }

    void viewEndsToolAfterOneUse()
    {
        CColorRig rig;
        rig.ctrl->ToolButton(3)->setChecked(true);
        rig.ctrl->OnRectMode();
        // A press beside every matrix.
        rig.view.PenAt(QPoint(-500, -500), true);
        QCOMPARE(rig.ctrl->CurrentTool(), 0);
        QCOMPARE(rig.view.ToolMode(), 0);
        QVERIFY(!rig.ctrl->ToolButton(3)->isChecked());
    }

    void droppedControlDisarmsTheView()
    {
        CColorRig rig;
        rig.ctrl->OnFillMode();
        rig.ctrl.reset();
        QCOMPARE(rig.view.ToolMode(), 0);
        rig.view.SetTool(1, Qt::red, 0);
        emit rig.view.colorPicked();
        rig.view.PenAt(QPoint(-500, -500), true);
        QCOMPARE(rig.view.ToolMode(), 0);
    }

    void masterHasNoTools()
    {
        CColorRig rig(true, true);
        QVERIFY(!rig.ctrl->ToolsBox());
        rig.ctrl->OnPenMode();
        rig.ctrl->SetTool(2);
        rig.ctrl->OnImport();
        QCOMPARE(rig.ctrl->CurrentTool(), 0);
        QCOMPARE(rig.view.ToolMode(), 0);
    }

    void importColoursTheSelectedMatrix_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QList<int>>("levels");
        QTest::newRow("cancelled") << QString() << true << 0 << QList<int>{0, 0, 0, 0, 0, 0};
        QTest::newRow("picture") << QStringLiteral("bands.png") << true << 0 << QList<int>{255, 0, 0, 0, 0, 255};
        QTest::newRow("no matrix selected") << QStringLiteral("bands.png") << false << 0
                                            << QList<int>{0, 0, 0, 0, 0, 0};
        QTest::newRow("not a picture") << QStringLiteral("junk.png") << true << 1 << QList<int>{0, 0, 0, 0, 0, 0};
        QTest::newRow("missing") << QStringLiteral("missing.png") << true << 1 << QList<int>{0, 0, 0, 0, 0, 0};
    }
    void importColoursTheSelectedMatrix()
    {
        QTemporaryDir dir;
        QImage bands(4, 2, QImage::Format_RGB32);
        for (int x = 0; x < 4; ++x) {
            for (int y = 0; y < 2; ++y)
                bands.setPixelColor(x, y, x < 2 ? Qt::red : Qt::blue);
        }
        QVERIFY(bands.save(dir.filePath(QStringLiteral("bands.png"))));
        QFile junk(dir.filePath(QStringLiteral("junk.png")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a picture") > 0);
        junk.close();

        CColorRig rig;
        const bool selected = FETCHED(bool, selected);
        rig.RgbMatrix(2, selected);
        rig.ctrl->UpdateImportButton();
        QCOMPARE(rig.ctrl->ToolButton(0)->isEnabled(), selected);
        const QString file = FETCHED(QString, file);
        g_chosen = file.isEmpty() ? QString() : dir.filePath(file);
        CColorPresetCtrl::SetImageChooser([](QWidget*, const QString&, const QString& filter) {
            return filter.contains(QLatin1String("*.png")) ? g_chosen : QString();
        });
        rig.ctrl->OnImport();
        QCOMPARE(rig.host.calls.filter(QStringLiteral("ShowInformation")).size(), FETCHED(int, messages));
        QList<int> levels;
        for (int slot = 0; slot < 6; ++slot)
            levels << rig.project.m_live[0][slot];
        QCOMPARE(levels, FETCHED(QList<int>, levels));
    }

    void savedColoursRoundTrip()
    {
        CColorRig rig;
        rig.ctrl->OnMenuBar();
        QCOMPARE(CFixedCtrlRig::saveAsked, 0);
        emit rig.ctrl->SavedAction(4)->hovered();
        rig.ctrl->SetColor(12, 34, 56, 0, true);
        rig.ctrl->OnMenuBar();
        QCOMPARE(CFixedCtrlRig::saveAsked, 1);
        QCOMPARE(rig.ReadBack().m_savedColors[4], QColor(12, 34, 56));
        rig.ctrl->SetColor(0, 0, 0, 0, true);
        rig.ctrl->SavedAction(4)->trigger();
        QCOMPARE(rig.Wheel().mid(0, 3), (QList<int>{12, 34, 56}));
    }

    void panelBuildsTheRealControls()
    {
        CPanelsRig rig;
        CPresetsWnd wnd(rig.project);
        CLibraryProfile* profile = rig.Profile();
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        ProfileBuilder::AddChannel(*profile, ChannelType::Pan);
        ProfileBuilder::AddChannel(*profile, ChannelType::Tilt);
        profile->UpdateRoles();
        SelectAll(rig.project, {rig.Patch(profile, 0, 0)});
        rig.project.ComputeSelectionCaps();
        wnd.UpdateSelection();
        QVERIFY(qobject_cast<CColorPresetCtrl*>(wnd.ColorControl(false)));
        QVERIFY(wnd.PanTiltControl(false));
        wnd.ColorControl(false)->SetColor(255, 0, 0, 0, false);
        QCOMPARE(int(rig.project.m_edit[0][0]) + int(rig.project.m_live[0][0]), 255);
    }
};

ORVANE_TEST(ColorPresetCtrlTest)
#include "ColorPresetCtrlTest.moc"
