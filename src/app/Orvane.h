#pragma once

#include "show/ShowHost.h"

#include <QMainWindow>
#include <memory>

class CAppOptions;

// The main window: owns the options record and, with the issues ahead, the
// project document, the device managers and every panel.
class Orvane : public QMainWindow, public CShowHost
{
    Q_OBJECT

public:
    explicit Orvane(const QString& projectPath = QString(), QWidget* parent = nullptr);
    ~Orvane() override;

    CAppOptions& Options() { return *m_options; }

    // CShowHost
    void SetModified(bool modified) override;
    bool IsModified() const override { return m_bModified; }
    int OutputMode() const override { return m_outputMode; }
    void SetOutputMode(int mode) override { m_outputMode = mode; }
    bool StartScenesOption() const override;
    bool SendEditDmxOption() const override;
    int UniverseCountOption() const override;
    void SetUniverseCountOption(int count) override;

private:
    void CreateActions();
    void UpdateTitle();

    std::unique_ptr<CAppOptions> m_options;
    QString m_projectPath;
    bool m_bModified = false;
    int m_outputMode = 0;
};
