#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Timespan.h>
#include <Poco/Timestamp.h>

#include "data/BoardDevice.h"

// Who may see the live board: the paired devices and the pairing links not
// used yet, each known only by the SHA-256 of its secret.
//
// Any thread: the board's connection threads check tokens and redeem codes
// while the desk's thread issues links and removes devices, so every member
// takes the one mutex briefly and never calls out under it.
class BoardRegistry
{
public:
    // Microseconds, as Poco::Timestamp counts.
    static constexpr Poco::Timespan::TimeDiff Minute = 60LL * 1000 * 1000;
    static constexpr Poco::Timespan::TimeDiff PairingLifetime = 5 * Minute;
    // Failed pairings one address may make within FailureWindow; the next
    // are refused unseen until the oldest falls out of the window, so a
    // code cannot be guessed (128 random bits besides).
    static constexpr std::size_t FailuresAllowed = 5;
    static constexpr Poco::Timespan::TimeDiff FailureWindow = Minute;
    // How often a device's last sighting is worth writing down.
    static constexpr Poco::Timespan::TimeDiff SeenResolution = Minute;
    // A device's name, in characters: enough for "Waiter 12, terrace" and
    // short enough for a list row on the desk.
    static constexpr std::size_t MaxNameLength = 40;

    // A new pairing link's secret and what is stored of it.
    struct NewPairing
    {
        std::string code;
        stBoardPairing stored;
    };
    static NewPairing makePairing(const std::string &name, const Poco::Timestamp &now);
    // Hex SHA-256 of a secret, as stored.
    static std::string hashOf(const std::string &secret);
    // A long random secret in URL- and cookie-safe characters.
    static std::string randomSecret();
    // The name a browser gave itself as it is kept: control characters and
    // broken UTF-8 dropped, spaces trimmed, cut after MaxNameLength
    // characters (never inside one).
    static std::string deviceName(const std::string &given);

    enum class PairOutcome
    {
        Paired,
        Refused,
        Limited,
    };
    struct PairResult
    {
        PairOutcome outcome = PairOutcome::Refused;
        std::string device;
        std::string token;
    };

    // What the database has to learn from the connection threads: devices
    // paired, links used or expired, sightings.
    struct StoreWork
    {
        std::vector<stBoardDevice> paired;
        std::vector<std::string> spentCodes;
        std::map<std::string, Poco::Timestamp> seen;

        bool empty() const { return paired.empty() && spentCodes.empty() && seen.empty(); }
    };

    BoardRegistry(std::vector<stBoardDevice> devices, std::vector<stBoardPairing> pairings);

    // Issues a link for a device of that name; returns its code.
    std::string addPairing(const std::string &name, const Poco::Timestamp &now);
    // Takes a link made and stored by the desk while the board runs.
    void addPairing(const stBoardPairing &pairing);
    // Whether a code would pair now, without using it: Paired with the name
    // the link was made for. A refusal counts against the address as a
    // failed pairing does.
    PairResult check(const std::string &code, const std::string &address, const Poco::Timestamp &now);
    // Redeems a code once, from a client at address, for a device that
    // named itself name (the link's own name when empty). A device paired
    // again under the link's name gets a new token and its old one stops
    // working; a name of the device's own choice never takes another
    // device's place, it is numbered instead.
    PairResult pair(const std::string &code, const std::string &name, const std::string &address,
                    const Poco::Timestamp &now);
    // The name of the device holding token; nullopt for an unknown token.
    std::optional<std::string> deviceOf(const std::string &token, const Poco::Timestamp &now);
    // False when no device had the name.
    bool remove(const std::string &name);
    bool has(const std::string &name) const;

    std::vector<stBoardDevice> devices() const;
    StoreWork takeStoreWork();

private:
    bool hasLocked(const std::string &name) const;
    bool limited(const std::string &address, const Poco::Timestamp &now);

    mutable std::mutex m_mutex;
    std::vector<stBoardDevice> m_devices;
    std::map<std::string, stBoardPairing> m_pairings;
    std::map<std::string, std::vector<Poco::Timestamp>> m_failures;
    std::map<std::string, Poco::Timestamp> m_lastStoredSeen;
    StoreWork m_work;
};
