// The six quarter-turn recolourings. Each returns a copy of `target` with its
// angles zeroed and its face slots taken from `source`, permuted so that each
// slot lands on the face the quarter turn carries it to.
#pragma once

#include "cube/cubie.h"

Cubie RecolourXPlus(Cubie target, const Cubie& source);
Cubie RecolourXMinus(Cubie target, const Cubie& source);
Cubie RecolourYPlus(Cubie target, const Cubie& source);
Cubie RecolourYMinus(Cubie target, const Cubie& source);
Cubie RecolourZPlus(Cubie target, const Cubie& source);
Cubie RecolourZMinus(Cubie target, const Cubie& source);
