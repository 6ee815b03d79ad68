#pragma once
// The text form of a registry hive, as registry.json and machine.json hold
// it: one JSON object whose names are key paths, each naming an object of
// that key's values. For example
//
//   {
//     "Software\\Orvane\\Quillane": {
//       "Appointments.Export.Format": {"type": "REG_DWORD", "value": 20},
//       "Appointments.Export.Folder": {"type": "REG_SZ", "value": "/home/ann/out"},
//       "Appointments.Import.TZ": {"type": "REG_BINARY", "hex": "2c01000000000000"}
//     }
//   }
//
// "type" is REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD or a
// number. "value" is a text (REG_SZ, REG_EXPAND_SZ: its bytes and one zero
// byte) or a number (REG_DWORD: four bytes, least significant first); "hex"
// gives the exact bytes of any type. Texts that are not UTF-8, or whose bytes
// do not end in exactly one zero, are written as hex so that every value
// reads back byte for byte. Keys with neither values nor subkeys are listed
// with an empty object so that they survive too.

#include "platform/win32/registry_tree.h"

#include <string>

// True when the bytes are well-formed UTF-8 (JSON texts must be).
bool IsUtf8(std::string_view bytes);

std::string RegistryToJson(const RegNode& root);

// Fills root (which should be empty) from the text. On malformed text
// returns false, says why in error and leaves root empty.
bool RegistryFromJson(const std::string& text, RegNode& root, std::string& error);
