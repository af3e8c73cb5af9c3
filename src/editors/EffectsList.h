#pragma once

#include <QListWidget>

// The strip of effect kinds under the steps table: kinds are chosen by a
// click, nothing is dragged out of or dropped onto it.
class CEffectsList : public QListWidget
{
    Q_OBJECT
public:
    explicit CEffectsList(QWidget* parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
