#include "shell/UserDlg.h"

#include <QHeaderView>
#include <QPushButton>

#include "data/DbManage.h"
#include "data/OperatorRules.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "shell/AddUserDlg.h"
#include "shell/AlterPasswordDlg.h"
#include "shell/AlterUserDlg.h"
#include "shell/UserRightDlg.h"
#include "ui_user.h"

namespace
{
std::vector<CUserDlg::UserListModel::Column> userColumns()
{
    return {
        {uiText(TextId::Operator), [](const stUser &u) { return QString::fromStdString(u.Operator); }, 110},
        {uiText(TextId::Gender),
         [](const stUser &u) { return uiText(u.Gender ? TextId::Male : TextId::Female); }, 75},
        {uiText(TextId::Post), [](const stUser &u) { return QString::fromStdString(u.Post); }, 140},
    };
}
}

CUserDlg::CUserDlg(DbManage &db, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CUserDlg>()}
    , m_db {db}
    , m_users {new UserListModel(userColumns(), this)}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::OperatorManagement);
    setTexts();
    m_ui->UserList->setModel(m_users);
    for (int column = 0; column < m_users->columnCount(); ++column)
        m_ui->UserList->header()->resizeSection(column, m_users->columnWidth(column));
    connect(m_ui->UserList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CUserDlg::selectionChanged);
    connect(m_ui->btnNew, &QPushButton::clicked, this, &CUserDlg::addUser);
    connect(m_ui->btnAlter, &QPushButton::clicked, this, &CUserDlg::alterUser);
    connect(m_ui->btnDelete, &QPushButton::clicked, this, &CUserDlg::deleteUser);
    connect(m_ui->btnUserRight, &QPushButton::clicked, this, &CUserDlg::alterRights);
    connect(m_ui->btnAlterPassword, &QPushButton::clicked, this, &CUserDlg::alterPassword);
    loadUsers();
}

CUserDlg::~CUserDlg() = default;

void CUserDlg::setTexts()
{
    setControlTexts(*this, {
                               {"title", TextId::OperatorManagement},
                               {"btnNew", TextId::Add},
                               {"btnAlter", TextId::Modify},
                               {"btnDelete", TextId::Delete},
                               {"btnUserRight", TextId::Authority},
                               {"btnAlterPassword", TextId::ChangePassword},
                           });
}

void CUserDlg::loadUsers()
{
    std::vector<UserPtr> users;
    for (stUser &user : m_db.GetOperators())
        users.push_back(std::make_shared<stUser>(std::move(user)));
    m_users->setRecords(std::move(users));
}

int CUserDlg::selectedRow() const
{
    const QModelIndexList rows = m_ui->UserList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

CUserDlg::UserPtr CUserDlg::selectedUser()
{
    UserPtr user = m_users->record(selectedRow());
    if (!user)
        inform(this, TextId::SelectOperator, NoCaption, PromptIcon::Information);
    return user;
}

void CUserDlg::selectionChanged()
{
    const UserPtr user = m_users->record(selectedRow());
    const bool admin = user && OperatorRules::isAdminName(user->Operator);
    m_ui->btnUserRight->setEnabled(!admin);
    m_ui->btnDelete->setEnabled(!admin);
}

bool CUserDlg::nameTaken(const QString &name, const stUser *except) const
{
    const std::string wanted = name.toStdString();
    for (const UserPtr &user : m_users->records()) {
        if (user.get() != except && OperatorRules::equalIgnoringAsciiCase(user->Operator, wanted))
            return true;
    }
    return false;
}

void CUserDlg::addUser()
{
    CAddUserDlg add(this, [this](const QString &name) { return nameTaken(name, nullptr); });
    connect(&add, &CAddUserDlg::added, this, [this](const UserPtr &user) {
        // A record the database refused is dropped: no row without a stored operator.
        if (m_db.InsertOperator(*user))
            m_users->append(user);
        else
            tellChangeNotSaved(this, m_db);
    });
    add.run();
}

void CUserDlg::alterUser()
{
    const UserPtr user = selectedUser();
    if (!user)
        return;
    const stUser before = *user;
    CAlterUserDlg alter(*user, this, [this, user](const QString &name) { return nameTaken(name, user.get()); });
    connect(&alter, &CAlterUserDlg::modified, this, [this, user, before] {
        keepIfStored(*user, before, m_db.UpdateOperator(*user));
    });
    alter.run();
}

void CUserDlg::deleteUser()
{
    const UserPtr user = selectedUser();
    if (!user || OperatorRules::isAdminName(user->Operator))
        return;
    const PromptMessage question {uiText(TextId::DeleteQuestion) + QString::fromStdString(user->Operator) + u'?',
                                  uiText(TextId::ProgramName), PromptIcon::Question, PromptButtons::YesNo,
                                  PromptAnswer::Yes};
    if (messagePrompt().show(this, question) != PromptAnswer::Yes)
        return;
    // A row whose delete failed stays, as the operator does.
    if (m_db.DeleteOperator(user->ID))
        m_users->remove(m_users->rowOf(user.get()));
    else
        tellChangeNotSaved(this, m_db);
}

void CUserDlg::alterRights()
{
    const UserPtr user = selectedUser();
    if (!user || OperatorRules::isAdminName(user->Operator))
        return;
    const stUser before = *user;
    CUserRightDlg rights(*user, this);
    connect(&rights, &CUserRightDlg::changed, this, [this, user, before] {
        keepIfStored(*user, before, m_db.UpdateOperatorRights(user->Authority, user->ID));
    });
    rights.run();
}

void CUserDlg::alterPassword()
{
    const UserPtr user = selectedUser();
    if (!user)
        return;
    const stUser before = *user;
    CAlterPasswordDlg password(*user, this);
    connect(&password, &CAlterPasswordDlg::changed, this, [this, user, before] {
        keepIfStored(*user, before, m_db.UpdateOperatorPassword(user->Password, user->ID));
    });
    password.run();
}

void CUserDlg::keepIfStored(stUser &user, const stUser &before, bool stored)
{
    // The list shows what the database holds: a change it refused is undone.
    if (!stored) {
        user = before;
        tellChangeNotSaved(this, m_db);
    }
    m_users->refresh(m_users->rowOf(&user));
    selectionChanged();
}
