#pragma once

namespace shell {

// 1 when the processor reports MMX, else 0.
int hasMmx();

}  // namespace shell
