#pragma once
#include <cstdint>
#include <vector>

// Writes width x height pixels of 0x00RRGGBB (row after row, stride = width)
// as an 8-bit RGB PNG file. Returns false when the sizes are not positive or
// the file cannot be written.
bool writeFramePng(const char* path, const uint32_t* pixels, int width, int height);

// Writes width x height grey bytes as an 8-bit greyscale PNG file.
bool writeGreyPng(const char* path, const unsigned char* grey, int width, int height);

// Reads any PNG file into 0x00RRGGBB pixels (alpha is dropped, grey and
// palette images are expanded). Returns false on a missing or malformed file.
bool readFramePng(const char* path, std::vector<uint32_t>& pixels, int& width, int& height);
