#pragma once

#include <QByteArray>
#include <QList>

// Project documents of one kind of element, bare and repeated: each element
// a few bytes of text (kilobytes of file for hundreds of thousands once
// compressed) that the reader would turn into an object of far more.
struct CCrowdedShow
{
    const char* kind;
    QByteArray head; // what the elements need around them
    QByteArray unit; // "%1" in it becomes the unit's number: ids a file does not repeat
    QByteArray tail;

    QByteArray Xml(int count) const
    {
        QByteArray units;
        if (unit.contains("%1")) {
            for (int i = 0; i < count; ++i)
                units += QByteArray(unit).replace("%1", QByteArray::number(i + 1));
        } else {
            units = unit.repeated(count);
        }
        return "<ZKFile Version=\"2.0\">" + head + units + tail + "</ZKFile>";
    }
};

inline QList<CCrowdedShow> CrowdedShows()
{
    const QByteArray profile = "<ZKProfile><ZKProperties/></ZKProfile>";
    const QByteArray onePage = "<ZKPages><ZKPage><ZKScenes><ZKScene/></ZKScenes></ZKPage></ZKPages>";
    return {
        {"groups", "<ZKGroups>", "<ZKGroup ZKPage=\"1\"/>", "</ZKGroups>"},
        {"pages", "<ZKPages>", "<ZKPage/>", "</ZKPages>"},
        {"scenes", "<ZKPages><ZKPage><ZKScenes>", "<ZKScene/>", "</ZKScenes></ZKPage></ZKPages>"},
        {"steps", "<ZKPages><ZKPage><ZKScenes><ZKScene><ZKSteps>", "<ZKStep/>",
         "</ZKSteps></ZKScene></ZKScenes></ZKPage></ZKPages>"},
        {"effect scenes", "<ZKEffScenes>", "<ZKEffScene/>", "</ZKEffScenes>"},
        {"matrices", "<ZKPatch>",
         "<ZKFixtures><ZKLibrary ZKMatrixId=\"%1\"><ZKMatrix ZKMatrixSizeX=\"1\" ZKMatrixSizeY=\"1\"/>" + profile
             + "</ZKLibrary><ZKFixture ZKId=\"%1\"/></ZKFixtures>",
         "</ZKPatch>"},
        {"fading buttons", "<ZKFadingButs>", "<ZKFadingBut ZKName=\"\"/>", "</ZKFadingButs>"},
        {"timeline lines", "<ZKTimeLines>", "<ZKTimeLine ZKName=\"\" Type=\"0\"/>", "</ZKTimeLines>"},
        {"timeline blocks", onePage + "<ZKTimeLines><ZKTimeLine ZKName=\"\" Type=\"0\"><ZKTimeBlocks>",
         "<ZKTimeBlock ZKTBPage=\"0\" ZKTBScene=\"0\"/>", "</ZKTimeBlocks></ZKTimeLine></ZKTimeLines>"},
        {"timeline markers", "<ZKTimeLines><ZKTimeMarkers>", "<ZKTimeMarker ZKTMTime=\"0\"/>",
         "</ZKTimeMarkers></ZKTimeLines>"},
        {"masks", "<ZKMasks>", "<ZKMask/>", "</ZKMasks>"},
    };
}
