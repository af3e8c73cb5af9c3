#pragma once

#include <QList>
#include <QString>
#include <QVector>

class CFixtureMatrix;
class CPatchedFixture;
class CXmlDocument;

// Type codes: the only discriminator of the effect classes. Codes 6 to 9
// have no class.
namespace EffectType {
enum : int {
    Gradient = 1,
    Trichro = 2, // colour sequence
    Curve = 3,
    PanTilt = 4,
    Preset = 5,
    MatrixAnim = 10,
    MatrixGif = 11,
    MatrixMedia = 12,
    MatrixText = 13,
};
} // namespace EffectType

// Bounds on what an effect read from a file may size. Files are untrusted;
// nothing an operator builds comes near these.
namespace EffectLimits {
constexpr int kMaxListItems = 1024;     // colours, pegs, presets, channel types
constexpr int kMaxCurveChannels = 256;  // curve channels of one effect
constexpr int kMaxControlPoints = 1024; // pan/tilt control points
constexpr int kMaxPointsPerControl = 256;
constexpr int kMaxMatrixSide = 1024;    // rows or columns of a matrix effect
constexpr int kMaxNumber = 1024;        // colour sequence and matrix "number"
constexpr int kMaxSize = 10000;         // colour sequence and matrix "size"
constexpr int kMaxMediaFrames = 4096;
constexpr int kMaxFrameSide = 1024;     // stored media frames, in pixels
constexpr int kMaxTextLength = 4096;
constexpr int kMaxFontPointSize = 1000;
} // namespace EffectLimits

// One generated lighting effect: the fixtures (and beams of them) it drives,
// its length, and the parameters of its kind in the subclasses. Owners keep
// effects on the heap and delete them through this class.
//
// The five lists: m_fixtures and m_fixtureSel are parallel (each fixture
// once); m_beamIndex, m_beamFixtures and m_beamSel are parallel, one entry
// per driven beam. The engine makes one output record per beam entry.
class CEffect
{
public:
    explicit CEffect(int type);
    // Copies the base part: a matrix with the virtual flag is deep-copied
    // (and owned by the copy), any other matrix is shared.
    CEffect(const CEffect& other);
    CEffect& operator=(const CEffect&) = delete;
    // Deletes the matrix when the effect owns it.
    virtual ~CEffect();

    virtual bool IsMatrix() const { return false; }
    virtual bool IsColor() const { return false; }
    virtual bool IsPanTilt() const { return false; }
    virtual QString GetName() const;
    // Forgets the matrix; deletes it first when the effect owns it.
    virtual void ReleaseMatrix();
    // Attributes on the document's current element (the effect element);
    // lists below it. Load never fails: what is missing keeps its value.
    // Both leave the effect element current.
    virtual void Load(CXmlDocument& doc);
    virtual void Save(CXmlDocument& doc) const;

    // Replaces the base part only (fixture lists and matrix); subclass
    // fields are untouched.
    void CopyFrom(const CEffect& other);
    void ClearFixtures();
    // Removes the fixture and every beam entry of it, and the member of a
    // grid the effect made for itself (the grid goes with its last member);
    // true when it was in the fixture list.
    bool RemoveFixture(const CPatchedFixture* fixture);
    bool UsesChannelType(int channelType, unsigned char occurrence) const;

    int m_sId = -1; // saved only when >= 0
    int m_phi = 0;  // phase spread between fixtures, percent of the step count
    int m_len = 0;  // ms
    bool m_flag = false; // never copied nor stored
    int m_type = 0;
    CFixtureMatrix* m_matrix = nullptr;
    // OwnsMatrix: set exactly when the effect made the matrix itself (a
    // virtual grid handed to it, or a deep copy); never for a project matrix.
    bool m_ownsMatrix = false;
    QList<CPatchedFixture*> m_fixtures;
    QVector<bool> m_fixtureSel;
    QVector<int> m_beamIndex;
    QList<CPatchedFixture*> m_beamFixtures;
    QVector<bool> m_beamSel;

protected:
    // The matrix as a copy takes it: a deep copy of a virtual matrix, which
    // the taker then owns, else the same pointer.
    void TakeMatrixOf(const CEffect& other);
};

// A new effect of the source's class made by that class's copy constructor;
// null for a null source or a type code without a class.
CEffect* CloneEffect(const CEffect* source);
// A default effect of the type code (1 to 5, 10 to 13); null for any other code.
CEffect* CreateEffect(int type);

// Lends scenes the operations they need on effects (cloning, deleting,
// listing the fixtures). Called once at start-up; calling it again is harmless.
void RegisterEffectOperations();
