// Linux executables for the front end: a copy of keltra-rt with the
// resource archive appended (format in src/host/linux/res_archive.h).
#pragma once
#include "pe_resources.h"
#include <string>
#include <vector>

// Writes outPath: engineExe (without any archive it already carries) and an
// archive holding the scrambled image as RCDATA "A6F2D1FB" and the given
// resources. The file is written under a temporary name and renamed, so a
// failure never leaves a broken executable behind.
bool BuildLinuxExecutable(const std::string& engineExe, const std::string& outPath,
                          const std::vector<uint8_t>& scrambledImage,
                          const std::vector<PeResource>& resources, std::string* err);

// The scrambled program image of an executable built by BuildLinuxExecutable;
// false when the file carries none.
bool ReadLinuxImage(const std::string& path, std::vector<uint8_t>* scrambled);
