// The one bound on path lengths: every path buffer and every refusal of an over-long
// path uses it, so the playlist and the engines agree on what fits.
#pragma once

#include <climits>
#include <cstddef>

constexpr std::size_t kMaxPath = PATH_MAX;
