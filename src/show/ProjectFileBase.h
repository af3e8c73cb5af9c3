#pragma once

#include "model/XmlDocument.h"
#include "show/ShowBounds.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <algorithm>
#include <functional>
#include <stdexcept>

class CLibraryProfile;
class CSlotMask;
class CPatchedFixture;
class CProject;
class CScene;

// Thrown by a reader when a file asks for more than any show holds, or a
// part read late turns out damaged; the message says what is wrong.
class CFileRefused : public std::runtime_error
{
public:
    explicit CFileRefused(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// What the project documents of every format read alike: the cursor walks,
// the DMX configuration, the common part of a patched fixture record, the
// active universes of a scene and the universe-count question. Each reader
// takes the file as untrusted, like the documents built on it.
class CProjectFileBase : public CXmlDocument
{
public:
    CProjectFileBase();

    // Make the root current; false, cursor unchanged, without one.
    bool SelectRoot();

    // Inside a catch block: the reason the current exception gives the
    // user (what is too large, no memory left, or a damaged file).
    static QString CurrentFailure();

    // Visits the children `tag` of the current element in order, each made
    // current for `visit`; the current element is back on the parent after
    // every visit, whatever the visit selected. Linear in the child count
    // (selecting the n-th child by index is not). Returns the number visited.
    // Children the reader cut out of the tree (SDeferredChildren) are each
    // built into a tree of their own as they are visited, after those in
    // the tree; one that does not parse refuses the file (CFileRefused).
    int ForEachChild(const QString& tag, const std::function<void()>& visit);

protected:
    // A scene keeps masks of each universe where it marks a slot: a file of
    // a few hundred kilobytes marking every universe in every scene would
    // take gigabytes. Counted before they are made (`buffers` of one
    // universe each); past the show's buffer bound (CShowBounds) the file is
    // refused.
    void CountUniverseBuffers(qint64 buffers);
    // The scene's writable active mask of the universe, null outside its
    // universes; masks it makes are counted first.
    CSlotMask* MarkableMask(CScene* scene, int universe);
    // Every fixture keeps a flag per beam of its profile, and so does each of
    // its places in a subgroup: with a profile of thousands of beams a record
    // of a few bytes would make kilobytes. Counted before they are made, with
    // the universe buffers, at what a list grown a flag at a time takes.
    void CountBeamFlags(qint64 flags);
    // The universe buffers and beam flags are counted from what the show
    // holds already: a file read into a show (an import) adds to them.
    void CountFromHeld(const CProject& project);
    // The children `tag` of the current element.
    int CountChildren(const QString& tag) const;
    // Adds `more` to `made`; past the bound of the kind the file is refused,
    // in the user's words. Elements that make objects costing far more than
    // their text are counted so before they are made.
    static void Count(qint64& made, qint64 more, CShowBounds::Kind kind);
    // Refuses the file where the current element has more children `tag`
    // than the kind allows.
    void CheckChildCount(const QString& tag, CShowBounds::Kind kind) const;

    // The attributes every fixture record of the patch has.
    struct SFixtureRecord {
        QString name;
        int address = 0;
        int universe = 0;
        int id = 0;
        bool invertPan = false;
        bool invertTilt = false;
    };

    // Reads the record of the current "ZKFixture"; false when it lies where
    // no fixture of `profile` can be patched.
    bool readFixtureRecord(SFixtureRecord& record, const CLibraryProfile* profile);
    // The profile of the current "ZKLibrary", joined to the project's
    // library, and the library's parent made current again; null, nothing
    // kept, when the profile does not read.
    CLibraryProfile* readLibraryProfile(CProject& project);
    // Ids repeat only in a damaged file. The first fixture patched with an
    // id keeps it, and a later record of the id is left out (and counted
    // with the others left out): a save writes the patch in its own order,
    // and every step, group and matrix naming the id must find the same
    // fixture when that save is opened. False when the id is taken.
    bool ClaimFixtureId(int id);
    // The fixture of the record; an inverted one joins the project's list
    // of them.
    static CPatchedFixture* CreateFixture(CProject& project, const SFixtureRecord& record, CLibraryProfile* profile,
                                          int drawType);

    // "ZKDmxConfig" and "ZKDmxMode" of the current params element; a port
    // universe is brought down to `lastUniverse`.
    void readDmxConfig(CProject& project, int lastUniverse);

    // "ZKActivUniverses" below the current scene element, when there is one.
    void readActiveUniverses(CProject& project, CScene* scene);

    // True when the patch fits the configured universes. Otherwise asks
    // whether to raise the count for the next start, and returns false
    // whatever the answer.
    static bool AcceptUniverses(CProject& project, int highestUniverse);

    // Walks the records of a step's "SIds" list in order: an "id|length"
    // record names `byId(id)`, a "-1|universe|slot" one `byChannel(universe,
    // slot)` with length 1; `record(fixture, length)` gets each, the fixture
    // null when the record names nothing. A cut-off record ends the list.
    template <typename ById, typename ByChannel, typename Record>
    static void ForEachStepRecord(const QList<int>& values, ById byId, ByChannel byChannel, Record record)
    {
        for (int i = 0; i < values.size();) {
            CPatchedFixture* fixture = nullptr;
            int length = 0;
            if (values[i] == -1) {
                if (values.size() - i < 3)
                    break;
                fixture = byChannel(values[i + 1], values[i + 2]);
                length = 1;
                i += 3;
            } else {
                if (values.size() - i < 2)
                    break;
                fixture = byId(values[i]);
                length = std::max(0, values[i + 1]);
                i += 2;
            }
            record(fixture, length);
        }
    }

    // Values of a step's "SIds" list that can name something: a record of two
    // for each of `fixtures`, of three for each channel of every universe a
    // file may name. What a longer list holds past that is damage, and is
    // not read.
    static int StepRecordValues(int fixtures);

    // Ids may repeat in a damaged file: the first fixture with one is the
    // one the index keeps.
    static void IndexFixturesById(QHash<int, CPatchedFixture*>& index, const QList<CPatchedFixture*>& fixtures);

    qint64 m_universeBufferBytes = 0; // and beam flags

protected:
    // The deferred element whose tree is being read, if any: the deferred
    // elements below it are found through it.
    SDeferredPlace m_openDeferred;
    // A matrix id, like a fixture id, is the first matrix's: the fixtures of
    // a later block of the id are patched free of it.
    QSet<int> m_matrixIds;

private:
    void CountBufferBytes(qint64 bytes);

    QSet<int> m_patchedIds;

public:
    // What the show keeps of the file's text (its names, paths and other
    // texts) and the text itself add up to no more than reading may take:
    // a file of a few hundred kilobytes may hold hundreds of megabytes of
    // names. The text counts as long as it is, though it is held packed: a
    // save makes it again beside the show. Throws CFileRefused past that.
    void CheckKeptText() const;

    // Fixture records refused by readFixtureRecord or ClaimFixtureId: the
    // open tells the user.
    int m_fixturesLeftOut = 0;
};
