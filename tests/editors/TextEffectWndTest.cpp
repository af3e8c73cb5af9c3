#include "TestRegistry.h"

#include "EffectPageRig.h"
#include "editors/MatrixPreviewWnd.h"
#include "editors/TextEffectWnd.h"
#include "effects/MatrixTextEffect.h"
#include "model/FixtureMatrix.h"
#include "panels/FixedPresetCtrls.h"
#include "widgets/ColorChooser.h"
#include "widgets/SliderCtrl.h"
#include "widgets/TimeWidget.h"

#include <QPushButton>
#include <QSpinBox>

#include <optional>
#include <QLineEdit>
#include <QtTest>

namespace {

// A colour wheel that keeps what it is shown.
class CWheel : public CColorPresetCtrlBase
{
public:
    CWheel() : CColorPresetCtrlBase(0, false, nullptr) {}
    void SetColor(quint8 r, quint8 g, quint8 b, quint8 w, bool) override { color = CRgbwColor(r, g, b, w); }
    void GetColor(quint8& r, quint8& g, quint8& b, quint8& w) const override
    {
        r = color.r, g = color.g, b = color.b, w = color.w;
    }
    void SetModes(int, int, int, int, bool) override {}
    void MarkEffectChannel(int) override {}
    CRgbwColor color{1, 2, 3, 4};
};

// A row of eight RGB fixtures made a matrix, the text page open on it
// through the effects window, a colour wheel lent to it and the font
// dialog answering `font` (none: cancelled).
class CTextRig : public CEffectsRig
{
public:
    explicit CTextRig(CMatrixTextEffect* stored = nullptr)
    {
        CLibraryProfile* profile = RgbProfile();
        matrix = new CFixtureMatrix(profile, 1, 8, 1, 0);
        project.m_generalGroup->m_matrices << matrix;
        for (int c = 0; c < 8; ++c) {
            CPatchedFixture* member = Patch(profile, 1, c * 3);
            member->m_matrixId = 1;
            matrix->AddMember(member, QRect(c * 20, 0, 20, 20));
        }
        CTextEffectWnd::SetFontRunner([this](QWidget*, const QFont&, QFont& chosen) {
            chosen = font.value_or(QFont());
            return font.has_value();
        });
        CScene* scene = Scene(0);
        if (stored) {
            stored->SetMatrix(matrix);
            AddStep(scene, 0, 100, {{rgb, {0}}})->m_effect = stored;
            scene->m_effects << stored;
            scene->m_currentStep = scene->m_steps.last();
        }
        window->EditEffect(scene, EffectType::MatrixText, stored != nullptr);
        page = qobject_cast<CTextEffectWnd*>(window->Page());
        if (page)
            page->SetColorControl(&wheel);
    }
    ~CTextRig() { CTextEffectWnd::SetFontRunner(nullptr); }

    CFixtureMatrix* matrix = nullptr;
    CTextEffectWnd* page = nullptr;
    CWheel wheel;
    std::optional<QFont> font;
};

CRgbwColor Rgbw(const QList<int>& c)
{
    return CRgbwColor(quint8(c[0]), quint8(c[1]), quint8(c[2]), quint8(c[3]));
}

} // namespace

class TextEffectWndTest : public QObject
{
    Q_OBJECT

private slots:
    // A new text takes the defaults; a stored one is brought into the
    // ranges of the controls and the matrix (eight columns, one row).
    void openedFields_data()
    {
        QTest::addColumn<QList<int>>("stored"); // h, v, direction, intensity; empty: new
        QTest::addColumn<QString>("expected");
        QTest::newRow("new") << QList<int>{} << "Enter your text here 0 0 0 100 120 255,255,255";
        QTest::newRow("stored in range") << QList<int>{-8, 1, 0, 50} << " -8 1 0 50 120 255,255,255";
        QTest::newRow("stored out of range") << QList<int>{50, -9, 9, 0} << " 8 -1 0 10 120 255,255,255";
    }
    void openedFields()
    {
        QFETCH(QString, expected);
        QFETCH(QList<int>, stored);
        CMatrixTextEffect* effect = nullptr;
        if (!stored.isEmpty()) {
            effect = new CMatrixTextEffect;
            effect->m_fade = 120;
            effect->m_hOffset = stored[0], effect->m_vOffset = stored[1];
            effect->m_direction = stored[2], effect->m_intensity = stored[3];
        }
        CTextRig rig(effect);
        const CMatrixTextEffect* e = rig.page->Effect();
        const QString fields = QStringLiteral("%1 %2 %3 %4 %5 %6 %7,%8,%9")
                                   .arg(e->m_text)
                                   .arg(e->m_hOffset)
                                   .arg(e->m_vOffset)
                                   .arg(e->m_direction)
                                   .arg(rig.page->IntensitySlider()->Value())
                                   .arg(e->m_fade)
                                   .arg(rig.wheel.color.r)
                                   .arg(rig.wheel.color.g)
                                   .arg(rig.wheel.color.b);
        QCOMPARE(fields, expected);
        QCOMPARE(rig.page->HorzOffset()->value(), e->m_hOffset);
        QVERIFY(e->m_len > 0);
        QCOMPARE(rig.window->TimeDisplay()->Time(), e->m_len);
    }

    void speedSetsStepTime_data()
    {
        QTest::addColumn<int>("storedMs");
        QTest::addColumn<int>("shownSpeed");
        QTest::addColumn<int>("typedSpeed");
        QTest::addColumn<int>("stepMs");
        QTest::newRow("fastest") << 120 << 8 << 10 << 40;
        QTest::newRow("slowest") << 120 << 8 << 1 << 400;
        QTest::newRow("stored too fast") << 0 << 10 << 9 << 80;
        QTest::newRow("stored too slow") << 99999 << 1 << 2 << 360;
    }
    void speedSetsStepTime()
    {
        QFETCH(int, shownSpeed);
        QFETCH(int, typedSpeed);
        QFETCH(int, stepMs);
        QFETCH(int, storedMs);
        auto* stored = new CMatrixTextEffect;
        stored->m_fade = storedMs;
        CTextRig rig(stored);
        QCOMPARE(rig.page->SpeedSlider()->Value(), shownSpeed);
        rig.page->SpeedSlider()->SpinBox()->setValue(typedSpeed);
        QCOMPARE(rig.page->Effect()->m_fade, stepMs);
    }

    void directionFreesOffsets_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("offsets"); // h v, then e/d for each spin box
        QTest::newRow("still") << 0 << "3 -1 e e";
        QTest::newRow("left") << 1 << "0 -1 d e";
        QTest::newRow("right") << 2 << "0 -1 d e";
        QTest::newRow("up") << 3 << "3 0 e d";
        QTest::newRow("down") << 4 << "3 0 e d";
    }
    void directionFreesOffsets()
    {
        QFETCH(QString, offsets);
        QFETCH(int, direction);
        CTextRig rig;
        rig.page->HorzOffset()->setValue(3);
        rig.page->VertOffset()->setValue(-1);
        rig.page->OnDirectionChanged(eDirection(direction));
        const CMatrixTextEffect* e = rig.page->Effect();
        const QString state = QStringLiteral("%1 %2 %3 %4")
                                  .arg(e->m_hOffset)
                                  .arg(e->m_vOffset)
                                  .arg(rig.page->HorzOffset()->isEnabled() ? "e" : "d")
                                  .arg(rig.page->VertOffset()->isEnabled() ? "e" : "d");
        QCOMPARE(state, offsets);
        QCOMPARE(rig.page->HorzOffset()->value(), e->m_hOffset);
        QCOMPARE(e->m_direction, direction);
    }

    void pickedColourGoesToSelectedSwatches_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("text");
        QTest::addColumn<QList<int>>("back");
        QTest::newRow("none") << QList<int>{} << QList<int>{255, 255, 255, 0} << QList<int>{0, 0, 0, 0};
        QTest::newRow("text") << QList<int>{0} << QList<int>{9, 8, 7, 6} << QList<int>{0, 0, 0, 0};
        QTest::newRow("background") << QList<int>{1} << QList<int>{255, 255, 255, 0} << QList<int>{9, 8, 7, 6};
        QTest::newRow("both") << QList<int>{1, 0} << QList<int>{9, 8, 7, 6} << QList<int>{9, 8, 7, 6};
        QTest::newRow("beyond the swatches") << QList<int>{2} << QList<int>{255, 255, 255, 0}
                                             << QList<int>{0, 0, 0, 0};
    }
    void pickedColourGoesToSelectedSwatches()
    {
        QFETCH(QList<int>, text);
        QFETCH(QList<int>, back);
        QFETCH(QList<int>, selected);
        CTextRig rig;
        rig.page->Chooser()->m_selected = selected;
        emit rig.wheel.colorChanged(9, 8, 7, 6);
        QCOMPARE(rig.page->Effect()->m_textColor, Rgbw(text));
        QCOMPARE(rig.page->Effect()->m_backColor, Rgbw(back));
        QCOMPARE(rig.page->Chooser()->GetColor(0), rig.page->Effect()->m_textColor);
        QCOMPARE(rig.page->Chooser()->GetColor(1), rig.page->Effect()->m_backColor);
        QVERIFY(rig.page->Preview()->IsRunning());
    }

    // Choosing a swatch shows its colour on the wheel; an index outside
    // the two leaves the wheel as it was.
    void chosenSwatchShowsOnTheWheel_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QList<int>>("wheel");
        QTest::newRow("text") << 0 << QList<int>{255, 255, 255, 0};
        QTest::newRow("background") << 1 << QList<int>{0, 0, 0, 0};
        QTest::newRow("none") << -1 << QList<int>{1, 2, 3, 4};
        QTest::newRow("past the last") << 2 << QList<int>{1, 2, 3, 4};
    }
    void chosenSwatchShowsOnTheWheel()
    {
        QFETCH(QList<int>, wheel);
        QFETCH(int, index);
        CTextRig rig;
        rig.wheel.color = CRgbwColor(1, 2, 3, 4);
        emit rig.page->Chooser()->selChanged(index);
        QCOMPARE(rig.wheel.color, Rgbw(wheel));
    }

    void fontDialog_data()
    {
        QTest::addColumn<bool>("chosen");
        QTest::newRow("cancelled") << false;
        QTest::newRow("chosen") << true;
    }
    void fontDialog()
    {
        QFETCH(bool, chosen);
        CTextRig rig;
        const QFont before = rig.page->Effect()->m_font;
        if (chosen)
            rig.font = QFont(QStringLiteral("Courier"), 12);
        rig.page->FontButton()->pressed();
        QCOMPARE(rig.page->Effect()->m_font, chosen ? *rig.font : before);
        QCOMPARE(rig.page->Effect()->m_flag, chosen);
    }

    // Every edit marks the effect changed, so that cancelling asks whether
    // to keep it; opening the page does not.
    void editsMarkTheEffectChanged_data()
    {
        QTest::addColumn<QString>("edit");
        for (const char* edit : {"none", "text", "speed", "intensity", "offset", "direction"})
            QTest::newRow(edit) << QString::fromLatin1(edit);
    }
    void editsMarkTheEffectChanged()
    {
        QFETCH(QString, edit);
        CTextRig rig;
        if (edit == QLatin1String("text"))
            rig.page->TextEdit()->textEdited(QStringLiteral("Hello"));
        else if (edit == QLatin1String("speed"))
            rig.page->SpeedSlider()->SpinBox()->setValue(3);
        else if (edit == QLatin1String("intensity"))
            rig.page->IntensitySlider()->SpinBox()->setValue(40);
        else if (edit == QLatin1String("offset"))
            rig.page->HorzOffset()->setValue(2);
        else if (edit == QLatin1String("direction"))
            rig.page->OnDirectionChanged(eDirection(1));
        QCOMPARE(rig.page->Effect()->m_flag, edit != QLatin1String("none"));
    }

    // A text may start left of or above the matrix: typed offsets keep their
    // sign, within the matrix size, also when fitted to the matrix again.
    void negativeOffsetsAreKept_data()
    {
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("v");
        QTest::addColumn<QString>("kept");
        QTest::newRow("left and up") << -5 << -1 << "-5 -1";
        QTest::newRow("past the left edge") << -20 << -4 << "-8 -1";
        QTest::newRow("right and down") << 3 << 1 << "3 1";
    }
    void negativeOffsetsAreKept()
    {
        QFETCH(int, h);
        QFETCH(int, v);
        CTextRig rig;
        rig.page->HorzOffset()->setValue(h);
        rig.page->VertOffset()->setValue(v);
        const auto offsets = [](const CMatrixTextEffect* e) {
            return e ? QStringLiteral("%1 %2").arg(e->m_hOffset).arg(e->m_vOffset) : QString();
        };
        QTEST(offsets(rig.page->Effect()), "kept");
        // Fitted to the matrix again, as after a selection change.
        rig.page->Effect()->m_applySel = true;
        rig.page->SetMatrix(rig.matrix);
        QTEST(offsets(rig.page->Effect()), "kept");
        QCOMPARE(rig.page->HorzOffset()->value(), rig.page->Effect()->m_hOffset);
    }

    // The font is chosen with the floating video window out of the way.
    void fontDialogHidesTheVideoWindow()
    {
        CTextRig rig;
        QStringList during;
        CTextEffectWnd::SetFontRunner([&](QWidget*, const QFont&, QFont&) {
            during = rig.host.calls.filter("VideoWindow");
            return false;
        });
        rig.host.calls.clear();
        rig.page->OnFont();
        QCOMPARE(during, QStringList{"SuspendVideoWindow"});
        QCOMPARE(rig.host.calls.filter("VideoWindow"), QStringList({"SuspendVideoWindow", "ResumeVideoWindow"}));
    }
};

ORVANE_TEST(TextEffectWndTest)
#include "TextEffectWndTest.moc"
