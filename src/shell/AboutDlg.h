#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "receiver/LinkStatus.h"
#include "ui/ChildDialog.h"

namespace Ui
{
class CAboutDlg;
}

// What the About window tells of the running desk besides the build.
struct AboutFacts
{
    std::string dataFolder;
    // The open port or, with none open, the one the settings name; empty
    // when there is neither.
    std::string serialPort;
    LinkState linkState = LinkState::NoPort;
    // The central history, when the desk ships to one: where (without the
    // password), the site, and whether shipping fails, why and how many
    // calls wait.
    struct Central
    {
        std::string connection;
        std::string site;
        bool failing = false;
        std::string failingSince;
        std::string error;
        std::size_t waitingCalls = 0;
    };
    std::optional<Central> central;
    // The live board while it is served: where browsers reach it and the
    // fingerprint of its certificate, which a phone shows to compare.
    struct Board
    {
        std::vector<std::string> addresses;
        std::string fingerprint;
    };
    std::optional<Board> board;
};

// The About window: the program's name and version, the data folder, the
// serial port and its state, the central history, the live board, and the libraries the desk is built on with
// their licences. `btnCopy` puts all of it on the clipboard as plain text,
// for a support call. Needs no right. Main thread only.
class CAboutDlg : public ChildDialog
{
    Q_OBJECT

public:
    CAboutDlg(const AboutFacts &facts, QWidget *owner);
    ~CAboutDlg() override;

    // What the copy button copies: one line per fact and per library.
    QString text() const;

private:
    QString portText(const AboutFacts &facts) const;
    static QString centralText(const AboutFacts &facts);
    static QString boardText(const AboutFacts &facts);
    void copyText();

    std::unique_ptr<Ui::CAboutDlg> m_ui;
    QString m_dataFolder;
    QString m_boardText;
};
