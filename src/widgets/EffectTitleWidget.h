#pragma once

#include <QColor>
#include <QWidget>

// The name of the edited effect in an editor's tool bar; the editor tints it
// to show the effect's state.
class CEffectTitleWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CEffectTitleWidget(const QString& title, QWidget* parent = nullptr);

    QString Title() const { return m_title; }
    void SetTitle(const QString& title);
    QColor PenColor() const { return m_penColor; }
    void SetPenColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QColor m_penColor = QColor(40, 40, 40);
};
