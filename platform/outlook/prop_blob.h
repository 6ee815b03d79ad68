#pragma once
// The MAPI properties of one appointment as one byte string, the way the
// calendar store keeps them in the appointment's row.
//
// Each property is a header of eight bytes (property id and type, two bytes
// each, and the value's length, four bytes; all little-endian) and its
// value: eight bytes for numbers, booleans and date-times, UTF-16 code units
// for text, the bytes themselves for binary values.

#include "platform/outlook/appointment_record.h"

#include <cstdint>
#include <map>
#include <span>
#include <vector>

using PropMap = std::map<LONG, PropValue>;

// The bytes replace what the vector held; its room is kept.
void EncodeProps(const PropMap& props, std::vector<std::uint8_t>& bytes);
// False when the bytes are not properties in that form (a damaged store).
bool DecodeProps(std::span<const std::uint8_t> bytes, PropMap& props);
