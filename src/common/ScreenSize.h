// The size of the story's picture: every layer, buffer and effect works on it.
#pragma once

namespace mirt {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

}  // namespace mirt
