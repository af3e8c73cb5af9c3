#pragma once

#include "BeamRig.h"
#include "SetupRig.h"

#include "model/ProfileTypes.h"
#include "setup/BeamItem.h"
#include "setup/BeamsView.h"
#include "setup/ChannelsList.h"
#include "setup/ProfileChannelCell.h"
#include "setup/ProfileChannelCtrl.h"
#include "setup/ProfileChannelsWnd.h"
#include "setup/ProfileEditorDialogs.h"
#include "setup/ProfileTab.h"

#include <QApplication>
#include <QCheckBox>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>

// The profile editor's dialogs as a test scripts them.
class CFakeProfileDialogs : public CProfileEditorDialogs
{
public:
    int edits = 0;
    int colorEdits = 0;
    int assigns = 0;
    QString editedName;      // the name the editor gives; empty: Cancel
    bool colorDimmerDialog = true;
    bool assignDialog = true;
    QColor low{Qt::red}, high{Qt::blue};
    bool acceptColors = false;
    bool acceptAssign = false;

    CProfileChannelDef* EditChannel(const CProfileChannelDef& channel, QWidget*) override
    {
        ++edits;
        if (editedName.isEmpty())
            return nullptr;
        auto* copy = new CProfileChannelDef(channel);
        copy->m_name = editedName;
        return copy;
    }
    bool CanEditColorDimmer() const override { return colorDimmerDialog; }
    bool EditColorDimmer(QColor& a, QColor& b, QWidget*) override
    {
        ++colorEdits;
        if (acceptColors) {
            a = low;
            b = high;
        }
        return acceptColors;
    }
    bool CanAssignBeams() const override { return assignDialog; }
    bool AssignBeams(CLibraryProfile& profile, QWidget*) override
    {
        ++assigns;
        if (acceptAssign) {
            for (CProfileChannelDef* channel : profile.CurrentMode()->m_channels)
                channel->m_beams = QByteArray(1, char(7));
        }
        return acceptAssign;
    }
};

// Channels written "7 25 26M 26L": the type, M for the coarse and L for the
// fine half of a 16-bit pair.
inline QString Describe(const CProfileMode* mode)
{
    QStringList channels;
    for (const CProfileChannelDef* c : mode ? mode->m_channels : QList<CProfileChannelDef*>())
        channels << QString::number(c->m_type) + (c->m_msb ? "M" : "") + (c->m_lsb ? "L" : "");
    return channels.join(QLatin1Char(' '));
}

inline void AddChannels(CProfileMode& mode, const QString& types)
{
    for (const QString& type : types.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        auto* channel = new CProfileChannelDef;
        channel->m_type = type.toInt();
        channel->m_name = GetChannelTypeName(channel->m_type);
        channel->m_index = mode.m_channels.size();
        mode.m_channels << channel;
    }
}

// The add-fixtures dialog's profile page with scripted dialogs.
struct CProfileRig : CSetupRig
{
    CFakeProfileDialogs* dialogs = new CFakeProfileDialogs;

    CProfileRig()
    {
        Page().SetDialogs(std::unique_ptr<CProfileEditorDialogs>(dialogs));
        Strip().resize(3000, 300);
    }
    CProfileTab& Page() const { return *dialog->ProfilePage(); }
    CProfileChannelsWnd& Strip() const { return *Page().Channels(); }
    CLibraryProfile* Edited() const { return dialog->EditedProfile(); }
    CProfileMode* Mode() const { return Edited() ? Edited()->CurrentMode() : nullptr; }
    CProfileChannelCtrl* Column(int i) const { return Strip().Columns().value(i); }
    CBeamsView& Beams() const { return *Page().BeamsView(); }
    QString BeamCorners() const { return TopLefts(Beams()); }
    void PlaceBeams(const QString& corners) const
    {
        Beams().ClearBeams();
        for (const QString& pair : corners.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            auto* beam = new CBeamItem(0, Beams().BeamCount() + 1);
            beam->MoveTopLeft(QPoint(pair.section(QLatin1Char(','), 0, 0).toInt(),
                                     pair.section(QLatin1Char(','), 1, 1).toInt()));
            Beams().AddBeam(beam);
        }
    }

    // A profile of these channels opened in the editor.
    CLibraryProfile* Open(const QString& types, const QString& path = QStringLiteral("Wash.kvp"))
    {
        auto* profile = new CLibraryProfile;
        profile->m_path = path;
        AddChannels(*profile->CurrentMode(), types);
        dialog->OpenProfileForEditing(profile);
        return profile;
    }
    // The point of the strip inside column `column`, past the last for -1.
    QPoint PointIn(int column) const
    {
        Strip().layout()->activate();
        if (column < 0 || column >= Strip().Columns().size()) {
            const int right = Strip().Columns().isEmpty() ? 0 : Strip().Columns().last()->geometry().right();
            return QPoint(right + 20, 50);
        }
        return Strip().Columns()[column]->geometry().center();
    }
    // A drop on the strip; true when it was taken.
    bool Drop(const QPoint& at, const QByteArray& payload, bool ctrl = false) const
    {
        QMimeData data;
        data.setData(CChannelsList::kMimeType, payload);
        QDropEvent event(at, Qt::MoveAction, &data, Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier);
        Deliver(event);
        return event.isAccepted();
    }
    bool DropType(int column, int type, bool ctrl = false) const
    {
        return Drop(PointIn(column), CChannelsList::EncodePayload(CProfileTab::ChannelPicture(type), type), ctrl);
    }
    // Column drags end as the test says: a drop in column `dropColumn` of
    // the strip as it stands during the drag (-2: the drag is cancelled,
    // -3: another window takes it).
    void ScriptDrag(int dropColumn)
    {
        Strip().SetDragRunner([this, dropColumn](QMimeData* data, const QPixmap&) {
            std::unique_ptr<QMimeData> owned(data);
            if (dropColumn == -2)
                return Qt::IgnoreAction;
            if (dropColumn == -3)
                return Qt::MoveAction;
            QDropEvent event(PointIn(dropColumn), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            Deliver(event);
            return event.dropAction();
        });
    }
    // Straight to the strip: a hidden window is no drop site.
    void Deliver(QDropEvent& event) const { static_cast<QObject&>(Strip()).event(&event); }
    QStringList CellTexts(int kind) const
    {
        QStringList texts;
        for (const CProfileChannelCtrl* column : Strip().Columns())
            texts << column->Cell(kind)->Text();
        return texts;
    }
};

// Columns and channels stand in the same order, numbered by position, and
// every link points at a channel of the mode that points back.
inline void VerifyParallel(const CProfileRig& rig)
{
    const CProfileMode* mode = rig.Strip().Mode();
    QVERIFY(mode);
    QCOMPARE(mode, rig.Mode());
    QCOMPARE(rig.Strip().Columns().size(), mode->ChannelCount());
    for (int i = 0; i < mode->ChannelCount(); ++i) {
        const CProfileChannelDef* channel = mode->m_channels[i];
        QCOMPARE(rig.Column(i)->Channel(), channel);
        QCOMPARE(channel->m_index, i);
        QCOMPARE(rig.Column(i)->SixteenBits()->isChecked(), channel->m_msb || channel->m_lsb);
        if (channel->m_msb || channel->m_lsb) {
            QVERIFY(channel->m_msb != channel->m_lsb);
            QVERIFY(channel->m_partner16);
            QCOMPARE(channel->m_partner16Index, mode->m_channels.indexOf(channel->m_partner16));
            QCOMPARE(channel->m_partner16->m_partner16, channel);
        } else {
            QCOMPARE(channel->m_partner16Index, -1);
        }
        if (channel->m_twoPresets && channel->m_twoPresetPartner) {
            QCOMPARE(channel->m_twoPresetIndex, mode->m_channels.indexOf(channel->m_twoPresetPartner));
            QCOMPARE(channel->m_twoPresetPartner->m_twoPresetPartner, channel);
        }
        for (const CProfilePresetDef* preset : channel->m_presets) {
            QCOMPARE(preset->m_target, mode->m_channels.indexOf(preset->m_targetChannel));
        }
    }
}
