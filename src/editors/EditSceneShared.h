#pragma once

#include "Captions.h"
#include "editors/ModalRun.h"
#include "editors/TriggerDlg.h"
#include "effects/Effect.h"
#include "model/Language.h"
#include "show/Scene.h"
#include "show/ShowHost.h"

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QString>
#include <QTime>

// What the files of the scene editor share: its pictures, the effect kinds it
// offers and the times of its fields.
namespace EditScene {

inline const QString kIcons = QStringLiteral(":/Orvane/Images/Icons/");
inline const QString kBlackHeader = QStringLiteral("QHeaderView::section {color: black;}");
inline const QString kRedHeader = QStringLiteral("QHeaderView::section {color: red;}");
constexpr int kPlayModes = 5;
constexpr int kLoopItems = 256; // "Always loop" and 1 to 255

struct CEffectKind
{
    int caption;
    const char* icon;
    int type;
};
inline const CEffectKind kEffectKinds[] = {
    {Txt::EdGradient, "Gradient.png", EffectType::Gradient},   {Txt::EdSequencer, "Color.png", EffectType::Trichro},
    {Txt::EdCurve, "Curve.png", EffectType::Curve},            {Txt::EdPanTilt, "PanTilt.png", EffectType::PanTilt},
    {Txt::Matrix, "Matrix.png", EffectType::MatrixAnim},       {Txt::EdAnimated, "GIF.png", EffectType::MatrixGif},
    {Txt::EdMedia, "Media.png", EffectType::MatrixMedia},      {Txt::EdText, "Text.png", EffectType::MatrixText},
};

inline QIcon EffectIcon(const CEffectKind& kind)
{
    return QIcon(QStringLiteral(":/Orvane/Images/Effects/") + QLatin1String(kind.icon));
}

// A copy for the history: the whole scene with its release list, which the
// scene's own copy leaves out so that page copies never share one.
inline CScene* CopyOf(const CScene& scene)
{
    auto* copy = new CScene(scene, true, true, true);
    copy->m_releaseList = scene.m_releaseList;
    return copy;
}

// The trigger dialog of a scene, which the host knows for as long as it is
// open. True when the operator accepted it.
inline bool EditTriggers(CTriggers& triggers, int universeCount, QWidget* parent)
{
    CTriggerDlg dialog(triggers, false, true, universeCount, parent);
    ShowHost().SetOpenTriggerDialog(&dialog);
    const int result = RunDialog(dialog);
    ShowHost().SetOpenTriggerDialog(nullptr);
    return result == QDialog::Accepted;
}

// A scene without a name could not be told apart from the others: an emptied
// field gets the old name back, and a new one reaches the host.
inline void StoreName(QLineEdit& field, CScene& scene)
{
    if (field.text().trimmed().isEmpty())
        field.setText(scene.m_name);
    if (field.text() != scene.m_name) {
        scene.m_name = field.text();
        ShowHost().UpdateSceneName(&scene);
    }
}

inline void FillLoopItems(QComboBox& loops)
{
    loops.clear();
    loops.addItem(GetLangText(Txt::EdAlwaysLoop));
    for (int i = 1; i < kLoopItems; ++i)
        loops.addItem(QStringLiteral("%1 %2").arg(i).arg(GetLangText(Txt::EdLoops)));
}

// A count no item shows (from a damaged file) selects none, and stays as it
// is unless one is picked.
inline void ShowLoopCount(QComboBox& loops, int count)
{
    loops.setCurrentIndex(count >= 0 && count < kLoopItems ? count : -1);
}

inline QTime TimeOf(int ms)
{
    return QTime(0, 0).addMSecs(qMax(0, ms));
}

inline int Ms(const QTime& time)
{
    return time.isValid() ? time.msecsSinceStartOfDay() : 0;
}

} // namespace EditScene
