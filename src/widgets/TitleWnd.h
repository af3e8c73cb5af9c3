#pragma once

#include <QWidget>

// The grey caption strip above a list or a control group.
class CTitleWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CTitleWnd(const QString& title, QWidget* parent = nullptr);

    QString Title() const { return m_title; }
    void SetTitle(const QString& title);

    static constexpr int kHeight = 20;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
};
