#include "board/LiveBoard.h"

#include <algorithm>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "base/StringTable.h"
#include "data/DbManage.h"
#include "calls/CallDesk.h"
#include "calls/ServiceLevel.h"
#include "board/BoardCertificate.h"
#include "board/BoardHub.h"
#include "board/BoardRegistry.h"
#include "board/BoardServer.h"

BoardState boardStateOf(const CallDesk &desk, const std::string &alert)
{
    BoardState state;
    state.alert = alert;
    for (const CallPtr &call : desk.list(CallListId::Unanswered).rows()) {
        if (call->isAnswered())
            continue;
        BoardCall shown;
        shown.callTimeMs = instantOf(call->CallTime).epochMicroseconds() / 1000;
        shown.key = call->PagerNum + "@" + std::to_string(shown.callTimeMs);
        shown.pager = call->PagerName.empty() ? call->PagerNum : call->PagerName;
        shown.zone = call->Zone;
        shown.service = call->SevType;
        shown.attendant = call->EmpName;
        const ServiceLevel level = serviceLevel(*call, desk.setup());
        shown.level = static_cast<int>(level);
        shown.levelText = builtInText(stateText(level), desk.lcid());
        const ColourPair colours = levelColours(level, desk.setup());
        shown.background = colours.background;
        shown.text = colours.text;
        state.calls.push_back(std::move(shown));
    }
    std::stable_sort(state.calls.begin(), state.calls.end(),
                     [](const BoardCall &a, const BoardCall &b) { return a.callTimeMs < b.callTimeMs; });
    return state;
}

LiveBoard::LiveBoard(std::uint32_t deskLcid)
    : m_deskLcid {deskLcid}
{
}

LiveBoard::~LiveBoard()
{
    stop();
}

bool LiveBoard::start(DbManage &db, std::string &error)
{
    storeChanges(db);
    stop();
    const auto setup = db.LoadBoardSetup();
    if (setup && !setup->Enabled)
        return true;
    const auto devices = db.LoadBoardDevices();
    const auto pairings = db.LoadBoardPairings();
    if (!setup || !devices || !pairings) {
        error = db.lastFailure();
        logFailure("start the live board", error);
        return false;
    }
    std::optional<CertificateFiles> files;
    if (setup->CertFile.empty())
        files = ensureSelfSignedCertificate(db.folder(), error);
    else
        files = CertificateFiles {setup->CertFile, setup->KeyFile};
    const auto fingerprint = files ? certificateFingerprint(files->certFile, error) : std::nullopt;
    if (fingerprint) {
        m_registry = std::make_unique<BoardRegistry>(*devices, *pairings);
        m_hub = std::make_unique<BoardHub>();
        m_server = std::make_unique<BoardServer>(*m_registry, *m_hub, m_deskLcid);
        if (m_server->start(setup->Port, *files, error)) {
            m_fingerprint = *fingerprint;
            logEvent("live board: serving on port " + std::to_string(m_server->port()) + ", certificate SHA-256 " +
                     m_fingerprint);
            return true;
        }
    }
    logFailure("start the live board on port " + std::to_string(setup->Port), error);
    stop();
    return false;
}

void LiveBoard::stop()
{
    if (m_server)
        m_server->stop();
    m_server.reset();
    m_hub.reset();
    m_registry.reset();
    m_fingerprint.clear();
    m_last.reset();
}

bool LiveBoard::running() const
{
    return m_server && m_server->running();
}

int LiveBoard::port() const
{
    return m_server ? m_server->port() : 0;
}

void LiveBoard::openCallsChanged(const CallDesk &desk, const std::string &alert)
{
    if (!m_hub)
        return;
    // Most ticks change nothing the board shows; the copy stays here then.
    BoardState state = boardStateOf(desk, alert);
    if (m_last && *m_last == state)
        return;
    m_last = state;
    m_hub->publish(std::move(state));
}

void LiveBoard::storeChanges(DbManage &db)
{
    if (!m_registry)
        return;
    const BoardRegistry::StoreWork work = m_registry->takeStoreWork();
    // A failed write is logged by the database; such a device works until
    // the desk ends and needs a new link after it.
    for (const auto &device : work.paired)
        db.SaveBoardDevice(device);
    for (const auto &code : work.spentCodes)
        db.RemoveBoardPairing(code);
    for (const auto &[name, seen] : work.seen)
        db.SetBoardDeviceSeen(name, seen);
}

std::vector<std::string> LiveBoard::addresses() const
{
    return running() ? boardAddresses(port()) : std::vector<std::string> {};
}

std::optional<LiveBoard::Pairing> LiveBoard::pairDevice(DbManage &db, const std::string &name)
{
    if (!running())
        return std::nullopt;
    const auto made = BoardRegistry::makePairing(name, Poco::Timestamp());
    // Stored as well, so a desk started anew within its minutes still takes it.
    if (!db.SaveBoardPairing(made.stored))
        return std::nullopt;
    m_registry->addPairing(made.stored);
    Pairing pairing;
    pairing.expiresAt = made.stored.ExpiresAt;
    for (const auto &address : addresses())
        pairing.links.push_back(address + "pair?code=" + made.code);
    return pairing;
}

bool LiveBoard::removeDevice(DbManage &db, const std::string &name, bool &found)
{
    bool known = false;
    // The registry first: a stream opening after the cut then finds its
    // device gone.
    if (m_registry) {
        known = m_registry->remove(name);
        m_hub->cutOff(name);
        logEvent("live board: removed the device \"" + name + "\"");
    }
    const bool removed = db.RemoveBoardDevice(name, found);
    found = found || known;
    return removed;
}

std::optional<std::vector<stBoardDevice>> LiveBoard::devices(DbManage &db) const
{
    if (m_registry)
        return m_registry->devices();
    return db.LoadBoardDevices();
}
