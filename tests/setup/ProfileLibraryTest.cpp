#include "ComboItems.h"
#include "TestRegistry.h"
#include "SetupRig.h"

#include <QLabel>
#include <QTabWidget>

namespace {

QStringList Texts(const QListWidget& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class ProfileLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    void browsingListsFilesAndFolders()
    {
        CSetupRig rig(2, {{QStringLiteral("Par.kvp.kvp"), 1}, {QStringLiteral("wash.kvp"), 1},
                          {QStringLiteral("Beam.zkp"), 1}, {QStringLiteral("README"), 1}});
        QDir(QStringLiteral("Profiles")).mkpath(QStringLiteral("Acme/Old"));
        WriteProfileFile(QStringLiteral("Profiles/Acme/Spot.kvp"), 2);
        CPatchTab& tab = rig.Tab();
        tab.OnManufacturerChanged(0);
        QCOMPARE(Texts(*tab.ProfileList()), (QStringList{"Beam", "Par", "README", "wash"}));
        QCOMPARE(tab.ProfileList()->item(1)->data(CProfilesList::PathRole).toString(),
                 QStringLiteral("Profiles/Par.kvp.kvp"));
        QCOMPARE(ComboItems(*tab.FolderCombo()), QStringList{"Acme"});
        QCOMPARE(tab.FolderLabel()->text(), QStringLiteral("Manufacturer :"));

        tab.FolderCombo()->setCurrentIndex(0);
        QCOMPARE(tab.LibraryFolder(), QStringLiteral("Profiles/Acme"));
        QCOMPARE(ComboItems(*tab.FolderCombo()), (QStringList{"..", "Old"}));
        QCOMPARE(tab.FolderCombo()->currentIndex(), -1);
        QCOMPARE(tab.FolderLabel()->text(), QStringLiteral("Acme :"));
        QCOMPARE(Texts(*tab.ProfileList()), QStringList{"Spot"});

        tab.FolderCombo()->setCurrentIndex(0);
        QCOMPARE(tab.LibraryFolder(), QStringLiteral("Profiles"));
        QVERIFY(!ComboItems(*tab.FolderCombo()).contains(QStringLiteral("..")));
    }

    void importingAFile_data()
    {
        QTest::addColumn<QString>("existing");   // content of the library's Par.kvp, empty for none
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("sourceIsFolder"); // reading it fails
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("errors");
        const int yes = CShowHost::Yes;
        const int no = CShowHost::No;
        QTest::newRow("new file") << QString() << no << false << QByteArray("new") << 1 << 0;
        QTest::newRow("overwritten") << "old" << yes << false << QByteArray("new") << 1 << 0;
        QTest::newRow("kept on No") << "old" << no << false << QByteArray("old") << 1 << 0;
        QTest::newRow("failed copy") << "old" << yes << true << QByteArray("old") << 1 << 1;
        QTest::newRow("failed copy, nothing there") << QString() << yes << true << QByteArray("<missing>") << 0 << 1;
    }
    void importingAFile()
    {
        QFETCH(QString, existing);
        QFETCH(int, answer);
        QFETCH(bool, sourceIsFolder);
        QFETCH(QByteArray, result);
        QFETCH(int, items);
        QFETCH(int, errors);
        CSetupRig rig;
        if (!existing.isEmpty())
            WriteBytes(QStringLiteral("Profiles/Par.kvp"), existing.toLatin1());
        rig.Tab().OnManufacturerChanged(0);
        QDir().mkdir(QStringLiteral("elsewhere"));
        const QString source = QStringLiteral("elsewhere/Par.kvp");
        if (sourceIsFolder)
            QDir().mkdir(source);
        else
            WriteBytes(source, "new");
        rig.host.answer = answer;
        rig.prompts->openFile = source;
        rig.Tab().OnImportProfile();
        QCOMPARE(Contents(QStringLiteral("Profiles/Par.kvp")), result);
        QCOMPARE(rig.Tab().ProfileList()->count(), items);
        QCOMPARE(rig.Messages(QString()), errors);
        QCOMPARE(QDir(QStringLiteral("Profiles")).entryList(QDir::Files | QDir::Hidden).size(),
                 rig.Tab().ProfileList()->count());
    }

    void importingALibraryFileOntoItselfOnlySelectsIt()
    {
        CSetupRig rig(2, {{QStringLiteral("Par.kvp"), 3}});
        const QByteArray before = Contents(QStringLiteral("Profiles/Par.kvp"));
        rig.host.answer = CShowHost::Yes;
        rig.prompts->openFile = rig.dir.filePath(QStringLiteral("Profiles/Par.kvp"));
        rig.Tab().OnImportProfile();
        QCOMPARE(Contents(QStringLiteral("Profiles/Par.kvp")), before);
        QCOMPARE(rig.Tab().ProfileList()->count(), 1);
        QCOMPARE(rig.Tab().ProfileList()->currentRow(), 0);
        QCOMPARE(rig.Tab().CurrentProfile()->ChannelCount(), 3);
        QVERIFY(rig.host.calls.isEmpty());
    }

    void selectedBlocksProfileOpensAsANumberedCopy()
    {
        CSetupRig rig;
        CLibraryProfile* par = MakeProfile(QStringLiteral("Par.kvp"), 4);
        CLibraryProfile* other = MakeProfile(QStringLiteral("Wash.kvp"), 4);
        rig.project.m_library << par << other;
        CPatchBlock* a = rig.AddBlock(par, 0, 0);
        CPatchBlock* b = rig.AddBlock(par, 0, 10);
        CPatchBlock* c = rig.AddBlock(other, 0, 20);
        rig.Select({a, c});
        rig.Tab().ImportProfileFromSelection();
        QCOMPARE(rig.Messages(QStringLiteral("There are different types of selected profiles")), 1);
        QVERIFY(!rig.dialog->EditedProfile());

        rig.Select({a, b});
        rig.Tab().ImportProfileFromSelection();
        CLibraryProfile* copy = rig.dialog->EditedProfile();
        QVERIFY(copy && copy != par);
        QVERIFY(QRegularExpression(QStringLiteral("^Par_I\\d+\\.kvp$")).match(copy->GetPath()).hasMatch());
        QCOMPARE(rig.dialog->Pages()->currentIndex(), 1);
        QVERIFY(rig.project.m_addedProfiles.contains(copy));
    }

    void updateRetypesWholeMatrices()
    {
        CSetupRig rig;
        CLibraryProfile* led = MakeProfile(QStringLiteral("Led.kvp"), 3);
        rig.project.m_library << led;
        auto* matrix = new CPatchMatrixBlock(led, 2, 2);
        matrix->m_id = 1;
        rig.Tab().m_matrixBlocks << matrix;
        for (int i = 0; i < 4; ++i) {
            matrix->m_members << new CPatchBlock(led, 0, i * 3, 1);
            matrix->m_cells << QRect();
            rig.Tab().AppendBlock(matrix->m_members.last());
        }
        CPatchBlock* free = rig.AddBlock(MakeProfile(QStringLiteral("Big.kvp"), 5), 0, 100);
        rig.project.m_library << free->m_profile;
        CLibraryProfile* rgb = rig.Edit(QStringLiteral("Rgb.kvp"), 3);

        rig.Select({matrix->m_members[2], free});
        rig.Tab().UpdateSelectionProfiles();
        QCOMPARE(rig.Messages(QStringLiteral("The number of channels doesn't match with the selected profiles")), 1);
        QCOMPARE(matrix->m_profile, led);

        rig.Select({matrix->m_members[2]});
        rig.Tab().UpdateSelectionProfiles();
        QCOMPARE(matrix->m_profile, rgb);
        for (const CPatchBlock* member : matrix->m_members)
            QCOMPARE(member->m_profile, rgb);
        QVERIFY(free->m_profile != rgb);
    }
};

ORVANE_TEST(ProfileLibraryTest)
#include "ProfileLibraryTest.moc"
