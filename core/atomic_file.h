// Saving a file whole or not at all: the bytes go to a temporary file beside
// it, are synced, and replace the file by a rename, so a failed or interrupted
// save leaves the old file as it was. A replaced file keeps its mode; a new one
// gets the mode the umask gives.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Writes `path` through `write`, which fills the open file and says why when
// it fails. False with "can't write "PATH": why" and the old file untouched.
bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string& why)>& write,
                         std::string& error);
