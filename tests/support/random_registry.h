// Lays out a registry in the host's key store from a run of bytes: classes
// with names, values of every type and of lengths around each room's limit,
// TABs and backslashes inside them, "Control", "InprocServer32", "ProgID" and
// "Typelib" subkeys, and denied access here and there; besides the genuine
// registrations, hostile ones: symbolic links into, out of and as the top of
// a control's trees, ProgID values naming roots of the class store or other
// classes with forged "CLSID" subkeys added there, type-library values that
// are not library identifiers; and half the time a 64-bit machine's two
// registry views, the same classes laid out in both with values of their
// own, sharing ProgIDs and libraries; and half the time a user's class
// store beside the machine's, any of those keys laid there instead, over
// the machine's keys of the same names. Any bytes make some registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What the layout made each class's own, by how it was laid out: its class
// tree in this program's view (as the store holds it: under "Wow6432Node"
// where there are two views), the ProgID tree laid out for it, and the
// libraries it was registered with in either view (a class registered with
// a library shares it with every other class registered with it), each in
// the store it was laid in (the user's named with keystore::kUserClasses
// before it). Keyed by class key name in lower case, with "user:" before it
// for the user's registration of the class.
typedef std::map<std::string, std::vector<std::string>> OwnTrees;

OwnTrees LayRegistryFromBytes(const uint8_t* data, size_t size);
