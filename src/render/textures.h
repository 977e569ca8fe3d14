// Loading of the eight data files into TextureTable.
#pragma once

// Uploads Data/Data1..8 into their texture slots in the current GL context.
// True when the inner-face texture (Data8) was loaded.
bool LoadTextures();

// Deletes the textures of the current GL context and empties the table. The
// frame loop calls it before each window closes, while its context is current.
void ReleaseTextures();
