// The one road network the simulation knows: six intersections, ten one-way roads and
// seven vehicles already on the roads.
#pragma once

#include "world.h"

// Adds the intersections and roads to an empty world. They are never destroyed here.
void buildNetwork(World& world);
