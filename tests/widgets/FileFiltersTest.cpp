#include "TestRegistry.h"

#include "widgets/FileFilters.h"

#include <QtTest>

class FileFiltersTest : public QObject
{
    Q_OBJECT

private slots:
    void patterns()
    {
        QCOMPARE(SoundFileFilter(), QStringLiteral("*.mp3 *.wav *.wma *.cda *.ogg *.aac"));
        QCOMPARE(VideoFileFilter(),
                 QStringLiteral("*.avi *.m4v *.mov *.mp4 *.mpg *.vob *.wmv *.dvx *.divx *.mkv *.mpeg *.xvid"));
        QCOMPARE(ImageFileFilter(), QStringLiteral("*.jpg *.jpeg *.bmp *.png *.gif *.tif *.tiff"));
    }

    void videoSuffix_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("video");
        QTest::newRow("mpeg") << "mpeg" << true;
        QTest::newRow("xvid") << "xvid" << true;
        QTest::newRow("avi") << "avi" << true;
        QTest::newRow("gif") << "gif" << false;
        QTest::newRow("mp3") << "mp3" << false;
        QTest::newRow("upper case") << "AVI" << false;
        QTest::newRow("with dot") << ".avi" << false;
        QTest::newRow("empty") << "" << false;
    }
    void videoSuffix()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, video);
        QCOMPARE(IsVideoFileSuffix(suffix), video);
    }
};

ORVANE_TEST(FileFiltersTest)
#include "FileFiltersTest.moc"
