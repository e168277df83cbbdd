#pragma once

// String-table ids of the operator windows.
namespace OperatorTexts
{
// A message shown without a caption gets the platform's default one; id 0
// has no text.
constexpr int NoCaption = 0;

constexpr int NameEmpty = 102;
constexpr int DeleteQuestion = 105;
constexpr int RightsTitle = 106;
constexpr int PasswordTitle = 107;
constexpr int SelectOperator = 108;
constexpr int ModifyTitle = 109;
constexpr int AddTitle = 110;
constexpr int Male = 111;
constexpr int Female = 112;
constexpr int OldPasswordError = 113;
constexpr int NewPasswordMismatch = 114;
constexpr int Login = 142;
constexpr int Logout = 143;
constexpr int PasswordError = 145;
constexpr int NoSuchUser = 146;
constexpr int Ok = 198;
constexpr int Cancel = 199;
constexpr int AuthorityButton = 204;
constexpr int PasswordButton = 213;
constexpr int OperatorLabel = 225;
constexpr int GenderLabel = 226;
constexpr int DutyLabel = 227;
constexpr int OldPassword = 230;
constexpr int NewPassword = 231;
constexpr int ConfirmPassword = 232;
constexpr int OperatorWindow = 233;
constexpr int SettingsRight = 234;
constexpr int AttendantsRight = 235;
constexpr int HistoryRight = 236;
constexpr int StatisticRight = 237;
constexpr int MaintenanceRight = 238;
constexpr int PagerRight = 239;
constexpr int PasswordLabel = 240;
constexpr int Add = 241;
constexpr int Modify = 242;
constexpr int Delete = 243;
constexpr int SelectUser = 266;
constexpr int NameInUse = 285;
}

