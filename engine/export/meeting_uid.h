#pragma once
// UIDs of exported events made when Outlook has none for an appointment:
// the 56-byte form of Outlook's global object ids with a new GUID in place
// of the instance part, as 112 upper-case hex digits.
//
//   040000008200E00074C5B7101A82E008 00000000000000000000000000000000
//   0000000010000000 <the GUID's 16 bytes in memory order>

#include <string>

std::string GenerateUid();
