#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "data/BoardDevice.h"
#include "data/SetupRecord.h"
#include "ui/ChildDialog.h"
#include "ui/controls/RecordListModel.h"

class CMainFrameDlg;
class QAbstractButton;
class QLineEdit;

namespace Ui
{
class CSetupDlg;
}

// The system settings: three pages (general; colours and times; the live
// board) over copies of the desk's settings. The board's devices are paired
// and removed at once, on the running board; its on/off and port, like the
// rest, on OK. OK reads the fields, refuses a blank title
// and a list length outside the desk's range, asks before it stores
// thresholds out of order, has the main window apply and save the record,
// tells what failed, asks for a new start when the language changed, and
// closes with ResultOk. Cancel and the close button change nothing. Main
// thread only.
class CSetupDlg : public ChildDialog
{
    Q_OBJECT

public:
    CSetupDlg(CMainFrameDlg &desk, QWidget *owner);
    ~CSetupDlg() override;

private:
    // A colour button and the record's field whose colour it keeps while the
    // window is open.
    struct ColourButton
    {
        QAbstractButton *button;
        std::uint32_t SetupRecord::*field;
    };

    void setUpTexts();
    void showRecord(const SetupRecord &record);
    void fillPorts(const SetupRecord &record);
    void chooseWave(QLineEdit &edit);
    void play(const QLineEdit &edit);
    void chooseColour(QAbstractButton &button);
    void showColour(QAbstractButton &button, std::uint32_t colour);
    void ok();
    bool thresholdsAccepted(const SetupRecord &record);
    // The record as the fields give it; title and length already checked.
    SetupRecord fieldsRecord(std::int32_t records) const;

    using DeviceListModel = RecordListModel<stBoardDevice>;

    void showBoard();
    void showDevices();
    void pairDevice();
    void removeDevice();
    // The port typed, when it is one.
    std::optional<int> boardPort() const;
    bool boardChanged() const;
    // False when the board's settings could not be stored (told).
    bool applyBoard();

    std::unique_ptr<Ui::CSetupDlg> m_ui;
    CMainFrameDlg &m_desk;
    std::array<ColourButton, 10> m_colours;
    DeviceListModel *m_devices;
    // The board's settings when the window opened.
    stBoardSetup m_board;
    // The language when the window opened: a second OK after a failed save
    // still asks for the new start.
    std::uint32_t m_openedLanguage;
};
