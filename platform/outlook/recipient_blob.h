#pragma once
// The recipients of one appointment as one byte string, the way the
// calendar store keeps them in the appointment's row.
//
// Each recipient is a header of twelve bytes (its type, the length of its
// name and the length of its address in code units, four bytes each, all
// little-endian), then the name and the address as UTF-16 code units.

#include "platform/outlook/appointment_record.h"

#include <cstdint>
#include <span>
#include <vector>

// The bytes replace what the vector held; its room is kept.
void EncodeRecipients(const std::vector<RecipientRecord>& recipients,
                      std::vector<std::uint8_t>& bytes);
// False when the bytes are not recipients in that form (a damaged store).
bool DecodeRecipients(std::span<const std::uint8_t> bytes,
                      std::vector<RecipientRecord>& recipients);
