#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/setting_codes.h"

namespace tavrin::protocol {

// The class of one received reply and what it carries.
struct ReplyKind {
    enum class Group : std::uint8_t {
        Ack,          // a read that starts with 0x06 (made by the receive tick)
        Nak,          // a read that starts with 0x15 (made by the receive tick)
        PowerMode,    // "PW0" + digit; code[0] is '0' or '1'
        DoorSensor,   // "DS0" + digit; code[0] is '0' or '1'
        TrackNumber,  // "TR" + three digits (the digits stay in the line)
        Time,         // "TI" + seven digits (the digits stay in the line)
        Card,         // "CD" + code
        Status,       // "ST" + code
        DisplayMode,  // "TM" + code
        Setting,      // a preset setting and its value
        Unknown,
    };

    Group group = Group::Unknown;
    std::array<char, 2> code{};                       // Card, Status, DisplayMode, PowerMode, DoorSensor
    PresetSetting setting = PresetSetting::PresetNo;  // Setting
    int value = 0;                                    // Setting: index, or kNoValue ("RCPW")
    std::array<char, kIdLength> id{};                 // Setting ID1 to ID3: the six characters

    bool isStatus(std::string_view two) const {
        return group == Group::Status && two.size() == 2 && code[0] == two[0] && code[1] == two[1];
    }
    std::string_view codeText() const { return {code.data(), code.size()}; }
    std::string_view idText() const { return {id.data(), id.size()}; }
};

// Classifies one reply line, from its "@" up to but not including its CR. Only the first
// 20 bytes are looked at; positions past the end of the line read as zero. No allocation.
ReplyKind classify(std::span<const std::uint8_t> line);
ReplyKind classify(std::string_view line);

}  // namespace tavrin::protocol
