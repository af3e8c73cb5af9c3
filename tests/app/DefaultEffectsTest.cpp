#include "TestRegistry.h"
#include "WindowRig.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "PatchMatrix.h"
#include "ShownDialogs.h"
#include "app/Orvane.h"
#include "layout/FixturesWnd.h"
#include "model/Language.h"
#include "setup/AddFixturesDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchTab.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/Project.h"
#include "Captions.h"

#include <QtTest>

// The default effects offered as the patch dialog hands over new fixtures,
// through the main window. Nothing here starts Art-Net.

namespace {

struct CPatchRig : CWindowRigBase
{
    CPatchRig()
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup));
    }
    CProject& Project() { return window->Project(); }

    // "dimmer", "rgb" or "head" (pan, tilt and colour).
    CLibraryProfile* Profile(const QString& kind)
    {
        auto* profile = new CLibraryProfile;
        profile->SetPath(kind + QStringLiteral(".kvp"));
        if (kind == QLatin1String("dimmer"))
            ProfileBuilder::AddDimmer(*profile);
        if (kind == QLatin1String("head")) {
            ProfileBuilder::AddChannel(*profile, ChannelType::Pan);
            ProfileBuilder::AddChannel(*profile, ChannelType::Tilt);
        }
        if (kind != QLatin1String("dimmer"))
            ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        Project().m_library << profile;
        return profile;
    }

    // Patches blocks written "<kind> <count>" or "<kind> matrix" through the
    // patch dialog's OK.
    void Patch(const QStringList& blocks)
    {
        CFixturesWnd& fixtures = *window->FixturesWindow();
        fixtures.AddFixtures();
        CPatchTab& tab = *fixtures.PatchDialog()->PatchPage();
        int address = 0;
        for (const QString& block : blocks) {
            const QStringList words = block.split(QLatin1Char(' '));
            CLibraryProfile* profile = Profile(words.at(0));
            if (words.at(1) == QLatin1String("matrix")) {
                AddNewMatrix(tab, profile, 1);
                continue;
            }
            for (int i = 0; i < words.at(1).toInt(); ++i, address += 8)
                tab.m_blocks << new CPatchBlock(profile, 0, address, -1);
        }
        fixtures.PatchDialog()->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

class DefaultEffectsTest : public QObject
{
    Q_OBJECT
private slots:
    void offeredOnlyWhenSomeWouldBeMade_data()
    {
        QTest::addColumn<QStringList>("blocks");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QStringList>("made");
        QTest::newRow("dimmers") << QStringList{"dimmer 3"} << false << QStringList();
        QTest::newRow("dimmer matrix") << QStringList{"dimmer matrix"} << false << QStringList();
        QTest::newRow("colour pars") << QStringList{"rgb 2"} << true << QStringList{"rgb - Sequencer"};
        QTest::newRow("dimmers and heads")
            << QStringList{"dimmer 2", "head 2"} << true << QStringList{"head - Sequencer", "head - Pan / Tilt"};
        QTest::newRow("colour matrix and a head")
            << QStringList{"rgb matrix", "head 1"} << true
            << QStringList{"head - Sequencer", "head - Pan / Tilt", "rgb - Matrix"};
    }
    void offeredOnlyWhenSomeWouldBeMade()
    {
        QFETCH(QStringList, blocks);
        CPatchRig rig;
        CShownDialogs dialogs(QMessageBox::Yes);
        rig.Patch(blocks);
        QTEST(dialogs.shown.contains(GetLangText(Txt::CreateDefaultEffects)), "asked");
        QStringList made;
        for (const CEffectScene* scene : rig.Project().m_effectScenes)
            made << scene->m_name;
        QTEST(made, "made");
        // The new fixtures stay selected, whatever each effect was bound to.
        QCOMPARE(rig.Project().m_currentGroup->m_selectedFixtures, rig.Project().m_generalGroup->m_fixtures);
    }
};

ORVANE_TEST(DefaultEffectsTest)
#include "DefaultEffectsTest.moc"
