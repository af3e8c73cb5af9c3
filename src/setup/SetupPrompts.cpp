#include "setup/SetupPrompts.h"

#include "model/Language.h"
#include "show/ShowHost.h"
#include "widgets/FolderFileDialog.h"
#include "Captions.h"

#include <QInputDialog>
#include <QMessageBox>

namespace {

// The floating video window would cover the box.
template <typename Run>
auto WithVideoHidden(Run run)
{
    ShowHost().SuspendVideoWindow();
    auto result = run();
    ShowHost().ResumeVideoWindow();
    return result;
}

} // namespace

QString CSetupPrompts::OpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter)
{
    return WithVideoHidden([&] { return OpenFileIn(parent, title, folder, filter); });
}

QString CSetupPrompts::SaveFileName(QWidget* parent, const QString& title, const QString& proposal,
                                    const QString& filter)
{
    return WithVideoHidden([&] { return SaveFileIn(parent, title, proposal, filter); });
}

bool CSetupPrompts::GetText(QWidget* parent, const QString& title, const QString& label, QString& text)
{
    bool ok = false;
    const QString answer = WithVideoHidden(
        [&] { return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok); });
    if (ok)
        text = answer;
    return ok;
}

CSetupPrompts::SaveAnswer CSetupPrompts::AskSaveChanges(QWidget* parent)
{
    const auto button = WithVideoHidden([&] {
        return QMessageBox::warning(
            parent, GetLangText(Txt::AppTitle),
            QStringLiteral("%1 %2").arg(GetLangText(Txt::ProfileModified), GetLangText(Txt::ProfileSaveChanges)),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    });
    if (button == QMessageBox::Save)
        return Save;
    return button == QMessageBox::Discard ? Discard : Cancel;
}
