// The state of the processor's vector registers, as code built for SSE meets
// it.
#pragma once

namespace core {

// Marks the upper parts of the AVX registers as unused (vzeroupper), on a
// processor that has them; does nothing elsewhere.
//
// This program is built for SSE. While the upper parts hold what AVX code
// elsewhere in the process left there, every SSE instruction that writes a
// register has to wait for that register's last full value, and a loop
// over the stores ran a third slower. Compilers clear the state where AVX
// code returns, but not all code in the process does, and glibc's AVX-512
// routines use registers that need no clearing, so nothing on the way
// clears it. It costs a cycle or so: call it before loops that matter.
void ClearUpperVectorState();

}  // namespace core
