#pragma once
// The calling contract of the maker's board library (orvhid.dll): what the programs import and
// what any implementation of the library exports, undecorated, with the system's calling
// convention.
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define QM_ORVHID_CALL __stdcall
#else
#define QM_ORVHID_CALL
#endif

extern "C" {
// Fills *count records of 844 bytes from table[0]; returns 0 when no board or on failure.
using DetectHIDFn = std::int16_t(QM_ORVHID_CALL*)(std::int16_t* count, void* table,
                                                  std::int32_t mode);
// Reads one board (its record) into a 513-byte buffer: 2 new data, 3 no new data, 4 failure.
using ReadInputDataFn = std::int32_t(QM_ORVHID_CALL*)(void* record, void* buffer,
                                                      std::int32_t mode);
// Releases the boards of the last detection.
using CloseDevicesFn = std::int32_t(QM_ORVHID_CALL*)(std::int16_t count, void* table);
}

inline constexpr const char* kOrvhidDllName = "orvhid.dll";
