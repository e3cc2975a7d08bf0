#include "vdev/device_model.h"

#include <algorithm>
#include <cstring>

#include "devices/factory_tables.h"

namespace quasar::vdev {

namespace {

constexpr std::size_t kPayloadOffset = 8;
constexpr std::size_t kMaxPayload = kCommandReportSize - kPayloadOffset; // 56
constexpr std::size_t kHeadsetLightsKept = 24;

// Info block bytes every model shares: layout version, firmware version, class number, and an
// end marker in the last two bytes so that a read split in two chunks can be checked whole.
void fillCommonInfo(DeviceMemory& m, std::uint8_t classNumber) {
    m.info[0] = 0x01;
    m.info[1] = 0x02; // firmware 1.02, little-endian
    m.info[2] = 0x01;
    m.info[3] = classNumber;
    m.info[32] = 0x5A;
    m.info[33] = 0xA5;
}

void putLe16(std::vector<std::uint8_t>& v, std::size_t at, std::uint16_t value) {
    v[at] = static_cast<std::uint8_t>(value & 0xFF);
    v[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A lighting record at the start of a settings record: effect, brightness, speed (stored as
// 3 - speed), direction, multicolour, red, green, blue.
void putLighting(std::vector<std::uint8_t>& s, std::size_t at, std::uint8_t effect) {
    s[at + 1] = effect;
    s[at + 2] = 4;     // full brightness
    s[at + 3] = 3 - 2; // speed 2
    s[at + 4] = 0;
    s[at + 5] = 1; // multicolour
    s[at + 6] = 0x00;
    s[at + 7] = 0x99;
    s[at + 8] = 0xFF;
}

void keyboardMemory(DeviceMemory& m) {
    // 126 keys (positions 0-125) in an order of the keyboard's own: entry k = (53 j + 7) mod 128
    // holds key j's factory action; two entries stay empty. Its LED index is a second permutation
    // so that entry, key index and LED index never coincide by accident.
    constexpr std::size_t kEntries = 128;
    constexpr std::size_t kKeys = 126;
    m.info[5] = kEntries;
    m.info[6] = 16; // 2048 bytes of macro memory
    std::fill(m.keyLedMap.begin(), m.keyLedMap.begin() + kEntries, 0xFF);
    for (std::size_t j = 0; j < kKeys; ++j) {
        const std::size_t k = (53 * j + 7) % kEntries;
        const FactoryAction& a = KeyPositionTable[j];
        m.keyTable[3 * k] = a.kind;
        m.keyTable[3 * k + 1] = a.p1;
        m.keyTable[3 * k + 2] = a.p2;
        m.keyLedMap[k] = static_cast<std::uint8_t>((37 * j + 11) % kKeys);
    }
    m.macro.assign(m.info[6] * 128u, 0);
    // Records of profiles 0-3 at profile * 25; byte 0 of each but the first is the previous
    // record's byte 25, so only bytes 1-24 are filled.
    for (std::size_t p = 0; p < 4; ++p) {
        const std::size_t at = p * 25;
        putLighting(m.settings, at, static_cast<std::uint8_t>(1 + p));
        m.settings[at + 22] = 3; // polling rate
    }
}

void mouseMemory(DeviceMemory& m) {
    // 11 buttons at entry (5 j + 3) mod 16; five entries stay empty.
    constexpr std::size_t kEntries = 16;
    m.info[5] = kEntries;
    m.info[6] = 8;    // 1024 bytes of macro memory
    m.info[9] = 0x25; // scale selector 0x3325: coarse steps above position 48
    m.info[10] = 0x33;
    m.info[11] = 100; // DPI per slider position
    m.info[12] = 56;  // slider positions: 56 -> 6500 DPI
    m.info[14] = 100; // DPI of position 0
    m.info[15] = 0;
    std::fill(m.keyLedMap.begin(), m.keyLedMap.begin() + kEntries, 0xFF);
    for (std::size_t j = 0; j < MouseDefaultKeyTable.size(); ++j) {
        const std::size_t k = (5 * j + 3) % kEntries;
        const FactoryAction& a = MouseDefaultKeyTable[j];
        m.keyTable[3 * k] = a.kind;
        m.keyTable[3 * k + 1] = a.p1;
        m.keyTable[3 * k + 2] = a.p2;
        m.keyLedMap[k] = static_cast<std::uint8_t>(j);
    }
    m.macro.assign(m.info[6] * 128u, 0);
    m.recoil.assign(2048, 0);
    // Records of profiles 0-4 at profile * 128.
    constexpr std::uint16_t kStagePositions[5] = {4, 8, 16, 31, 56};
    constexpr std::uint8_t kStageColours[5][3] = {{0xFF, 0x00, 0x00},
                                                  {0x00, 0xFF, 0x00},
                                                  {0x00, 0x00, 0xFF},
                                                  {0xFF, 0xFF, 0x00},
                                                  {0xFF, 0x00, 0xFF}};
    for (std::size_t p = 0; p < 5; ++p) {
        const std::size_t at = p * 128;
        putLighting(m.settings, at, static_cast<std::uint8_t>(1 + p));
        m.settings[at + 11] = 3; // polling-rate option
        m.settings[at + 12] = 1; // active DPI stage
        for (std::size_t i = 0; i < 5; ++i) {
            const std::size_t s = at + 14 + 9 * i;
            m.settings[s] = 1;
            m.settings[s + 1] = 0;
            putLe16(m.settings, s + 2, kStagePositions[i]);
            putLe16(m.settings, s + 4, kStagePositions[i]);
            m.settings[s + 6] = kStageColours[i][0];
            m.settings[s + 7] = kStageColours[i][1];
            m.settings[s + 8] = kStageColours[i][2];
        }
        m.settings[at + 59] = 1;
        putLe16(m.settings, at + 60, 1920);
        putLe16(m.settings, at + 62, 1080);
    }
    m.settings[0] = 0;
}

void lightOnlyMemory(DeviceMemory& m) {
    // No keys and no macros: records of profiles 0-3 at profile * 64 (what the host writes) and
    // readable at profile * 25 (what it reads back; both start at 0 for profile 0).
    for (std::size_t p = 0; p < 4; ++p)
        putLighting(m.settings, p * 64, static_cast<std::uint8_t>(p));
    m.settings[0] = 0;
}

std::vector<std::uint8_t>* writableArea(DeviceMemory& m, std::uint8_t code) {
    switch (code) {
    case CmdWriteSettings:
        return &m.settings;
    case CmdWriteKeyTable:
        return &m.keyTable;
    case CmdWriteKeyColors:
        return &m.colors;
    case CmdSendLightFrame:
        return &m.lightFrame;
    case CmdWriteMacroData:
        return &m.macro;
    case CmdWriteRecoilData:
        return &m.recoil;
    default:
        return nullptr;
    }
}

std::array<std::uint8_t, kCommandReportSize> makeAnswer(const std::uint8_t* request,
                                                        std::uint8_t code, std::uint8_t status) {
    std::array<std::uint8_t, kCommandReportSize> a{};
    a[0] = kCommandReportId;
    a[3] = code;
    a[4] = request[4];
    a[5] = request[5];
    a[6] = request[6];
    a[7] = status;
    return a;
}

void seal(std::array<std::uint8_t, kCommandReportSize>& a) {
    const std::uint16_t sum = reportChecksum(a.data());
    a[1] = static_cast<std::uint8_t>(sum & 0xFF);
    a[2] = static_cast<std::uint8_t>(sum >> 8);
}

// The answer the device gives when the fault asks for an outdated one: its previous answer when
// that was to another command, otherwise an empty answer to another command. Either way byte 3
// differs from the request's code, as an answer left over from an earlier exchange would.
std::array<std::uint8_t, kCommandReportSize> staleAnswer(const DeviceState& s,
                                                         const std::uint8_t* request) {
    const std::uint8_t code = request[3];
    if (s.lastAnswer && (*s.lastAnswer)[3] != code) return *s.lastAnswer;
    std::uint8_t other = code == CmdConfigEnd ? CmdConfigBegin : CmdConfigEnd;
    auto a = makeAnswer(request, other, 0);
    a[4] = a[5] = a[6] = 0;
    seal(a);
    return a;
}

} // namespace

std::uint16_t reportChecksum(const std::uint8_t* report64) {
    std::uint32_t sum = 0;
    for (std::size_t i = 3; i < kCommandReportSize; ++i)
        sum += report64[i];
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::array<std::uint8_t, kCommandReportSize> makeRequest(std::uint8_t code, std::uint8_t length,
                                                         std::uint16_t offset,
                                                         const std::uint8_t* payload) {
    std::array<std::uint8_t, kCommandReportSize> r{};
    r[0] = kCommandReportId;
    r[3] = code;
    r[4] = length;
    r[5] = static_cast<std::uint8_t>(offset & 0xFF);
    r[6] = static_cast<std::uint8_t>(offset >> 8);
    if (payload)
        std::memcpy(r.data() + kPayloadOffset, payload, std::min<std::size_t>(length, kMaxPayload));
    seal(r);
    return r;
}

DeviceMemory factoryMemory(DeviceModel model) {
    DeviceMemory m;
    m.keyTable.assign(kKeyTableSize, 0);
    m.keyLedMap.assign(kKeyLedMapSize, 0);
    m.settings.assign(kSettingsSize, 0);
    m.colors.assign(kColorTableSize, 0);
    m.lightFrame.assign(kLightFrameSize, 0);
    m.status.assign(kStatusSize, 0);
    const bool receiver = modelIdentity(model).receiver;
    switch (model) {
    case DeviceModel::Keyboard:
    case DeviceModel::KeyboardReceiver:
        fillCommonInfo(m, 1);
        keyboardMemory(m);
        m.status[0] = 100;
        m.status[1] = receiver ? 2 : 0;
        break;
    case DeviceModel::Mouse:
    case DeviceModel::MouseReceiver:
        fillCommonInfo(m, 2);
        mouseMemory(m);
        m.status[0] = 85;
        m.status[1] = receiver ? 2 : 1; // on battery, or charging on the cable
        break;
    case DeviceModel::Mousepad:
        fillCommonInfo(m, 3);
        lightOnlyMemory(m);
        break;
    case DeviceModel::Headset:
        fillCommonInfo(m, 7);
        lightOnlyMemory(m);
        break;
    }
    m.status[3] = receiver ? 1 : 0;
    return m;
}

DeviceState makeDeviceState(DeviceModel model) {
    DeviceState s;
    s.model = model;
    s.memory = std::make_shared<DeviceMemory>(factoryMemory(model));
    return s;
}

std::vector<std::vector<std::uint8_t>> handleReport(DeviceState& s, const std::uint8_t* data,
                                                    std::size_t length) {
    std::vector<std::vector<std::uint8_t>> out;
    if (length == 0) return out;
    DeviceMemory& m = *s.memory;

    if (data[0] == kHeadsetLightReportId && s.model == DeviceModel::Headset) {
        if (m.headsetLights.size() >= kHeadsetLightsKept)
            m.headsetLights.erase(m.headsetLights.begin());
        m.headsetLights.emplace_back(data, data + std::min(length, kHeadsetLightReportSize));
        return out;
    }
    if (data[0] != kCommandReportId) return out; // other output reports are not answered

    // Like the interrupt endpoint, a short report arrives zero-filled and a long one is cut.
    std::array<std::uint8_t, kCommandReportSize> req{};
    std::memcpy(req.data(), data, std::min(length, kCommandReportSize));
    const std::uint8_t code = req[3];

    auto emit = [&](std::array<std::uint8_t, kCommandReportSize> a) {
        seal(a);
        out.emplace_back(a.begin(), a.end());
        s.lastAnswer = a;
    };

    if (s.fault.kind != Fault::None && s.fault.count != 0) {
        const Fault::Kind kind = s.fault.kind;
        if (s.fault.count > 0 && --s.fault.count == 0) s.fault = Fault{};
        switch (kind) {
        case Fault::Silent:
            return out;
        case Fault::RefuseFF:
            emit(makeAnswer(req.data(), code, kStatusRefusedFF));
            return out;
        case Fault::RefuseFE:
            emit(makeAnswer(req.data(), code, kStatusRefusedFE));
            return out;
        case Fault::Unreachable:
            // The receiver answers for the device: the link query says "not reachable", any
            // other command comes back with 0xAA in place of its code.
            emit(makeAnswer(req.data(), CmdReceiverLinkQuery, 0));
            return out;
        case Fault::Stale: {
            auto stale = staleAnswer(s, req.data());
            out.emplace_back(stale.begin(), stale.end());
            break; // then the right answer
        }
        case Fault::None:
            break;
        }
    }

    // A report whose checksum does not match was damaged on the way: the device refuses it with
    // 0xFF (the status the host reads as "refused") rather than acting on unreliable bytes.
    const std::uint16_t sum = static_cast<std::uint16_t>(req[1] | (req[2] << 8));
    if (sum != reportChecksum(req.data())) {
        emit(makeAnswer(req.data(), code, kStatusRefusedFF));
        return out;
    }

    const std::size_t len = req[4];
    const std::size_t offset = static_cast<std::size_t>(req[5] | (req[6] << 8));
    auto answer = makeAnswer(req.data(), code, 0);

    auto readFrom = [&](const std::uint8_t* area, std::size_t size) {
        if (len > kMaxPayload || offset > size || len > size - offset) {
            answer[7] = kStatusRefusedFE;
        } else {
            std::memcpy(answer.data() + kPayloadOffset, area + offset, len);
        }
    };

    switch (code) {
    case CmdConfigBegin:
        m.configOpen = true;
        ++m.configBegins;
        break;
    case CmdConfigEnd:
        m.configOpen = false;
        ++m.configEnds;
        break;
    case CmdReadDeviceInfo:
        readFrom(m.info.data(), m.info.size());
        break;
    case CmdReadSettings:
        readFrom(m.settings.data(), m.settings.size());
        break;
    case CmdReadKeyTable:
        readFrom(m.keyTable.data(), m.keyTable.size());
        break;
    case CmdReadStatus:
        readFrom(m.status.data(), m.status.size());
        break;
    case CmdReadKeyLedMap:
        readFrom(m.keyLedMap.data(), m.keyLedMap.size());
        break;
    case CmdWriteSettings:
    case CmdWriteKeyTable:
    case CmdWriteKeyColors:
    case CmdSendLightFrame:
    case CmdWriteMacroData:
    case CmdWriteRecoilData: {
        // The key table's offset carries the block in its high byte (block * 512 + p); only
        // block 0 exists, so any offset past the table is refused like any other overrun.
        std::vector<std::uint8_t>& area = *writableArea(m, code);
        if (len > kMaxPayload || offset > area.size() || len > area.size() - offset) {
            answer[7] = kStatusRefusedFE;
        } else {
            std::memcpy(area.data() + offset, req.data() + kPayloadOffset, len);
            if (code == CmdSendLightFrame) ++m.lightFrames;
        }
        break;
    }
    case CmdHostLightingOn:
        m.hostLighting = true;
        break;
    case CmdReceiverLinkQuery:
        answer[8] = 0xFF;
        break; // the device behind the link answers
    default:
        answer[7] = kStatusRefusedFF;
        break; // unknown command
    }
    emit(answer);
    return out;
}

} // namespace quasar::vdev
