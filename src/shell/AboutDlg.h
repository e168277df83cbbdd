#pragma once

#include <memory>
#include <string>

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
};

// The About window: the program's name and version, the data folder, the
// serial port and its state, and the libraries the desk is built on with
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
    void copyText();

    std::unique_ptr<Ui::CAboutDlg> m_ui;
    QString m_dataFolder;
};
