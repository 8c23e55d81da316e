// Checks that inputs are what they claim and that an output does not land on an input.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

// Opens szPath for reading without ever blocking (a FIFO or device would) and accepts it
// only when it is a regular file. Returns the descriptor (blocking mode restored), or -1
// with a text: "not a regular file (a folder)", or the system's reason.
int OpenRegularFile(const std::string& szPath, std::string* pReason = nullptr);

// Reads up to nSize bytes from fd, retrying interrupted and short reads; returns how many
// bytes were read before the end of the file or an error.
size_t ReadFully(int fd, void* pBuffer, size_t nSize);
// The same check without keeping the file open.
bool IsReadableRegularFile(const std::string& szPath, std::string* pReason = nullptr);

// What kind of thing a path names, in words ("a folder", "a FIFO", ...), "" for a regular
// file or a path that does not exist.
std::string NonRegularKind(const std::string& szPath);

// True when both paths exist and are the same file (same device and inode, so links and
// different spellings count).
bool IsSameFile(const std::string& szA, const std::string& szB);

// True when szPath names an existing folder.
bool IsFolder(const std::string& szPath);

// Bytes an unprivileged user may still write on the file system that holds szPath (or
// its folder, when it does not exist yet); -1 when unknown.
long long FreeBytesFor(const std::string& szPath);

// "1.5 GB", "730 MB", "12 KB": sizes for messages.
std::string ByteSizeText(long long nBytes);
