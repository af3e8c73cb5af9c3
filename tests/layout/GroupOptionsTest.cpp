#include "TestRegistry.h"
#include "WindowRig.h"

#include "layout/GroupOptionsDlg.h"
#include "show/Page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

const QRect kNoRect(QPoint(0, 0), QPoint(-1, -1));

// Installs a trigger runner for the length of a test.
struct CTriggerRunnerScope
{
    explicit CTriggerRunnerScope(CGroupOptionsDlg::TriggerDialogRunner runner)
    {
        CGroupOptionsDlg::SetTriggerDialogRunner(std::move(runner));
    }
    ~CTriggerRunnerScope() { CGroupOptionsDlg::SetTriggerDialogRunner(nullptr); }
};

} // namespace

class GroupOptionsTest : public QObject
{
    Q_OBJECT
private slots:
    void form_data()
    {
        QTest::addColumn<bool>("general");
        QTest::addColumn<int>("height");
        QTest::newRow("general") << true << 430;
        QTest::newRow("other") << false << 360;
    }
    void form()
    {
        QFETCH(bool, general);
        QFETCH(int, height);
        CWindowRig rig;
        CGroup group(QStringLiteral("G"));
        const QRect layout = general ? QRect(0, 0, 800, 500) : kNoRect;
        CGroupOptionsDlg dialog(rig.project, group, layout, QRect(0, 0, 320, 210), nullptr);
        // Taller when the program's font needs it.
        QCOMPARE(dialog.width(), 360);
        QVERIFY(dialog.height() >= height);
        QCOMPARE(dialog.WidthSpin() != nullptr, general);
        if (!general)
            return;
        QCOMPARE(dialog.WidthSpin()->value(), 800);
        QCOMPARE(dialog.HeightSpin()->value(), 500);
        dialog.WidthSpin()->setValue(100);
        dialog.HeightSpin()->setValue(20000);
        QCOMPARE(dialog.WidthSpin()->value(), 320);
        QCOMPARE(dialog.HeightSpin()->value(), 10000);
        dialog.OnOk();
        QCOMPARE(group.m_layoutRect, QRect(0, 0, 320, 10000));
    }

    // Width and height boxes show their largest value whole, and no box
    // lies over the buttons.
    void sizeBoxesShowTheirLargestValue()
    {
        CWindowRig rig;
        CGroup group(QStringLiteral("G"));
        CGroupOptionsDlg dialog(rig.project, group, QRect(0, 0, 800, 500), QRect(0, 0, 320, 210), nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (QSpinBox* spin : {dialog.WidthSpin(), dialog.HeightSpin()}) {
            const auto* edit = spin->findChild<QLineEdit*>();
            const int text = edit->fontMetrics().horizontalAdvance(QString::number(spin->maximum()));
            QVERIFY2(edit->width() >= text, qPrintable(QStringLiteral("%1 < %2").arg(edit->width()).arg(text)));
            QCOMPARE(spin->size().expandedTo(spin->sizeHint()), spin->size());
        }
        const QRect buttons = dialog.findChild<QDialogButtonBox*>()->geometry();
        for (const QGroupBox* box : dialog.findChildren<QGroupBox*>())
            QVERIFY2(!box->geometry().intersects(buttons), qPrintable(box->title()));
    }

    void fieldsOnOk()
    {
        CWindowRig rig;
        while (rig.project.m_pages.size() < 3)
            rig.project.AddPage(QStringLiteral("P"));
        CGroup group(QStringLiteral("G"));
        group.m_page = rig.project.m_pages[1];
        group.m_drawGrid = true;
        group.m_magnetGrid = true;
        CGroupOptionsDlg dialog(rig.project, group, kNoRect, kNoRect, nullptr);
        QCOMPARE(dialog.PageCombo()->count(), 4);
        QCOMPARE(dialog.PageCombo()->currentIndex(), 2);
        dialog.NameEdit()->setText(QStringLiteral("Front"));
        dialog.PageCombo()->setCurrentIndex(0);
        dialog.DrawGridCheck()->setChecked(false);
        QVERIFY(!dialog.MagneticGridCheck()->isEnabled());
        QVERIFY(!dialog.BrowseButton()->isEnabled());
        dialog.ImageCheck()->setChecked(true);
        QVERIFY(dialog.BrowseButton()->isEnabled() && dialog.ImageModeCombo()->isEnabled());
        dialog.ImageModeCombo()->setCurrentIndex(2);
        dialog.OnOk();
        QCOMPARE(group.m_name, QStringLiteral("Front"));
        QCOMPARE(group.m_page, nullptr);
        QVERIFY(!group.m_drawGrid);
        QVERIFY(group.m_magnetGrid); // as the disabled check shows it
        QVERIFY(group.m_drawBackImage);
        QCOMPARE(group.m_imageMode, 2);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void valuesTheFormCannotShowAreKept_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("imageMode");
        QTest::newRow("a page not in the list") << 7 << 0;
        QTest::newRow("image mode 9") << -1 << 9;
    }
    void valuesTheFormCannotShowAreKept()
    {
        QFETCH(int, page);
        QFETCH(int, imageMode);
        CWindowRig rig;
        while (rig.project.m_pages.size() < 3)
            rig.project.AddPage(QStringLiteral("P"));
        CGroup group(QStringLiteral("G"));
        // Not a page of the show: the combo cannot show it.
        CPage stray(rig.project, QStringLiteral("Gone"));
        group.m_page = page >= 0 ? &stray : nullptr;
        group.m_imageMode = imageMode;
        CGroupOptionsDlg dialog(rig.project, group, kNoRect, kNoRect, nullptr);
        QCOMPARE(dialog.PageCombo()->currentIndex(), 0);
        QCOMPARE(dialog.ImageModeCombo()->currentIndex(), 0);
        dialog.OnOk();
        QCOMPARE(group.m_page, page >= 0 ? &stray : nullptr);
        QCOMPARE(group.m_imageMode, imageMode);
    }

    void colourAndFileDialogs_data()
    {
        QTest::addColumn<QColor>("chosenColor");
        QTest::addColumn<QString>("chosenFile");
        QTest::addColumn<QColor>("expectedColor");
        QTest::addColumn<QString>("expectedFile");
        QTest::newRow("cancelled") << QColor() << QString() << QColor(Qt::red) << "old.png";
        QTest::newRow("chosen") << QColor(255, 128, 0) << "new.png" << QColor(255, 128, 0) << "new.png";
    }
    void colourAndFileDialogs()
    {
        QFETCH(QColor, chosenColor);
        QFETCH(QString, chosenFile);
        QFETCH(QColor, expectedColor);
        QFETCH(QString, expectedFile);
        CWindowRig rig;
        CGroup group(QStringLiteral("G"));
        group.m_backColor = Qt::red;
        group.m_backImage = QStringLiteral("old.png");
        group.m_drawBackImage = true;
        CGroupOptionsDlg dialog(rig.project, group, kNoRect, kNoRect, nullptr);
        dialog.SetColorRunner([&](const QColor& start, QWidget*) {
            return start == QColor(Qt::red) ? chosenColor : QColor(Qt::blue);
        });
        dialog.SetFileRunner([&](QWidget*) { return chosenFile; });
        dialog.OnColor();
        dialog.OnBrowseImage();
        dialog.OnOk();
        QCOMPARE(group.m_backColor, expectedColor);
        QCOMPARE(group.m_backImage, expectedFile);
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("name");
        QTest::newRow("Return applies") << int(Qt::Key_Return) << int(QDialog::Accepted) << "Back";
        QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << int(QDialog::Rejected) << "G";
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        QFETCH(QString, name);
        CWindowRig rig;
        CGroup group(QStringLiteral("G"));
        CGroupOptionsDlg dialog(rig.project, group, kNoRect, kNoRect, nullptr);
        dialog.NameEdit()->setText(QStringLiteral("Back"));
        QTest::keyClick(&dialog, Qt::Key(key));
        QCOMPARE(dialog.result(), result);
        QCOMPARE(group.m_name, name);
    }

    void triggerEditsSurviveCancel()
    {
        CWindowRig rig;
        CGroup group(QStringLiteral("G"));
        CTriggerRunnerScope scope([](CTriggers& triggers, QWidget*) {
            triggers.m_midiTrigger.m_mode = CMidiTrigger::Note;
            triggers.UpdateMidiTriggerText();
            return true;
        });
        CGroupOptionsDlg dialog(rig.project, group, kNoRect, kNoRect, nullptr);
        QTest::mousePress(dialog.TriggersButton(), Qt::LeftButton);
        QCOMPARE(dialog.TriggersButton()->text(), group.m_triggers.GetText());
        dialog.reject();
        QCOMPARE(group.m_triggers.m_midiTrigger.m_mode, int(CMidiTrigger::Note));
    }

    void openFromWindow_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QRect>("g1Crop");
        QTest::newRow("current group, OK") << 1 << int(QDialog::Accepted) << QStringList{"General", "X", "G2"}
                                           << QRect(5, 5, 100, 50);
        QTest::newRow("current group, Cancel") << 1 << int(QDialog::Rejected) << QStringList{"General", "G1", "G2"}
                                               << QRect(5, 5, 100, 50);
        QTest::newRow("another group, OK") << 2 << int(QDialog::Accepted) << QStringList{"General", "G1", "X"}
                                           << QRect();
    }
    void openFromWindow()
    {
        QFETCH(int, target);
        QFETCH(int, answer);
        QFETCH(QStringList, tabs);
        QFETCH(QRect, g1Crop);
        CWindowRig rig;
        rig.project.m_generalGroup->m_name = QStringLiteral("General");
        rig.AddGroup(QStringLiteral("G1"), {0});
        CGroup* g2 = rig.AddGroup(QStringLiteral("G2"), {1});
        g2->m_drawGrid = true;
        rig.Load();
        rig.wnd->SelectGroupTab(1);
        rig.View().SetCrop(true, QRect(5, 5, 100, 50));
        bool sizeShown = true;
        rig.wnd->SetOptionsRunner([&](CGroupOptionsDlg& dialog) {
            sizeShown = dialog.WidthSpin() != nullptr;
            dialog.NameEdit()->setText(QStringLiteral("X"));
            if (answer == QDialog::Accepted)
                dialog.OnOk();
            return answer;
        });
        rig.host.calls.clear();
        rig.wnd->OpenGroupOptions(rig.project.m_groups[target]);
        QVERIFY(!sizeShown);
        QCOMPARE(rig.Tabs().m_tabNames, tabs);
        QCOMPARE(rig.project.m_groups[1]->m_viewRect, g1Crop);
        QCOMPARE(rig.host.calls, QStringList({"SuspendVideoWindow", "ResumeVideoWindow"}));
        QCOMPARE(rig.host.modified, answer == QDialog::Accepted);
    }

    void doubleClickSwitchesFirst()
    {
        CWindowRig rig;
        rig.AddGroup(QStringLiteral("G1"), {0});
        rig.Load();
        rig.wnd->resize(400, 300);
        rig.wnd->show();
        QCoreApplication::processEvents();
        int currentInDialog = -1;
        rig.wnd->SetOptionsRunner([&](CGroupOptionsDlg&) {
            currentInDialog = rig.Current();
            return int(QDialog::Rejected);
        });
        const QPoint tab = rig.Tabs().m_tabRects.at(1).center();
        // The first click of a double click comes as a press of its own.
        QTest::mouseClick(&rig.Tabs(), Qt::LeftButton, Qt::NoModifier, tab);
        QTest::mouseDClick(&rig.Tabs(), Qt::LeftButton, Qt::NoModifier, tab);
        QCOMPARE(currentInDialog, 1);
    }

    void generalGroupSize()
    {
        CWindowRig rig;
        rig.Load();
        QRect shownExtent;
        rig.wnd->SetOptionsRunner([&](CGroupOptionsDlg& dialog) {
            shownExtent = QRect(0, 0, dialog.WidthSpin()->minimum(), dialog.HeightSpin()->minimum());
            dialog.WidthSpin()->setValue(900);
            dialog.OnOk();
            return dialog.result();
        });
        rig.wnd->Options();
        QCOMPARE(shownExtent, rig.View().ItemsExtent());
        QCOMPARE(rig.project.m_generalGroup->m_layoutRect.width(), 900);
        QCOMPARE(rig.View().SceneRect().width(), 900);
    }
};

ORVANE_TEST(GroupOptionsTest)
#include "GroupOptionsTest.moc"
