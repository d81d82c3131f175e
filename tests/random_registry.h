// Lays out a registry in the host's key store from a run of bytes: classes
// with names, values of every type and of lengths around each room's limit,
// TABs and backslashes inside them, "Control", "InprocServer32", "ProgID" and
// "Typelib" subkeys naming each other, shared, missing or structural keys,
// and denied access here and there. Any bytes make some registry.
#pragma once

#include <cstddef>
#include <cstdint>

void LayRegistryFromBytes(const uint8_t* data, size_t size);
