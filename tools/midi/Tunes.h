#pragma once

#include "Score.h"

namespace tunes {

// The six background tunes, 乐曲01 … 乐曲06, from public-domain melodies.
std::vector<Tune> backgroundTunes();

} // namespace tunes
