#pragma once

#include <string>
#include <vector>

// Lists the serial ports present, as device paths, each once, in UTF-16
// code-unit order.
//
// By default these are the ttys with a real device behind them: USB serial
// adapters (ttyUSB), modems (ttyACM), on-board UARTs that exist (ttyS and the
// like whose UART type is known) and Bluetooth serial links (rfcomm). Given a
// folder instead, it lists the character devices in it and the links to
// them, so that tests and simulators can offer pseudo-terminals as ports.
class SerialPortScanner
{
public:
    SerialPortScanner();
    explicit SerialPortScanner(std::string folder);

    std::vector<std::string> scan() const;
    const std::string &folder() const { return m_folder; }

private:
    std::vector<std::string> scanSystem() const;
    std::vector<std::string> scanFolder() const;

    std::string m_folder;
};
