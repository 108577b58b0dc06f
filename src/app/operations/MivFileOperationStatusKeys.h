#pragma once

// Keys of a step's status dictionary: the system's throughput, total-bytes
// and bytes-complete numbers, and the text to show as the current path.
inline constexpr const char* kFSOperationThroughputKey = "kFSOperationThroughputKey";
inline constexpr const char* kFSOperationTotalBytesKey = "kFSOperationTotalBytesKey";
inline constexpr const char* kFSOperationBytesCompleteKey = "kFSOperationBytesCompleteKey";
inline constexpr const char* kFSOperationMessageKey = "message";
