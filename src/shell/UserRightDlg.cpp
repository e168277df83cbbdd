#include "shell/UserRightDlg.h"

#include <array>

#include <QCheckBox>
#include <QPushButton>

#include "data/OperatorRules.h"
#include "ui/UiText.h"
#include "ui_authority.h"

CUserRightDlg::CUserRightDlg(stUser &user, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CUserRightDlg>()}
    , m_user {user}
    , m_rights {static_cast<std::uint8_t>(user.Authority & OperatorRules::RightsMask)}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::OperatorRights);
    setControlTexts(*this, {
                               {"title", TextId::OperatorRights},
                               {"OptUserManage", TextId::OperatorManagement},
                               {"OptBaseSetup", TextId::SystemSettings},
                               {"OptEmployeeManage", TextId::Attendants},
                               {"OptHistoryQuery", TextId::History},
                               {"OptDataStatistic", TextId::Statistic},
                               {"OptDataMaintenance", TextId::DataMaintenance},
                               {"OptInfoEntry", TextId::Pager},
                               {"btnok", TextId::Ok},
                               {"closebtn", TextId::Cancel},
                           });
    // In bit order.
    const std::array<QCheckBox *, 7> options {m_ui->OptUserManage,   m_ui->OptBaseSetup,       m_ui->OptEmployeeManage,
                                              m_ui->OptHistoryQuery, m_ui->OptDataStatistic,   m_ui->OptDataMaintenance,
                                              m_ui->OptInfoEntry};
    for (std::size_t bit = 0; bit < options.size(); ++bit) {
        const std::uint8_t value = OperatorRules::bitValue(static_cast<int>(bit));
        options[bit]->setChecked((m_rights & value) != 0);
        connect(options[bit], &QCheckBox::toggled, this, [this, value](bool checked) {
            m_rights = static_cast<std::uint8_t>(checked ? m_rights | value : m_rights & ~value);
        });
    }
    connect(m_ui->btnok, &QPushButton::clicked, this, &CUserRightDlg::save);
}

CUserRightDlg::~CUserRightDlg() = default;

void CUserRightDlg::save()
{
    m_user.Authority = OperatorRules::withRights(m_user.Authority, m_rights);
    emit changed();
    done(ResultOk);
}
