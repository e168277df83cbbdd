#include "site/DutyTexts.h"

#include "calls/CallText.h"
#include "ui/UiText.h"

namespace DutyTexts
{
QString attendant(const stEmployee &employee)
{
    const QString name = QString::fromStdString(employee.EmpName);
    if (employee.EmpID.empty())
        return name;
    return name + QStringLiteral(" (") + QString::fromStdString(employee.EmpID) + u')';
}

QString duty(const stDuty &duty, const stEmployee *attendant)
{
    const QString who = attendant ? DutyTexts::attendant(*attendant) : uiText(TextId::NotSet);
    return who + QStringLiteral(", ") + QString::fromStdString(spanText(duty.BeginTime)) + u'-' +
           QString::fromStdString(spanText(duty.EndTime)) + QStringLiteral(", ") + QString::fromStdString(duty.Zone);
}
}
