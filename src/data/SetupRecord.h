#pragma once

#include <cstdint>
#include <string>

#include <Poco/Timespan.h>

#include "base/Language.h"

// The settings of the desk: the one row of TBSetup, held in memory by the
// main window and read by every part that needs a setting.
struct SetupRecord
{
    // Option bits.
    static constexpr std::uint8_t OptShowCallingWnd = 0x01;
    static constexpr std::uint8_t OptHoverMost = 0x02;
    static constexpr std::uint8_t OptTimeoutRestart = 0x04;
    static constexpr std::uint8_t OptShowTask = 0x08;
    static constexpr std::uint8_t OptAutoRunPCStart = 0x10;
    static constexpr std::uint8_t OptUseSystemTime = 0x20;

    // Sound modes of SoundSel1 and SoundSel2.
    static constexpr std::int32_t SoundSilent = 0;
    static constexpr std::int32_t SoundOnce = 1;
    static constexpr std::int32_t SoundLoop = 2;

    std::string Title;
    std::int32_t LeastRecords = 100;
    std::string SoundPath1;
    std::string SoundPath2;
    std::int32_t SoundSel1 = SoundOnce;
    std::int32_t SoundSel2 = SoundOnce;
    std::string SerialPort;
    std::uint8_t Option = OptShowCallingWnd | OptTimeoutRestart | OptShowTask | OptUseSystemTime;
    std::uint32_t Warn1Bkcolor = 0xFFFFFF80;
    std::uint32_t Warn1txtcolor = 0xFF0080FF;
    std::uint32_t Warn2Bkcolor = 0xFF80FF00;
    std::uint32_t Warn2txtcolor = 0xFF0080C0;
    std::uint32_t TimeoutBkcolor = 0xFF008080;
    std::uint32_t Timeouttxtcolor = 0xFF800040;
    std::uint32_t NoReplyBkcolor = 0xFF800040;
    std::uint32_t NoReplytxtcolor = 0xFFC0C0C0;
    std::uint32_t HasReplyBkcolor = 0xFFFFFFFF;
    std::uint32_t HasReplytxtcolor = 0xFF000000;
    Poco::Timespan Warn1Time {60, 0};
    Poco::Timespan Warn2Time {120, 0};
    Poco::Timespan SevTimeout {600, 0};
    std::uint32_t LCID = Lcid::English;

    bool has(std::uint8_t option) const { return (Option & option) != 0; }

    // The defaults of a first start, in the language of the user's locale;
    // title is the program's name in that language. The warning sounds are
    // the desk's own, where the data folder keeps them (the program that
    // inserts these defaults writes them there).
    static SetupRecord defaults(std::uint32_t lcid, std::string title, const std::string &dataFolder);
};
