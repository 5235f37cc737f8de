#include "sim/SimEngine.h"

#include <algorithm>
#include <cstring>

#include "device/WireFrames.h"
#include "device/driver/DriverPort.h"
#include "device/driver/DriverProtocol.h"
#include "device/driver/UnitSocket.h"

namespace vxsim {
namespace {

using namespace VxProtocol;

// The engine never waits for a host to read: it sends what fits at once (a time-out of 0).
constexpr int kNoWait = 0;
// A connection that has not said hello by then is dropped.
constexpr auto kHelloTimeout = std::chrono::seconds(2);
// Frames taken from one data connection per turn, so that one busy host cannot starve others;
// and replayed packets sent to one per turn, for the same reason.
constexpr int kFramesPerTurn = 64;
constexpr int kReplayPacketsPerTurn = 64;
// Largest request a host may send: a DeviceCommand with 1 MiB of data.
constexpr std::uint32_t kMaxRequest = DeviceCommand::kHeadSize + DeviceCommand::kMaxDataLength;

long long MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

}  // namespace

struct Engine::Target {
    enum Kind { kWake, kListen, kPending, kData, kRoom, kLink } kind;
    Unit* unit;
    int fd;
};

Engine::Engine(std::string directory) : directory(std::move(directory)) {
    m_wakeFd = VxSocket::CreateWaker();
    m_thread = std::thread(&Engine::Loop, this);
}

Engine::~Engine() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        m_stop = true;
        Wake();
    }
    m_thread.join();
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& unit : units) {
        if (unit->plugged) {
            Unplug(*unit);
        }
    }
    for (auto& pending : m_pending) {
        VxSocket::Close(pending.fd);
    }
    VxSocket::Close(m_wakeFd);
}

Unit* Engine::Find(int typeIndex, int number) const {
    for (const auto& unit : units) {
        if (unit->typeIndex == typeIndex && unit->number == number) {
            return unit.get();
        }
    }
    return nullptr;
}

void Engine::Wake() {
    VxSocket::Wake(m_wakeFd);
}

bool Engine::Plug(Unit& unit) {
    if (unit.plugged) {
        return true;
    }
    unit.listenFd = VxSocket::Listen(unit.path);
    if (unit.listenFd < 0) {
        return false;
    }
    unit.plugged = true;
    unit.stallArmed = false;
    unit.stallUntil = {};
    unit.failWrites = false;
    unit.rejectNextControl = false;
    unit.failNextCommand = false;
    unit.refuseNextOpen = false;
    unit.unplugAtBytes = -1;
    ++m_epoch;
    Wake();
    changed.notify_all();
    return true;
}

void Engine::Unplug(Unit& unit) {
    if (!unit.plugged) {
        return;
    }
    CloseData(unit);
    VxSocket::Close(unit.listenFd);
    unit.listenFd = -1;
    VxSocket::RemoveUnit(unit.path);
    for (auto& pending : m_pending) {
        if (pending.unit == &unit) {
            VxSocket::Close(pending.fd);
            pending.fd = -1;
        }
    }
    std::erase_if(m_pending, [](const PendingLink& p) { return p.fd < 0; });
    unit.plugged = false;
    ++m_epoch;
    Wake();
    changed.notify_all();
}

void Engine::CloseData(Unit& unit) {
    if (unit.dataFd < 0) {
        return;
    }
    VxSocket::Close(unit.dataFd);
    unit.dataFd = -1;
    unit.token = 0;
    for (auto& link : unit.links) {
        VxSocket::Close(link.fd);
    }
    unit.links.clear();
    unit.outgoing.clear();
    unit.outgoingBytes = 0;
    unit.job.active = false;
    if (unit.replay) {
        unit.replay->Stop();
    }
    ++m_epoch;
    Wake();
    changed.notify_all();
}

bool Engine::SendFrame(Unit& unit, const unsigned char* bytes, int count) {
    if (bytes == nullptr || count <= 0 || count > kMaxFrame) {
        return false;
    }
    return Deliver(unit, {std::vector<unsigned char>(bytes, bytes + count)});
}

bool Engine::SendPacket(Unit& unit, const CPacket& packet, bool forceSplit, int frameLimit) {
    bool single = unit.framing == Framing::Single && !forceSplit;
    std::vector<std::vector<unsigned char>> frames;
    bool made = WriteWireFrames(
        packet, single, unit.typeIndex == 0,
        [&](const unsigned char* frame, int length) {
            frames.emplace_back(frame, frame + length);
            return true;
        },
        frameLimit);
    return made && Deliver(unit, std::move(frames));
}

bool Engine::Deliver(Unit& unit, std::vector<std::vector<unsigned char>> frames) {
    if (unit.dataFd < 0) {
        return false;
    }
    std::size_t bytes = 0;
    for (const auto& frame : frames) {
        bytes += frame.size();
    }
    if (unit.outgoingBytes + bytes > kOutgoingBudget) {
        unit.dropped += frames.size();
        return false;
    }
    // Frames already waiting mean that the host's connection had no room: the engine watches
    // for room already (whoever queued the first of them woke it), so these only join the line
    // instead of trying a send that fails.
    const bool waiting = !unit.outgoing.empty();
    for (auto& frame : frames) {
        unit.outgoing.push_back(std::move(frame));
    }
    unit.outgoingBytes += bytes;
    if (!waiting) {
        Flush(unit);
        if (!unit.outgoing.empty()) {
            Wake();  // the poll is to watch for room
        }
    }
    return true;
}

void Engine::Flush(Unit& unit) {
    while (!unit.outgoing.empty() && unit.dataFd >= 0) {
        const auto& frame = unit.outgoing.front();
        if (!VxSocket::SendMessage(unit.dataFd, frame.data(), frame.size(), kNoWait)) {
            return;  // no room yet; a connection that has failed ends at its next read
        }
        unit.outgoingBytes -= frame.size();
        unit.outgoing.pop_front();
    }
}

int Engine::Progress(const Unit& unit, Clock::time_point now) const {
    if (!unit.job.active) {
        return unit.progress;
    }
    long long total = unit.job.command.dataLength;
    long long done = MillisecondsBetween(unit.job.start, now) * std::max(speed, 1) / 1000;
    return static_cast<int>(std::clamp(done, 0LL, total));
}

void Engine::Loop() {
    std::vector<VxSocket::PollEntry> fds;
    std::vector<Target> targets;
    for (;;) {
        int timeout;
        std::uint64_t epoch;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (m_stop) {
                return;
            }
            auto now = Clock::now();
            Collect(&fds, &targets, now);
            timeout = NextTimeout(now);
            epoch = m_epoch;
        }
        int ready = VxSocket::Poll(fds, timeout);
        std::lock_guard<std::mutex> lock(mutex);
        if (m_stop) {
            return;
        }
        VxSocket::DrainWaker(m_wakeFd);
        // A descriptor closed since the poll may have been reused: poll again instead.
        if (ready > 0 && epoch == m_epoch) {
            Dispatch(fds, targets);
        }
        RunTimers(Clock::now());
        for (auto& unit : units) {
            Flush(*unit);
        }
    }
}

void Engine::Collect(std::vector<VxSocket::PollEntry>* fds, std::vector<Target>* targets,
                     Clock::time_point now) {
    fds->clear();
    targets->clear();
    auto add = [&](Target::Kind kind, Unit* unit, int fd) {
        fds->push_back({fd, false, kind == Target::kRoom});
        targets->push_back({kind, unit, fd});
    };
    add(Target::kWake, nullptr, m_wakeFd);
    for (auto& unit : units) {
        if (unit->plugged) {
            add(Target::kListen, unit.get(), unit->listenFd);
        }
    }
    for (auto& pending : m_pending) {
        add(Target::kPending, pending.unit, pending.fd);
    }
    for (auto& unit : units) {
        // A stalled unit waits for neither: a host gone meanwhile would keep its room ready.
        if (unit->dataFd >= 0 && !unit->IsStalled(now)) {
            add(Target::kData, unit.get(), unit->dataFd);
            if (!unit->outgoing.empty()) {
                add(Target::kRoom, unit.get(), unit->dataFd);
            }
        }
        for (auto& link : unit->links) {
            add(Target::kLink, unit.get(), link.fd);
        }
    }
}

int Engine::NextTimeout(Clock::time_point now) const {
    Clock::time_point next = Clock::time_point::max();
    if (statusPeriodMs > 0) {
        next = std::min(next, nextStatus);
    }
    for (const auto& pending : m_pending) {
        next = std::min(next, pending.since + kHelloTimeout);
    }
    for (const auto& unit : units) {
        if (unit->IsStalled(now)) {
            next = std::min(next, unit->stallUntil);
        }
        // A replay waits for its next packet's time, or for room first (the poll says when).
        if (unit->replay && unit->dataFd >= 0 && unit->outgoing.empty()) {
            next = std::min(next, unit->replay->NextDue());
        }
        if (unit->job.active) {
            long long bytes = unit->job.command.dataLength;
            if (unit->unplugAtBytes >= 0) {
                bytes = std::min<long long>(bytes, unit->unplugAtBytes);
            }
            next = std::min(next, unit->job.start + std::chrono::milliseconds(
                                                        bytes * 1000 / std::max(speed, 1) + 1));
        }
    }
    if (next == Clock::time_point::max()) {
        return -1;
    }
    return static_cast<int>(std::clamp(MillisecondsBetween(now, next) + 1, 0LL, 60000LL));
}

void Engine::Dispatch(const std::vector<VxSocket::PollEntry>& fds,
                      const std::vector<Target>& targets) {
    std::uint64_t epoch = m_epoch;
    for (std::size_t i = 0; i < fds.size() && epoch == m_epoch; ++i) {
        if (!fds[i].ready) {
            continue;
        }
        const Target& target = targets[i];
        switch (target.kind) {
            case Target::kWake:
                break;
            case Target::kListen:
                Accept(*target.unit);
                break;
            case Target::kPending:
                Hello(target.fd, *target.unit);
                break;
            case Target::kData:
                ReadData(*target.unit);
                break;
            case Target::kRoom:
                Flush(*target.unit);
                break;
            case Target::kLink:
                ReadLink(*target.unit, target.fd);
                break;
        }
    }
}

void Engine::Accept(Unit& unit) {
    for (;;) {
        int fd = VxSocket::Accept(unit.listenFd);
        if (fd < 0) {
            return;
        }
        m_pending.push_back({fd, &unit, Clock::now()});
    }
}

void Engine::Hello(int fd, Unit& unit) {
    // Answered or not, the connection is no longer waiting for its hello.
    std::erase_if(m_pending, [fd](const PendingLink& p) { return p.fd == fd; });
    unsigned char message[kHelloSize];
    long got = VxSocket::Receive(fd, message, sizeof message);
    std::uint32_t magic = 0, kind = 0, token = 0;
    if (got == kHelloSize) {
        DecodeTriple(message, &magic, &kind, &token);
    }
    std::uint32_t status = kBadToken;
    if (magic == kMagic && kind == kOpen) {
        if (unit.dataFd >= 0 && VxSocket::PeerHasGone(unit.dataFd)) {
            ReadData(unit);  // take its last frames; the end of file frees the unit
        }
        status = unit.dataFd >= 0 || unit.refuseNextOpen ? kBusy : kGranted;
        unit.refuseNextOpen = false;
    } else if (magic == kMagic && kind == kControl && unit.dataFd >= 0 && token == unit.token) {
        status = kGranted;
    }
    std::uint32_t answerToken = status == kGranted && kind == kOpen ? ++m_lastToken : token;
    EncodeTriple(message, kMagic, status, answerToken);
    bool answered =
        got == kHelloSize && VxSocket::SendMessage(fd, message, sizeof message, kNoWait);
    if (!answered || status != kGranted) {
        VxSocket::Close(fd);
        return;
    }
    if (kind == kControl) {
        unit.links.push_back(ControlLink{fd, false, 0, 0, 0, {}});
        return;
    }
    unit.dataFd = fd;
    unit.token = answerToken;
    ++unit.opens;
    unit.reassembly.Clear();
    if (unit.replay) {
        unit.replay->Start(Clock::now());
    }
    if (unit.failWrites) {
        VxSocket::ShutdownRead(fd);
    }
    changed.notify_all();
}

void Engine::ReadData(Unit& unit) {
    unsigned char frame[kMaxFrame];
    for (int i = 0; i < kFramesPerTurn && unit.dataFd >= 0; ++i) {
        if (unit.IsStalled(Clock::now())) {
            return;
        }
        long got = VxSocket::Receive(unit.dataFd, frame, sizeof frame);
        if (got == VxSocket::kNothingYet) {
            return;
        }
        if (got == VxSocket::kEnded) {
            CloseData(unit);  // the host has closed the unit
            return;
        }
        if (got > kMaxFrame && report) {
            // No driver hands the device more than that in one frame: say so rather than
            // passing the cut frame off as what the host wrote.
            report(UnitName(unit.typeIndex, unit.number) + ": a frame of " + std::to_string(got) +
                   " bytes from the host, longer than " + std::to_string(kMaxFrame) +
                   "; its first " + std::to_string(kMaxFrame) + " bytes are kept");
        }
        OnHostFrame(unit, frame, static_cast<int>(std::min<long>(got, kMaxFrame)));
    }
}

std::size_t Engine::RecordedSize(std::size_t frameLength) {
    return frameLength + sizeof(std::vector<unsigned char>) + 16;
}

void Engine::Record(Unit& unit, const unsigned char* frame, int count) {
    std::size_t size = RecordedSize(static_cast<std::size_t>(count));
    while (!unit.frames.empty() && unit.frameBytes + size > frameBudget) {
        unit.frameBytes -= RecordedSize(unit.frames.front().size());
        unit.frames.pop_front();
    }
    unit.frames.emplace_back(frame, frame + count);
    unit.frameBytes += size;
}

void Engine::RecordRequest(Unit& unit, const DeviceCommand& command) {
    unit.commands.push_back(command);
    unit.commandData += command.data.size();
    while (unit.commands.size() > kMaxRecordedRequests) {
        unit.commandData -= unit.commands.front().data.size();
        unit.commands.pop_front();
        unit.firstWithData -= unit.firstWithData > 0 ? 1 : 0;
    }
    // The newest request's data may exceed the budget alone: then no data is kept at all.
    while (unit.commandData > requestDataBudget && unit.firstWithData < unit.commands.size()) {
        std::vector<unsigned char>& data = unit.commands[unit.firstWithData++].data;
        unit.commandData -= data.size();
        std::vector<unsigned char>().swap(data);
    }
}

void Engine::OnHostFrame(Unit& unit, const unsigned char* frame, int count) {
    Record(unit, frame, count);
    changed.notify_all();
    if (unit.stallArmed) {
        unit.stallArmed = false;
        unit.stallUntil = Clock::now() + std::chrono::milliseconds(unit.stallDurationMs);
    }
    // Put the host's packet together in the unit's framing; frames that do not fit are dropped.
    unsigned char copy[kMaxFrame];
    std::memcpy(copy, frame, static_cast<std::size_t>(count));
    bool single = unit.framing == Framing::Single;
    int header = single ? CPacket::kSingleHeaderSize : CPacket::kSplitHeaderSize;
    if (count < header || copy[0] > count) {
        return;
    }
    if (!single) {
        --copy[3];
    }
    if (!(single ? unit.reassembly.AppendSingleFrame(copy) : unit.reassembly.AppendFrame(copy))) {
        return;
    }
    if (unit.reassembly.GetState() == Complete) {
        if (unit.replay) {
            const std::string difference = unit.replay->Compare(unit.reassembly);
            if (!difference.empty() && report) {
                report(UnitName(unit.typeIndex, unit.number) + ": replay: " + difference);
            }
        } else if (echo) {
            SendPacket(unit, unit.reassembly);
        }
        unit.reassembly.Clear();
    }
}

void Engine::ReadLink(Unit& unit, int fd) {
    auto it = std::find_if(unit.links.begin(), unit.links.end(),
                           [fd](const ControlLink& link) { return link.fd == fd; });
    if (it == unit.links.end()) {
        return;
    }
    ControlLink& link = *it;
    std::vector<unsigned char> message(kMaxChunk);
    long got = VxSocket::Receive(fd, message.data(), message.size());
    if (got == VxSocket::kNothingYet) {
        return;
    }
    // The end, or a message no request has: a head, or a chunk of at most kMaxChunk bytes.
    if (got < 0 || got > static_cast<long>(message.size()) || (!link.haveHead && got < kHeadSize)) {
        CloseLink(unit, fd);
        return;
    }
    long offset = 0;
    if (!link.haveHead) {
        DecodeTriple(message.data(), &link.code, &link.inLength, &link.outLength);
        if (link.inLength > kMaxRequest || link.outLength > kMaxRequest) {
            CloseLink(unit, fd);  // no driver request is that large
            return;
        }
        link.haveHead = true;
        link.input.clear();
        offset = kHeadSize;
    }
    long room = static_cast<long>(link.inLength) - static_cast<long>(link.input.size());
    if (got - offset > room) {
        CloseLink(unit, fd);  // more bytes than the head announced
        return;
    }
    link.input.insert(link.input.end(), message.begin() + offset, message.begin() + got);
    if (link.input.size() == link.inLength) {
        link.haveHead = false;
        HandleRequest(unit, link);
    }
}

void Engine::HandleRequest(Unit& unit, ControlLink& link) {
    int fd = link.fd;
    if (unit.rejectNextControl) {
        unit.rejectNextControl = false;
        Reply(unit, fd, link.code, 1, nullptr, 0);
        return;
    }
    if (link.code == VxDriver::kIoctlProgress && link.outLength >= 4) {
        unsigned char value[4];
        PutLe32(value, static_cast<std::uint32_t>(Progress(unit, Clock::now())));
        Reply(unit, fd, link.code, 0, value, sizeof value);
        return;
    }
    DeviceCommand command;
    if (link.code != VxDriver::kIoctlProgram ||
        link.outLength < static_cast<std::uint32_t>(DeviceCommand::kHeadSize) ||
        !command.Decode(link.input.data(), link.input.size())) {
        Reply(unit, fd, link.code, 1, nullptr, 0);
        return;
    }
    RecordRequest(unit, command);
    changed.notify_all();
    if (unit.failNextCommand) {
        unit.failNextCommand = false;
        ReplyRecord(unit, fd, command, unit.failCode);
    } else if (!FlashModel::IsPaced(command.command)) {
        ReplyRecord(unit, fd, command, unit.flash.Execute(command));
    } else if (std::int32_t check = unit.flash.Check(command); check != kResultOk) {
        ReplyRecord(unit, fd, command, check);
    } else if (unit.job.active) {
        Reply(unit, fd, link.code, 1, nullptr, 0);  // one long step at a time
    } else {
        unit.job.active = true;
        unit.job.linkFd = fd;
        unit.job.command = std::move(command);
        unit.job.start = Clock::now();
        unit.progress = 0;
    }
}

void Engine::Reply(Unit& unit, int fd, std::uint32_t code, std::uint32_t status,
                   const unsigned char* bytes, int count) {
    std::vector<unsigned char> message(static_cast<std::size_t>(kHeadSize + count));
    EncodeTriple(message.data(), code, status, static_cast<std::uint32_t>(count));
    if (count > 0) {
        std::memcpy(message.data() + kHeadSize, bytes, static_cast<std::size_t>(count));
    }
    if (!VxSocket::SendMessage(fd, message.data(), message.size(), kNoWait)) {
        CloseLink(unit, fd);
    }
}

void Engine::ReplyRecord(Unit& unit, int fd, DeviceCommand& command, std::int32_t result) {
    command.result = result;
    unsigned char head[DeviceCommand::kHeadSize];
    command.EncodeHead(head);
    Reply(unit, fd, VxDriver::kIoctlProgram, 0, head, sizeof head);
}

void Engine::CloseLink(Unit& unit, int fd) {
    if (unit.job.active && unit.job.linkFd == fd) {
        unit.job.active = false;  // nobody waits for the answer any more
    }
    std::erase_if(unit.links, [fd](const ControlLink& link) { return link.fd == fd; });
    VxSocket::Close(fd);
    ++m_epoch;
}

void Engine::RunJob(Unit& unit, Clock::time_point now) {
    int progress = Progress(unit, now);
    if (unit.unplugAtBytes >= 0 && progress >= unit.unplugAtBytes) {
        unit.progress = progress;
        Unplug(unit);
        return;
    }
    if (progress < static_cast<int>(unit.job.command.dataLength)) {
        return;
    }
    unit.job.active = false;
    unit.progress = progress;
    ReplyRecord(unit, unit.job.linkFd, unit.job.command, unit.flash.Execute(unit.job.command));
}

void Engine::SendStatus(Clock::time_point now) {
    if (statusPeriodMs == 0 || now < nextStatus) {
        return;
    }
    nextStatus += std::chrono::milliseconds(statusPeriodMs);
    if (nextStatus < now) {
        nextStatus = now + std::chrono::milliseconds(statusPeriodMs);
    }
    for (auto& unit : units) {
        if (unit->dataFd < 0 || unit->replay) {
            continue;
        }
        ++unit->statusSequence;
        unsigned char payload[4] = {static_cast<unsigned char>(unit->typeIndex),
                                    static_cast<unsigned char>(unit->number),
                                    static_cast<unsigned char>(unit->statusSequence),
                                    static_cast<unsigned char>(unit->statusSequence >> 8)};
        CPacket status;
        status.SetPacket(kStatusCommand, payload, sizeof payload);
        SendPacket(*unit, status);
    }
}

void Engine::RunTimers(Clock::time_point now) {
    auto expired = [now](const PendingLink& p) { return now - p.since >= kHelloTimeout; };
    for (auto& pending : m_pending) {
        if (expired(pending)) {
            VxSocket::Close(pending.fd);
            ++m_epoch;
        }
    }
    std::erase_if(m_pending, expired);
    for (auto& unit : units) {
        if (unit->job.active) {
            RunJob(*unit, now);
        }
        if (unit->replay) {
            PlayReplay(*unit, now);
        }
    }
    SendStatus(now);
}

void Engine::PlayReplay(Unit& unit, Clock::time_point now) {
    for (int i = 0; i < kReplayPacketsPerTurn && unit.dataFd >= 0 && unit.outgoing.empty(); ++i) {
        std::size_t recordNumber = 0;
        const TrafficRecord* record = unit.replay->Due(now, &recordNumber);
        if (record == nullptr) {
            return;
        }
        CPacket packet;
        if (!MakeRecordPacket(*record, &packet) || !SendPacket(unit, packet)) {
            unit.replay->Stop();
            if (report) {
                report(UnitName(unit.typeIndex, unit.number) + ": replay: capture record " +
                       std::to_string(recordNumber) +
                       " cannot be sent in the unit's framing; the replay stops until the "
                       "host opens the unit again");
            }
            return;
        }
        unit.replay->Sent(Clock::now());
    }
}

}  // namespace vxsim
