#include "shell/SettingsApplied.h"

#include <cerrno>

#include "ui/UiText.h"

QString portFailureText(const SettingsApplied &applied)
{
    QString text = uiText(TextId::OpenPortFailed, {QString::fromStdString(applied.port)});
    if (!applied.portError.empty())
        text += u'\n' + QString::fromStdString(applied.portError);
    if (applied.portErrorNumber == EACCES)
        text += u'\n' + uiText(TextId::PortNeedsDialout);
    const QString kept = applied.keptPort.empty() ? uiText(TextId::NoPortSet) : QString::fromStdString(applied.keptPort);
    return text + u'\n' + uiText(TextId::PortKept, {kept});
}
