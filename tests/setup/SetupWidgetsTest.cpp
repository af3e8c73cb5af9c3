#include "TestRegistry.h"
#include "DataTable.h"
#include "SetupRig.h"

#include "model/ProfileTypes.h"
#include "setup/ChannelsList.h"
#include "setup/DipSwitchCtrl.h"
#include "setup/ProfileTab.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

namespace {

// "1" for a lever drawn up, "0" for one drawn down, switch 1 first.
QString Levers(CDipSwitchCtrl& dip)
{
    QImage image(dip.size(), QImage::Format_RGB32);
    dip.render(&image);
    QString levers;
    for (int k = 0; k < 10; ++k) {
        const bool up = image.pixel(18 + 7 * k, 7) == qRgb(0, 0, 0);
        const bool down = image.pixel(18 + 7 * k, 14) == qRgb(0, 0, 0);
        levers += up == down ? QLatin1Char('?') : up ? QLatin1Char('1') : QLatin1Char('0');
    }
    return levers;
}

} // namespace

class SetupWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void dipSwitchShowsTheAddress_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("nineBit");
        QTest::addColumn<QString>("levers");
        QTest::newRow("1") << 1 << false << "1000000000";
        QTest::newRow("1 nine-bit") << 1 << true << "0000000000";
        QTest::newRow("512") << 512 << false << "0000000001";
        QTest::newRow("512 nine-bit") << 512 << true << "1111111110";
        QTest::newRow("0") << 0 << false << "0000000000";
        QTest::newRow("0 nine-bit") << 0 << true << "0000000000";
        QTest::newRow("37") << 37 << false << "1010010000";
    }
    void dipSwitchShowsTheAddress()
    {
        QFETCH(int, address);
        QFETCH(bool, nineBit);
        QFETCH(QString, levers);
        CDipSwitchCtrl dip;
        QTest::mouseClick(&dip, Qt::LeftButton, Qt::NoModifier, QPoint(100, nineBit ? 20 : 10));
        QCOMPARE(dip.IsNineBit(), nineBit);
        dip.SetAddress(address);
        QCOMPARE(Levers(dip), levers);
        dip.SetAddress(600);
        dip.SetAddress(-1);
        QCOMPARE(dip.Address(), address);
        QCOMPARE(Levers(dip), levers);
        QTest::mouseClick(&dip, Qt::LeftButton, Qt::NoModifier, QPoint(50, 20));
        QCOMPARE(dip.IsNineBit(), nineBit);
    }

    void channelTypesAreOfferedInOrder()
    {
        CChannelsList list;
        const QList<QPair<int, QString>> expected{
            {7, "Dimmer"}, {15, "Shutter"}, {25, "RGB"}, {31, "RGBW"}, {28, "CMY"}, {32, "Color Dimmer"},
            {18, "Speed"}, {1, "Pan / Tilt"}, {13, "Iris"}, {16, "Focus"}, {14, "Zoom"}, {8, "Gobo wheel"},
            {12, "Gobo Wheel Rot"}, {9, "Gobo Rot"}, {10, "Gobo Index"}, {11, "Gobo Shake"}, {5, "Color wheel"},
            {6, "Color Wheel Rot"}, {19, "Prism"}, {20, "Prism Rot"}, {21, "Prism Index"}, {0, "Undef"}};
        QCOMPARE(list.count(), expected.size());
        for (int i = 0; i < list.count(); ++i) {
            QCOMPARE(list.item(i)->data(CChannelsList::TypeRole).toInt(), expected[i].first);
            QCOMPARE(list.item(i)->toolTip(), expected[i].second);
            QVERIFY(!list.item(i)->data(CChannelsList::PixmapRole).value<QPixmap>().isNull());
        }

        QPixmap pixmap(3, 3);
        int type = -7;
        QVERIFY(!list.GetCurrentChannelType(pixmap, type));
        QCOMPARE(type, -7);
        QCOMPARE(pixmap.size(), QSize(3, 3));

        list.setCurrentRow(3);
        std::unique_ptr<QMimeData> data(list.CurrentMimeData());
        QVERIFY(data && data->formats() == QStringList{CChannelsList::kMimeType});
        QVERIFY(CChannelsList::DecodePayload(data->data(CChannelsList::kMimeType), pixmap, type));
        QCOMPARE(type, 31);
        QCOMPARE(pixmap.toImage(), QPixmap(QStringLiteral(":/Orvane/Images/Channels/RGBW.png")).toImage());
        QCOMPARE(list.count(), expected.size());
    }

    void everyPatchPictureIsShipped()
    {
        for (const char* name : {"Copy.png", "Paste.png", "Rename.png", "Remove.png", "Import.png",
                                 "Update.png", "EditMatrix.png", "InvPan.png", "InvTilt.png", "XLR.png",
                                 "DragProfile.png", "New.png", "Open.png", "Save.png", "DipSwitch/DipSwitch.png",
                                 "DipSwitch/9Bit.png", "DipSwitch/10Bit.png"})
            QVERIFY2(!QPixmap(QStringLiteral(":/Orvane/Images/Patch/") + QLatin1String(name)).isNull(), name);
    }

    void payloadsRoundTripAndRefuseDamage()
    {
        const QString name = QStringLiteral("Lyre \u00e9t\u00e9 \u4e2d");
        const QByteArray payload = CProfilesList::EncodePayload(name, QStringLiteral("Profiles/a.kvp"));
        QString readName;
        QString readPath;
        QVERIFY(CProfilesList::DecodePayload(payload, readName, readPath));
        QCOMPARE(readName, name);
        QCOMPARE(readPath, QStringLiteral("Profiles/a.kvp"));
        QVERIFY(!CProfilesList::DecodePayload(payload.left(payload.size() - 3), readName, readPath));
        QVERIFY(!CProfilesList::DecodePayload(QByteArray::fromHex("7fffffff"), readName, readPath));
        QCOMPARE(readName, name);

        QPixmap pixmap;
        int type = 0;
        QVERIFY(!CChannelsList::DecodePayload(CChannelsList::EncodePayload(QPixmap(2, 2), 35), pixmap, type));
        QVERIFY(!CChannelsList::DecodePayload(QByteArray("\x00", 1), pixmap, type));

        CProfilesList list;
        QVERIFY(!list.CurrentMimeData());
        list.AddProfile(QStringLiteral("A"), QStringLiteral("Profiles/A.kvp"));
        list.AddProfile(name, QStringLiteral("Profiles/B.kvp"));
        list.setCurrentRow(1);
        std::unique_ptr<QMimeData> data(list.CurrentMimeData());
        QVERIFY(CProfilesList::DecodePayload(data->data(CProfilesList::kMimeType), readName, readPath));
        QCOMPARE(readPath, QStringLiteral("Profiles/B.kvp"));
        QCOMPARE(list.count(), 2);
    }

    void returnInTheNameEditClosesNothing()
    {
        CSetupRig rig;
        rig.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.dialog.get()));
        QSignalSpy finished(rig.dialog.get(), &QDialog::finished);
        QLineEdit* name = rig.Tab().NameEdit();
        name->setFocus();
        QTest::keyClick(name, Qt::Key_Return);
        QTest::keyClick(name, Qt::Key_Enter);
        QVERIFY(rig.dialog->isVisible());
        QCOMPARE(finished.size(), 0);
    }

    void closingWithAnEditedProfileAsksOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        for (const char* how : {"ok", "cancel", "close"}) {
            QTest::addRow("%s, cancelled", how) << how << int(CSetupPrompts::Cancel) << false;
            QTest::addRow("%s, discarded", how) << how << int(CSetupPrompts::Discard) << true;
        }
    }
    void closingWithAnEditedProfileAsksOnce()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        CSetupRig rig;
        rig.Edit(QStringLiteral("Par.kvp"), 2);
        rig.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.dialog.get()));
        rig.prompts->saveAnswer = CSetupPrompts::SaveAnswer(answer);
        QSignalSpy finished(rig.dialog.get(), &QDialog::finished);
        auto* buttons = rig.dialog->findChild<QDialogButtonBox*>();
        const QString text = how == QLatin1String("ok") ? QStringLiteral("Ok") : QStringLiteral("Cancel");
        if (how == QLatin1String("close"))
            rig.dialog->close();
        for (QAbstractButton* button : buttons->buttons()) {
            if (how != QLatin1String("close") && button->text() == text)
                button->click();
        }
        QCOMPARE(rig.prompts->saveQuestions, 1);
        QCOMPARE(rig.dialog->isVisible(), !closed);
        QCOMPARE(finished.size(), closed ? 1 : 0);
    }

    // Save proposes a profile file; a profile saved and untouched since
    // closes without the question, an edit after the save asks again; a
    // profile without a channel says why it is not saved.
    void savingAProfile_data()
    {
        Columns<int, QString, QString, QString, int>("channels", "name", "after", "proposal", "questions");
        QTest::newRow("saved, then closed") << 2 << "Bright" << "" << "Profiles/Bright.kvp" << 0;
        QTest::newRow("unnamed") << 2 << "" << "" << "Profiles/Untitled.kvp" << 0;
        QTest::newRow("named with the suffix") << 2 << "Bright.KVP" << "" << "Profiles/Bright.KVP" << 0;
        QTest::newRow("beams changed after") << 2 << "Bright" << "beams" << "Profiles/Bright.kvp" << 1;
        QTest::newRow("picture changed after") << 2 << "Bright" << "picture" << "Profiles/Bright.kvp" << 1;
        QTest::newRow("no channel") << 0 << "Bright" << "" << "" << 1;
    }
    void savingAProfile()
    {
        const auto [channels, name, after] = Row<int, QString, QString>("channels", "name", "after");
        CSetupRig rig;
        rig.Edit(QStringLiteral("Par.kvp"), channels);
        rig.Tab().NameEdit()->setText(name);
        rig.prompts->saveFile = rig.dir.filePath(QStringLiteral("Profiles/Saved.kvp"));
        rig.dialog->Save();
        QTEST(rig.prompts->proposal, "proposal");
        QCOMPARE(QFile::exists(rig.prompts->saveFile), channels > 0);
        QCOMPARE(rig.Messages(QStringLiteral("The profile has no channel: add one before saving it.")),
                 channels > 0 ? 0 : 1);
        CProfileTab& page = *rig.dialog->ProfilePage();
        if (after == QLatin1String("beams"))
            page.BeamNumberCombo()->setCurrentIndex(2);
        else if (after == QLatin1String("picture"))
            emit page.PictureList(0)->itemClicked(page.PictureList(0)->item(3));
        rig.prompts->saveAnswer = CSetupPrompts::Discard;
        rig.dialog->done(QDialog::Accepted);
        QTEST(rig.prompts->saveQuestions, "questions");
        QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
    }

    void savingAndOpeningProfiles()
    {
        CSetupRig rig;
        CLibraryProfile* edited = rig.Edit(QStringLiteral("Par.kvp"), 2);
        rig.dialog->Pages()->setCurrentIndex(1);
        rig.dialog->ProfilePage()->NameEdit()->setText(QStringLiteral("Bright"));
        rig.dialog->Pages()->setCurrentIndex(0);
        QCOMPARE(rig.Tab().NameEdit()->text(), QStringLiteral("Bright"));

        // A cancelled save box and a failed write keep the dialog and the profile.
        rig.prompts->saveAnswer = CSetupPrompts::Save;
        rig.dialog->done(QDialog::Accepted);
        QCOMPARE(rig.prompts->proposal, QStringLiteral("Profiles/Bright.kvp"));
        rig.prompts->saveFile = rig.dir.filePath(QStringLiteral("missing/folder/Bright.kvp"));
        rig.dialog->done(QDialog::Accepted);
        QCOMPARE(rig.Messages(QStringLiteral("Cannot save...")), 1);
        QCOMPARE(rig.dialog->result(), 0);
        QCOMPARE(edited->GetPath(), QStringLiteral("Par.kvp"));

        rig.prompts->saveFile = rig.dir.filePath(QStringLiteral("Profiles/Bright Spot.kvp"));
        rig.dialog->Save();
        QVERIFY(QFile::exists(rig.prompts->saveFile));
        QCOMPARE(rig.Tab().NameEdit()->text(), QStringLiteral("Bright Spot"));

        // An unreadable file is reported, not edited as an empty profile.
        rig.prompts->saveAnswer = CSetupPrompts::Discard;
        QFile junk(rig.dir.filePath(QStringLiteral("junk.kvp")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a profile") > 0);
        junk.close();
        rig.prompts->openFile = junk.fileName();
        rig.dialog->Open();
        QCOMPARE(rig.dialog->EditedProfile(), edited);
        QVERIFY(rig.host.calls.last().startsWith(QStringLiteral("ShowInformation:Error:Cannot read the profile")));

        rig.prompts->openFile = rig.prompts->saveFile;
        rig.dialog->Open();
        QVERIFY(rig.dialog->EditedProfile() != edited);
        QCOMPARE(rig.dialog->EditedProfile()->ChannelCount(), 2);
        QCOMPARE(rig.Tab().NameEdit()->text(), QStringLiteral("Bright Spot"));
        QVERIFY(rig.project.m_addedProfiles.contains(rig.dialog->EditedProfile()));

        rig.dialog->New();
        QVERIFY(!rig.dialog->EditedProfile());
        QVERIFY(!rig.Tab().CurrentProfile());
        QVERIFY(rig.Tab().NameEdit()->text().isEmpty());
    }
};

ORVANE_TEST(SetupWidgetsTest)
#include "SetupWidgetsTest.moc"
