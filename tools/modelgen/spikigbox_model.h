#pragma once
#include <cstdint>
#include <vector>

// Builds the show's model, "spikigbox.3ds": a box whose six sides are covered
// with square-based spikes, wrapped in the chunks a modelling program writes
// around a mesh (versions, a material library, material and smoothing groups,
// a local axis, keyframer data). Deterministic: the same bytes every time.
std::vector<uint8_t> buildSpikigbox();
