#include "board/BoardRegistry.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include <openssl/rand.h>
#include <openssl/sha.h>

namespace
{
constexpr std::size_t SecretBytes = 32;
}

std::string BoardRegistry::randomSecret()
{
    std::array<unsigned char, SecretBytes> bytes {};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1)
        throw std::runtime_error("the system's random source failed");
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string secret;
    // 6 bits per character, 32 bytes in 43 characters.
    unsigned bits = 0;
    int count = 0;
    for (unsigned char byte : bytes) {
        bits = (bits << 8) | byte;
        count += 8;
        while (count >= 6) {
            count -= 6;
            secret += Alphabet[(bits >> count) & 0x3F];
        }
    }
    if (count > 0)
        secret += Alphabet[(bits << (6 - count)) & 0x3F];
    return secret;
}

std::string BoardRegistry::hashOf(const std::string &secret)
{
    std::array<unsigned char, SHA256_DIGEST_LENGTH> digest {};
    SHA256(reinterpret_cast<const unsigned char *>(secret.data()), secret.size(), digest.data());
    static constexpr char Hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : digest) {
        text += Hex[byte >> 4];
        text += Hex[byte & 0x0F];
    }
    return text;
}

BoardRegistry::NewPairing BoardRegistry::makePairing(const std::string &name, const Poco::Timestamp &now)
{
    NewPairing pairing;
    pairing.code = randomSecret();
    pairing.stored = {hashOf(pairing.code), name, now + PairingLifetime};
    return pairing;
}

std::string BoardRegistry::deviceName(const std::string &given)
{
    const auto continues = [&](std::size_t at) { return (static_cast<unsigned char>(given[at]) & 0xC0) == 0x80; };
    std::string name;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < given.size() && characters < MaxNameLength;) {
        const auto lead = static_cast<unsigned char>(given[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        bool whole = length > 0 && at + length <= given.size();
        for (std::size_t i = 1; whole && i < length; ++i)
            whole = continues(at + i);
        // Control characters and bytes that are no whole character of
        // UTF-8 are dropped one byte at a time, so that what follows them
        // is read as it was meant.
        if (!whole || lead < 0x20 || lead == 0x7F) {
            ++at;
            continue;
        }
        name.append(given, at, length);
        ++characters;
        at += length;
    }
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

BoardRegistry::BoardRegistry(std::vector<stBoardDevice> devices, std::vector<stBoardPairing> pairings)
    : m_devices {std::move(devices)}
{
    for (auto &pairing : pairings)
        m_pairings[pairing.CodeHash] = std::move(pairing);
}

std::string BoardRegistry::addPairing(const std::string &name, const Poco::Timestamp &now)
{
    NewPairing pairing = makePairing(name, now);
    std::lock_guard lock(m_mutex);
    m_pairings[pairing.stored.CodeHash] = pairing.stored;
    return pairing.code;
}

void BoardRegistry::addPairing(const stBoardPairing &pairing)
{
    std::lock_guard lock(m_mutex);
    m_pairings[pairing.CodeHash] = pairing;
}

bool BoardRegistry::limited(const std::string &address, const Poco::Timestamp &now)
{
    auto &failures = m_failures[address];
    std::erase_if(failures, [&](const Poco::Timestamp &at) { return now - at >= FailureWindow; });
    return failures.size() >= FailuresAllowed;
}

BoardRegistry::PairResult BoardRegistry::check(const std::string &code, const std::string &address,
                                               const Poco::Timestamp &now)
{
    std::lock_guard lock(m_mutex);
    if (limited(address, now))
        return {PairOutcome::Limited, {}, {}};
    const auto found = m_pairings.find(hashOf(code));
    if (found == m_pairings.end() || found->second.ExpiresAt <= now) {
        m_failures[address].push_back(now);
        return {PairOutcome::Refused, {}, {}};
    }
    return {PairOutcome::Paired, found->second.Name, {}};
}

BoardRegistry::PairResult BoardRegistry::pair(const std::string &code, const std::string &name,
                                              const std::string &address, const Poco::Timestamp &now)
{
    std::lock_guard lock(m_mutex);
    if (limited(address, now))
        return {PairOutcome::Limited, {}, {}};
    const auto found = m_pairings.find(hashOf(code));
    if (found == m_pairings.end() || found->second.ExpiresAt <= now) {
        if (found != m_pairings.end()) {
            m_work.spentCodes.push_back(found->first);
            m_pairings.erase(found);
        }
        m_failures[address].push_back(now);
        return {PairOutcome::Refused, {}, {}};
    }
    std::string chosen = deviceName(name);
    if (chosen.empty() || chosen == found->second.Name) {
        chosen = found->second.Name;
    } else if (hasLocked(chosen)) {
        const std::string base = chosen;
        for (int number = 2; hasLocked(chosen); ++number)
            chosen = base + " (" + std::to_string(number) + ")";
    }
    PairResult result {PairOutcome::Paired, chosen, randomSecret()};
    m_work.spentCodes.push_back(found->first);
    m_pairings.erase(found);

    stBoardDevice device {result.device, hashOf(result.token), now, now};
    std::erase_if(m_devices, [&](const stBoardDevice &old) { return old.Name == device.Name; });
    m_devices.push_back(device);
    std::erase_if(m_work.paired, [&](const stBoardDevice &old) { return old.Name == device.Name; });
    m_work.paired.push_back(device);
    m_lastStoredSeen[device.Name] = now;
    return result;
}

std::optional<std::string> BoardRegistry::deviceOf(const std::string &token, const Poco::Timestamp &now)
{
    if (token.empty())
        return std::nullopt;
    const std::string hash = hashOf(token);
    std::lock_guard lock(m_mutex);
    for (auto &device : m_devices) {
        if (device.TokenHash != hash)
            continue;
        device.LastSeen = now;
        const auto stored = m_lastStoredSeen.find(device.Name);
        if (stored == m_lastStoredSeen.end() || now - stored->second >= SeenResolution) {
            m_lastStoredSeen[device.Name] = now;
            m_work.seen[device.Name] = now;
        }
        return device.Name;
    }
    return std::nullopt;
}

bool BoardRegistry::remove(const std::string &name)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_work.paired, [&](const stBoardDevice &device) { return device.Name == name; });
    m_work.seen.erase(name);
    return std::erase_if(m_devices, [&](const stBoardDevice &device) { return device.Name == name; }) > 0;
}

bool BoardRegistry::hasLocked(const std::string &name) const
{
    return std::any_of(m_devices.begin(), m_devices.end(), [&](const stBoardDevice &device) { return device.Name == name; });
}

bool BoardRegistry::has(const std::string &name) const
{
    std::lock_guard lock(m_mutex);
    return hasLocked(name);
}

std::vector<stBoardDevice> BoardRegistry::devices() const
{
    std::lock_guard lock(m_mutex);
    return m_devices;
}

BoardRegistry::StoreWork BoardRegistry::takeStoreWork()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_work, {});
}
