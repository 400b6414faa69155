#pragma once
// The one place that names the Windows build's processor: code that emits or calls machine code keys on
// these, so a 32-bit build can come back by changing the tool chain alone.
#if defined(__x86_64__) || defined(_M_X64)
#define PELMOR_ARCH_X64 1
#elif defined(__i386__) || defined(_M_IX86)
#define PELMOR_ARCH_X86 1
#else
#error "machine-code thunks are written for x86-64 and i686 only"
#endif
