// Windows executables for the front end: copies the Windows engine and gives
// the copy a resource section of its own holding the program image and the
// resources named on the command line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A resource type or name: a number, or a text when text is not empty.
struct PeResourceId {
    uint32_t id = 0;
    std::string text;
};

struct PeResource {
    PeResourceId type;
    PeResourceId name;
    std::vector<uint8_t> data;
};

// One resource named on the command line: kind, name and file.
//   kind: bitmap, icon, cursor, rtimage, rcdata (raw data), a resource type
//         number, or any other word as a named type;
//   name: a number or a text (a text "#12" is the number 12).
struct PeResourceArg {
    std::string kind, name, file;
};

// Turns one command-line resource into the resources it makes: a .bmp loses
// its file header, an .ico or .cur file becomes one resource per image plus
// the group directory. nextImageId hands out the numbers of icon and cursor
// images. Returns false with a message in *err on a bad file.
bool PeExpandResource(const PeResourceArg& arg, uint32_t* nextImageId,
                      std::vector<PeResource>* out, std::string* err);

// Adds the default window icon (group icon 101) unless one is present.
void PeAddDefaultIcon(std::vector<PeResource>* resources, uint32_t* nextImageId);

// Writes outPath: the executable engineExe with a new resource section built
// from resources (the data directory points at it; an old one is dropped).
bool PeWriteWithResources(const std::string& engineExe, const std::string& outPath,
                          const std::vector<PeResource>& resources, std::string* err);

// The whole Windows target of "keltra build": the scrambled image as RCDATA
// "A6F2D1FB", the given resources, the default icon, written to outPath.
// engineExe empty: the engine is looked up beside the front end
// (keltra-rt.exe, then ../build-win/keltra-rt.exe).
bool BuildWindowsExecutable(const std::string& engineExe, const std::string& outPath,
                            const std::vector<uint8_t>& scrambledImage,
                            const std::vector<PeResourceArg>& args, std::string* err);
