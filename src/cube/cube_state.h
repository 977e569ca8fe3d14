// The whole puzzle: 26 cubies at fixed home positions, in cubie-index order,
// and the operations that record completed quarter turns by moving face slots.
#pragma once

#include "cube/cubie.h"

enum class Axis { X, Y, Z };

constexpr int kCubieCount = 26;

// The cubies in index order; constructed at static initialisation with all
// faces on the inner slot and all angles 0.
extern Cubie CubeState[kCubieCount];

// Home position (x, y, z), each -1, 0 or +1, of each cubie index.
extern const int kCubieHome[kCubieCount][3];

// The cubie index at a home position; -1 for the centre or a position off the
// puzzle.
int CubieIndexAt(int x, int y, int z);

// Writes each side's slot into its 54 outward faces; nothing else changes.
void ApplySolvedColouring();

// Records a completed quarter turn of one slab (slab -1, 0 or +1 on `axis`;
// sense +90 or -90 by the right-hand rule). Other values change nothing.
void ApplyLayerTurn(Axis axis, int slab, int sense);

// Records a quarter turn of the whole cube about Y (sense +90 or -90).
void ApplyCubeTurn(int sense);

// True when each side's nine outward faces show one slot, whichever it is.
bool EachSideShowsOneSlot();

// Puts all 26 cubies back to their state at start-up.
void ResetCubeState();
