// The texture table and the loading of the eight data files into it.
#pragma once

#include <cstdint>

#include "cube/cubie.h"

constexpr TextureSlot kBackdropSlot = 6;
constexpr int kTextureSlots = 9;

// GL texture names by TextureSlot; filled by LoadTextures, 0 until then.
extern std::uint32_t TextureTable[kTextureSlots];

// Uploads Data/Data1..8 into their texture slots in the current GL context.
// True when the inner-face texture (Data8) was loaded.
bool LoadTextures();

// Deletes the textures of the current GL context and empties the table. The
// frame loop calls it before each window closes, while its context is current.
void ReleaseTextures();
