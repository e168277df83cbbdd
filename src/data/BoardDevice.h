#pragma once

#include <optional>
#include <string>

#include <Poco/Timestamp.h>

// A browser paired with the live board. The token itself is never stored:
// only its SHA-256, so a copy of the database opens no board.
struct stBoardDevice
{
    std::string Name;
    std::string TokenHash;
    Poco::Timestamp PairedAt;
    std::optional<Poco::Timestamp> LastSeen;
};

// A pairing link not used yet; like the tokens, kept as a hash.
struct stBoardPairing
{
    std::string CodeHash;
    std::string Name;
    Poco::Timestamp ExpiresAt;
};

// The live board's settings; off until a manager turns it on. Empty file
// names mean the self-signed certificate made in the data folder.
struct stBoardSetup
{
    static constexpr int DefaultPort = 8443;

    bool Enabled = false;
    int Port = DefaultPort;
    std::string CertFile;
    std::string KeyFile;
};
