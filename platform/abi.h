#pragma once
// Calling convention and export marks for the engine library's entry points.
// 32-bit Windows uses the standard Windows convention (callee cleans the stack); elsewhere the
// platform's default convention is the only one.
#if defined(_WIN32) && !defined(_WIN64)
#define ZM_STDCALL __stdcall
#else
#define ZM_STDCALL
#endif

#if defined(_WIN32)
#define ZM_EXPORT extern "C" __declspec(dllexport)
#else
#define ZM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// True when pointers are 32 bits wide (the layout the engine's command record is fixed for).
#define ZM_PTR32 (__SIZEOF_POINTER__ == 4)
