#pragma once

#include <array>
#include <memory>

#include <QWidget>

class CPopupItem;
class WindowFrame;
struct PopupEntryView;

namespace Ui
{
class CPopupCallDlg;
}

// The pop-up call window: the five newest calls in large type, newest in
// `call1`. It draws what the call core's pop-up entries hold; the main
// window owns it and frees it once it has closed (closebtn or Escape), so
// the next call opens a new one. Main thread only.
class CPopupCallDlg : public QWidget
{
    Q_OBJECT

public:
    static constexpr int EntryCount = 5;
    // The result of a window closed with Escape.
    static constexpr int ResultCancelled = 2;

    // owner: the main window, when the pop-up is to stay with it (kept above
    // it); nullptr for a window of its own.
    explicit CPopupCallDlg(QWidget *owner);
    ~CPopupCallDlg() override;

    void showEntry(int entry, const PopupEntryView &view);
    CPopupItem &entry(int entry) const;
    // Shows the window, centred on its owner or the screen.
    void open();
    // Brings the window to the front.
    void raiseToFront();
    int result() const { return m_result; }

signals:
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::CPopupCallDlg> m_ui;
    std::array<CPopupItem *, EntryCount> m_entries {};
    QWidget *m_owner;
    WindowFrame *m_frame;
    int m_result = 0;
};
