#include "EditedShowRig.h"
#include "TestRegistry.h"

#include "DataTable.h"
#include "ShownDialogs.h"
#include "SyntheticMouse.h"
#include "setup/ProfilesList.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

// The patch dialog opened on the main window's fixtures window, asked to
// patch from the profile list while no profile of it is chosen.
class PatchFromListTest : public QObject
{
    Q_OBJECT

private slots:
    // Each gesture asks to patch from the list: "click" with the mouse on
    // "Patch from the list", "number" on the Number box, "down" the arrow
    // key from "Patch the current profile", "space" on the list's radio.
    void aMissingProfileIsSaidOnceAndNothingTakes_data()
    {
        Columns<QString, int>("gestures", "boxes");
        QTest::newRow("click") << "click" << 1;
        QTest::newRow("click, then the Number box") << "click number" << 1;
        QTest::newRow("two clicks") << "click click" << 2;
        QTest::newRow("arrow key") << "down" << 1;
        QTest::newRow("space") << "space" << 1;
    }
    void aMissingProfileIsSaidOnceAndNothingTakes()
    {
        const auto [gestures, boxes] = Row<QString, int>("gestures", "boxes");
        CFixturesWindowRig rig;
        rig.window->show();
        rig.Fixtures().AddFixtures();
        CAddFixturesDlg* dialog = rig.Fixtures().PatchDialog();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        CPatchTab* tab = dialog->PatchPage();
        const QList<QRadioButton*> radios = tab->findChildren<QRadioButton*>();
        QCOMPARE(radios.size(), 2);
        QRadioButton* current = radios[0]->isChecked() ? radios[0] : radios[1];
        QRadioButton* list = radios[0]->isChecked() ? radios[1] : radios[0];

        CShownDialogs shown(QMessageBox::Ok);
        for (const QString& gesture : gestures.split(' ')) {
            if (gesture == "click") {
                SyntheticMouse::Drag(list, QPoint(5, 5), QPoint(5, 5));
            } else if (gesture == "number") {
                SyntheticMouse::Drag(tab->CountSpin(), QPoint(10, 10), QPoint(10, 10));
            } else if (gesture == "down") {
                current->setFocus();
                QTest::keyClick(current, Qt::Key_Down);
            } else {
                list->setFocus();
                QTest::keyClick(list, Qt::Key_Space);
            }
            QCoreApplication::processEvents();
        }
        QCOMPARE(shown.shown, QVector<QString>(boxes, QStringLiteral("You must select a profile")).toList());
        QVERIFY(current->isChecked() && !list->isChecked() && !tab->IsListMode());
        QVERIFY(!tab->CurrentProfile() && !tab->PatchButton()->isEnabled());
        QCOMPARE(dialog->focusWidget(), tab->ProfileList());
    }
};

ORVANE_TEST(PatchFromListTest)
#include "PatchFromListTest.moc"
