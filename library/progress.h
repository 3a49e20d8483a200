#pragma once

#include <cstddef>
#include <functional>

namespace brenvik {

// Told now and then how far a long piece of work has come (`done` of `total` steps), always
// at a point where the tree is whole, so that the caller may let the window paint. An empty
// one is never called.
using Progress = std::function<void(std::size_t done, std::size_t total)>;

// How many steps a long piece of work makes between two reports.
constexpr std::size_t ProgressStride = std::size_t(1) << 15;

} // namespace brenvik
