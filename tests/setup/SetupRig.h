#pragma once

#include "RecordingHost.h"

#include "model/LibraryProfile.h"
#include "setup/AddFixturesDlg.h"
#include "setup/MatrixBuilder.h"
#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"
#include "setup/PatchTab.h"
#include "setup/PatchWnd.h"
#include "setup/ProfilesList.h"
#include "setup/SetupPrompts.h"
#include "show/Group.h"
#include "show/Project.h"

#include <QComboBox>
#include <QDir>
#include <QSpinBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// A profile whose current mode has `channels` dimmer channels.
inline CLibraryProfile* MakeProfile(const QString& path, int channels)
{
    auto* profile = new CLibraryProfile;
    profile->m_path = path;
    for (int i = 0; i < channels; ++i) {
        auto* channel = new CProfileChannelDef;
        channel->m_type = ChannelType::Dimmer;
        channel->m_index = i;
        profile->CurrentMode()->m_channels << channel;
    }
    return profile;
}

inline void WriteProfileFile(const QString& path, int channels)
{
    std::unique_ptr<CLibraryProfile> profile(MakeProfile(QString(), channels));
    QVERIFY(profile->Save(path));
}

// Answers the dialog's boxes as the test scripted them and counts the
// save questions.
class CFakePrompts : public CSetupPrompts
{
public:
    QString openFile;
    QString saveFile;
    QString text;
    bool textAccepted = true;
    SaveAnswer saveAnswer = Cancel;
    int saveQuestions = 0;
    QString proposal;

    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&) override { return openFile; }
    QString SaveFileName(QWidget*, const QString&, const QString& proposed, const QString&) override
    {
        proposal = proposed;
        return saveFile;
    }
    bool GetText(QWidget*, const QString&, const QString&, QString& answer) override
    {
        if (textAccepted)
            answer = text;
        return textAccepted;
    }
    SaveAnswer AskSaveChanges(QWidget*) override
    {
        ++saveQuestions;
        return saveAnswer;
    }
};

// The matrix builder's answer, cell by cell.
struct SFakeCell
{
    int universe;
    int address;
    int number;
    CPatchBlock* block = nullptr;
    bool valid = true;
};

class CFakeBuilder : public CMatrixBuilder
{
public:
    int columns = 0;
    int rows = 0;
    bool accept = true;
    QList<SFakeCell> cells;
    QList<Request> requests;

    bool Run(const Request& request, QWidget*) override
    {
        requests << request;
        return accept;
    }
    int Columns() const override { return columns; }
    int Rows() const override { return rows; }
    int CellCount() const override { return cells.size(); }
    QRect CellGridRect(int i) const override { return cells[i].valid ? QRect(i, 0, 1, 1) : QRect(); }
    int CellUniverse(int i) const override { return cells[i].universe; }
    int CellAddress(int i) const override { return cells[i].address; }
    int CellNumber(int i) const override { return cells[i].number; }
    QRect CellLayoutRect(int i) const override { return QRect(i * 10, 0, 10, 10); }
    CPatchBlock* CellBlock(int i) const override { return cells[i].block; }
};

// A project of `universes` universes, the library folder "Profiles" of a
// temporary working directory holding `files` (name, channel count), and
// the dialog over it with scripted boxes.
struct CSetupRig
{
    CRecordingHost host;
    QTemporaryDir dir;
    QString oldDir = QDir::currentPath();
    CProject project;
    std::unique_ptr<CAddFixturesDlg> dialog;
    CFakePrompts* prompts = nullptr;
    std::shared_ptr<CFakeBuilder> builder = std::make_shared<CFakeBuilder>();

    explicit CSetupRig(int universes = 2, const QList<QPair<QString, int>>& files = {}, int channels = 512)
    {
        QDir::setCurrent(dir.path());
        QDir().mkdir(QStringLiteral("Profiles"));
        for (const auto& file : files)
            WriteProfileFile(QStringLiteral("Profiles/") + file.first, file.second);
        project.NewProject(universes);
        dialog = std::make_unique<CAddFixturesDlg>(project, channels);
        prompts = new CFakePrompts;
        dialog->SetPrompts(std::unique_ptr<CSetupPrompts>(prompts));
    }
    ~CSetupRig()
    {
        dialog.reset();
        QDir::setCurrent(oldDir);
    }

    CPatchTab& Tab() const { return *dialog->PatchPage(); }
    void UseBuilder()
    {
        auto shared = builder;
        Tab().SetMatrixBuilderFactory([shared] {
            auto* forward = new CForwardBuilder(*shared);
            return std::unique_ptr<CMatrixBuilder>(forward);
        });
    }
    // The edited profile becomes the current one, named after its file.
    CLibraryProfile* Edit(const QString& path, int channels)
    {
        CLibraryProfile* profile = MakeProfile(path, channels);
        dialog->OpenProfileForEditing(profile);
        return profile;
    }
    // Patch `count` fixtures from 1-based channel `first` of universe `universe`.
    void Patch(int universe, int first, int count)
    {
        Tab().UniverseCombo()->setCurrentIndex(universe);
        Tab().FirstChannelCombo()->setCurrentIndex(Tab().FirstChannelCombo()->findText(QString::number(first)));
        // The count range may be stale: the tab must stop by itself.
        Tab().CountSpin()->setMaximum(std::max(count, Tab().CountSpin()->maximum()));
        Tab().CountSpin()->setValue(count);
        Tab().OnPatch();
    }
    CPatchBlock* AddBlock(CLibraryProfile* profile, int universe, int start, const QString& base = QStringLiteral("Par"))
    {
        auto* block = new CPatchBlock(profile, universe, start, -1);
        Tab().SetIdAndName(block, base);
        Tab().AppendBlock(block);
        return block;
    }
    void Select(const QList<CPatchBlock*>& blocks)
    {
        Tab().ClearSelection();
        for (CPatchBlock* block : blocks)
            Tab().AddToSelection(block);
    }
    QStringList Places() const
    {
        QStringList places;
        for (const CPatchBlock* block : Tab().m_blocks)
            places << QStringLiteral("%1:%2").arg(block->m_universe).arg(block->m_start);
        return places;
    }
    int Messages(const QString& text) const
    {
        int n = 0;
        for (const QString& call : host.calls)
            n += call.startsWith(QStringLiteral("ShowInformation:")) && call.endsWith(text);
        return n;
    }

private:
    // The tab owns the builder it is given; the test keeps the scripted one.
    class CForwardBuilder : public CMatrixBuilder
    {
    public:
        explicit CForwardBuilder(CFakeBuilder& to) : m_to(to) {}
        bool Run(const Request& r, QWidget* p) override { return m_to.Run(r, p); }
        int Columns() const override { return m_to.Columns(); }
        int Rows() const override { return m_to.Rows(); }
        int CellCount() const override { return m_to.CellCount(); }
        QRect CellGridRect(int i) const override { return m_to.CellGridRect(i); }
        int CellUniverse(int i) const override { return m_to.CellUniverse(i); }
        int CellAddress(int i) const override { return m_to.CellAddress(i); }
        int CellNumber(int i) const override { return m_to.CellNumber(i); }
        QRect CellLayoutRect(int i) const override { return m_to.CellLayoutRect(i); }
        CPatchBlock* CellBlock(int i) const override { return m_to.CellBlock(i); }

    private:
        CFakeBuilder& m_to;
    };
};
