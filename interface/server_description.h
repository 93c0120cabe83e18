// Each server's identity, written once: its width, name and file, its AppID, the classes it
// serves with their type libraries, and the resources of its image. The resource scripts include
// this header too and see only its macros; registration, the class objects, plimo-scc and the
// tests read the descriptions below them.
#pragma once

// The resources of either server's image.
#define PLIMO_NAME_STRING 100  // string: the server's name
#define PLIMO_APPID_SCRIPT 101 // REGISTRY: the AppID's entries
#define PLIMO_CLASS_SCRIPT 102 // REGISTRY: one class's entries, applied once for each class
#define PLIMO_TYPELIB 1        // TYPELIB: IPlimoWrapper's library
#define PLIMO_TYPELIB2 2       // TYPELIB: IPlimoWrapper2's, which imports the first
// In the 64-bit server's image: both libraries again, compiled for 32-bit clients.
#define PLIMO_TYPELIB_WIN32 3
#define PLIMO_TYPELIB2_WIN32 4

// The servers' names, file names and descriptions, as the version resource shows them.
#define PLIMO_SERVER32_NAME "PlimoCOMWrapper"
#define PLIMO_SERVER32_FILE "PlimoCOMWrapper.exe"
#define PLIMO_SERVER32_DESCRIPTION "PlimoCOMWrapper automation server"
#define PLIMO_SERVER64_NAME "PlimoCOMWrapper64"
#define PLIMO_SERVER64_FILE "PlimoCOMWrapper64.exe"
#define PLIMO_SERVER64_DESCRIPTION "PlimoCOMWrapper automation server (64-bit)"

#ifndef RC_INVOKED

#include <windows.h>
#include <oaidl.h>

#include <cstddef>

#include "PlimoCOMWrapper.h"
#include "PlimoCOMWrapper2.h"

// One class a server serves. Its ProgIDs are PlimoCOMWrapper.<name>.1 and, independent of the
// version, PlimoCOMWrapper.<name>; "<name> Class" is its display name.
struct ServedClass {
    const CLSID* clsid;
    const wchar_t* name;
    const GUID* libraryId; // the type library that describes it
};

// A type library the image carries: its TYPELIB resource and the platform it is compiled for.
struct TypeLibraryResource {
    UINT resource;
    SYSKIND platform;
};

struct ServerDescription {
    int bits;            // the server's width, and that of the providers it loads
    const wchar_t* name; // the AppID's name; with ".EXE", the AppID's executable key
    const wchar_t* fileName;
    const GUID* appId;
    const ServedClass* classes;
    size_t classCount;
    // Those of the server's own platform first; after them, in the same order, any copies
    // compiled for the other platform.
    const TypeLibraryResource* libraries;
    size_t libraryCount;
    UINT appIdScript;
    UINT classScript;
};

// The 64-bit server's class. It serves IPlimoWrapper2 as TovikPlimoWrapper2 does, under an
// identity of its own, so that no interface definition declares it.
// {55C7E26C-8ADC-4D39-8B06-5BEF31FA32B0}
inline constexpr CLSID CLSID_TovikPlimoWrapper64 = {
    0x55C7E26C, 0x8ADC, 0x4D39, {0x8B, 0x06, 0x5B, 0xEF, 0x31, 0xFA, 0x32, 0xB0}};

// {054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}
inline constexpr GUID kServer32AppId = {
    0x054AD9CC, 0x6C76, 0x44E1, {0x9E, 0xFB, 0xDF, 0xD0, 0xCA, 0x1C, 0x4A, 0x0B}};
// {728564B9-F0A9-4987-9B17-427C4605D430}
inline constexpr GUID kServer64AppId = {
    0x728564B9, 0xF0A9, 0x4987, {0x9B, 0x17, 0x42, 0x7C, 0x46, 0x05, 0xD4, 0x30}};

inline constexpr ServedClass kServer32Classes[] = {
    {&CLSID_TovikPlimoWrapper, L"TovikPlimoWrapper", &LIBID_PlimoCOMWrapperLib},
    {&CLSID_TovikPlimoWrapper2, L"TovikPlimoWrapper2", &LIBID_PlimoCOMWrapper2Lib},
};
inline constexpr TypeLibraryResource kServer32Libraries[] = {
    {PLIMO_TYPELIB, SYS_WIN32},
    {PLIMO_TYPELIB2, SYS_WIN32},
};

inline constexpr ServedClass kServer64Classes[] = {
    {&CLSID_TovikPlimoWrapper64, L"TovikPlimoWrapper64", &LIBID_PlimoCOMWrapper2Lib},
};
inline constexpr TypeLibraryResource kServer64Libraries[] = {
    {PLIMO_TYPELIB, SYS_WIN64},
    {PLIMO_TYPELIB2, SYS_WIN64},
    {PLIMO_TYPELIB_WIN32, SYS_WIN32},
    {PLIMO_TYPELIB2_WIN32, SYS_WIN32},
};

// PlimoCOMWrapper.exe, which loads 32-bit providers and serves both interfaces.
inline constexpr ServerDescription kServer32 = {
    32,
    L"" PLIMO_SERVER32_NAME,
    L"" PLIMO_SERVER32_FILE,
    &kServer32AppId,
    kServer32Classes,
    sizeof kServer32Classes / sizeof kServer32Classes[0],
    kServer32Libraries,
    sizeof kServer32Libraries / sizeof kServer32Libraries[0],
    PLIMO_APPID_SCRIPT,
    PLIMO_CLASS_SCRIPT,
};

// PlimoCOMWrapper64.exe, the same server built for x64, which loads 64-bit providers.
inline constexpr ServerDescription kServer64 = {
    64,
    L"" PLIMO_SERVER64_NAME,
    L"" PLIMO_SERVER64_FILE,
    &kServer64AppId,
    kServer64Classes,
    sizeof kServer64Classes / sizeof kServer64Classes[0],
    kServer64Libraries,
    sizeof kServer64Libraries / sizeof kServer64Libraries[0],
    PLIMO_APPID_SCRIPT,
    PLIMO_CLASS_SCRIPT,
};

// The server that loads providers of `bits` (32 or 64) bits.
inline const ServerDescription& ServerDescriptionFor(int bits) {
    return bits == 64 ? kServer64 : kServer32;
}

// The class that serves IPlimoWrapper2 in the server of `bits` bits.
inline const CLSID& WholeInterfaceClass(int bits) {
    return bits == 64 ? CLSID_TovikPlimoWrapper64 : CLSID_TovikPlimoWrapper2;
}

#endif // RC_INVOKED
